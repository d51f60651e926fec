// ApplySkin on real windows: the record it registers, the caption row, the
// attach passes and the teardown.
#include <doctest/doctest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "leak_check.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"
#include "window_probe.h"

using namespace quorlin::skin;

namespace {

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

struct SkinFixture {
  SkinFixture() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ApplySkinTest";
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    ChildSkinningEnabled = 1;
  }
  ~SkinFixture() {
    for (HWND w : windows)
      if (IsWindow(w)) DestroyWindow(w);
    SkinRegistry.clear();
  }
  HWND Top(DWORD style, int w = 444, int h = 314) {
    HWND top = CreateWindowExA(0, "ApplySkinTest", "t", WS_POPUP | WS_CLIPCHILDREN | style, 0, 0, w, h, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    windows.push_back(top);
    return top;
  }
  static HWND Child(HWND parent, const char* cls, DWORD style = 0) {
    return CreateWindowExA(WS_EX_CLIENTEDGE, cls, "", WS_CHILD | WS_VISIBLE | style, 10, 10, 100, 24, parent,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  std::vector<HWND> windows;
};

std::vector<int> Kinds(const SkinRecord& r) {
  std::vector<int> kinds;
  for (const CaptionButton& b : r.captionButtons) kinds.push_back(b.kind);
  return kinds;
}

}  // namespace

TEST_CASE_FIXTURE(SkinFixture, "the application's call gives minimize and close only") {
  HWND w = Top(WS_MINIMIZEBOX);
  ApplySkin(w, {.resizable = 0, .showTitle = 1});
  const int id = FindSkinId(w);
  REQUIRE(id == 1);
  const SkinRecord& r = *SkinRecordById(id);
  CHECK(Kinds(r) == std::vector<int>{CaptionMinimize, CaptionClose});
  CHECK(r.captionRowWidth == 68);
  CHECK_FALSE(r.resizable);
  CHECK(r.captionTooltip == nullptr);
  CHECK(r.captionHeight == 25);
  CHECK(r.captionButtons[1].width == 38);
  CHECK(r.captionButtons[0].name == "最小化");
  CHECK_FALSE(r.captionButtons[1].glyph.empty());
  // Style: clip-children off, system menu on; the frame procedure installed.
  const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
  CHECK((style & WS_CLIPCHILDREN) == 0);
  CHECK((style & WS_SYSMENU) != 0);
  const bool frameInstalled = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC)) == FrameWndProc;
  CHECK(frameInstalled);
  CHECK(GetIntProp(w, PropSkinId) == 1);
  CHECK(GetPropA(w, PropPreviousProc) == reinterpret_cast<HANDLE>(PlainProc));
}

TEST_CASE_FIXTURE(SkinFixture, "caption rows for the option combinations") {
  struct Case { const char* name; DWORD style; SkinOptions options; int width; std::vector<int> kinds; bool tooltip; };
  const Case cases[] = {
      {"all five", WS_MINIMIZEBOX | WS_MAXIMIZEBOX, {.frameEnabled = 1, .helpButton = 1, .menuButton = 1}, 149,
       {CaptionHelp, CaptionMainMenu, CaptionMinimize, CaptionMaximize, CaptionClose}, true},
      {"no close by argument 15", WS_MINIMIZEBOX, {.noCloseButton = 1}, 26 + 3, {CaptionMinimize}, false},
      {"no close with the frame off", WS_MINIMIZEBOX, {.frameEnabled = 0}, 26 + 3, {CaptionMinimize}, false},
      {"both boxes", WS_MINIMIZEBOX | WS_MAXIMIZEBOX, {}, 95, {CaptionMinimize, CaptionMaximize, CaptionClose}, false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    HWND w = Top(c.style);
    ApplySkin(w, c.options);
    const SkinRecord& r = *SkinRecordById(FindSkinId(w));
    CHECK(r.captionRowWidth == c.width);
    CHECK(Kinds(r) == c.kinds);
    CHECK((r.captionTooltip != nullptr) == c.tooltip);
    if (c.tooltip) CHECK(r.captionToolCount == 5);
  }
}

TEST_CASE_FIXTURE(SkinFixture, "a second ApplySkin changes nothing; child skinning off attaches nothing") {
  HWND w = Top(WS_MINIMIZEBOX);
  HWND edit = Child(w, "Edit");
  ApplySkin(w, {.resizable = 0});
  SkinRecord* r = SkinRecordById(1);
  CHECK(r->edits.size() == 1);
  CHECK(r->edits[0].hwnd == edit);
  CHECK(GetIntProp(edit, PropOwnerSkinId) == 1);
  r->captionHeight = 40;  // a marker a rebuilt record would lose
  ApplySkin(w, {.captionHeight = 60});
  CHECK(SkinRegistry.size() == 1);
  CHECK(SkinRecordById(1)->captionHeight == 40);

  ChildSkinningEnabled = 0;
  HWND other = Top(WS_MINIMIZEBOX);
  HWND otherEdit = Child(other, "Edit");
  WNDPROC own = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(otherEdit, GWLP_WNDPROC));
  ApplySkin(other);
  CHECK(FindSkinId(other) == 2);
  CHECK(SkinRecordById(2)->edits[0].hwnd == nullptr);
  const bool ownProcKept = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(otherEdit, GWLP_WNDPROC)) == own;
  CHECK(ownProcKept);
  CHECK(GetPropA(otherEdit, PropOwnerSkinId) == nullptr);
}

TEST_CASE_FIXTURE(SkinFixture, "destroying a skinned window restores it and renumbers the rest") {
  HWND a = Top(WS_MINIMIZEBOX);
  HWND b = Top(WS_MINIMIZEBOX);
  HWND bEdit = Child(b, "Edit");
  ApplySkin(a);
  ApplySkin(b);
  REQUIRE(FindSkinId(b) == 2);
  DestroyWindow(a);
  CHECK(SkinRegistry.size() == 1);
  CHECK(GetIntProp(b, PropSkinId) == 1);
  CHECK(GetIntProp(bEdit, PropOwnerSkinId) == 1);
}

TEST_CASE_FIXTURE(SkinFixture, "skinning and tearing down leaves GDI and USER counts flat") {
  auto cycle = [&] {
    HWND w = Top(WS_MINIMIZEBOX | WS_VISIBLE, 300, 200);
    Child(w, "Edit");
    Child(w, "Edit", WS_VSCROLL | WS_HSCROLL | ES_MULTILINE);
    ApplySkin(w, {.frameEnabled = 1, .resizable = 0});
    UpdateWindow(w);
    DestroyWindow(w);
    windows.clear();
  };
  for (int i = 0; i < 3; ++i) cycle();
  const quorlin::test::LeakBaseline baseline;
  for (int i = 0; i < 60; ++i) cycle();
  CHECK(baseline.GdiGrowth() <= 4);
  CHECK(baseline.UserGrowth() <= 2);
  CHECK(SkinRegistry.empty());
  CHECK(DcBitmapCacheSize() == 0);
}

TEST_CASE_FIXTURE(SkinFixture, "SetWindowBackground and SetSkinOptions: results and the record's state") {
  const auto& asset = quorlin::assets::BackgroundPicture;
  const std::string picture(reinterpret_cast<const char*>(asset.data), asset.size);
  HWND plain = Top(WS_MINIMIZEBOX);
  HWND skinned = Top(WS_MINIMIZEBOX);
  ApplySkin(skinned, {.resizable = 0});
  SkinRecord& r = *SkinRecordById(FindSkinId(skinned));

  CHECK_FALSE(SetWindowBackground(plain, picture, 3));  // never skinned
  CHECK(FindSkinId(plain) == 0);
  REQUIRE(SetWindowBackground(skinned, picture, 3));
  CHECK(r.backgroundMode == 3);
  CHECK(r.backgroundPicture == picture);  // mode 3: the picture as it is
  CHECK(r.fullRepaintNeeded);
  const COLORREF mean = r.backgroundColour;
  CHECK((mean >> 24) == 0xFF);

  r.fullRepaintNeeded = false;
  CHECK_FALSE(SetWindowBackground(skinned, "", 0));  // empty picture: nothing changes
  CHECK(r.backgroundMode == 3);
  CHECK(r.backgroundPicture == picture);
  CHECK_FALSE(r.fullRepaintNeeded);

  REQUIRE(SetWindowBackground(skinned, picture, 0));  // mode 0 fades the right edge
  CHECK(r.backgroundMode == 0);
  CHECK(r.backgroundPicture != picture);
  CHECK_FALSE(r.backgroundPicture.empty());
  REQUIRE(SetWindowBackground(skinned, picture));  // mode left out: kept
  CHECK(r.backgroundMode == 0);
  CHECK(r.backgroundColour == mean);

  struct Options { int child; std::optional<int> alpha, trackbar; int veil, translucent, trackbarSwitch; };
  const Options table[] = {
      {1, std::nullopt, std::nullopt, 160, 0, 1},
      {1, 100, std::nullopt, 100, 1, 1},
      {0, 50, 0, 50, 1, 0},
      {1, std::nullopt, 7, 160, 0, 7},
  };
  for (const Options& o : table) {
    CAPTURE(o.veil);
    SetSkinOptions(o.child, o.alpha, o.trackbar);
    CHECK(ChildSkinningEnabled == o.child);
    CHECK(VeilAlpha == o.veil);
    CHECK(TranslucentControls == o.translucent);
    CHECK(TrackbarPainterSwitch == o.trackbarSwitch);
  }
  SetSkinOptions(1);
}

TEST_CASE("round-rect paths clamp their corner box to 1..100") {
  struct Case { float d; float expectedBox; };
  for (const Case c : {Case{0, 1}, Case{1, 1}, Case{10, 10}, Case{150, 100}}) {
    CAPTURE(c.d);
    quorlin::graphics::GraphicsPath path;
    path.Create();
    AddRoundRectPath(path, 0, 0, 200, 150, c.d);
    const auto points = path.GetPoints();
    REQUIRE_FALSE(points.empty());
    // The first arc starts at the top edge, one corner box left of the right.
    CHECK(points.front().X == doctest::Approx(200 - c.expectedBox / 2).epsilon(0.02));
    CHECK(points.front().Y == doctest::Approx(0).epsilon(0.02));
  }
}

TEST_CASE("glow text draws through a quarter-size intermediate") {
  quorlin::graphics::Bitmap target;
  target.CreateBlank(120, 40);
  quorlin::graphics::Graphics g;
  g.FromImage(target);
  DrawGlowText(g, "Quorlin", 0, 0, 100, 20, 0xFFFFFF, 0x000000);
  CHECK(LastGlowIntermediateSize().cx == 25);
  CHECK(LastGlowIntermediateSize().cy == 5);
  int inked = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x)
      if ((target.GetPixel(x, y) >> 24) != 0) ++inked;
  CHECK(inked > 50);
}
