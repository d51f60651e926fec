// The button skin: attach passes, the shared button window procedure and the
// painters. Every paint copies what lies behind the button, draws over it off
// screen, shows the result and commits it to the window's composite image;
// the off-screen image and every drawing object go away before the paint
// returns. A push button also keeps the finished looks it composed, so that
// a hover or a press shows a kept picture while nothing it was made of has
// changed.
#include "skin/core/button_skin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "skin/core/control_kit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

constexpr COLORREF Grey = 0x808080;

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;
using GRect = graphics::RectF;

constexpr COLORREF FocusEdgeColour = 0xDDCA22;
constexpr char DefaultFace[] = "宋体";


ButtonState* ButtonRecord(HWND button) { return RecordOf(button, &SkinRecord::buttons); }

bool IsIndicatorKind(int kind) { return kind == RadioButtonKind || kind == CheckBoxKind; }

std::string WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

// Common attach step: the record, the properties and the subclassing.
ButtonState* AttachButton(int skinId, HWND child, int kind) {
  const int index = AttachControl(skinId, child, &SkinRecord::buttons, ButtonWindowProc, [&](ButtonState& state) {
    state.kind = kind;
    state.captionGlow = -1;
    state.usePictures = false;
    state.text = WindowTextOf(child);
  });
  return index ? ButtonRecord(child) : nullptr;
}

void SetFontFields(ButtonState& state, HWND child) {
  ControlFont font = QueryControlFont(child);
  state.fontFace = std::move(font.face);
  state.fontSize = font.size;
  state.fontStyle = font.style;
}

// ---- drawing helpers ----------------------------------------------------


graphics::GraphicsPath Ellipse(REAL x, REAL y, REAL w, REAL h) {
  graphics::GraphicsPath path;
  path.Create();
  path.AddEllipse(x, y, w, h);
  return path;
}



void FillGradientRect(graphics::Graphics& g, const GRect& rect, PointF a, PointF b, ARGB from, ARGB to) {
  graphics::LinearGradientBrush brush;
  if (brush.Create(a, b, from, to)) g.FillRectangle(brush, rect);
}


// The glow around a hot indicator: white, then the accent, fading outwards.
void FillGlow(graphics::Graphics& g, const graphics::GraphicsPath& area) {
  struct Layer {
    COLORREF centre;
    REAL focus;
  };
  for (const Layer layer : {Layer{White, 0.4f}, Layer{AccentColour, 0.3f}}) {
    graphics::PathGradientBrush brush;
    if (!brush.FromPath(area)) continue;
    brush.SetCenterColor(Argb(255, layer.centre));
    ARGB surround = Argb(0, White);
    INT count = 1;
    brush.SetSurroundColors(&surround, &count);
    brush.SetFocusScales(layer.focus, layer.focus);
    g.FillPath(brush, area);
  }
}

struct CaptionLayout {
  GRect rect;
  Gdiplus::StringAlignment align;
};

void DrawCaption(graphics::Graphics& g, HWND button, const ButtonState& state, const CaptionLayout& layout) {
  if (state.text.empty()) return;
  graphics::SolidBrush brush;
  graphics::Font font;
  graphics::StringFormat format;
  const COLORREF colour = static_cast<COLORREF>(GetIntProp(button, PropTextColour));
  const char* face = state.fontFace.empty() ? DefaultFace : state.fontFace.c_str();
  const REAL size = static_cast<REAL>(state.fontSize > 0 ? state.fontSize : 12);
  if (!brush.Create(Argb(255, colour)) || !font.Create(face, size, state.fontStyle, Gdiplus::UnitPixel) ||
      !format.Create(0))
    return;
  format.SetAlign(layout.align);
  format.SetLineAlign(Gdiplus::StringAlignmentCenter);
  g.DrawString(state.text.c_str(), font, layout.rect, &format, brush);
}

// Commits a finished image, found in image at (0, top), and shows it in dc.
void Present(HWND button, HDC image, HDC dc, int w, int h, int top = 0) {
  BlitToComposite(button, image, false, false, POINT{0, top});
  BitBlt(dc, 0, 0, w, h, image, 0, top, SRCCOPY);
}

RECT ClientRectOf(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  return r;
}

bool IsChecked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// ---- the glass of a push button ----------------------------------------------

// Draws the glass of a push button in state over what g already holds.
void DrawGlass(graphics::Graphics& g, UINT state, REAL x, REAL y, REAL fw, REAL fh) {
  graphics::GraphicsPath outline = RoundRectPath(x, y, fw - 1, fh - 1, 5);
  FillSolid(g, outline, Argb(120, White));
  if (state & ButtonDisabledBit) {
    graphics::SolidBrush grey;
    if (grey.Create(Argb(255, 0xC0C0C0))) g.FillRectangle(grey, x, y, fw, fh);
    graphics::LinearGradientBrush glass;
    if (glass.Create(PointF(x, y), PointF(x, y + fh), Argb(50, White), Argb(50, White))) {
      const ARGB colours[3] = {Argb(50, White), Argb(10, Black), Argb(50, White)};
      const REAL positions[3] = {0.0f, 0.6f, 1.0f};
      glass.SetPresetBlend(colours, positions, 3);
      g.FillPath(glass, outline);
    }
    Stroke(g, outline, Argb(80, Black));
    return;
  }
  FillGradient(g, outline, PointF(x, y), PointF(x, y + fh - 1), Argb(0, White), Argb(60, Grey));
  graphics::GraphicsPath highlight;
  highlight.Create();
  AddTopRoundedPath(highlight, x, y, fw - 1, static_cast<REAL>(static_cast<int>(fh * 0.5f)), 5);
  FillGradient(g, highlight, PointF(x, y), PointF(x, y + fh * 0.5f), Argb(50, White), Argb(10, White));
  if (state & ButtonHotBit) {
    FillGradient(g, outline, PointF(x, y), PointF(x, y + fh - 1), Argb(60, AccentColour), Argb(80, White));
    FillGradient(g, outline, PointF(x, y), PointF(x, y + fh - 1), Argb(30, AccentColour), Argb(100, White));
    Stroke(g, outline, Argb(150, Black));
    Stroke(g, outline, Argb(100, AccentColour));
  } else if (state & ButtonFocusBit) {
    g.SetClipPath(outline);
    DrawSoftEdge(g, outline, 3, FocusEdgeColour, 120);
    g.ResetClip();
    Stroke(g, outline, Argb(80, Black));
  } else {
    Stroke(g, outline, Argb(120, Black));
  }
  if (state & ButtonPressedBit) {
    const graphics::GraphicsPath inner = RoundRectPath(x + 2, y + 2, fw - 3, fh - 3, 5);
    FillGradient(g, inner, PointF(2, 2), PointF(2, fh - 2), Argb(60, AccentColour), Argb(100, White));
  }
}

// ---- kept push-button looks ---------------------------------------------------
//
// Composing the glass and its caption with GDI+ costs a thousand times the
// copy of the finished picture, and a hover or a press asks for one of a few
// pictures again and again. So each push button keeps the looks it composed
// (PushButtonLooks, cell layout there), as long as nothing they were made of
// has changed: the key (place, size, text, font, text colour, accent) and
// the picture behind the button, compared pixel for pixel at every paint.
// A kept look costs 4 x width x height bytes; the surface holds two cells
// for the picture behind and seven looks, 36 x width x height bytes (55,296
// for 64 x 24) and two GDI objects (a memory DC and a DIB section) per
// painted push button, released with its record.

constexpr int BehindCell = 0, ProbeCell = 1, FirstLookCell = 2;
// Disabled, and plain, hot or focused, each pressed or not.
constexpr int MaxKeptLooks = 7;

// The state bits that make a difference to a push button's picture: a
// disabled button has one look, and the hot look hides the focus edge.
UINT LookBits(UINT state) {
  if (state & ButtonDisabledBit) return ButtonDisabledBit;
  UINT bits = state & (ButtonHotBit | ButtonPressedBit);
  if (!(state & ButtonHotBit)) bits |= state & ButtonFocusBit;
  return bits;
}

PushButtonLookKey LookKeyOf(HWND button, const ButtonState& state, const RECT& rect) {
  return PushButtonLookKey{rect,
                           state.text,
                           state.fontFace,
                           state.fontSize,
                           state.fontStyle,
                           static_cast<COLORREF>(GetIntProp(button, PropTextColour)),
                           AccentColour};
}

// Makes the kept looks of a button fit what it would be painted from now: a
// surface of the painted size, and no look made from anything else. False
// when there is no surface to keep looks in.
bool FitKeptLooks(HWND button, ButtonState& state, const RECT& rect) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  PushButtonLooks& kept = state.looks;
  if (kept.surface.width() != w || kept.surface.height() != h * (FirstLookCell + MaxKeptLooks)) {
    kept = PushButtonLooks{};
    kept.surface = DibSurface(w, h * (FirstLookCell + MaxKeptLooks));
    if (!kept.surface) return false;
  }
  PushButtonLookKey key = LookKeyOf(button, state, rect);
  if (!(key == kept.key)) {
    kept.states.clear();
    kept.key = std::move(key);
  }
  const size_t cellPixels = static_cast<size_t>(w) * static_cast<size_t>(h);
  DWORD* behind = kept.surface.bits() + BehindCell * cellPixels;
  DWORD* probe = kept.surface.bits() + ProbeCell * cellPixels;
  GdiFlush();
  std::fill(probe, probe + cellPixels, 0);  // what PaintParentBackground gives where nothing is behind
  CopyParentBackground(button, rect, kept.surface.dc(), 0, ProbeCell * h);
  GdiFlush();
  if (!std::equal(probe, probe + cellPixels, behind)) {
    kept.states.clear();
    std::copy(probe, probe + cellPixels, behind);
  }
  return true;
}

// The cell holding the look of these state bits, or -1.
int KeptLookCell(const PushButtonLooks& kept, UINT look) {
  for (size_t i = 0; i < kept.states.size(); ++i)
    if (kept.states[i] == look) return FirstLookCell + static_cast<int>(i);
  return -1;
}

void KeepLook(PushButtonLooks& kept, UINT look, HDC image, int w, int h) {
  if (kept.states.size() == MaxKeptLooks) kept.states.clear();
  const int cell = FirstLookCell + static_cast<int>(kept.states.size());
  if (BitBlt(kept.surface.dc(), 0, cell * h, w, h, image, 0, 0, SRCCOPY)) kept.states.push_back(look);
}

// ---- message handlers -----------------------------------------------------

void RepaintIndicator(HWND button, const ButtonState& state) {
  if (state.kind == RadioButtonKind)
    PaintRadioButton(button, 0);
  else if (state.kind == CheckBoxKind)
    PaintCheckBox(button, 0);
}

// For check boxes and radio buttons: let the button's own procedure act,
// then put the skinned picture back at once.
LRESULT ActThenRepaint(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  CallPreviousProc(button, message, wParam, lParam);
  if (ButtonState* after = ButtonRecord(button)) RepaintIndicator(button, *after);
  return DefWindowProcA(button, message, wParam, lParam);
}

// The system procedure of a check box or radio button draws its own look
// straight into the window on these messages (focus, text, state and
// enable changes); the skin repaints over it right after.
bool SystemDrawsIndicator(UINT message) {
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_LBUTTONUP:
    case WM_KEYUP:
    case WM_CAPTURECHANGED:
    case WM_UPDATEUISTATE:
    case BM_SETSTATE:
    case BM_SETSTYLE:
      return true;
    default:
      return false;
  }
}

void OnMouseMove(HWND button, const ButtonState&) {
  if (!EnterHover(button, HoverButton)) return;
  PaintButton(button, 0, true);
  MarkHot(button, HoverButton);
}

void OnMouseLeave(HWND button, const ButtonState& state) {
  LeaveHover(button);
  PaintButton(button, state.focused ? ButtonFocusBit : 0, false);
}

// The button's tooltip window does not go with its object; it goes with the
// button. The record is freed so that a later window with the same handle is
// attached afresh.
LRESULT OnNcDestroy(HWND button, ButtonState& state, WPARAM wParam, LPARAM lParam) {
  if (HWND tip = state.tooltip.GetHandle()) DestroyWindow(tip);
  return ReleaseControl(button, &SkinRecord::buttons, HoverButton, wParam, lParam);
}

// ---- the tinted tick --------------------------------------------------------

std::string BuildTintedCheckMark(COLORREF accent) {
  graphics::Bitmap bitmap;
  if (!bitmap.FromBytes(assets::CheckMarkGlyph.data, assets::CheckMarkGlyph.size)) return {};
  const int w = static_cast<int>(bitmap.GetWidth()), h = static_cast<int>(bitmap.GetHeight());
  const double aR = accent & 0xFF, aG = (accent >> 8) & 0xFF, aB = (accent >> 16) & 0xFF;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const ARGB argb = bitmap.GetPixel(x, y);
      const ColourAndAlpha pixel = ColorRefFromArgb(argb);
      // The glyph's ground is transparent black: it stays transparent.
      if (pixel.alpha == 0 || pixel.colour == White) continue;
      const double pR = pixel.colour & 0xFF, pG = (pixel.colour >> 8) & 0xFF, pB = (pixel.colour >> 16) & 0xFF;
      const double lum = (pR + pG + pB) / 3;
      const auto r = static_cast<DWORD>(pR / 255 * aR), g = static_cast<DWORD>(pG / 255 * aG),
                 b = static_cast<DWORD>(pB / 255 * aB);
      bitmap.SetPixel(x, y, Argb(static_cast<int>(255 - lum), r | (g << 8) | (b << 16)));
    }
  }
  const graphics::Bytes png = bitmap.SaveToBytes(graphics::kFormatPng);
  return std::string(png.begin(), png.end());
}

}  // namespace

// ---- attach passes ------------------------------------------------------------

void AttachPushButtons(int skinId, HWND parent) {
  if (!ChildSkinningEnabled) return;
  SkinRecord* record = SkinRecordById(skinId);
  if (!record) return;
  for (HWND child = FindWindowExA(parent, nullptr, "BUTTON", nullptr); child;
       child = FindWindowExA(parent, child, "BUTTON", nullptr)) {
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if ((style & BS_OWNERDRAW) == BS_OWNERDRAW) continue;
    if ((style & 0x2) || ((style & 0x1) && (style & 0x8)) || (style & 0x4)) continue;
    ButtonState* state = AttachButton(skinId, child, PushButtonKind);
    if (!state) continue;
    SetWindowLongPtrA(child, GWL_STYLE, style | BS_OWNERDRAW);
    SetFontFields(*state, child);
    // The button's tooltip object stays empty: no tip is shown for it, so no
    // tooltip window is made.
  }
}

void AttachCheckAndRadioButtons(int skinId, HWND parent) {
  if (!ChildSkinningEnabled) return;
  SkinRecord* record = SkinRecordById(skinId);
  if (!record) return;
  for (HWND child = FindWindowExA(parent, nullptr, "BUTTON", nullptr); child;
       child = FindWindowExA(parent, child, "BUTTON", nullptr)) {
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if ((style & BS_OWNERDRAW) == BS_OWNERDRAW) continue;
    const bool radio = (style & 0x1) && (style & 0x8) && !(style & 0x2) && !(style & 0x4);
    const bool checkBox = (style & 0x2) && !(style & 0x4);
    if (!radio && !checkBox) continue;
    const bool checked = SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ButtonState* state = AttachButton(skinId, child, checkBox ? CheckBoxKind : RadioButtonKind);
    if (!state) continue;
    state->checkedAtAttach = checked;
    state->parentWindow = parent;
    SetFontFields(*state, child);
  }
}

// What GDI+ makes of the font handle: face, size in pixels and style.
static ControlFont QueryFontOfHandle(HWND window, HFONT handle);

ControlFont QueryControlFont(HWND window) {
  ControlFont result{DefaultFace, 12, 0};
  HFONT handle = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  if (!handle) return result;
  // The controls of a window mostly share one font, and asking GDI+ about it
  // costs about a millisecond under Wine: the answers are kept by what the
  // font is (its LOGFONT), not by the handle, which may be reused.
  struct Known {
    LOGFONTA font;
    ControlFont answer;
  };
  static std::vector<Known> known;
  LOGFONTA font = {};
  const bool described = GetObjectA(handle, sizeof font, &font) == sizeof font;
  if (described)
    for (const Known& k : known)
      if (std::memcmp(&k.font, &font, sizeof font) == 0) return k.answer;
  result = QueryFontOfHandle(window, handle);
  if (described) {
    if (known.size() == 16) known.erase(known.begin());
    known.push_back(Known{font, result});
  }
  return result;
}

static ControlFont QueryFontOfHandle(HWND window, HFONT handle) {
  ControlFont result{DefaultFace, 12, 0};
  WindowDc dc(window);
  graphics::Font font;
  if (!font.FromDC(dc.get(), handle)) return result;
  const REAL size = font.GetSize();
  result.size = std::fabs(size) <= 1e-7f ? 12 : static_cast<int>(size);
  result.style = font.GetStyle();
  graphics::FontFamily family;
  std::string face;
  if (font.GetFamily(family)) face = family.GetFamilyName();
  if (!face.empty()) result.face = face;
  return result;
}

std::string TintedCheckMark() {
  // Decoding and encoding on every paint is wasteful; the picture only
  // changes with the accent.
  static std::string cached;
  static COLORREF cachedAccent = 0;
  static bool built = false;
  if (!built || cachedAccent != AccentColour) {
    cached = BuildTintedCheckMark(AccentColour);
    cachedAccent = AccentColour;
    built = true;
  }
  return cached;
}

// ---- window procedure -------------------------------------------------------

LRESULT CALLBACK ButtonWindowProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  ButtonState* state = ButtonRecord(button);
  if (!state) return CallPreviousProc(button, message, wParam, lParam);
  const bool indicator = IsIndicatorKind(state->kind);
  switch (message) {
    case WM_MOVE:
      InvalidateRect(button, nullptr, TRUE);
      break;
    case WM_SETFOCUS:
      state->focused = true;
      break;
    case WM_KILLFOCUS:
      state->focused = false;
      break;
    case WM_SETTEXT:
      state->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      break;
    case WM_PAINT:
      if (!indicator) break;
      {
        PaintScope paint(button);
        RepaintIndicator(button, *state);
      }
      return DefWindowProcA(button, message, wParam, lParam);
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      return static_cast<LRESULT>(SetTextColor(dc, static_cast<COLORREF>(GetIntProp(button, PropTextColour))));
    }
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(button);
      break;
    case WM_NCPAINT:
      return 1;  // no frame
    case BM_SETCHECK:
      if (indicator) return ActThenRepaint(button, message, wParam, lParam);
      break;
    case BM_SETSTATE:
      // Keeps the pushed look while the mouse button is held, also when the
      // pointer is dragged off the button.
      if (wParam == 0 && state->pressed) return 0;
      break;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && indicator) return ActThenRepaint(button, message, wParam, lParam);
      break;
    case WM_MOUSEMOVE:
      OnMouseMove(button, *state);
      break;
    case WM_LBUTTONDOWN:
      state->pressed = true;
      if (indicator) return ActThenRepaint(button, message, wParam, lParam);
      break;
    case WM_LBUTTONUP:
      state->pressed = false;
      LeaveHover(button);
      break;
    case WM_CAPTURECHANGED:
      // The press ends when the button loses the mouse without a button-up
      // (another window took the capture, focus moved away): the pushed look
      // must not stay.
      if (reinterpret_cast<HWND>(lParam) != button) state->pressed = false;
      break;
    case WM_LBUTTONDBLCLK:
      return 0;  // a double click acts as one click
    case WM_MOUSELEAVE:
      OnMouseLeave(button, *state);
      break;
    case WM_NCDESTROY:
      return OnNcDestroy(button, *state, wParam, lParam);
    default:
      break;
  }
  if (indicator && SystemDrawsIndicator(message)) {
    const LRESULT result = CallPreviousProc(button, message, wParam, lParam);
    if (ButtonState* after = ButtonRecord(button); after && IsWindowVisible(button)) RepaintIndicator(button, *after);
    return result;
  }
  return CallPreviousProc(button, message, wParam, lParam);
}

// ---- painters -----------------------------------------------------------------

void PaintButton(HWND button, UINT state, bool hot) {
  const ButtonState* record = ButtonRecord(button);
  if (!record) return;
  if (hot) state |= ButtonHotBit;
  if (!IsWindowEnabled(button)) state |= ButtonDisabledBit;
  if (record->kind == PushButtonKind && record->pressed) state |= ButtonPressedBit;
  const RECT client = ClientRectOf(button);
  switch (record->kind) {
    case PushButtonKind: {
      WindowDc dc(button);
      PaintPushButton(button, dc.get(), state, client);
      break;
    }
    case RadioButtonKind:
      PaintRadioButton(button, state);
      break;
    case CheckBoxKind:
      PaintCheckBox(button, state);
      break;
    default:
      break;
  }
}

void PaintPushButton(HWND button, HDC dc, UINT state, const RECT& rect) {
  ButtonState* record = ButtonRecord(button);
  if (!record || !dc) return;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return;
  const UINT look = LookBits(state);
  const bool keeping = FitKeptLooks(button, *record, rect);
  if (const int cell = keeping ? KeptLookCell(record->looks, look) : -1; cell >= 0) {
    Present(button, record->looks.surface.dc(), dc, w, h, cell * h);
    return;
  }
  const REAL x = static_cast<REAL>(rect.left), y = static_cast<REAL>(rect.top);
  const REAL fw = static_cast<REAL>(w), fh = static_cast<REAL>(h);
  CachedDc image(PaintParentBackground(button, rect));
  {
    graphics::Graphics g;
    g.FromHDC(image.get());
    DrawGlass(g, look, x, y, fw, fh);
    DrawCaption(g, button, *record, {GRect(0, 2, fw, fh), Gdiplus::StringAlignmentCenter});
  }
  if (keeping) KeepLook(record->looks, look, image.get(), w, h);
  Present(button, image.get(), dc, w, h);
}

void PaintRadioButton(HWND button, UINT state) {
  const ButtonState* record = ButtonRecord(button);
  if (!record) return;
  const RECT client = ClientRectOf(button);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  const REAL x = 0, y = 0, fw = static_cast<REAL>(w), fh = static_cast<REAL>(h);
  const REAL dy = (fh - 12) / 2;
  CachedDc image(PaintParentBackground(button, client));
  {
    graphics::Graphics g;
    g.FromHDC(image.get());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const graphics::GraphicsPath circle = Ellipse(x + 2, y + dy, 12, 12);
    FillSolid(g, circle, Argb(255, White));
    FillGradient(g, circle, PointF(x + 3, y + dy + 1), PointF(x + 10, y + dy + 11), Argb(100, Black), Argb(0, Black));
    if (state & ButtonHotBit) {
      const graphics::GraphicsPath glow = Ellipse(x - 1, y + dy - 3, 18, 18);
      g.SetClipPath(circle);
      g.SetClipPath(glow, Gdiplus::CombineModeXor);
      FillGlow(g, glow);
      g.ResetClip();
      FillGradient(g, circle, PointF(x + 3, y + dy + 1), PointF(x + 11, y + dy + 12), Argb(100, AccentColour),
                   Argb(0, Black));
    }
    Stroke(g, circle, Argb(200, Black));
    {
      graphics::Pen rim;
      if (rim.Create(Argb(255, White), 1.0f)) g.DrawEllipse(rim, x + 3, y + (fh - 11) / 2 + 1, 9, 9);
    }
    if (IsChecked(button)) {
      const graphics::GraphicsPath dot = Ellipse(x + 5, y + dy + 3, 6, 6);
      graphics::PathGradientBrush shine;
      const bool shineReady = shine.FromPath(dot);
      if (shineReady) {
        shine.SetCenterColor(Argb(80, White));
        ARGB surround = Argb(255, AccentColour);
        INT count = 1;
        shine.SetSurroundColors(&surround, &count);
      }
      Stroke(g, dot, Argb(150, Black));
      Stroke(g, dot, Argb(150, AccentColour));
      if (shineReady) g.FillPath(shine, dot);
    }
    DrawCaption(g, button, *record, {GRect(x + 15, 2, fw, fh), Gdiplus::StringAlignmentNear});
  }
  WindowDc dc(button);
  Present(button, image.get(), dc.get(), w, h);
}

void PaintCheckBox(HWND button, UINT state) {
  const ButtonState* record = ButtonRecord(button);
  if (!record) return;
  const RECT client = ClientRectOf(button);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  const REAL x = 0, y = 0, fw = static_cast<REAL>(w), fh = static_cast<REAL>(h);
  const REAL dy = (fh - 12) / 2;
  CachedDc image(PaintParentBackground(button, client));
  {
    graphics::Graphics g;
    g.FromHDC(image.get());
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const GRect well(x + 3, y + dy + 1, 11, 11);
    {
      graphics::SolidBrush white;
      if (white.Create(Argb(255, White))) g.FillRectangle(white, well);
    }
    FillGradientRect(g, well, PointF(x, y + dy), PointF(x, y + dy + 12), Argb(70, Black), Argb(255, White));
    const GRect box(x + 2, y + dy, 12, 12);
    if (state & ButtonHotBit) {
      const graphics::GraphicsPath glow = RoundRectPath(x - 1, y + dy - 3, 18, 18, 6);
      g.SetClipRect(box.X, box.Y, box.Width, box.Height);
      g.SetClipPath(glow, Gdiplus::CombineModeXor);
      FillGlow(g, glow);
      g.ResetClip();
      const REAL top = y + (fh - 11) / 2;
      FillGradientRect(g, box, PointF(x, top), PointF(x + 12, top + 12), Argb(90, AccentColour), Argb(30, White));
    }
    {
      graphics::Pen frame;
      if (frame.Create(Argb(150, Black), 1.0f)) g.DrawRectangle(frame, box.X, box.Y, box.Width, box.Height);
      graphics::Pen rim;
      if (rim.Create(Argb(255, White), 1.0f)) g.DrawRectangle(rim, x + 4, y + dy + 1, 9, 10);
    }
    if (IsChecked(button)) {
      const std::string tick = TintedCheckMark();
      graphics::Image glyph;
      if (!tick.empty() && glyph.FromBytes(tick.data(), tick.size())) {
        const REAL gw = static_cast<REAL>(glyph.GetWidth()), gh = static_cast<REAL>(glyph.GetHeight());
        g.DrawImageRect(glyph, x + 2, y + dy, gw, gh);
        g.DrawImageRect(glyph, x + 2, y + dy, gw, gh);
      }
    }
    DrawCaption(g, button, *record, {GRect(x + 15, 2, fw - 19, fh), Gdiplus::StringAlignmentNear});
  }
  WindowDc dc(button);
  Present(button, image.get(), dc.get(), w, h);
}

}  // namespace quorlin::skin
