// The real program, started as a user would start it, driven through
// messages to its real controls, talking to a real HTTP server on 127.0.0.1.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "app/main_window.h"
#include "loopback_http.h"
#include "program_driver.h"
#include "window_probe.h"

using namespace quorlin;
using quorlin::test::HttpReply;
using quorlin::test::LoopbackHttpServer;
using quorlin::test::OkReply;
using quorlin::test::WindowText;
using quorlin::test::Click;
using quorlin::test::RunningProgram;
using quorlin::test::Type;

namespace {

bool WaitForText(HWND control, const std::string& expected) {
  return test::PumpUntil([&] { return WindowText(control) == expected; }, 20000);
}

std::string ClipboardText();

// Clicks the copy button and returns what it put on the clipboard. The
// clipboard is opened only once its contents changed: holding it open while
// polling would make the program's own OpenClipboard fail.
std::string CopyAndReadClipboard(HWND copyButton) {
  const DWORD before = GetClipboardSequenceNumber();
  Click(copyButton);
  if (!test::PumpUntil([&] { return GetClipboardSequenceNumber() != before; }, 10000)) return "<nothing copied>";
  return ClipboardText();
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "<clipboard unavailable>";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// "视频 abc" in UTF-8, with a "%" written as %25 and the title percent-escaped.
const char kReply[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><video>"
    "<title><![CDATA[%E8%A7%86%E9%A2%91 abc 100%25]]></title>"
    "<furl><![CDATA[http://media.test/clip.mp4?a=1&b=2]]></furl>"
    "<ftype>mp4</ftype><size>15728640</size><time>1:02:03</time>"
    "<sites><site><![CDATA[\xE4\xBC\x98\xE9\x85\xB7]]></site></sites></video>";

}  // namespace

TEST_CASE("read-link, copy and widen in the real program") {
  LoopbackHttpServer server([](const std::string&) { return OkReply(kReply); }, QUORLIN_TEST_SERVICE_PORT);
  REQUIRE(server.listening());
  RunningProgram program;
  REQUIRE(program.window);
  CHECK(program.Width() == 444);

  const std::string address = "http://v.test/watch?v=ab+c/d";
  HWND addressEdit = program.Control(AddressEditId);
  Type(addressEdit, address);
  REQUIRE(WaitForText(addressEdit, address));

  Click(program.Control(ReadLinkButtonId));
  HWND sizeLabel = program.Control(SizeLabelId);
  REQUIRE(WaitForText(sizeLabel, "15MB"));

  const auto requests = server.Requests();
  REQUIRE(requests.size() == 1);
  // base64("http://v.test/watch?v=ab+c/d") plus the one extra "=".
  CHECK(requests[0].rfind("GET /url/aHR0cDovL3YudGVzdC93YXRjaD92PWFiK2MvZA=== HTTP/1.0\r\n", 0) == 0);
  CHECK(requests[0].find("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n") != std::string::npos);
  CHECK(requests[0].find("Accept: */*") != std::string::npos);

  CHECK(WindowText(program.Control(TitleLabelId)) == "视频 abc 100%");
  CHECK(WindowText(program.Control(FormatLabelId)) == "mp4");
  CHECK(WindowText(program.Control(DurationLabelId)) == "1:02:03");
  CHECK(WindowText(program.Control(SiteLabelId)) == "优酷");
  CHECK(WindowText(program.Control(DownloadAddressEditId)) == "http://media.test/clip.mp4?a=1&b=2");

  CHECK(CopyAndReadClipboard(program.Control(CopyButtonId)) == "http://media.test/clip.mp4?a=1&b=2");
  CHECK(GetClipboardOwner() == program.window);

  PostMessageA(program.Control(SupportLabelId), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  CHECK(test::PumpUntil([&] { return program.Width() == 700; }, 10000));

  PostMessageA(program.window, WM_CLOSE, 0, 0);
  REQUIRE(WaitForSingleObject(program.process.hProcess, 20000) == WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(program.process.hProcess, &exitCode);
  CHECK(exitCode == 0);
}

TEST_CASE("an empty address sends /url/= and a reply without markers empties the fields") {
  LoopbackHttpServer server([](const std::string&) { return OkReply("<html>busy</html>"); }, QUORLIN_TEST_SERVICE_PORT);
  REQUIRE(server.listening());
  RunningProgram program;
  REQUIRE(program.window);
  SendMessageA(program.Control(TitleLabelId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("stale"));
  Click(program.Control(ReadLinkButtonId));
  REQUIRE(WaitForText(program.Control(SizeLabelId), "0MB"));
  REQUIRE(server.Requests().size() == 1);
  CHECK(server.Requests()[0].rfind("GET /url/= HTTP/1.0\r\n", 0) == 0);
  CHECK(WindowText(program.Control(TitleLabelId)).empty());
  CHECK(WindowText(program.Control(DownloadAddressEditId)).empty());
  CHECK(CopyAndReadClipboard(program.Control(CopyButtonId)).empty());
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  CHECK(WaitForSingleObject(program.process.hProcess, 20000) == WAIT_OBJECT_0);
}

TEST_CASE("an endless reply ends as a failed request and the program carries on") {
  std::atomic<bool> endless{true};
  LoopbackHttpServer server([&](const std::string&) {
    if (!endless) return OkReply(kReply);
    HttpReply r = OkReply("<title><![CDATA[never ends", false);
    r.repeatForever = std::string(65536, 'x');
    return r;
  }, QUORLIN_TEST_SERVICE_PORT);
  REQUIRE(server.listening());
  RunningProgram program;
  REQUIRE(program.window);
  SendMessageA(program.Control(TitleLabelId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("stale"));

  Click(program.Control(ReadLinkButtonId));
  HWND sizeLabel = program.Control(SizeLabelId);
  REQUIRE(test::PumpUntil([&] { return WindowText(sizeLabel) == "0MB"; }, 120000));
  CHECK(WindowText(program.Control(TitleLabelId)).empty());
  CHECK(WaitForSingleObject(program.process.hProcess, 0) == WAIT_TIMEOUT);

  // The same program reads the next reply as usual.
  endless = false;
  Click(program.Control(ReadLinkButtonId));
  REQUIRE(WaitForText(sizeLabel, "15MB"));
  CHECK(WindowText(program.Control(FormatLabelId)) == "mp4");

  PostMessageA(program.window, WM_CLOSE, 0, 0);
  REQUIRE(WaitForSingleObject(program.process.hProcess, 20000) == WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(program.process.hProcess, &exitCode);
  CHECK(exitCode == 0);
}

namespace {

// A loopback service that takes ten seconds over every page, as yt-dlp may.
HttpReply SlowReply(const std::string&) {
  HttpReply r = OkReply(kReply);
  r.delayMs = 10000;
  return r;
}

using IsHungAppWindowFunction = BOOL(WINAPI*)(HWND);

bool IsHung(HWND window) {
  static const auto isHung = reinterpret_cast<IsHungAppWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "IsHungAppWindow")));
  return isHung && isHung(window);
}

// How long the program takes to answer WM_NULL, in milliseconds; 5000 when it
// does not answer at all.
DWORD RoundTripMs(HWND window) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) return 5000;
  QueryPerformanceCounter(&end);
  return static_cast<DWORD>((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
}

// A solid popup of this process laid over area (client coordinates of window).
HWND CoverWith(HWND window, const RECT& area) {
  static const char* const kClass = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 0));
    wc.lpszClassName = "QuorlinTestCover";
    RegisterClassA(&wc);
    return "QuorlinTestCover";
  }();
  RECT onScreen = area;
  MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&onScreen), 2);
  HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClass, "", WS_POPUP | WS_VISIBLE,
                               onScreen.left, onScreen.top, onScreen.right - onScreen.left,
                               onScreen.bottom - onScreen.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  UpdateWindow(cover);
  return cover;
}

bool SamePixels(const test::ScreenPixels& a, const test::ScreenPixels& b) { return a.pixels == b.pixels; }

}  // namespace

TEST_CASE("the real program stays alive through a ten-second resolution, then shows the reply") {
  LoopbackHttpServer server(SlowReply, QUORLIN_TEST_SERVICE_PORT);
  REQUIRE(server.listening());
  RunningProgram program;
  REQUIRE(program.window);
  HWND addressEdit = program.Control(AddressEditId);
  HWND button = program.Control(ReadLinkButtonId);
  Type(addressEdit, "http://v.test/slow");
  REQUIRE(WaitForText(addressEdit, "http://v.test/slow"));
  test::PumpMessages(300);

  RECT buttonArea;
  GetWindowRect(button, &buttonArea);
  MapWindowPoints(HWND_DESKTOP, program.window, reinterpret_cast<POINT*>(&buttonArea), 2);
  // A piece of the skin the request does not change: the field names.
  const RECT skinArea = {38, 90, 130, 150};
  const auto idleButton = test::CaptureScreen(program.window, buttonArea);
  const auto idleSkin = test::CaptureScreen(program.window, skinArea);

  const DWORD clicked = GetTickCount();
  Click(button);
  REQUIRE(WaitForText(button, "读取中…"));
  CHECK_FALSE(IsWindowEnabled(button));
  test::PumpMessages(200);
  CHECK_FALSE(SamePixels(test::CaptureScreen(program.window, buttonArea), idleButton));

  // Probes from this process through the wait.
  DWORD worstRoundTrip = 0;
  int probes = 0, hung = 0;
  bool coveredShown = false, repainted = false;
  while (GetTickCount() - clicked < 9000) {
    worstRoundTrip = std::max(worstRoundTrip, RoundTripMs(program.window));
    if (IsHung(program.window)) ++hung;
    ++probes;
    if (!coveredShown && GetTickCount() - clicked > 2000) {
      // Uncover an area and see the program paint its skin there again.
      HWND cover = CoverWith(program.window, skinArea);
      test::PumpMessages(200);
      const auto covered = test::CaptureScreen(program.window, skinArea);
      coveredShown = covered.At(5, 5) == RGB(255, 0, 0);
      DestroyWindow(cover);
      repainted = test::PumpUntil([&] { return SamePixels(test::CaptureScreen(program.window, skinArea), idleSkin); },
                                  1000);
    }
    test::PumpMessages(150);
  }
  CHECK(probes >= 20);
  CHECK(worstRoundTrip <= 100);
  CHECK(hung == 0);
  CHECK(coveredShown);
  CHECK(repainted);
  CHECK(WindowText(button) == "读取中…");

  HWND sizeLabel = program.Control(SizeLabelId);
  REQUIRE(WaitForText(sizeLabel, "15MB"));
  CHECK(GetTickCount() - clicked >= 9500);
  CHECK(WindowText(program.Control(TitleLabelId)) == "视频 abc 100%");
  CHECK(WindowText(program.Control(FormatLabelId)) == "mp4");
  CHECK(WindowText(program.Control(DurationLabelId)) == "1:02:03");
  CHECK(WindowText(program.Control(SiteLabelId)) == "优酷");
  CHECK(WindowText(program.Control(DownloadAddressEditId)) == "http://media.test/clip.mp4?a=1&b=2");
  CHECK(WaitForText(button, "读取链接"));
  CHECK(IsWindowEnabled(button));
  CHECK(test::PumpUntil([&] { return SamePixels(test::CaptureScreen(program.window, buttonArea), idleButton); },
                        2000));
  CHECK(server.Requests().size() == 1);

  PostMessageA(program.window, WM_CLOSE, 0, 0);
  REQUIRE(WaitForSingleObject(program.process.hProcess, 20000) == WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(program.process.hProcess, &exitCode);
  CHECK(exitCode == 0);
}

TEST_CASE("closing the real program while it waits for the service ends it within a second") {
  LoopbackHttpServer server(SlowReply, QUORLIN_TEST_SERVICE_PORT);
  REQUIRE(server.listening());
  RunningProgram program;
  REQUIRE(program.window);
  Click(program.Control(ReadLinkButtonId));
  REQUIRE(WaitForText(program.Control(ReadLinkButtonId), "读取中…"));
  test::PumpMessages(500);
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  const DWORD start = GetTickCount();
  REQUIRE(WaitForSingleObject(program.process.hProcess, 5000) == WAIT_OBJECT_0);
  CHECK(GetTickCount() - start <= 1000);
  DWORD exitCode = 99;
  GetExitCodeProcess(program.process.hProcess, &exitCode);
  CHECK(exitCode == 0);
}
