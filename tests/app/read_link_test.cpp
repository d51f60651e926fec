// ReadLink in this process against real HTTP servers on 127.0.0.1: the
// request runs on a worker while the window stays usable, one at a time, and a
// failed resolution says why in a balloon tip on the address field.
#include <doctest/doctest.h>

#include <ole2.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "app/failure_tip.h"
#include "app/link_resolver.h"
#include "app/main_window.h"
#include "app/program.h"
#include "leak_check.h"
#include "loopback_http.h"
#include "resource_counts.h"
#include "window_probe.h"

using namespace quorlin;
using quorlin::test::HttpReply;
using quorlin::test::LoopbackHttpServer;
using quorlin::test::OkReply;
using quorlin::test::PumpMessages;
using quorlin::test::PumpUntil;
using quorlin::test::WindowText;

namespace {
char ServiceAddressText[64] = "http://127.0.0.1:9";
}

namespace quorlin {
const char* const ServiceBaseAddress = ServiceAddressText;
}

namespace {

void PointServiceAt(const std::string& base) {
  std::snprintf(ServiceAddressText, sizeof ServiceAddressText, "%s", base.c_str());
}

// "视频 1" in UTF-8, percent-escaped, and the fields it gives.
const char kGoodReply[] =
    "<video><title><![CDATA[%E8%A7%86%E9%A2%91 1]]></title><furl><![CDATA[http://media.test/1.mp4]]></furl>"
    "<ftype>mp4</ftype><size>2097152</size><time>00:42</time><sites><site><![CDATA[loopback]]></site></sites>"
    "</video>";

struct Fields {
  std::string title, size, format, duration, site, furl;
};
const Fields kGoodFields = {"视频 1", "2MB", "mp4", "00:42", "loopback", "http://media.test/1.mp4"};
const Fields kEmptyFields = {"", "0MB", "", "", "", ""};

struct ReadLinkFixture {
  HWND window = nullptr;
  TransferTimeouts savedTimeouts = RequestTimeouts;
  ReadLinkFixture() {
    OleInitialize(nullptr);
    window = StartMainWindow(GetModuleHandleA(nullptr));
    PumpMessages(100);
  }
  ~ReadLinkFixture() {
    if (IsWindow(window)) DestroyWindow(window);
    FinishReadLinkWorker(2000);
    PumpMessages(30);
    OleUninitialize();
    RequestTimeouts = savedTimeouts;
  }
  // Presses the button and waits until the reply is shown.
  bool ReadAndWait(DWORD timeoutMs = 10000) {
    SendMessageA(MainWindow.readLinkButton, BM_CLICK, 0, 0);
    return PumpUntil([] { return !ReadLinkRunning(); }, timeoutMs);
  }
  static Fields Shown() {
    return {WindowText(MainWindow.titleLabel),    WindowText(MainWindow.sizeLabel),
            WindowText(MainWindow.formatLabel),   WindowText(MainWindow.durationLabel),
            WindowText(MainWindow.siteLabel),     WindowText(MainWindow.downloadAddressEdit)};
  }
  static void CheckFields(const Fields& expected) {
    const Fields f = Shown();
    CHECK(f.title == expected.title);
    CHECK(f.size == expected.size);
    CHECK(f.format == expected.format);
    CHECK(f.duration == expected.duration);
    CHECK(f.site == expected.site);
    CHECK(f.furl == expected.furl);
  }
};

bool TipShown() {
  HWND tip = FailureTipWindow();
  return tip && IsWindowVisible(tip) && !FailureTipText().empty();
}

// The tip's own text, as the tooltip control holds it.
std::string TipControlText() {
  HWND tip = FailureTipWindow();
  if (!tip) return {};
  char text[512] = {};
  TOOLINFOA info = {};
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.hwnd = MainWindow.window;
  info.uId = reinterpret_cast<UINT_PTR>(MainWindow.addressEdit);
  info.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
  return text;
}

}  // namespace

TEST_CASE("the failure line names the cause, and a found download address has none") {
  const auto completed = [](DWORD status) {
    FetchResult r;
    r.outcome = TransferOutcome::Completed;
    r.httpStatus = status;
    return r;
  };
  const auto failed = [](TransferOutcome outcome) {
    FetchResult r;
    r.outcome = outcome;
    return r;
  };
  LinkFields found;
  found.furl = "http://media.test/x.mp4";
  const LinkFields none;
  struct Case {
    const char* name;
    FetchResult transfer;
    const LinkFields* fields;
    const char* reply;
    const char* address;
    const char* expected;
  };
  const Case cases[] = {
      {"found", completed(200), &found, "", "http://127.0.0.1:8610", ""},
      {"found, even with a reason", completed(200), &found, "<error><![CDATA[x]]></error>", "http://h:1", ""},
      {"nothing listening", failed(TransferOutcome::CouldNotConnect), &none, "", "http://127.0.0.1:8610",
       "无法连接解析服务 127.0.0.1:8610"},
      {"host without port", failed(TransferOutcome::CouldNotConnect), &none, "", "http://resolver.test/base",
       "无法连接解析服务 resolver.test"},
      {"time-out", failed(TransferOutcome::TimedOut), &none, "", "http://h:1", "解析服务没有及时回答"},
      {"busy", completed(503), &none, "<error><![CDATA[busy]]></error>", "http://h:1", "解析服务正忙，请稍后再试"},
      {"refused", completed(403), &none, "", "http://h:1", "解析服务拒绝了这个请求"},
      {"no video", completed(200), &none, "<video></video>", "http://h:1", "解析服务在这个页面上没有找到视频"},
      {"the service's reason", completed(200), &none, "<error><![CDATA[不支持的网站\r\n  x]]></error>", "http://h:1",
       "不支持的网站 x"},
      {"another status", completed(500), &none, "", "http://h:1", "解析服务出错（HTTP 500）"},
      {"cut short", failed(TransferOutcome::Interrupted), &none, "", "http://h:1", "解析服务的回答不完整"},
      {"too large", failed(TransferOutcome::TooLarge), &none, "", "http://h:1", "解析服务的回答不完整"},
      {"closed with the window", failed(TransferOutcome::Cancelled), &none, "", "http://h:1", ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    CHECK(ReadLinkFailureText(c.transfer, *c.fields, c.reply, c.address) == c.expected);
  }
  // A long reason stays one short line, cut between characters.
  std::string longReason = "<error><![CDATA[";
  for (int i = 0; i < 100; ++i) longReason += "很";
  longReason += "]]></error>";
  const std::string line = ReadLinkFailureText(completed(200), none, longReason, "http://h:1");
  CHECK(line.size() <= 122);
  CHECK(line.substr(line.size() - 2) == "…");
  CHECK(line.substr(0, 118) == std::string(longReason.substr(16, 118)));
}

TEST_CASE_FIXTURE(ReadLinkFixture, "each failure empties the fields and shows its tip; success shows none") {
  REQUIRE(window);
  RequestTimeouts.receiveMs = 600;
  struct Case {
    const char* name;
    const char* tip;  // "" for none; "*" for the unused port's own text
    HttpReply reply;
    const Fields* fields;
  };
  HttpReply slow = OkReply(kGoodReply);
  slow.delayMs = 5000;
  // "不支持的网站" in UTF-8, percent-escaped as the service writes it.
  HttpReply reason = OkReply("<video><title><![CDATA[abc]]></title><error><![CDATA["
                             "%E4%B8%8D%E6%94%AF%E6%8C%81%E7%9A%84%E7%BD%91%E7%AB%99]]></error></video>");
  const Fields titleOnly = {"abc", "0MB", "", "", "", ""};
  const Case cases[] = {
      {"nothing listening", "*", {}, &kEmptyFields},
      {"never answers", "解析服务没有及时回答", slow, &kEmptyFields},
      {"503", "解析服务正忙，请稍后再试", OkReply("<html>busy</html>", true, "503 Service Unavailable"), &kEmptyFields},
      {"403", "解析服务拒绝了这个请求", OkReply("<html>no</html>", true, "403 Forbidden"), &kEmptyFields},
      {"no furl", "解析服务在这个页面上没有找到视频", OkReply("<video><size>1048576</size></video>"),
       &kEmptyFields},
      {"a reason", "不支持的网站", reason, &titleOnly},
      {"success", "", OkReply(kGoodReply), &kGoodFields},
  };
  // Only the size differs for "no furl".
  const Fields oneMegabyte = {"", "1MB", "", "", "", ""};
  for (const Case& c : cases) {
    CAPTURE(c.name);
    const bool listening = std::string(c.name) != "nothing listening";
    LoopbackHttpServer server([&](const std::string&) { return c.reply; });
    REQUIRE(server.listening());
    const unsigned short unused = test::UnusedLoopbackPort();
    PointServiceAt(listening ? server.BaseAddress() : "http://127.0.0.1:" + std::to_string(unused));
    SetWindowTextA(MainWindow.titleLabel, "stale");
    SetWindowTextA(MainWindow.addressEdit, "http://v.test/page");
    const DWORD start = GetTickCount();
    REQUIRE(ReadAndWait());
    const DWORD took = GetTickCount() - start;
    if (std::string(c.name) == "never answers") {
      // The receive time-out ended it, not the server's five seconds.
      CHECK(took >= 500);
      CHECK(took < 4000);
    }
    CheckFields(std::string(c.name) == "no furl" ? oneMegabyte : *c.fields);
    const std::string expected =
        std::string(c.tip) == "*" ? "无法连接解析服务 127.0.0.1:" + std::to_string(unused) : std::string(c.tip);
    CHECK(FailureTipText() == expected);
    if (expected.empty()) {
      CHECK_FALSE(TipShown());
    } else {
      CHECK(TipShown());
      CHECK(TipControlText() == expected);
    }
    HideFailureTip();
  }
}

TEST_CASE_FIXTURE(ReadLinkFixture, "the tip reaches the screen under the address field and goes at the next input") {
  REQUIRE(window);
  LoopbackHttpServer server([](const std::string& head) {
    if (head.find("/url/b2s=") != std::string::npos) return OkReply(kGoodReply);  // "ok"
    return OkReply("<html>busy</html>", true, "503 Service Unavailable");
  });
  PointServiceAt(server.BaseAddress());
  SetWindowTextA(MainWindow.addressEdit, "no");

  RECT field;
  GetWindowRect(MainWindow.addressEdit, &field);
  // Below the field, where the balloon hangs: what the screen shows with no tip.
  // (Above the title label, whose text the last request changes.)
  const RECT below = {field.left, field.bottom + 2, field.left + 160, field.bottom + 20};
  const auto belowField = [&] { return test::CaptureScreen(GetDesktopWindow(), below); };
  PumpMessages(50);
  const auto without = belowField();

  struct Ender {
    std::string name;
    void (*input)();
  };
  const Ender enders[] = {
      {"a keystroke in the field", [] { PostMessageA(MainWindow.addressEdit, WM_KEYDOWN, VK_END, 1); }},
      {"a typed character", [] { PostMessageA(MainWindow.addressEdit, WM_CHAR, 'x', 1); }},
      {"a click on the window",
       [] { PostMessageA(MainWindow.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 150)); }},
      {"the next request", [] {
         SetWindowTextA(MainWindow.addressEdit, "ok");
         SendMessageA(MainWindow.readLinkButton, BM_CLICK, 0, 0);
       }},
  };
  for (const Ender& e : enders) {
    CAPTURE(e.name);
    SetWindowTextA(MainWindow.addressEdit, "no");
    REQUIRE(ReadAndWait());
    REQUIRE(TipShown());
    PumpMessages(100);
    HWND tip = FailureTipWindow();
    RECT tipRect = {};
    GetWindowRect(tip, &tipRect);
    // Under the field, starting near its left edge.
    CHECK(tipRect.top >= field.bottom - 30);
    CHECK(tipRect.top <= field.bottom + 10);
    CHECK(tipRect.left < field.left + 60);
    const auto with = belowField();
    CHECK(with.pixels != without.pixels);
    e.input();
    REQUIRE(PumpUntil([] { return !TipShown() && !ReadLinkRunning(); }, 5000));
    PumpMessages(100);
    CHECK(belowField().pixels == without.pixels);
  }
  // The request that ended the last tip succeeded: no tip after it.
  CHECK(WindowText(MainWindow.downloadAddressEdit) == kGoodFields.furl);
  CHECK_FALSE(TipShown());
}

TEST_CASE_FIXTURE(ReadLinkFixture, "while a request runs: busy button, busy cursor, one request, a live window") {
  REQUIRE(window);
  LoopbackHttpServer server([](const std::string&) {
    HttpReply r = OkReply(kGoodReply);
    r.delayMs = 1500;
    return r;
  });
  PointServiceAt(server.BaseAddress());
  HWND button = MainWindow.readLinkButton;
  RECT buttonArea;
  GetWindowRect(button, &buttonArea);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&buttonArea), 2);
  PumpMessages(100);
  const auto idle = test::CaptureScreen(window, buttonArea);

  SetWindowTextA(MainWindow.addressEdit, "abc");
  const DWORD start = GetTickCount();
  SendMessageA(button, BM_CLICK, 0, 0);
  // The click returned at once.
  CHECK(GetTickCount() - start < 500);
  REQUIRE(ReadLinkRunning());
  CHECK_FALSE(IsWindowEnabled(button));
  CHECK(WindowText(button) == "读取中…");

  // Enter in the address field, the button's handler and a click start nothing more.
  SetFocus(MainWindow.addressEdit);
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ReadLink();
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(ReadLinkButtonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  // Narrowing keeps the button disabled.
  NarrowMainWindow();
  CHECK_FALSE(IsWindowEnabled(button));

  // The busy-in-background arrow over the window and its controls.
  const HCURSOR busy = LoadCursorA(nullptr, IDC_APPSTARTING);
  for (HWND over : {window, MainWindow.addressEdit, MainWindow.titleLabel, button}) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    CHECK(GetCursor() == busy);
  }

  // The window works meanwhile: it widens, and the button shows its busy look.
  PumpMessages(300);
  SendMessageA(MainWindow.supportLabel, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  RECT r;
  GetWindowRect(window, &r);
  CHECK(r.right - r.left == 700);
  NarrowMainWindow();
  PumpMessages(100);
  const auto during = test::CaptureScreen(window, buttonArea);
  CHECK(during.pixels != idle.pixels);
  CHECK(ReadLinkRunning());

  REQUIRE(PumpUntil([] { return !ReadLinkRunning(); }, 10000));
  CheckFields(kGoodFields);
  CHECK(server.Requests().size() == 1);
  CHECK(IsWindowEnabled(button));
  CHECK(WindowText(button) == "读取链接");
  SetCursor(LoadCursorA(nullptr, IDC_APPSTARTING));
  SendMessageA(MainWindow.addressEdit, WM_SETCURSOR, reinterpret_cast<WPARAM>(MainWindow.addressEdit),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  CHECK(GetCursor() != busy);
  PumpMessages(150);
  // The old look again, and the busy one was the disabled button with the busy text.
  CHECK(test::CaptureScreen(window, buttonArea).pixels == idle.pixels);
  SetWindowTextA(button, "读取中…");
  EnableWindow(button, FALSE);
  PumpMessages(150);
  CHECK(test::CaptureScreen(window, buttonArea).pixels == during.pixels);
  SetWindowTextA(button, "读取链接");
  EnableWindow(button, TRUE);
}

TEST_CASE("closing the window mid-request drops the reply and ends the worker") {
  OleInitialize(nullptr);
  const unsigned long threadsBefore = test::ThreadCount();
  {
    LoopbackHttpServer server([](const std::string&) {
      HttpReply r = OkReply(kGoodReply);
      r.delayMs = 1500;
      return r;
    });
    PointServiceAt(server.BaseAddress());
    HWND window = StartMainWindow(GetModuleHandleA(nullptr));
    REQUIRE(window);
    SendMessageA(MainWindow.readLinkButton, BM_CLICK, 0, 0);
    REQUIRE(ReadLinkRunning());
    PumpMessages(300);
    SendMessageA(window, WM_CLOSE, 0, 0);
    CHECK_FALSE(IsWindow(window));
    CHECK_FALSE(ReadLinkRunning());
    // A new window while the old request is still out: the old reply, when
    // it comes, is not shown in it.
    HWND again = StartMainWindow(GetModuleHandleA(nullptr));
    REQUIRE(again);
    PumpMessages(2000);
    CHECK(WindowText(MainWindow.titleLabel).empty());
    CHECK(WindowText(MainWindow.sizeLabel).empty());
    CHECK_FALSE(ReadLinkRunning());
    DestroyWindow(again);
  }
  // The worker returned once its transfer ended, and its thread is gone.
  CHECK(FinishReadLinkWorker(2000));
  PumpMessages(100);
  CHECK(test::ThreadCount() <= threadsBefore);
  OleUninitialize();
}

TEST_CASE_FIXTURE(ReadLinkFixture, "200 read-link rounds, found and failed in turn, hold GDI, USER, threads, handles") {
  REQUIRE(window);
  REQUIRE_MESSAGE(test::KernelCountersSeeObjects(), "the thread and handle counters cannot see objects here");
  LoopbackHttpServer server([](const std::string& head) {
    if (head.find("/url/b2s=") != std::string::npos) return OkReply(kGoodReply);
    return OkReply("<html>busy</html>", true, "503 Service Unavailable");
  });
  PointServiceAt(server.BaseAddress());
  const auto round = [&](int i) {
    SetWindowTextA(MainWindow.addressEdit, i % 2 ? "no" : "ok");
    REQUIRE(ReadAndWait());
    CHECK((WindowText(MainWindow.downloadAddressEdit).empty()) == (i % 2 == 1));
    CHECK(TipShown() == (i % 2 == 1));
  };
  for (int i = 0; i < 10; ++i) round(i);
  PumpMessages(100);
  const test::LeakBaseline gui;
  const unsigned long threads = test::ThreadCount();
  const unsigned long handles = test::KernelHandleCount();
  for (int i = 0; i < 200; ++i) round(i);
  PumpMessages(200);
  CHECK(gui.GdiGrowth() <= 2);
  CHECK(gui.UserGrowth() <= 0);
  CHECK(test::ThreadCount() <= threads);
  CHECK(static_cast<long>(test::KernelHandleCount()) - static_cast<long>(handles) <= 4);
}
