// The main window as the program creates it, in this process: geometry,
// texts, fonts, label painting and the widen/narrow handlers.
#include <doctest/doctest.h>

#include <ole2.h>

#include <exdisp.h>
#include <exdispid.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/browser_pane.h"
#include "app/link_resolver.h"
#include "app/main_window.h"
#include "app/program.h"
#include "frame_probe.h"
#include "loopback_http.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"
#include "window_probe.h"

using namespace quorlin;
using quorlin::test::CaptureClient;
using quorlin::test::PumpMessages;

namespace quorlin {
// Nothing listens here, so a read-link runs the failure path.
const char* const ServiceBaseAddress = "http://127.0.0.1:9";
}

namespace {

struct MainWindowFixture {
  HWND window = nullptr;
  // The program's own start order (GDI+ runs for the whole test program), so
  // every case sees what the program sets up, whatever ran before it.
  MainWindowFixture() {
    ResetEngineSettings();
    OleInitialize(nullptr);
    window = StartMainWindow(GetModuleHandleA(nullptr));
    PumpMessages(200);
  }
  // What an earlier case or the skin hookup left behind must not help the next.
  static void ResetEngineSettings() {
    skin::ChildSkinningEnabled = 0;
    skin::VeilAlpha = 0;
    skin::TranslucentControls = 0;
    skin::AccentColour = 0;
    skin::TrackbarPainterSwitch = 0;
    skin::DropListAccentSwitch = 0;
    skin::firstSizePending = 0;
  }
  ~MainWindowFixture() {
    if (IsWindow(window)) DestroyWindow(window);
    PumpMessages(50);
    OleUninitialize();
  }
  RECT ClientRectOf(HWND control) const {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  int Width() const {
    RECT r;
    GetWindowRect(window, &r);
    return r.right - r.left;
  }
};

std::string ClassOf(HWND w) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

}  // namespace

TEST_CASE_FIXTURE(MainWindowFixture, "the main window is a centred 444x314 pop-up with a minimize box only") {
  REQUIRE(window);
  RECT r;
  GetWindowRect(window, &r);
  CHECK(r.right - r.left == 444);
  CHECK(r.bottom - r.top == 314);
  CHECK(r.left == (GetSystemMetrics(SM_CXSCREEN) - 444) / 2);
  CHECK(r.top == (GetSystemMetrics(SM_CYSCREEN) - 314) / 2);
  CHECK(test::WindowText(window) == "Quorlin");
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  CHECK((style & WS_POPUP) != 0);
  CHECK((style & WS_MINIMIZEBOX) != 0);
  CHECK((style & WS_MAXIMIZEBOX) == 0);
  CHECK((style & WS_CAPTION) != WS_CAPTION);
  CHECK((style & WS_THICKFRAME) == 0);
}

TEST_CASE_FIXTURE(MainWindowFixture, "the thirteen controls in creation order, with geometry and texts") {
  struct Expected { int id; const char* kind; RECT bounds; const char* text; };
  const Expected expected[] = {
      {BrowserPaneId, "QuorlinBrowserHost", {448, 0, 704, 312}, nullptr},
      {SupportLabelId, "QuorlinLabel", {392, 285, 440, 309}, "支持作者"},
      {CopyButtonId, "Button", {342, 284, 390, 308}, "复制"},
      {SiteLabelId, "QuorlinLabel", {142, 240, 390, 272}, ""},
      {DurationLabelId, "QuorlinLabel", {142, 198, 390, 230}, ""},
      {FormatLabelId, "QuorlinLabel", {142, 159, 390, 191}, ""},
      {SizeLabelId, "QuorlinLabel", {142, 120, 390, 152}, ""},
      {TitleLabelId, "QuorlinLabel", {142, 81, 390, 113}, ""},
      {DownloadAddressEditId, "Edit", {134, 284, 334, 308}, ""},
      {FieldNamesLabelId, "QuorlinLabel", {38, 86, 150, 318},
       "视频名称：\r\n\r\n视频大小：\r\n\r\n视频格式：\r\n\r\n视频片长：\r\n\r\n出自网站：\r\n\r\n下载地址：\r\n"},
      {AddressLabelId, "QuorlinLabel", {46, 34, 102, 58}, "视频地址："},
      {ReadLinkButtonId, "Button", {336, 34, 400, 58}, "读取链接"},
      {AddressEditId, "Edit", {104, 34, 328, 58}, ""},
  };
  std::vector<HWND> children;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  REQUIRE(children.size() == 13);
  for (size_t i = 0; i < 13; ++i) {
    const Expected& e = expected[i];
    CAPTURE(e.id);
    HWND c = children[i];
    CHECK(GetDlgCtrlID(c) == e.id);
    CHECK(ClassOf(c) == e.kind);
    const RECT r = ClientRectOf(c);
    CHECK(r.left == e.bounds.left);
    CHECK(r.top == e.bounds.top);
    CHECK(r.right == e.bounds.right);
    CHECK(r.bottom == e.bounds.bottom);
    if (e.text) CHECK(test::WindowText(c) == e.text);
    CHECK(IsWindowVisible(c));
    CHECK(IsWindowEnabled(c));
  }
  // The browser pane starts outside the 444-pixel client area.
  RECT client;
  GetClientRect(window, &client);
  CHECK(client.right == 444);
}

TEST_CASE_FIXTURE(MainWindowFixture, "value labels use the 20-pixel 黑体 font; the others the GUI font") {
  for (HWND label : {MainWindow.titleLabel, MainWindow.sizeLabel, MainWindow.formatLabel, MainWindow.durationLabel,
                     MainWindow.siteLabel, MainWindow.fieldNamesLabel}) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
    REQUIRE(font);
    LOGFONTA lf = {};
    GetObjectA(font, sizeof lf, &lf);
    CHECK(lf.lfHeight == -20);
    CHECK(lf.lfWeight == 400);
    CHECK(lf.lfCharSet == 134);
    CHECK(lf.lfOutPrecision == 3);
    CHECK(lf.lfClipPrecision == 2);
    CHECK(lf.lfQuality == 1);
    CHECK(lf.lfPitchAndFamily == 2);
    CHECK(std::string(lf.lfFaceName) == "黑体");
  }
  for (HWND label : {MainWindow.supportLabel, MainWindow.addressLabel})
    CHECK(reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)) == GetStockObject(DEFAULT_GUI_FONT));
}

TEST_CASE_FIXTURE(MainWindowFixture, "the six field names line up with the value fields beside them") {
  HDC dc = GetDC(MainWindow.fieldNamesLabel);
  HGDIOBJ old = SelectObject(dc, MainWindow.labelFont);
  RECT one = {0, 0, 112, 0}, two = {0, 0, 112, 0};
  DrawTextA(dc, "A", -1, &one, DT_CALCRECT | DT_NOPREFIX | DT_LEFT | DT_WORDBREAK);
  DrawTextA(dc, "A\r\nB", -1, &two, DT_CALCRECT | DT_NOPREFIX | DT_LEFT | DT_WORDBREAK);
  SelectObject(dc, old);
  ReleaseDC(MainWindow.fieldNamesLabel, dc);
  CHECK(one.bottom == 20);
  CHECK(two.bottom == 40);

  // Rows of ink in the label, as the screen shows them, grouped into bands.
  const skin::SkinRecord* record = skin::SkinRecordById(skin::FindSkinId(window));
  REQUIRE(record);
  const RECT area = ClientRectOf(MainWindow.fieldNamesLabel);
  RECT client;
  GetClientRect(window, &client);
  const RECT visible = {area.left, area.top, area.right, std::min(area.bottom, client.bottom)};
  const auto shot = test::CaptureScreen(window, visible);
  struct Band { int top, bottom; };
  std::vector<Band> bands;
  for (int y = 0; y < shot.height; ++y) {
    bool ink = false;
    for (int x = 0; x < shot.width && !ink; ++x)
      ink = shot.At(x, y) != GetPixel(record->backBufferDc, visible.left + x, visible.top + y);
    if (!ink) continue;
    const int at = visible.top + y;
    if (!bands.empty() && at - bands.back().bottom <= 4) bands.back().bottom = at;
    else bands.push_back({at, at});
  }
  REQUIRE(bands.size() == 6);
  const HWND values[] = {MainWindow.titleLabel, MainWindow.sizeLabel, MainWindow.formatLabel,
                         MainWindow.durationLabel, MainWindow.siteLabel, MainWindow.downloadAddressEdit};
  for (size_t i = 0; i < 6; ++i) {
    CAPTURE(i);
    const RECT value = ClientRectOf(values[i]);
    const int nameMiddle = (bands[i].top + bands[i].bottom) / 2;
    const int valueMiddle = (value.top + value.bottom) / 2;
    CHECK(std::abs(nameMiddle - valueMiddle) <= 4);
    // The whole row is inside the window.
    CHECK(bands[i].bottom < client.bottom);
  }
}

TEST_CASE_FIXTURE(MainWindowFixture, "the hand cursor shows over the support label") {
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  SendMessageA(MainWindow.supportLabel, WM_SETCURSOR, reinterpret_cast<WPARAM>(MainWindow.supportLabel),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  CHECK(GetCursor() == LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));
}

TEST_CASE_FIXTURE(MainWindowFixture, "a label's new text replaces the old one over the window background") {
  HWND label = MainWindow.titleLabel;
  const RECT area = ClientRectOf(label);
  const skin::SkinRecord* record = skin::SkinRecordById(skin::FindSkinId(window));
  REQUIRE(record);
  REQUIRE(record->backBufferDc);
  auto inkColumns = [&] {
    // The rightmost column where the screen differs from the window's
    // painted background.
    const auto shot = CaptureClient(window, area);
    int last = -1;
    for (int y = 0; y < shot.height; ++y)
      for (int x = 0; x < shot.width; ++x)
        if (shot.At(x, y) != GetPixel(record->backBufferDc, area.left + x, area.top + y) && x > last) last = x;
    return last;
  };
  CHECK(inkColumns() == -1);  // empty labels fill nothing
  SetWindowTextA(label, "WWWWWWWWWWWWWWWWWW");
  PumpMessages(100);
  const int longText = inkColumns();
  CHECK(longText > 150);
  SetWindowTextA(label, "i");
  PumpMessages(100);
  const int shortText = inkColumns();
  CHECK(shortText >= 0);
  CHECK(shortText < 20);
  SetWindowTextA(label, "");
  PumpMessages(100);
  CHECK(inkColumns() == -1);
}

TEST_CASE_FIXTURE(MainWindowFixture, "the support label widens the window and a new browser window narrows it") {
  RECT before;
  GetWindowRect(window, &before);
  for (int i = 0; i < 2; ++i) {
    SendMessageA(MainWindow.supportLabel, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    CHECK(Width() == 700);
  }
  RECT wide;
  GetWindowRect(window, &wide);
  CHECK(wide.left == before.left);
  CHECK(wide.top == before.top);
  CHECK(wide.bottom - wide.top == 314);
  // The pane now lies inside the client area, up to its last 4 columns.
  RECT client;
  GetClientRect(window, &client);
  CHECK(client.right == 700);

  EnableWindow(MainWindow.readLinkButton, FALSE);
  IDispatch* sink = BrowserPaneEventSink(MainWindow.browserPane);
  REQUIRE(sink);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  IDispatch* newWindow = nullptr;
  VARIANT args[2];
  // Arguments arrive in reverse: Cancel, then ppDisp.
  VariantInit(&args[0]);
  args[0].vt = VT_BYREF | VT_BOOL;
  args[0].pboolVal = &cancel;
  VariantInit(&args[1]);
  args[1].vt = VT_BYREF | VT_DISPATCH;
  args[1].ppdispVal = &newWindow;
  DISPPARAMS params = {args, nullptr, 2, 0};
  sink->Invoke(DISPID_NEWWINDOW2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  CHECK(Width() == 444);
  CHECK(cancel == VARIANT_FALSE);
  CHECK(IsWindowEnabled(MainWindow.readLinkButton));
  NarrowMainWindow();
  CHECK(Width() == 444);
}

TEST_CASE_FIXTURE(MainWindowFixture, "widening and narrowing show on the screen: region, frame and caption row follow") {
  const skin::SkinRecord& record = *skin::SkinRecordById(skin::FindSkinId(window));
  auto showsWidth = [&](int width) {
    PumpMessages(150);
    CAPTURE(width);
    const RECT box = test::WindowRegionBox(window);
    CHECK(box.left == 0);
    CHECK(box.top == 0);
    CHECK(box.right == width);
    CHECK(box.bottom == 314);
    // The frame was composed again at the new width, caption row at its edge.
    CHECK(record.lastClientWidth == width);
    CHECK(record.captionRowX == width - record.captionRowWidth + 1);
    // The title band the browser pane leaves uncovered shows that frame.
    CHECK(test::ScreenMismatchesBackBuffer(window, RECT{150, 1, 440, 30}) == 0);
  };
  showsWidth(444);
  CHECK(test::ScreenMismatchesBackBuffer(window, test::CaptionButtonsArea(window)) == 0);
  SendMessageA(MainWindow.supportLabel, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  // Wide, the pane lies over the right end of the title band.
  showsWidth(700);
  NarrowMainWindow();
  showsWidth(444);
  CHECK(test::ScreenMismatchesBackBuffer(window, test::CaptionButtonsArea(window)) == 0);
}

namespace {

// The bytes of an HTML resource of module, empty when it has none.
std::string HtmlResource(HMODULE module, const char* name) {
  HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(23) /* RT_HTML */);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
}

std::string ProgramNextToThisTest() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + "Quorlin.exe";
}

}  // namespace

TEST_CASE("the program carries its start page: charset declared, a link that opens a new window") {
  HMODULE program = LoadLibraryExA(ProgramNextToThisTest().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  REQUIRE(program);
  for (HMODULE module : {program, GetModuleHandleA(nullptr)}) {
    const std::string page = HtmlResource(module, BrowserStartPageResource);
    CHECK(page.find("charset=utf-8") != std::string::npos);
    const size_t link = page.find("<a href=\"about.html\" target=\"_blank\">");
    CHECK(link != std::string::npos);
    // The page names the program, in UTF-8.
    CHECK(page.find("\xE6\x84\x9F\xE8\xB0\xA2\xE4\xBD\xBF\xE7\x94\xA8 Quorlin") != std::string::npos);  // 感谢使用
    // What the link opens is there too.
    CHECK(HtmlResource(module, "ABOUT.HTML").find("charset=utf-8") != std::string::npos);
  }
  FreeLibrary(program);
}

TEST_CASE_FIXTURE(MainWindowFixture, "the browser pane is sent to the program's own start page") {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  CHECK(BrowserStartPageAddress() == std::string("res://") + self + "/START.HTML");
  IWebBrowser2* browser = BrowserPaneBrowser(MainWindow.browserPane);
  REQUIRE(browser);
  BSTR location = nullptr;
  REQUIRE(SUCCEEDED(browser->get_LocationURL(&location)));
  char address[2 * MAX_PATH] = {};
  if (location) WideCharToMultiByte(CP_ACP, 0, location, -1, address, sizeof address, nullptr, nullptr);
  SysFreeString(location);
  CHECK(std::string(address) == BrowserStartPageAddress());
}

TEST_CASE_FIXTURE(MainWindowFixture, "read-link with the service down empties the fields and shows 0MB") {
  SetWindowTextA(MainWindow.titleLabel, "old title");
  SetWindowTextA(MainWindow.downloadAddressEdit, "http://old");
  SetWindowTextA(MainWindow.addressEdit, "abc");
  SendMessageA(MainWindow.readLinkButton, BM_CLICK, 0, 0);
  CHECK(RequestAddress == "http://127.0.0.1:9/url/YWJj=");
  // The request runs on a worker; the fields are set when its reply is shown.
  REQUIRE(test::PumpUntil([] { return !ReadLinkRunning(); }, 20000));
  CHECK(test::WindowText(MainWindow.titleLabel).empty());
  CHECK(test::WindowText(MainWindow.sizeLabel) == "0MB");
  CHECK(test::WindowText(MainWindow.formatLabel).empty());
  CHECK(test::WindowText(MainWindow.durationLabel).empty());
  CHECK(test::WindowText(MainWindow.siteLabel).empty());
  CHECK(test::WindowText(MainWindow.downloadAddressEdit).empty());
}

TEST_CASE_FIXTURE(MainWindowFixture, "the main window comes up skinned with the application's switches") {
  const int id = skin::FindSkinId(window);
  REQUIRE(id >= 1);
  const skin::SkinRecord& r = *skin::SkinRecordById(id);
  CHECK(skin::ChildSkinningEnabled == 1);
  CHECK(skin::VeilAlpha == 100);
  CHECK(skin::TranslucentControls == 1);
  CHECK(skin::AccentColour == 0xDDCA22u);
  CHECK(skin::TrackbarPainterSwitch == 1);
  CHECK(skin::DropListAccentSwitch == 1);
  CHECK(r.backgroundMode == 3);
  CHECK_FALSE(r.backgroundPicture.empty());
  CHECK_FALSE(r.resizable);
  CHECK(r.captionButtons.size() == 2);
  // Both edit fields are attached.
  CHECK(skin::ControlRecord(MainWindow.addressEdit, &skin::SkinRecord::edits) != nullptr);
  CHECK(skin::ControlRecord(MainWindow.downloadAddressEdit, &skin::SkinRecord::edits) != nullptr);
  // Not resizable: a double click on the title leaves the size alone.
  SendMessageA(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(100, 10));
  CHECK(Width() == 444);
  CHECK_FALSE(r.maximized);
}

TEST_CASE("closing the main window restores its procedure and drops its record") {
  OleInitialize(nullptr);
  HWND window = CreateMainWindow(GetModuleHandleA(nullptr));
  REQUIRE(skin::FindSkinId(window) >= 1);
  const size_t records = skin::SkinRegistry.size();
  // Destruction runs the frame's teardown; watch the procedure on the way.
  SendMessageA(window, WM_CLOSE, 0, 0);
  CHECK_FALSE(IsWindow(window));
  CHECK(skin::SkinRegistry.size() == records - 1);
  CHECK(skin::DcBitmapCacheSize() == 0);
  quorlin::test::PumpMessages(20);
  OleUninitialize();
}
