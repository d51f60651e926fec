// Skinned toolbars and child containers on real windows: which toolbars are
// attached and which become containers, the faces, rims, separators and
// greyed icons read back from the screen, the system behaviour they keep
// (commands, drop-down notifications), the container's answers to its
// children, the stale markings, and the GDI and USER objects of many paints
// and many windows.
#include <doctest/doctest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <utility>
#include <string>
#include <vector>

#include "leak_check.h"
#include "skin/controls/toolbar.h"
#include "skin/core/apply_skin.h"
#include "skin/core/control_painting.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"
#include "skinned_window.h"
#include "toolbar_gallery.h"
#include "window_probe.h"

using namespace quorlin::skin;
using quorlin::test::Blue;
using quorlin::test::CaptureClient;
using quorlin::test::CaptureScreen;
using quorlin::test::Drain;
using quorlin::test::Green;
using quorlin::test::ParkCursor;
using quorlin::test::PumpMessages;
using quorlin::test::Red;
using quorlin::test::ScreenPixels;
using quorlin::test::ToolbarGallery;

namespace {

int Luminance(COLORREF c) { return Red(c) + Green(c) + Blue(c); }

int IndexOf(HWND toolbar, int command) {
  return static_cast<int>(SendMessageA(toolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(command), 0));
}

RECT ItemRect(HWND toolbar, int index) {
  RECT r = {};
  SendMessageA(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

RECT ClientOf(HWND w) {
  RECT r = {};
  GetClientRect(w, &r);
  return r;
}

// What the skinned window's background holds under a point of a control.
COLORREF Behind(HWND control, int x, int y) {
  const SkinRecord* r = SkinRecordById(FindTopSkinId(control));
  const RECT rel = RectRelativeTo(r->hwnd, control);
  return GetPixel(r->backBufferDc, rel.left + x, rel.top + y);
}

// colour laid over `under` with alpha, per channel.
COLORREF Over(COLORREF under, COLORREF colour, int alpha) {
  auto mix = [&](int a, int b) { return a + (b - a) * alpha / 255; };
  return RGB(mix(Red(under), Red(colour)), mix(Green(under), Green(colour)), mix(Blue(under), Blue(colour)));
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(Red(a) - Red(b)) <= tolerance && std::abs(Green(a) - Green(b)) <= tolerance &&
         std::abs(Blue(a) - Blue(b)) <= tolerance;
}

// A flat toolbar where the test puts it, not along the top of its window.
HWND AddFlatToolbar(HWND parent, int x, int y, int w, int h) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_BAR_CLASSES};
  InitCommonControlsEx(&init);
  return quorlin::test::AddChild(parent, TOOLBARCLASSNAMEA,
                                 WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_FLAT, 0, x, y,
                                 w, h);
}

void Hover(HWND toolbar, int index) {
  const RECT r = ItemRect(toolbar, index);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(toolbar, WM_MOUSEMOVE, 0, at);
  UpdateWindow(toolbar);
  Drain();
}

void Leave(HWND toolbar) {
  ParkCursor();
  SendMessageA(toolbar, WM_MOUSELEAVE, 0, 0);
  SendMessageA(toolbar, TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
  UpdateWindow(toolbar);
  Drain();
}

struct GalleryFixture {
  GalleryFixture() {
    ParkCursor();
    g = quorlin::test::CreateToolbarGallery(GetModuleHandleA(nullptr), 40, 40);
    PumpMessages(50);
  }
  ~GalleryFixture() {
    if (IsWindow(g.window)) DestroyWindow(g.window);
    ImageList_Destroy(g.images);
    PumpMessages(10);
  }
  ToolbarGallery g;
};

// A 16 x 16 icon whose colour picture holds the given pixels, row by row
// from the top, and whose mask is all opaque.
HICON MakeIcon(const std::vector<COLORREF>& pixels) {
  DibSurface colour(16, 16);
  for (size_t i = 0; i < pixels.size(); ++i)
    colour.bits()[i] = (Red(pixels[i]) << 16) | (Green(pixels[i]) << 8) | Blue(pixels[i]);
  UniqueBitmap picture(CreateCompatibleBitmap(GetDC(nullptr), 16, 16));
  {
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    SelectedObject selected(dc.get(), picture.get());
    BitBlt(dc.get(), 0, 0, 16, 16, colour.dc(), 0, 0, SRCCOPY);
  }
  std::vector<BYTE> zeros(16 * 16 / 8, 0);
  UniqueBitmap mask(CreateBitmap(16, 16, 1, 1, zeros.data()));
  ICONINFO info = {TRUE, 0, 0, mask.get(), picture.get()};
  return CreateIconIndirect(&info);
}

}  // namespace

TEST_CASE_FIXTURE(GalleryFixture,
                  "attach: toolbars get a record and their image list; only one holding windows becomes a container") {
  REQUIRE(g.window);
  SkinRecord& r = *SkinRecordById(FindSkinId(g.window));
  for (HWND toolbar : {g.flat, g.list, g.holder}) {
    CAPTURE(toolbar);
    const ToolbarState* state = ToolbarRecord(toolbar);
    REQUIRE(state);
    CHECK(GetPropA(toolbar, "Kj_wtjb") == g.images);
    CHECK(GetIntProp(toolbar, "Kj_FuID") == FindSkinId(g.window));
    CHECK(state->fontSize > 0);
    CHECK_FALSE(state->fontFace.empty());
  }
  // The wrapping toolbar holds a tooltip window of its own: owned, not a child.
  int containers = 0;
  for (const ContainerState& c : r.containers)
    if (c.hwnd) ++containers;
  CHECK(containers == 1);
  CHECK(r.containers[0].hwnd == g.holder);
  CHECK(GetIntProp(g.holder, PropSkinId) == 1);
  CHECK(GetIntProp(g.holder, PropOwnerSkinId) == FindSkinId(g.window));
  CHECK(GetWindowLongPtrA(g.holder, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ContainerWndProc));
  CHECK(GetPropA(g.holder, PropPreviousProc) == reinterpret_cast<HANDLE>(ToolbarWndProc));
  const RECT client = ClientOf(g.holder);
  CHECK(r.containers[0].clientWidth == client.right);
  CHECK(r.containers[0].pages.size() == 1);

  // The container's children are skinned like the window's own.
  bool editSkinned = false, comboSkinned = false;
  for (const EditState& e : r.edits) editSkinned |= e.hwnd == g.edit;
  for (const ComboState& c : r.combos) comboSkinned |= c.hwnd == g.combo;
  CHECK(editSkinned);
  CHECK(comboSkinned);
  CHECK(GetIntProp(g.edit, PropOwnerSkinId) == FindSkinId(g.window));
}

TEST_CASE("attach: nothing is taken over while child skinning is off") {
  const quorlin::test::SkinnedWindow w(0, 300, 120, {}, [](HWND window) {
    ChildSkinningEnabled = 0;
    HWND toolbar = AddFlatToolbar(window, 10, 40, 280, 30);
    quorlin::test::AddChild(toolbar, "Edit", WS_VISIBLE, 0, 40, 2, 100, 20);
  });
  ChildSkinningEnabled = 1;
  HWND toolbar = FindWindowExA(w.window, nullptr, TOOLBARCLASSNAMEA, nullptr);
  CHECK(ToolbarRecord(toolbar) == nullptr);
  CHECK(w.Record().containers[0].hwnd == nullptr);
}

namespace {

// A skinned window with a flat toolbar of three buttons without icons or
// texts, so that their faces show whole: a plain one, a checked one and a
// split drop-down.
struct BlankButtons {
  BlankButtons()
      : w(0, 300, 100, {}, [this](HWND window) {
          toolbar = AddFlatToolbar(window, 10, 40, 280, 30);
          SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
          TBBUTTON buttons[3] = {};
          for (int i = 0; i < 3; ++i) {
            buttons[i].iBitmap = I_IMAGENONE;
            buttons[i].idCommand = 700 + i;
            buttons[i].fsState = TBSTATE_ENABLED;
          }
          buttons[1].fsStyle = BTNS_CHECK;
          buttons[1].fsState |= TBSTATE_CHECKED;
          buttons[2].fsStyle = BTNS_DROPDOWN;
          SendMessageA(toolbar, TB_ADDBUTTONSA, 3, reinterpret_cast<LPARAM>(buttons));
        }) {
    Drain();
  }
  HWND toolbar = nullptr;
  quorlin::test::SkinnedWindow w;
};

}  // namespace

TEST_CASE("faces: hot, checked and pressed buttons get rounded faces with the black and white rims") {
  BlankButtons t;
  HWND toolbar = t.toolbar;
  const COLORREF accent = AccentColour;
  auto faceOf = [&](int index) {
    const RECT b = ItemRect(toolbar, index);
    const ScreenPixels s = CaptureClient(toolbar, ClientOf(toolbar));
    return std::pair{b, s};
  };
  auto rimsShow = [&](const RECT& b, const ScreenPixels& s) {
    const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    CHECK(Luminance(s.At(cx, b.top)) < Luminance(Behind(toolbar, cx, b.top)) - 60);  // black/100 outline
    CHECK(Luminance(s.At(b.left, cy)) < Luminance(s.At(b.left + 1, cy)) - 40);
    CHECK(Red(s.At(b.left + 1, cy)) > Red(s.At(b.left + 2, cy)));  // white/60 inside it
  };

  SUBCASE("idle: no face at all") {
    const auto [b, s] = faceOf(0);
    for (int y = b.top; y < b.bottom; y += 3)
      for (int x = b.left; x < b.right; x += 3) CHECK(Near(s.At(x, y), Behind(toolbar, x, y), 2));
  }
  SUBCASE("hot: white/100 and accent/10 under the white/10 centre, the accent/60 rim of the gradient") {
    SendMessageA(toolbar, TB_SETHOTITEM, 0, 0);
    UpdateWindow(toolbar);
    Drain();
    const auto [b, s] = faceOf(0);
    const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    CHECK(Near(s.At(cx, cy), Over(Over(Over(Behind(toolbar, cx, cy), White, 100), accent, 10), White, 10), 6));
    const COLORREF band = s.At(b.left + 2, cy), centre = s.At(cx, cy);
    CHECK(Blue(band) - Red(band) > Blue(centre) - Red(centre));
    rimsShow(b, s);
  }
  SUBCASE("checked: white/100 and accent/16 under the white/100 centre, the accent/80 rim of the gradient") {
    const auto [b, s] = faceOf(1);
    const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    CHECK(Near(s.At(cx, cy), Over(Over(Over(Behind(toolbar, cx, cy), White, 100), accent, 16), White, 100), 6));
    const COLORREF band = s.At(b.left + 2, cy), centre = s.At(cx, cy);
    CHECK(Blue(band) - Red(band) > Blue(centre) - Red(centre));
    rimsShow(b, s);
  }
  SUBCASE("pressed: black/60 at the top to white/100 at the bottom") {
    SendMessageA(toolbar, TB_PRESSBUTTON, 700, TRUE);
    UpdateWindow(toolbar);
    Drain();
    const auto [b, s] = faceOf(0);
    const int cx = (b.left + b.right) / 2;
    CHECK(Luminance(s.At(cx, b.top + 2)) < Luminance(Behind(toolbar, cx, b.top + 2)) - 20);
    CHECK(Luminance(s.At(cx, b.bottom - 3)) > Luminance(Behind(toolbar, cx, b.bottom - 3)));
    const int h = b.bottom - b.top;
    CHECK(Luminance(s.At(cx, b.top + h / 3)) < Luminance(s.At(cx, b.top + 2 * h / 3)));
    rimsShow(b, s);
  }
  SUBCASE("a hot drop-down button: the split line 12 pixels from its right edge") {
    SendMessageA(toolbar, TB_SETHOTITEM, 2, 0);
    UpdateWindow(toolbar);
    Drain();
    const auto [b, s] = faceOf(2);
    const int y = (b.top + b.bottom) / 2 + 4, split = b.right - 12;
    CHECK(Luminance(s.At(split, y)) < Luminance(s.At(split - 1, y)) - 60);
    CHECK(Luminance(s.At(split + 1, y)) > Luminance(s.At(split, y)) + 60);
    rimsShow(b, s);
  }
}

TEST_CASE_FIXTURE(
    GalleryFixture,
    "drop-down: a hot split button shows its split line 12 pixels and the arrow 8 pixels from its right edge") {
  REQUIRE(g.window);
  for (const int command : {quorlin::test::GalleryDropDown, quorlin::test::GalleryWholeDropDown}) {
    CAPTURE(command);
    const int index = IndexOf(g.flat, command);
    const RECT b = ItemRect(g.flat, index);
    Hover(g.flat, index);
    const ScreenPixels s = CaptureClient(g.flat, ClientOf(g.flat));
    const int y = (b.top + b.bottom) / 2 + 3;
    const int split = b.right - 12;
    CHECK(Luminance(s.At(split, y)) < Luminance(s.At(split - 1, y)) - 60);
    CHECK(Luminance(s.At(split + 1, y)) > Luminance(s.At(split, y)) + 60);
    // The 7 x 4 arrow: its top row from 8 to 2 pixels left of the edge, its tip
    // in the middle of the fourth row.
    const int arrowTop = b.top + (b.bottom - b.top - 4) / 2;
    CHECK(Luminance(s.At(b.right - 8, arrowTop)) < 150);
    CHECK(Luminance(s.At(b.right - 2, arrowTop)) < 150);
    CHECK(Luminance(s.At(b.right - 5, arrowTop + 3)) < 150);
    CHECK(Luminance(s.At(b.right - 8, arrowTop + 3)) > 300);
    Leave(g.flat);
  }
}

TEST_CASE("greyed icon: black, white and grey pixels are left out, colours turn to their mean grey") {
  struct Case {
    COLORREF pixel;
    bool indeterminate;
    bool shows;
    COLORREF expected;
  };
  const Case cases[] = {
      {RGB(0, 0, 0), false, false, 0},
      {RGB(255, 255, 255), false, false, 0},
      {RGB(128, 128, 128), true, false, 0},
      {RGB(210, 30, 60), false, true, RGB(100, 100, 100)},
      {RGB(210, 30, 60), true, true, RGB(120, 100, 100)},
      // The red cast stops at 255 instead of carrying into green.
      {RGB(255, 235, 250), true, true, RGB(255, 246, 246)},
      {RGB(255, 235, 250), false, true, RGB(246, 246, 246)},
  };
  const COLORREF ground = RGB(0, 0, 255);
  for (const Case& c : cases) {
    CAPTURE(c.pixel);
    CAPTURE(c.indeterminate);
    CHECK(GreyedIconPixel(c.pixel, c.indeterminate) == (c.shows ? c.expected : 0));
    const HICON icon = MakeIcon(std::vector<COLORREF>(16 * 16, c.pixel));
    REQUIRE(icon);
    DibSurface target(20, 20);
    HBRUSH fill = CreateSolidBrush(ground);
    RECT all = {0, 0, 20, 20};
    FillRect(target.dc(), &all, fill);
    DeleteObject(fill);
    DrawGreyedIcon(target.dc(), 2, 2, icon, c.indeterminate ? TBSTATE_INDETERMINATE : 0);
    CHECK(GetPixel(target.dc(), 9, 9) == (c.shows ? c.expected : ground));
    CHECK(GetPixel(target.dc(), 1, 1) == ground);
    DestroyIcon(icon);
  }
}

TEST_CASE_FIXTURE(GalleryFixture, "greyed buttons: the colourful icon in grey without its frame and cross; grey text") {
  REQUIRE(g.window);
  Leave(g.flat);
  struct Case {
    int command;
    bool indeterminate;
  };
  for (const Case c : {Case{quorlin::test::GalleryDisabled, false}, Case{quorlin::test::GalleryIndeterminate, true}}) {
    CAPTURE(c.command);
    const RECT b = ItemRect(g.flat, IndexOf(g.flat, c.command));
    const ScreenPixels s = CaptureClient(g.flat, ClientOf(g.flat));
    const int iconX = b.left + (b.right - b.left - 16) / 2, iconY = b.top + 2;
    // The red quarter (220, 30, 30): mean 93; the frame and the cross are gone.
    const COLORREF red = s.At(iconX + 4, iconY + 4);
    CHECK(Green(red) == 93);
    CHECK(Blue(red) == 93);
    CHECK(Red(red) == (c.indeterminate ? 113 : 93));
    CHECK(s.At(iconX + 1, iconY + 5) == Behind(g.flat, iconX + 1, iconY + 5));
    CHECK(s.At(iconX + 7, iconY + 4) == Behind(g.flat, iconX + 7, iconY + 4));
  }
  // The list toolbar's disabled button: its text in 0x808080 (darkest where
  // a stroke covers a whole pixel), the enabled one beside it in black.
  auto darkest = [&](int index) {
    const RECT b = ItemRect(g.list, index);
    const ScreenPixels s = CaptureClient(g.list, ClientOf(g.list));
    int least = 255;
    for (int y = b.top; y < b.bottom; ++y)
      for (int x = b.left + 20; x < b.right; ++x) least = std::min(least, Red(s.At(x, y)));
    return least;
  };
  const int disabled = darkest(IndexOf(g.list, quorlin::test::GalleryListMore + 1));
  CHECK(disabled >= 0x80 - 2);
  CHECK(disabled <= 0x80 + 12);
  CHECK(darkest(IndexOf(g.list, quorlin::test::GalleryListSave)) < 0x40);
}

TEST_CASE_FIXTURE(GalleryFixture,
                  "separators: etched and upright between buttons, across the toolbar where one starts a row") {
  REQUIRE(g.window);
  Leave(g.flat);
  const ScreenPixels s = CaptureClient(g.flat, ClientOf(g.flat));
  const int count = static_cast<int>(SendMessageA(g.flat, TB_BUTTONCOUNT, 0, 0));
  int upright = 0, across = 0;
  for (int i = 1; i < count; ++i) {
    TBBUTTON button = {};
    SendMessageA(g.flat, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
    if (!(button.fsStyle & BTNS_SEP)) continue;
    const RECT b = ItemRect(g.flat, i);
    CAPTURE(i);
    CAPTURE(b.left);
    if (b.left <= 9) {
      ++across;
      const int y = b.bottom - 5, right = ClientOf(g.flat).right - 8;
      for (const int x : {static_cast<int>(b.left) + 4, right}) {
        CHECK(Luminance(s.At(x, y)) < Luminance(Behind(g.flat, x, y)) - 60);
        CHECK(Luminance(s.At(x, y + 1)) > Luminance(Behind(g.flat, x, y + 1)) + 30);
      }
    } else {
      ++upright;
      const int x = b.left + (b.right - b.left - 2) / 2, y = (b.top + b.bottom) / 2;
      CHECK(Luminance(s.At(x, y)) < Luminance(Behind(g.flat, x, y)) - 60);
      CHECK(Luminance(s.At(x + 1, y)) > Luminance(Behind(g.flat, x + 1, y)) + 30);
      CHECK(Near(s.At(x, b.top + 1), Behind(g.flat, x, b.top + 1), 2));
    }
  }
  CHECK(upright >= 3);
  CHECK(across == 1);
}

TEST_CASE_FIXTURE(GalleryFixture, "a hidden button draws nothing, not even hot") {
  REQUIRE(g.window);
  const int hidden = IndexOf(g.flat, quorlin::test::GalleryHidden);
  REQUIRE(hidden >= 0);
  const RECT client = ClientOf(g.flat);
  DibSurface picture(client.right, client.bottom);
  for (int i = 0; i < picture.width() * picture.height(); ++i)
    picture.bits()[i] = 0x00336699u + static_cast<DWORD>(i % 7);
  const std::vector<DWORD> before(picture.bits(), picture.bits() + picture.width() * picture.height());
  PaintToolbarButton(g.flat, hidden, picture.dc(), true);
  CHECK(std::equal(before.begin(), before.end(), picture.bits()));
  // A button shown in the same place does draw.
  PaintToolbarButton(g.flat, IndexOf(g.flat, quorlin::test::GalleryPlain), picture.dc(), true);
  CHECK_FALSE(std::equal(before.begin(), before.end(), picture.bits()));
}

namespace {

struct Heard {
  std::vector<int> commands;
  std::vector<int> dropDowns;
  WNDPROC next = nullptr;
} heard;

LRESULT CALLBACK Listener(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam) heard.commands.push_back(LOWORD(wParam));
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == TBN_DROPDOWN)
    heard.dropDowns.push_back(reinterpret_cast<const NMTOOLBARA*>(lParam)->iItem);
  return CallWindowProcA(heard.next, window, message, wParam, lParam);
}

void Click(HWND toolbar, int x, int y) {
  SendMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(toolbar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  Drain();
}

}  // namespace

TEST_CASE_FIXTURE(GalleryFixture,
                  "behaviour kept: buttons still send their commands and drop-down buttons TBN_DROPDOWN") {
  REQUIRE(g.window);
  heard = Heard{};
  heard.next =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(g.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Listener)));
  const RECT plain = ItemRect(g.flat, IndexOf(g.flat, quorlin::test::GalleryPlain));
  Click(g.flat, (plain.left + plain.right) / 2, (plain.top + plain.bottom) / 2);
  CHECK(heard.commands == std::vector<int>{quorlin::test::GalleryPlain});

  const RECT check = ItemRect(g.flat, IndexOf(g.flat, quorlin::test::GalleryCheck));
  Click(g.flat, (check.left + check.right) / 2, (check.top + check.bottom) / 2);
  CHECK(SendMessageA(g.flat, TB_ISBUTTONCHECKED, quorlin::test::GalleryCheck, 0) != 0);

  const RECT split = ItemRect(g.flat, IndexOf(g.flat, quorlin::test::GalleryDropDown));
  Click(g.flat, split.right - 4, (split.top + split.bottom) / 2);
  const RECT whole = ItemRect(g.flat, IndexOf(g.flat, quorlin::test::GalleryWholeDropDown));
  Click(g.flat, (whole.left + whole.right) / 2, (whole.top + whole.bottom) / 2);
  CHECK(heard.dropDowns == std::vector<int>{quorlin::test::GalleryDropDown, quorlin::test::GalleryWholeDropDown});
  SetWindowLongPtrA(g.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(heard.next));
}

TEST_CASE_FIXTURE(GalleryFixture, "a button enabled while the window is inactive shows enabled at once") {
  REQUIRE(g.window);
  HWND other =
      CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 900, 700, 40, 40, nullptr, nullptr, nullptr, nullptr);
  SetActiveWindow(other);
  Drain();
  REQUIRE(SkinRecordById(FindSkinId(g.window))->active == 0);
  const RECT b = ItemRect(g.flat, IndexOf(g.flat, quorlin::test::GalleryDisabled));
  const int iconX = b.left + (b.right - b.left - 16) / 2, iconY = b.top + 2;
  CHECK(Green(CaptureClient(g.flat, ClientOf(g.flat)).At(iconX + 4, iconY + 4)) == 93);
  SendMessageA(g.flat, TB_ENABLEBUTTON, quorlin::test::GalleryDisabled, TRUE);
  UpdateWindow(g.flat);
  Drain();
  CHECK(CaptureClient(g.flat, ClientOf(g.flat)).At(iconX + 4, iconY + 4) == RGB(220, 30, 30));
  DestroyWindow(other);
}

TEST_CASE_FIXTURE(
    GalleryFixture,
    "container: it answers its edit field's colour requests, and the field shows the window through the toolbar") {
  REQUIRE(g.window);
  HDC dc = GetDC(g.edit);
  const LRESULT answer =
      SendMessageA(g.holder, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(g.edit));
  ReleaseDC(g.edit, dc);
  CHECK(answer != 0);
  CHECK(reinterpret_cast<HANDLE>(answer) == GetPropA(g.edit, "Kj_dxjb"));

  // The field's own paint asks the toolbar, which answers as the window would.
  ReleaseColourResponse(g.edit);
  REQUIRE(GetPropA(g.edit, "Kj_dxjb") == nullptr);
  RedrawWindow(g.edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Drain();
  CHECK(GetPropA(g.edit, "Kj_dxjb") != nullptr);

  // Right of the text, the field's client area is the window background under
  // the white veil, read from the screen.
  PumpMessages(100);
  RECT c = ClientOf(g.edit);
  const int x = c.right - 6, y = c.bottom / 2;
  RECT spot = {x, y, x + 1, y + 1};
  const COLORREF onScreen = CaptureScreen(g.edit, spot).At(0, 0);
  const SkinRecord* r = SkinRecordById(FindSkinId(g.window));
  POINT p = {x, y};
  MapWindowPoints(g.edit, g.window, &p, 1);
  const COLORREF behind = GetPixel(r->backBufferDc, p.x, p.y);
  CHECK(Near(onScreen, Over(behind, 0xFFFFFF, VeilAlpha), 6));
}

namespace {

// A skinned window with three toolbars, each holding an edit field.
struct ThreeContainers {
  ThreeContainers()
      : w(0, 400, 200, {}, [this](HWND window) {
          for (int i = 0; i < 3; ++i) {
            toolbars[i] = AddFlatToolbar(window, 10, 40 + 40 * i, 380, 30);
            edits[i] = quorlin::test::AddChild(toolbars[i], "Edit", WS_VISIBLE, WS_EX_CLIENTEDGE, 60, 4, 120, 22);
          }
        }) {
    PumpMessages(50);
  }
  HWND toolbars[3] = {};
  HWND edits[3] = {};
  quorlin::test::SkinnedWindow w;
};

}  // namespace

TEST_CASE("container: going renumbers the containers behind it; unregistering gives the procedure back") {
  ThreeContainers t;
  SkinRecord& r = t.w.Record();
  REQUIRE(r.containers.size() == 3);
  for (int i = 0; i < 3; ++i) {
    CHECK(r.containers[static_cast<size_t>(i)].hwnd == t.toolbars[i]);
    CHECK(GetIntProp(t.toolbars[i], PropSkinId) == i + 1);
  }
  DestroyWindow(t.toolbars[0]);
  Drain();
  REQUIRE(r.containers.size() == 2);
  CHECK(r.containers[0].hwnd == t.toolbars[1]);
  CHECK(GetIntProp(t.toolbars[1], PropSkinId) == 1);
  CHECK(GetIntProp(t.toolbars[2], PropSkinId) == 2);
  // Its answers still come from the right record.
  HDC dc = GetDC(t.edits[2]);
  const LRESULT answer =
      SendMessageA(t.toolbars[2], WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(t.edits[2]));
  ReleaseDC(t.edits[2], dc);
  CHECK(answer == reinterpret_cast<LRESULT>(GetPropA(t.edits[2], "Kj_dxjb")));

  UnregisterContainer(t.w.Id(), 1);
  CHECK(GetWindowLongPtrA(t.toolbars[1], GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ToolbarWndProc));
  REQUIRE(r.containers.size() == 1);
  CHECK(r.containers[0].hwnd == t.toolbars[2]);
  CHECK(GetIntProp(t.toolbars[2], PropSkinId) == 1);
  UnregisterContainer(t.w.Id(), 1);
  REQUIRE(r.containers.size() == 1);
  CHECK(r.containers[0].hwnd == nullptr);
}

TEST_CASE("MarkControlsStale: the next paint of toolbars is a full one, and containers and lists are marked") {
  HWND toolbar = nullptr, list = nullptr;
  const quorlin::test::SkinnedWindow w(0, 400, 200, {}, [&](HWND window) {
    toolbar = AddFlatToolbar(window, 10, 40, 380, 30);
    quorlin::test::AddChild(toolbar, "Edit", WS_VISIBLE, WS_EX_CLIENTEDGE, 200, 4, 120, 22);
    list = quorlin::test::AddChild(window, "ListBox", WS_VISIBLE | WS_BORDER, 0, 10, 90, 200, 80);
  });
  Drain();
  SkinRecord& r = w.Record();
  REQUIRE(r.active == 0);
  REQUIRE(ToolbarRecord(toolbar));
  REQUIRE_FALSE(ToolbarRecord(toolbar)->stale);
  r.containers[0].stale = r.containers[0].repaintPending = false;
  for (ListState& l : r.lists) l.dirty = false;

  // Spoil the toolbar's picture in the composite: a repaint that copies it
  // shows magenta, a full repaint does not.
  const RECT inWindow = ClientRectInSkin(toolbar);
  auto spoil = [&] {
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(r.frameSnapshotDc, &inWindow, magenta);
    DeleteObject(magenta);
  };
  auto repaintShowsMagenta = [&] {
    InvalidateRect(toolbar, nullptr, FALSE);
    UpdateWindow(toolbar);
    Drain();
    return CaptureClient(toolbar, ClientOf(toolbar)).At(100, 15) == RGB(255, 0, 255);
  };
  spoil();
  CHECK(repaintShowsMagenta());

  spoil();
  MarkControlsStale(w.window);
  CHECK(ToolbarRecord(toolbar)->stale);
  CHECK(r.containers[0].stale);
  CHECK(r.containers[0].repaintPending);
  bool listMarked = false;
  for (const ListState& l : r.lists) listMarked |= l.hwnd == list && l.dirty;
  CHECK(listMarked);
  CHECK_FALSE(repaintShowsMagenta());
}

TEST_CASE_FIXTURE(GalleryFixture, "a wider window: the toolbars show the background stretched anew") {
  REQUIRE(g.window);
  Leave(g.flat);
  RECT r = {};
  GetWindowRect(g.window, &r);
  SetWindowPos(g.window, nullptr, 0, 0, r.right - r.left + 120, r.bottom - r.top + 40, SWP_NOMOVE | SWP_NOZORDER);
  UpdateWindow(g.window);
  Drain();
  PumpMessages(100);
  const RECT client = ClientOf(g.flat);
  const ScreenPixels s = CaptureScreen(g.flat, client);
  int differing = 0;
  for (int x = 0; x < client.right; x += 7) {
    const int y = client.bottom - 2;  // below the buttons: background only
    if (!Near(s.At(x, y), Behind(g.flat, x, y), 2)) ++differing;
  }
  CHECK(differing == 0);
}

TEST_CASE_FIXTURE(GalleryFixture, "the window's teardown leaves a toolbar's image list key alone") {
  REQUIRE(g.window);
  // Stand-in for an image list handle that happens to name a GDI object.
  HBITMAP bystander = CreateBitmap(4, 4, 1, 32, nullptr);
  SetPropA(g.flat, "Kj_wtjb", bystander);
  DestroyWindow(g.window);
  Drain();
  CHECK(GetObjectType(bystander) == OBJ_BITMAP);
  DeleteObject(bystander);
}

TEST_CASE(
    "200 skinned windows with both toolbars and 2,000 hover, press and paint rounds leave GDI and USER counts flat") {
  ParkCursor();
  {
    // One window first: the first skinned paint makes what stays for good.
    ToolbarGallery warm = quorlin::test::CreateToolbarGallery(GetModuleHandleA(nullptr), 40, 40);
    DestroyWindow(warm.window);
    ImageList_Destroy(warm.images);
    Drain();
    const quorlin::test::LeakBaseline baseline;
    const size_t cached = DcBitmapCacheSize();
    const DWORD start = GetTickCount();
    for (int i = 0; i < 200; ++i) {
      ToolbarGallery g = quorlin::test::CreateToolbarGallery(GetModuleHandleA(nullptr), 40, 40);
      Drain();
      DestroyWindow(g.window);
      ImageList_Destroy(g.images);
      Drain();
    }
    MESSAGE("200 windows in " << (GetTickCount() - start) << " ms");
    CHECK(baseline.GdiGrowth() == 0);
    CHECK(baseline.UserGrowth() == 0);
    CHECK(DcBitmapCacheSize() == cached);
  }

  GalleryFixture f;
  const ToolbarGallery& g = f.g;
  const int count = static_cast<int>(SendMessageA(g.list, TB_BUTTONCOUNT, 0, 0));
  auto round = [&](int i) {
    const int index = i % count;
    Hover(g.list, index);
    const RECT b = ItemRect(g.list, index);
    SendMessageA(g.list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b.left + 2, b.top + 2));
    UpdateWindow(g.list);
    SendMessageA(g.list, WM_LBUTTONUP, 0, MAKELPARAM(b.right + 400, b.top + 2));  // released elsewhere: no command
    SendMessageA(g.list, WM_MOUSELEAVE, 0, 0);
    RedrawWindow(g.holder, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Drain();
  };
  round(0);
  const quorlin::test::LeakBaseline baseline;
  const size_t cached = DcBitmapCacheSize();
  const DWORD start = GetTickCount();
  for (int i = 0; i < 2000; ++i) round(i);
  MESSAGE("2,000 rounds in " << (GetTickCount() - start) << " ms");
  CHECK(baseline.GdiGrowth() == 0);
  CHECK(baseline.UserGrowth() == 0);
  CHECK(DcBitmapCacheSize() == cached);
}
