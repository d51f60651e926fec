// "复制" in the program's own window: the clipboard is opened with the main
// window as owner, and a clipboard another thread holds for a moment is
// waited for.
#include <doctest/doctest.h>

#include <ole2.h>

#include <string>
#include <thread>

#include "app/link_resolver.h"
#include "app/main_window.h"
#include "window_probe.h"

using namespace quorlin;

namespace quorlin {
const char* const ServiceBaseAddress = "http://127.0.0.1:9";
}

namespace {

struct MainWindowFixture {
  HWND window = nullptr;
  MainWindowFixture() {
    OleInitialize(nullptr);
    window = CreateMainWindow(GetModuleHandleA(nullptr));
    ShowWindow(window, SW_SHOWNORMAL);
    test::PumpMessages(100);
  }
  ~MainWindowFixture() {
    if (IsWindow(window)) DestroyWindow(window);
    test::PumpMessages(50);
    OleUninitialize();
  }
  void SetDownloadAddress(const char* text) { SetWindowTextA(MainWindow.downloadAddressEdit, text); }
};

std::string ClipboardText() {
  std::string text = "<clipboard unavailable>";
  if (!OpenClipboard(nullptr)) return text;
  text = "<no text>";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// Another thread holding the clipboard open until released or for holdMs.
struct ClipboardHolder {
  HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  bool held = false;
  std::thread thread;
  explicit ClipboardHolder(DWORD holdMs) {
    thread = std::thread([this, holdMs] {
      held = OpenClipboard(nullptr) != FALSE;
      SetEvent(opened);
      WaitForSingleObject(release, holdMs);
      if (held) CloseClipboard();
    });
    WaitForSingleObject(opened, 5000);
  }
  ~ClipboardHolder() {
    SetEvent(release);
    thread.join();
    CloseHandle(opened);
    CloseHandle(release);
  }
};

}  // namespace

TEST_CASE_FIXTURE(MainWindowFixture, "a copy leaves the main window owning the clipboard") {
  REQUIRE(window);
  SetDownloadAddress("http://media.test/a.mp4");
  CopyDownloadAddress();
  CHECK(GetClipboardOwner() == window);
  CHECK(ClipboardText() == "http://media.test/a.mp4");
}

TEST_CASE_FIXTURE(MainWindowFixture, "a clipboard held for 50 ms is waited for; one held on is given up") {
  REQUIRE(window);
  SetDownloadAddress("before");
  CopyDownloadAddress();
  REQUIRE(ClipboardText() == "before");

  SUBCASE("held for 50 ms") {
    SetDownloadAddress("http://media.test/b.mp4");
    {
      ClipboardHolder holder(50);
      REQUIRE(holder.held);
      CopyDownloadAddress();
    }
    CHECK(ClipboardText() == "http://media.test/b.mp4");
    CHECK(GetClipboardOwner() == window);
  }
  SUBCASE("held until the copy has returned") {
    SetDownloadAddress("not copied");
    {
      ClipboardHolder holder(30000);
      REQUIRE(holder.held);
      CopyDownloadAddress();  // returns while the clipboard is still held
    }
    CHECK(ClipboardText() == "before");
  }
}
