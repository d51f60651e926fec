// The button skin on real windows: which buttons it attaches, the picture of
// every push-button state read back from the screen, kept push-button looks
// following what they were made from, the indicators of check boxes and radio
// buttons, click and key behaviour, and the GDI and USER objects of many
// paints, of buttons destroyed alone and of windows torn down.
#include <doctest/doctest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "button_gallery.h"
#include "graphics/drawing.h"
#include "leak_check.h"
#include "skin/chrome/frame_paint.h"
#include "skin/core/apply_skin.h"
#include "skin/core/button_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"
#include "window_probe.h"

using namespace quorlin::skin;
using quorlin::test::Blue;
using quorlin::test::ButtonGallery;
using quorlin::test::CaptureClient;
using quorlin::test::Drain;
using quorlin::test::Green;
using quorlin::test::ParkCursor;
using quorlin::test::PumpMessages;
using quorlin::test::Red;
using quorlin::test::ScreenPixels;

namespace {


RECT ClientOf(HWND w) {
  RECT r = {};
  GetClientRect(w, &r);
  return r;
}

ScreenPixels Shot(HWND w) { return CaptureClient(w, ClientOf(w)); }

void Repaint(HWND w) {
  InvalidateRect(w, nullptr, TRUE);
  UpdateWindow(w);
}

LPARAM Centre(HWND w) {
  const RECT r = ClientOf(w);
  return MAKELPARAM(r.right / 2, r.bottom / 2);
}

void Hover(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(w, WM_MOUSEMOVE, 0, Centre(w));
}

void Leave(HWND w) {
  ParkCursor();
  SendMessageA(w, WM_MOUSELEAVE, 0, 0);
}

bool SamePixels(const ScreenPixels& a, const ScreenPixels& b) {
  return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

// What the user sees over area of the button's client area, once the
// message loop has let Wine put the window's picture on the screen.
ScreenPixels OnScreen(HWND w, const RECT& area) {
  Drain();
  return quorlin::test::CaptureScreen(w, area);
}

// Pixels of the button's client area where the window's composite image
// differs from the screen.
int CompositeMismatches(HWND w) {
  const SkinRecord* r = SkinRecordById(GetIntProp(w, PropOwnerSkinId));
  const RECT client = ClientOf(w);
  if (!r || !r->frameSnapshotDc) return client.right * client.bottom;
  const ScreenPixels screen = OnScreen(w, client);
  const RECT inSkin = ClientRectInSkin(w);
  int differing = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x)
      if (GetPixel(r->frameSnapshotDc, inSkin.left + x, inSkin.top + y) != screen.At(x, y)) ++differing;
  return differing;
}

// Mean of (blue - red) of b minus that of a over a rectangle: how much more
// of the accent (blue 0xDD, red 0x22) b shows there.
double AccentGain(const ScreenPixels& a, const ScreenPixels& b, const RECT& area) {
  double sum = 0;
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x, ++n)
      sum += (Blue(b.At(x, y)) - Red(b.At(x, y))) - (Blue(a.At(x, y)) - Red(a.At(x, y)));
  return n ? sum / n : 0;
}

// Pixels clearly tinted with the accent: green and blue well above red.
int AccentPixels(const ScreenPixels& s, const RECT& area) {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF c = s.At(x, y);
      if (Blue(c) > Red(c) + 30 && Green(c) > Red(c) + 30) ++n;
    }
  return n;
}

// The indicator square of a check box or radio button, 12 pixels at the left
// and centred vertically.
RECT IndicatorBox(HWND w) {
  const RECT r = ClientOf(w);
  const int dy = (r.bottom - 12) / 2;
  return RECT{2, dy, 14, dy + 12};
}

struct GalleryFixture {
  ButtonGallery g;
  GalleryFixture() {
    ParkCursor();
    g = quorlin::test::CreateButtonGallery(GetModuleHandleA(nullptr));
    REQUIRE(g.window);
    PumpMessages(200);
  }
  ~GalleryFixture() {
    ParkCursor();
    if (IsWindow(g.window)) DestroyWindow(g.window);
    PumpMessages(30);
    SkinRegistry.clear();
  }
  SkinRecord& Record() const { return *SkinRecordById(FindSkinId(g.window)); }
  std::vector<HWND> SkinnedButtons() const {
    return {g.push, g.defaultPush, g.disabledPush, g.checked, g.unchecked, g.radioFirst, g.radioSecond};
  }
};

bool HasButtonProc(HWND w) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC)) == ButtonWindowProc;
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND PlainTop() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ButtonSkinTestTop";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "ButtonSkinTestTop", "t", WS_POPUP, 500, 40, 300, 300, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

TEST_CASE("the attach passes take push buttons, check boxes and automatic radio buttons only") {
  ChildSkinningEnabled = 1;
  HWND top = PlainTop();
  REQUIRE(top);
  struct Case {
    const char* name;
    DWORD style;
    int kind;  // -1: left alone
  } const cases[] = {
      {"push button", BS_PUSHBUTTON, PushButtonKind},
      {"default push button", BS_DEFPUSHBUTTON, PushButtonKind},
      {"user button", BS_USERBUTTON, PushButtonKind},
      {"check box", BS_CHECKBOX, CheckBoxKind},
      {"automatic check box", BS_AUTOCHECKBOX, CheckBoxKind},
      {"automatic radio button", BS_AUTORADIOBUTTON, RadioButtonKind},
      {"radio button", BS_RADIOBUTTON, -1},
      {"three-state box", BS_3STATE, -1},
      {"automatic three-state box", BS_AUTO3STATE, -1},
      {"group box", BS_GROUPBOX, -1},
      {"owner-drawn button", BS_OWNERDRAW, -1},
  };
  std::vector<HWND> buttons;
  std::vector<WNDPROC> own;
  for (const Case& c : cases) {
    HWND b = CreateWindowExA(0, "Button", c.name, WS_CHILD | WS_VISIBLE | c.style, 10, 10, 80, 24, top, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    buttons.push_back(b);
    own.push_back(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(b, GWLP_WNDPROC)));
  }
  ApplySkin(top, {});
  const SkinRecord& r = *SkinRecordById(FindSkinId(top));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    CAPTURE(c.name);
    HWND b = buttons[i];
    const LONG_PTR style = GetWindowLongPtrA(b, GWL_STYLE) & 0xF;
    if (c.kind < 0) {
      CHECK_FALSE(HasButtonProc(b));
      const bool ownProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(b, GWLP_WNDPROC)) == own[i];
      CHECK(ownProc);
      CHECK(GetPropA(b, PropSkinId) == nullptr);
      CHECK(style == static_cast<LONG_PTR>(c.style));
      continue;
    }
    CHECK(HasButtonProc(b));
    const ButtonState* state = ControlRecord(b, &SkinRecord::buttons);
    REQUIRE(state);
    CHECK(state->hwnd == b);
    CHECK(state->kind == c.kind);
    CHECK(state->text == c.name);
    CHECK(state->captionGlow == -1);
    CHECK(GetIntProp(b, PropOwnerSkinId) == FindSkinId(top));
    CHECK(GetPropA(b, PropPreviousProc) == reinterpret_cast<HANDLE>(own[i]));
    // Push buttons are switched to owner-draw; their tooltip object stays
    // empty (no window).
    CHECK((style == BS_OWNERDRAW) == (c.kind == PushButtonKind));
    CHECK(state->tooltip.GetHandle() == nullptr);
    if (c.kind != PushButtonKind) CHECK(style == static_cast<LONG_PTR>(c.style));
  }
  CHECK(r.buttons.size() == 6);
  DestroyWindow(top);
  SkinRegistry.clear();
}

TEST_CASE("font fields: none gives 宋体 12 plain; a font gives its size and style") {
  ChildSkinningEnabled = 1;
  HWND top = PlainTop();
  HWND bare = CreateWindowExA(0, "Button", "a", WS_CHILD | BS_PUSHBUTTON, 0, 0, 80, 24, top, nullptr, nullptr, nullptr);
  HWND check = CreateWindowExA(0, "Button", "b", WS_CHILD | BS_AUTOCHECKBOX, 0, 30, 80, 24, top, nullptr, nullptr,
                               nullptr);
  HWND styled = CreateWindowExA(0, "Button", "c", WS_CHILD | BS_PUSHBUTTON, 0, 60, 80, 24, top, nullptr, nullptr,
                                nullptr);
  HFONT font = CreateFontA(-16, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "宋体");
  SendMessageA(styled, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  REQUIRE(SendMessageA(bare, WM_GETFONT, 0, 0) == 0);

  for (HWND w : {bare, check}) {
    const ControlFont f = QueryControlFont(w);
    CHECK(f.face == "宋体");
    CHECK(f.size == 12);
    CHECK(f.style == 0);
  }
  const ControlFont f = QueryControlFont(styled);
  // Truncated toward zero: Wine's GDI+ reports 15.99... for a 16-pixel font.
  CHECK(f.size >= 15);
  CHECK(f.size <= 16);
  CHECK(f.style == (1 | 2));  // bold, italic
  CHECK_FALSE(f.face.empty());

  ApplySkin(top, {});
  const ButtonState* state = ControlRecord(bare, &SkinRecord::buttons);
  REQUIRE(state);
  CHECK(state->fontFace == "宋体");
  CHECK(state->fontSize == 12);
  CHECK(state->fontStyle == 0);
  DestroyWindow(top);
  DeleteObject(font);
  SkinRegistry.clear();
}

TEST_CASE_FIXTURE(GalleryFixture, "the gallery skins its buttons and leaves the group box and three-state box") {
  for (HWND b : SkinnedButtons()) CHECK(HasButtonProc(b));
  for (HWND b : {g.groupBox, g.threeState}) {
    CHECK_FALSE(HasButtonProc(b));
    CHECK(GetPropA(b, PropOwnerSkinId) == nullptr);
  }
  const ButtonState* def = ControlRecord(g.defaultPush, &SkinRecord::buttons);
  REQUIRE(def);
  CHECK(def->kind == PushButtonKind);
  CHECK((GetWindowLongPtrA(g.defaultPush, GWL_STYLE) & 0xF) == BS_OWNERDRAW);
  CHECK(ControlRecord(g.checked, &SkinRecord::buttons)->checkedAtAttach);
  CHECK_FALSE(ControlRecord(g.unchecked, &SkinRecord::buttons)->checkedAtAttach);
  CHECK(ControlRecord(g.checked, &SkinRecord::buttons)->parentWindow == g.window);
}

TEST_CASE_FIXTURE(GalleryFixture, "a default push button is painted by the skin through WM_DRAWITEM") {
  HWND b = g.defaultPush;
  Repaint(b);
  const ScreenPixels screen = Shot(b);
  // The same painter into a memory image.
  const RECT r = ClientOf(b);
  HDC screenDc = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screenDc);
  HBITMAP bitmap = CreateCompatibleBitmap(screenDc, r.right, r.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  PaintPushButton(b, memory, 0, r);
  int differing = 0;
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x)
      if (GetPixel(memory, x, y) != screen.At(x, y)) ++differing;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screenDc);
  CHECK(differing == 0);
  // Glass: the window background shows through the corners.
  const SkinRecord& rec = Record();
  RECT inSkin = ClientRectInSkin(b);
  CHECK(screen.At(0, 0) == GetPixel(rec.backBufferDc, inSkin.left, inSkin.top));
  // And it went into the window's composite image.
  CHECK(GetPixel(rec.frameSnapshotDc, inSkin.left + r.right / 2, inSkin.top + 3) == screen.At(r.right / 2, 3));
}

TEST_CASE_FIXTURE(GalleryFixture, "a disabled push button is opaque light grey with a dark rounded border, never hot") {
  HWND b = g.disabledPush;
  Repaint(b);
  const ScreenPixels s = Shot(b);
  const int w = s.width, h = s.height;
  // The corners outside the rounded outline are the plain grey.
  for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
    CAPTURE(x);
    CAPTURE(y);
    CHECK(s.At(x, y) == RGB(0xC0, 0xC0, 0xC0));
  }
  // Nothing of the (cyan) background shows anywhere: every pixel is grey.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const COLORREF c = s.At(x, y);
      if (std::abs(Red(c) - Green(c)) > 2 || std::abs(Green(c) - Blue(c)) > 2) {
        CAPTURE(x);
        CAPTURE(y);
        FAIL_CHECK("coloured pixel " << std::hex << c);
        y = h;
        break;
      }
    }
  // The border is darker than the glass inside it.
  CHECK(Red(s.At(w / 2, 0)) + 30 < Red(s.At(w / 2, 4)));
  CHECK(Red(s.At(0, h / 2)) + 30 < Red(s.At(4, h / 2)));
  CHECK(Red(s.At(w / 2, 4)) > 0xB0);

  Hover(b);
  CHECK(SamePixels(Shot(b), s));
  PaintButton(b, 0, true);  // also when asked directly
  CHECK(SamePixels(Shot(b), s));
  Leave(b);
  CHECK(SamePixels(Shot(b), s));
}

TEST_CASE_FIXTURE(GalleryFixture, "push-button looks: hot and pressed wash with the accent, focus lays a soft accent edge") {
  HWND b = g.push;
  SetFocus(g.window);
  Repaint(b);
  const ScreenPixels plain = Shot(b);
  const int w = plain.width, h = plain.height;
  const RECT upper{4, 3, w - 4, h / 3};
  const RECT centre{w / 2 - 6, h / 2 - 2, w / 2 + 6, h / 2 + 2};
  const RECT leftEdge{1, h / 2 - 3, 3, h / 2 + 3};

  struct Case {
    const char* name;
    std::function<void()> enter, leave;
    RECT area;
    double minGain;
  };
  const Case cases[] = {
      {"hot", [&] { Hover(b); }, [&] { Leave(b); }, upper, 8},
      {"focused", [&] { SetFocus(b); Repaint(b); }, [&] { SetFocus(g.window); Repaint(b); }, leftEdge, 8},
      {"pressed", [&] { SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, Centre(b)); },
       [&] { SendMessageA(b, WM_LBUTTONUP, 0, Centre(b)); SetFocus(g.window); Leave(b); Repaint(b); }, upper, 8},
  };
  for (const Case& c : cases) {
    const std::string name = c.name;
    CAPTURE(name);
    c.enter();
    const ScreenPixels look = Shot(b);
    CHECK_FALSE(SamePixels(look, plain));
    CHECK(AccentGain(plain, look, c.area) > c.minGain);
    c.leave();
    CHECK(SamePixels(Shot(b), plain));
  }
  // Focus alone leaves the middle of the glass as it was.
  SetFocus(b);
  Repaint(b);
  const ScreenPixels focused = Shot(b);
  CHECK(std::abs(AccentGain(plain, focused, centre)) < 1.0);
  SetFocus(g.window);
}

TEST_CASE_FIXTURE(GalleryFixture, "kept push-button looks follow everything they were made from") {
  HWND b = g.push;
  SetFocus(g.window);
  Repaint(b);
  const RECT area = ClientOf(b);
  RECT place;
  GetWindowRect(b, &place);
  MapWindowPoints(HWND_DESKTOP, g.window, reinterpret_cast<POINT*>(&place), 2);
  const int w = area.right, h = area.bottom;
  const COLORREF accent = AccentColour;
  const auto record = [&]() -> ButtonState& { return *ControlRecord(b, &SkinRecord::buttons); };
  const auto resize = [&](int cx, int cy) {
    SetWindowPos(b, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  const auto move = [&](int x, int y) {
    SetWindowPos(b, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  const auto tint = [&](long colour) {
    Record().tintColour = colour;
    Record().tintAlpha = 120;
    PaintFrame(FindSkinId(g.window), true);
    Drain();
  };
  const std::function<void()> plain = [&] { Repaint(b); };
  const std::function<void()> hot = [&] { Leave(b); Hover(b); };
  const std::function<void()> itself = [] {};  // the change paints on its own
  struct Case {
    const char* name;
    std::function<void()> show, apply, undo;
  };
  const Case cases[] = {
      {"text", plain, [&] { SetWindowTextA(b, "取消"); }, [&] { SetWindowTextA(b, "确定"); }},
      {"text colour", plain, [&] { SetPropA(b, PropTextColour, reinterpret_cast<HANDLE>(0x0000FF)); },
       [&] { RemovePropA(b, PropTextColour); }},
      {"font size", plain, [&] { record().fontSize += 4; }, [&] { record().fontSize -= 4; }},
      {"font style", plain, [&] { record().fontStyle ^= 1; }, [&] { record().fontStyle ^= 1; }},
      {"font face", plain, [&] { record().fontFace += "X"; }, [&] { record().fontFace.pop_back(); }},
      {"accent colour", hot, [&] { AccentColour = 0x2040F0; }, [&] { AccentColour = accent; }},
      {"size", plain, [&] { resize(w + 12, h + 4); }, [&] { resize(w, h); }},
      {"place over the window picture", plain, [&] { move(place.left, place.top + 10); },
       [&] { move(place.left, place.top); }},
      {"window picture behind", plain, [&] { tint(0x00FF00); }, [&] { tint(-1); }},
      {"hot", itself, [&] { Hover(b); }, [&] { Leave(b); }},
      {"focused", itself, [&] { SetFocus(b); Repaint(b); }, [&] { SetFocus(g.window); Repaint(b); }},
      {"pressed", itself, [&] { SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, Centre(b)); },
       [&] { SendMessageA(b, WM_LBUTTONUP, 0, Centre(b)); SetFocus(g.window); Leave(b); Repaint(b); }},
      {"disabled", itself, [&] { EnableWindow(b, FALSE); Repaint(b); }, [&] { EnableWindow(b, TRUE); Repaint(b); }},
  };
  for (const Case& c : cases) {
    const std::string name = c.name;
    CAPTURE(name);
    c.show();
    const ScreenPixels first = OnScreen(b, area);
    c.show();  // a kept look, the same pixels
    CHECK(SamePixels(OnScreen(b, area), first));
    c.apply();
    c.show();
    CHECK_FALSE(SamePixels(OnScreen(b, area), first));
    c.show();
    CHECK_FALSE(SamePixels(OnScreen(b, area), first));
    c.undo();
    c.show();
    CHECK(SamePixels(OnScreen(b, area), first));
    c.show();
    CHECK(SamePixels(OnScreen(b, area), first));
    CHECK(CompositeMismatches(b) == 0);
    Leave(b);  // the next hover paints the hot look again
  }
  // The looks are kept: after a text change the plain and the hot look are
  // composed once each, and going back and forth between them adds none.
  SetWindowTextA(b, "取消");
  Repaint(b);
  for (int i = 0; i < 3; ++i) {
    Hover(b);
    Leave(b);
  }
  CHECK(record().looks.states.size() == 2);
  SetWindowTextA(b, "确定");
}

TEST_CASE_FIXTURE(GalleryFixture, "the pressed look stays while the mouse button is down, also off the button") {
  HWND b = g.push;
  Hover(b);
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, Centre(b));
  const ScreenPixels pressed = Shot(b);
  // Dragged off: the button itself asks for its normal state, which is
  // refused while the mouse button is down.
  SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-30), static_cast<WORD>(-30)));
  CHECK(SamePixels(Shot(b), pressed));
  SendMessageA(b, BM_SETSTATE, FALSE, 0);
  Repaint(b);
  CHECK(SamePixels(Shot(b), pressed));
  SendMessageA(b, WM_MOUSELEAVE, 0, 0);
  CHECK(SamePixels(Shot(b), pressed));
  SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-30), static_cast<WORD>(-30)));
  Repaint(b);
  const ScreenPixels released = Shot(b);
  CHECK_FALSE(SamePixels(released, pressed));
  CHECK(ControlRecord(b, &SkinRecord::buttons)->pressed == false);
}

TEST_CASE_FIXTURE(GalleryFixture, "a press that loses the mouse capture does not stay pushed") {
  HWND b = g.push;
  SetFocus(b);
  Repaint(b);
  const ScreenPixels focused = Shot(b);
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, Centre(b));
  REQUIRE(GetCapture() == b);
  CHECK_FALSE(SamePixels(Shot(b), focused));
  SetCapture(g.window);  // someone else takes the mouse
  ReleaseCapture();
  Repaint(b);
  CHECK(ControlRecord(b, &SkinRecord::buttons)->pressed == false);
  CHECK(SamePixels(Shot(b), focused));
}

TEST_CASE("the tinted tick keeps its transparent ground and takes the accent") {
  AccentColour = 0xDDCA22;
  const std::string png = TintedCheckMark();
  REQUIRE_FALSE(png.empty());
  quorlin::graphics::Bitmap tick;
  REQUIRE(tick.FromBytes(png.data(), png.size()));
  CHECK(tick.GetWidth() == 13);
  CHECK(tick.GetHeight() == 12);
  for (auto [x, y] : {std::pair{0, 0}, {6, 2}, {0, 11}, {12, 11}, {10, 8}}) {
    CAPTURE(x);
    CAPTURE(y);
    CHECK((tick.GetPixel(x, y) >> 24) == 0);
  }
  // The glyph's pixel (12, 0) is 0xD3E6AF opaque: lum 205.33, so alpha 49,
  // red 211/255 x 0x22, green 230/255 x 0xCA, blue 175/255 x 0xDD.
  CHECK(tick.GetPixel(12, 0) == ((49u << 24) | (28u << 16) | (182u << 8) | 151u));
  // The darkest pixel, at the bend (0x548805), becomes the most opaque.
  const auto alphaAt = [&](int x, int y) { return tick.GetPixel(x, y) >> 24; };
  CHECK(alphaAt(5, 10) > alphaAt(12, 0));
  CHECK(alphaAt(5, 10) == 255 - (0x54 + 0x88 + 0x05) / 3);  // 180
  // Another accent, another tick.
  AccentColour = 0x0000FF;
  const std::string red = TintedCheckMark();
  CHECK(red != png);
  AccentColour = 0xDDCA22;
  CHECK(TintedCheckMark() == png);
}

TEST_CASE_FIXTURE(GalleryFixture, "a ticked check box shows the accent-tinted tick; a checked radio shows the dot") {
  struct Case {
    const char* name;
    HWND on, off;
    RECT area;
    int minPixels;
  };
  const RECT box = IndicatorBox(g.checked);
  const RECT dot{5, box.top + 3, 11, box.top + 9};
  const Case cases[] = {
      {"check box", g.checked, g.unchecked, box, 8},
      {"radio button", g.radioFirst, g.radioSecond, dot, 6},
  };
  for (const Case& c : cases) {
    CAPTURE(c.name);
    Repaint(c.on);
    Repaint(c.off);
    CHECK(SendMessageA(c.on, BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK(AccentPixels(Shot(c.on), c.area) >= c.minPixels);
    CHECK(AccentPixels(Shot(c.off), c.area) == 0);
  }
  // The tick is the tinted one: the green glyph has less blue than red in
  // every pixel, the accent far more.
  const ScreenPixels s = Shot(g.checked);
  int blueish = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x)
      if (Blue(s.At(x, y)) > Red(s.At(x, y)) + 30) ++blueish;
  CHECK(blueish >= 8);
}

TEST_CASE_FIXTURE(GalleryFixture, "a double click on a check box toggles it once") {
  HWND b = g.unchecked;
  const LPARAM at = Centre(b);
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(b, WM_LBUTTONUP, 0, at);
  SendMessageA(b, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(b, WM_LBUTTONUP, 0, at);
  CHECK(SendMessageA(b, BM_GETCHECK, 0, 0) == BST_CHECKED);
  Drain();
  CHECK(AccentPixels(Shot(b), IndicatorBox(b)) >= 8);
}

TEST_CASE_FIXTURE(GalleryFixture, "space on a focused check box or radio button repaints it on key-down") {
  for (HWND b : {g.unchecked, g.radioSecond}) {
    SetFocus(b);
    Repaint(b);
    const ScreenPixels skinned = Shot(b);
    {  // spoil the window's picture without invalidating it
      HDC dc = GetDC(b);
      HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
      RECT r = ClientOf(b);
      FillRect(dc, &r, magenta);
      DeleteObject(magenta);
      ReleaseDC(b, dc);
    }
    SendMessageA(b, WM_KEYDOWN, VK_SPACE, 0x00390001);
    CHECK(SamePixels(Shot(b), skinned));
    SendMessageA(b, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001u));
    CHECK(SendMessageA(b, BM_GETCHECK, 0, 0) == BST_CHECKED);
    CHECK(AccentPixels(Shot(b), IndicatorBox(b)) > 0);
  }
}

TEST_CASE_FIXTURE(GalleryFixture, "the system look of a check box never shows through the skin") {
  HWND b = g.unchecked;
  struct Case {
    const char* name;
    std::function<void()> act;
  } const cases[] = {
      {"new text", [&] { SetWindowTextA(b, "未勾选"); }},
      {"focus in and out", [&] { SetFocus(b); SetFocus(g.window); }},
      {"pushed state on and off", [&] { SendMessageA(b, BM_SETSTATE, TRUE, 0); SendMessageA(b, BM_SETSTATE, FALSE, 0); }},
  };
  Repaint(b);
  const ScreenPixels skinned = Shot(b);
  for (const Case& c : cases) {
    CAPTURE(c.name);
    c.act();
    CHECK(SamePixels(Shot(b), skinned));
    Drain();
    CHECK(SamePixels(Shot(b), skinned));
  }
}

TEST_CASE_FIXTURE(GalleryFixture, "hover, press and repaint cycles leave GDI and USER object counts flat") {
  const std::vector<HWND> buttons = SkinnedButtons();
  auto cycle = [&](int i) {
    HWND b = buttons[static_cast<size_t>(i) % buttons.size()];
    const LPARAM at = Centre(b);
    SendMessageA(b, WM_MOUSEMOVE, 0, at);
    SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(b, WM_LBUTTONUP, 0, at);
    SendMessageA(b, WM_MOUSELEAVE, 0, 0);
    Repaint(b);
    Drain();
  };
  for (int i = 0; i < 70; ++i) cycle(i);  // every button, every path, once over
  const quorlin::test::LeakBaseline baseline;
  const size_t cached = DcBitmapCacheSize();
  // Each cycle paints its button five times; under Wine a cycle takes about
  // 20 ms, so 10,000 would take over three minutes; 1,500 keep the whole
  // program inside a minute.
  constexpr int Cycles = 1500;
  const DWORD start = GetTickCount();
  for (int i = 0; i < Cycles; ++i) cycle(i);
  MESSAGE("cycles: " << Cycles << " in " << (GetTickCount() - start) << " ms");
  CHECK(baseline.GdiGrowth() == 0);
  CHECK(baseline.UserGrowth() == 0);
  CHECK(DcBitmapCacheSize() == cached);
}

TEST_CASE_FIXTURE(GalleryFixture, "kept looks go with the button: push buttons destroyed on their own leave the counts flat") {
  const int skinId = FindSkinId(g.window);
  auto round = [&] {
    HWND b = CreateWindowExA(0, "Button", "临时", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 180, 64, 24, g.window,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    AttachPushButtons(skinId, g.window);
    REQUIRE(HasButtonProc(b));
    Repaint(b);
    Hover(b);
    SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, Centre(b));
    SendMessageA(b, WM_LBUTTONUP, 0, Centre(b));
    Leave(b);
    Repaint(b);
    REQUIRE_FALSE(ControlRecord(b, &SkinRecord::buttons)->looks.states.empty());
    DestroyWindow(b);
    Drain();
  };
  round();
  const quorlin::test::LeakBaseline baseline;
  for (int i = 0; i < 20; ++i) round();
  CHECK(baseline.GdiGrowth() == 0);
  CHECK(baseline.UserGrowth() == 0);
}

TEST_CASE("a skinned window torn down with kept push-button looks leaves the counts flat") {
  auto round = [] {
    ButtonGallery g = quorlin::test::CreateButtonGallery(GetModuleHandleA(nullptr));
    REQUIRE(g.window);
    for (HWND b : {g.push, g.defaultPush, g.disabledPush}) {
      Hover(b);
      SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, Centre(b));
      SendMessageA(b, WM_LBUTTONUP, 0, Centre(b));
      Leave(b);
    }
    REQUIRE_FALSE(ControlRecord(g.push, &SkinRecord::buttons)->looks.states.empty());
    ParkCursor();
    DestroyWindow(g.window);
    PumpMessages(20);
  };
  round();
  const quorlin::test::LeakBaseline baseline;
  for (int i = 0; i < 3; ++i) round();
  CHECK(baseline.GdiGrowth() == 0);
  CHECK(baseline.UserGrowth() == 0);
  SkinRegistry.clear();
}

TEST_CASE("a push button destroyed on its own frees its record and leaves no window behind") {
  const quorlin::test::LeakBaseline baseline;
  for (int round = 0; round < 3; ++round) {
    ButtonGallery g = quorlin::test::CreateButtonGallery(GetModuleHandleA(nullptr));
    REQUIRE(g.window);
    REQUIRE(ControlRecord(g.push, &SkinRecord::buttons));
    const int index = GetIntProp(g.push, PropSkinId);
    DestroyWindow(g.push);
    CHECK(SkinRecordById(FindSkinId(g.window))->buttons[static_cast<size_t>(index - 1)].hwnd == nullptr);
    DestroyWindow(g.window);
    PumpMessages(20);
  }
  CHECK(baseline.UserGrowth() == 0);
  SkinRegistry.clear();
}
