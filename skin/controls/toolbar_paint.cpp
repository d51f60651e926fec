// Painters of the skinned toolbars. A full repaint draws every button over
// the picture behind the toolbar in one off-screen image, which then goes to
// the screen and into the window's composite image once.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "graphics/image.h"
#include "skin/controls/toolbar.h"
#include "skin/core/control_painting.h"
#include "skin/core/control_states.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;

constexpr COLORREF GreyedTextColour = 0x808080;
constexpr REAL FaceCorner = 5;
// A drop-down button's split line and arrow, in pixels from its right edge;
// its text keeps clear of the part right of the split.
constexpr int SplitLineInset = 12;
constexpr int ArrowInset = 8;
// Icons of buttons that show a drop-down arrow move left by this much.
constexpr int ArrowRoom = 10;
// A separator this close to the left edge (and not the first button) starts
// a wrapped row: it is drawn across the toolbar.
constexpr int WrappedRowSeparatorMaxX = 9;

// What a button is, for its rim, its icon and its text. The modifier bits
// (auto-size, no prefix, show text) and the group bit alone change nothing.
enum class ButtonKind { Separator, Plain, DropDown };

ButtonKind KindOf(BYTE style) {
  if (style & BTNS_SEP) return ButtonKind::Separator;
  if (style & (BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN)) return ButtonKind::DropDown;
  return ButtonKind::Plain;
}

bool IsGreyed(BYTE state) { return (state & TBSTATE_INDETERMINATE) || !(state & TBSTATE_ENABLED); }

SIZE IconSize(HICON icon) {
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return SIZE{0, 0};
  const UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
  BITMAP bitmap = {};
  GetObjectA(colour ? colour.get() : mask.get(), sizeof bitmap, &bitmap);
  // A monochrome icon keeps its AND and XOR masks one above the other.
  return SIZE{bitmap.bmWidth, colour ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

std::string ButtonText(HWND toolbar, int command) {
  const LRESULT length = SendMessageA(toolbar, TB_GETBUTTONTEXTA, static_cast<WPARAM>(command), 0);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(toolbar, TB_GETBUTTONTEXTA, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::min(text.find('\0'), static_cast<size_t>(length)));
  return text;
}

// A button as the painter needs it: where it is, what it is, which look.
struct ButtonFacts {
  int x = 0, y = 0, w = 0, h = 0;  // TB_GETITEMRECT, as x/y/width/height
  ButtonKind kind = ButtonKind::Plain;
  BYTE state = 0;
  bool hot = false;
  bool list = false;  // TBSTYLE_LIST: icon left of the text
  int index = 0;
  int clientRight = 0;
};

void FillPathGradient(graphics::Graphics& g, const graphics::GraphicsPath& path, REAL focusX, REAL focusY, ARGB centre,
                      ARGB surround) {
  graphics::PathGradientBrush brush;
  if (!brush.FromPath(path)) return;
  INT count = 1;
  brush.SetCenterColor(centre);
  brush.SetSurroundColors(&surround, &count);
  brush.SetFocusScales(focusX, focusY);
  g.FillPath(brush, path);
}

// Pressed, checked and hot buttons get a rounded face; the first that
// applies wins.
bool DrawFace(graphics::Graphics& g, const graphics::GraphicsPath& path, const ButtonFacts& b) {
  const REAL x = static_cast<REAL>(b.x), y = static_cast<REAL>(b.y);
  const REAL w = static_cast<REAL>(b.w), h = static_cast<REAL>(b.h);
  if (b.state & TBSTATE_PRESSED) {
    FillGradient(g, path, PointF(x, y), PointF(x, y + h), Argb(60, Black), Argb(100, White));
  } else if (b.state & TBSTATE_CHECKED) {
    FillSolid(g, path, Argb(100, White));
    FillSolid(g, path, Argb(16, AccentColour));
    FillPathGradient(g, path, (w - 4) / w, (h - 4) / h, Argb(100, White), Argb(80, AccentColour));
  } else if (b.hot) {
    FillSolid(g, path, Argb(100, White));
    FillSolid(g, path, Argb(10, AccentColour));
    FillPathGradient(g, path, (w - 4) / w, (h - 6) / h, Argb(10, White), Argb(60, AccentColour));
  } else {
    return false;
  }
  return true;
}

void DrawRim(graphics::Graphics& g, const graphics::GraphicsPath& path, const ButtonFacts& b) {
  if (b.kind == ButtonKind::Separator) return;
  const REAL x = static_cast<REAL>(b.x), y = static_cast<REAL>(b.y);
  const REAL w = static_cast<REAL>(b.w), h = static_cast<REAL>(b.h);
  Stroke(g, path, Argb(100, Black));
  Stroke(g, RoundRectPath(x + 1, y + 1, w - 2, h - 2, FaceCorner), Argb(60, White));
  if (b.kind != ButtonKind::DropDown) return;
  const REAL split = x + w - SplitLineInset;
  StrokeLine(g, Argb(100, Black), split, y + 3, split, y + h - 3);
  StrokeLine(g, Argb(150, White), split + 1, y + 3, split + 1, y + h - 3);
}

// An etched line: dark, and light one pixel further.
void DrawSeparator(graphics::Graphics& g, const ButtonFacts& b) {
  const REAL x = static_cast<REAL>(b.x), y = static_cast<REAL>(b.y);
  const REAL w = static_cast<REAL>(b.w), h = static_cast<REAL>(b.h);
  if (b.x <= WrappedRowSeparatorMaxX && b.index >= 1) {
    const REAL lineY = y + h - 5, right = x + static_cast<REAL>(b.clientRight) - 6;
    StrokeLine(g, Argb(100, Black), x + 3, lineY, right, lineY);
    StrokeLine(g, Argb(150, White), x + 3, lineY + 1, right, lineY + 1);
  } else {
    const REAL lineX = x + (w - 2) / 2;
    StrokeLine(g, Argb(100, Black), lineX, y + 3, lineX, y + h - 3);
    StrokeLine(g, Argb(150, White), lineX + 1, y + 3, lineX + 1, y + h - 3);
  }
}

// Where the icon goes: centred at the top, or at the left in a list
// toolbar; a drop-down button's own icon keeps clear of its arrow.
POINT IconPlace(const ButtonFacts& b, SIZE icon) {
  if (b.list) return POINT{b.x + 2, static_cast<int>(b.y + (b.h - icon.cy) / 2.0)};
  const bool clearArrow = b.kind == ButtonKind::DropDown && !IsGreyed(b.state);
  const int room = clearArrow ? ArrowRoom : 0;
  return POINT{static_cast<int>(b.x + (b.w - icon.cx - room) / 2.0), b.y + 2};
}

void DrawDropArrow(graphics::Graphics& g, const ButtonFacts& b) {
  const graphics::Image& arrow = KeptGlyph(assets::ArrowDownGlyph);
  const REAL w = static_cast<REAL>(arrow.GetWidth()), h = static_cast<REAL>(arrow.GetHeight());
  g.DrawImageRect(arrow, static_cast<REAL>(b.x + b.w - ArrowInset), b.y + (b.h - 4) / 2.0f, w, h);
}

// The text's layout rectangle: below the icon, or right of it in a list
// toolbar; a drop-down button's text keeps clear of the split part.
graphics::RectF TextRect(const ButtonFacts& b, SIZE icon) {
  const REAL x = static_cast<REAL>(b.x), y = static_cast<REAL>(b.y);
  const REAL w = static_cast<REAL>(b.w), h = static_cast<REAL>(b.h);
  const REAL iw = static_cast<REAL>(icon.cx), ih = static_cast<REAL>(icon.cy);
  const REAL split = b.kind == ButtonKind::DropDown ? SplitLineInset : 0;
  if (b.list) return graphics::RectF(x + iw, y + 2, w - iw - split, h);
  return graphics::RectF(x, y + ih, w - split, h - ih);
}

void DrawButtonText(graphics::Graphics& g, const ButtonFacts& b, const ToolbarState& state, COLORREF textColour,
                    const std::string& text, SIZE icon) {
  if (text.empty()) return;
  graphics::SolidBrush brush;
  brush.Create(Argb(255, IsGreyed(b.state) ? GreyedTextColour : textColour));
  graphics::Font font;
  font.Create(state.fontFace.c_str(), static_cast<REAL>(state.fontSize), state.fontStyle, Gdiplus::UnitWorld);
  graphics::StringFormat format;
  format.Create(Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
  format.SetAlign(Gdiplus::StringAlignmentCenter);
  format.SetLineAlign(Gdiplus::StringAlignmentCenter);
  format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
  g.DrawString(text.c_str(), font, TextRect(b, icon), &format, brush);
}

}  // namespace

COLORREF GreyedIconPixel(COLORREF colour, bool indeterminate) {
  const int red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
  if ((colour & 0xFFFFFF) == 0 || (red == green && green == blue)) return 0;
  const int mean = (red + green + blue) / 3;
  // The red cast stops at full red instead of spilling into green.
  const int cast = std::min(indeterminate ? mean + 20 : mean, 255);
  return RGB(cast, mean, mean);
}

void DrawGreyedIcon(HDC dc, int x, int y, HICON icon, BYTE state) {
  const SIZE size = IconSize(icon);
  DibSurface icon32(size.cx, size.cy);
  if (!icon32) return;
  DrawIconEx(icon32.dc(), 0, 0, icon, size.cx, size.cy, 0, nullptr, DI_NORMAL);
  const bool indeterminate = (state & TBSTATE_INDETERMINATE) != 0;
  // DIB pixels hold blue in the low byte, COLORREFs red.
  DWORD* const end = icon32.bits() + static_cast<size_t>(size.cx) * size.cy;
  for (DWORD* pixel = icon32.bits(); pixel != end; ++pixel) {
    const COLORREF grey =
        GreyedIconPixel(RGB((*pixel >> 16) & 0xFF, (*pixel >> 8) & 0xFF, *pixel & 0xFF), indeterminate);
    *pixel = (GetRValue(grey) << 16) | (GetGValue(grey) << 8) | GetBValue(grey);
  }
  // Black is the transparent colour: every pixel left out shows what is behind.
  TransparentBlt(dc, x, y, size.cx, size.cy, icon32.dc(), 0, 0, size.cx, size.cy, 0);
}

namespace {

// A GDI+ graphics over the pixels of the 32-bit DIB selected into dc: it
// draws straight into memory, where one over the DC itself blends every
// shape through GDI (under Wine about a millisecond a button). False when
// the DC holds no such DIB.
bool OpenCanvas(HDC dc, graphics::Bitmap& pixels, graphics::Graphics& g) {
  DIBSECTION section = {};
  if (!dc || GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof section, &section) != sizeof section ||
      !section.dsBm.bmBits || section.dsBm.bmBitsPixel != 32 || section.dsBmih.biHeight <= 0)
    return false;
  // A bottom-up DIB (the only kind the background picture comes in): the
  // top row is the last in memory.
  const int stride = section.dsBm.bmWidthBytes, height = section.dsBm.bmHeight;
  BYTE* top = static_cast<BYTE*>(section.dsBm.bmBits) + static_cast<ptrdiff_t>(height - 1) * stride;
  return pixels.FromScan0(section.dsBm.bmWidth, height, -stride, PixelFormat32bppRGB, top) && g.FromImage(pixels);
}

void PaintButtonOn(HWND toolbar, int index, HDC dc, graphics::Graphics& g, bool hot) {
  const ToolbarState* state = ToolbarRecord(toolbar);
  if (!state) return;
  TBBUTTON button = {};
  if (!SendMessageA(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button))) return;
  if (button.fsState & TBSTATE_HIDDEN) return;
  RECT item = {}, client = {};
  SendMessageA(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  GetClientRect(toolbar, &client);
  ButtonFacts b;
  b.x = item.left;
  b.y = item.top;
  b.w = item.right - item.left;
  b.h = item.bottom - item.top;
  b.kind = KindOf(button.fsStyle);
  b.state = button.fsState;
  b.hot = hot;
  b.list = (SendMessageA(toolbar, TB_GETSTYLE, 0, 0) & TBSTYLE_LIST) != 0;
  b.index = index;
  b.clientRight = client.right;

  const graphics::GraphicsPath face = RoundRectPath(static_cast<REAL>(b.x), static_cast<REAL>(b.y),
                                                    static_cast<REAL>(b.w), static_cast<REAL>(b.h), FaceCorner);
  if (DrawFace(g, face, b)) DrawRim(g, face, b);
  if (b.kind == ButtonKind::Separator) {
    DrawSeparator(g, b);
    return;
  }
  // Only a greyed icon needs an icon of its own (its pixels are recoloured);
  // the others come straight from the image list, as the icon would draw.
  const auto images = static_cast<HIMAGELIST>(GetPropA(toolbar, PropToolbarImageList));
  int iconWidth = 0, iconHeight = 0;
  const bool hasIcon = images && button.iBitmap >= 0 && button.iBitmap < ImageList_GetImageCount(images) &&
                       ImageList_GetIconSize(images, &iconWidth, &iconHeight);
  SIZE iconSize = {hasIcon ? iconWidth : 0, hasIcon ? iconHeight : 0};
  if (hasIcon) {
    g.Flush(Gdiplus::FlushIntentionSync);
    const POINT at = IconPlace(b, iconSize);
    if (IsGreyed(b.state)) {
      const UniqueIcon icon(ImageList_GetIcon(images, button.iBitmap, ILD_TRANSPARENT));
      DrawGreyedIcon(dc, at.x, at.y, icon.get(), b.state);
    } else {
      ImageList_Draw(images, button.iBitmap, dc, at.x, at.y, ILD_TRANSPARENT);
    }
    GdiFlush();
  }
  if (b.kind == ButtonKind::DropDown) DrawDropArrow(g, b);
  DrawButtonText(g, b, *state, static_cast<COLORREF>(GetIntProp(toolbar, PropTextColour)),
                 ButtonText(toolbar, button.idCommand), iconSize);
}

}  // namespace

void PaintToolbarButton(HWND toolbar, int index, HDC dc, bool hot) {
  graphics::Bitmap pixels;
  graphics::Graphics g;
  if (!OpenCanvas(dc, pixels, g) && !g.FromHDC(dc)) return;
  PaintButtonOn(toolbar, index, dc, g, hot);
}

void PaintToolbar(HWND toolbar) {
  if (!ToolbarRecord(toolbar) || !IsWindowVisible(toolbar)) return;
  const int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
  const int hot = static_cast<int>(SendMessageA(toolbar, TB_GETHOTITEM, 0, 0));
  RECT client = {};
  GetClientRect(toolbar, &client);
  CachedDc picture(PaintParentBackground(toolbar, client));
  if (!picture.get()) return;
  {
    graphics::Bitmap pixels;
    graphics::Graphics g;
    if (!OpenCanvas(picture.get(), pixels, g) && !g.FromHDC(picture.get())) return;
    for (int i = 0; i < count; ++i) PaintButtonOn(toolbar, i, picture.get(), g, i == hot);
  }
  BlitToComposite(toolbar, picture.get(), true);
  {
    WindowDc screen(toolbar);
    BitBlt(ChildClippedDc(toolbar, screen.get()), 0, 0, client.right, client.bottom, picture.get(), 0, 0, SRCCOPY);
  }
  if (ToolbarState* after = ToolbarRecord(toolbar)) after->stale = false;
}

}  // namespace quorlin::skin
