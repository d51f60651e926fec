// Face geometry and painter of the skinned combo boxes. One paint copies what lies behind the
// combo box, lays the veil, the outline, the drop button and the text over it
// off screen, and shows the result through a magenta key, so the areas of the
// combo box's children keep what the children painted there.
#include <string>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "skin/controls/combo.h"
#include "skin/core/control_kit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;

constexpr char TextFace[] = "宋体";
constexpr REAL TextSize = 12;

// The state colour of a line: accent/200 when lit, else black/80.
ARGB LineColour(bool lit) { return lit ? ArgbFromColorRef(AccentColour, 200, true) : ArgbFromColorRef(Black, 80, true); }

HWND InnerEdit(HWND combo) { return FindWindowExA(combo, nullptr, "Edit", nullptr); }

RECT ChildRectIn(HWND combo, HWND child) {
  RECT r = RectRelativeTo(combo, child);
  if (WindowClassName(child) == "ComboLBox") InflateRect(&r, -2, -2);
  return r;
}

void DrawOutline(graphics::Graphics& g, const ComboParts& parts, bool lit) {
  StrokeRect(g, LineColour(lit), 0, 0, static_cast<REAL>(parts.size.cx - 1), static_cast<REAL>(parts.size.cy - 1));
}

// Rounded box, gradient face and the down arrow. Focus does not light it.
void DrawDropButton(graphics::Graphics& g, const RECT& button, bool hot) {
  const REAL bx = static_cast<REAL>(button.left), by = static_cast<REAL>(button.top);
  const REAL bw = static_cast<REAL>(button.right - button.left), bh = static_cast<REAL>(button.bottom - button.top);
  Stroke(g, RoundRectPath(bx, by, bw - 1, bh - 1, 4), LineColour(hot));
  const ARGB from = hot ? ArgbFromColorRef(White, 100, true) : ArgbFromColorRef(AccentColour, 30, true);
  const ARGB to = hot ? ArgbFromColorRef(AccentColour, 150, true) : ArgbFromColorRef(AccentColour, 100, true);
  FillGradient(g, RoundRectPath(bx + 1, by + 1, bw - 2, bh - 2, 1), PointF(bx + 1, by), PointF(bx + 1, by + bh - 2),
               from, to);
  const graphics::Image& arrow = KeptGlyph(assets::ArrowDownGlyph);
  const REAL gw = static_cast<REAL>(arrow.GetWidth()), gh = static_cast<REAL>(arrow.GetHeight());
  if (gw <= 0 || gh <= 0) return;
  g.DrawImageRect(arrow, bx + (bw - gw) / 2, by + (bh - gh) / 2, gw, gh);
}

void DrawText(graphics::Graphics& g, HWND combo, const RectF& layout) {
  const int length = GetWindowTextLengthA(combo);
  if (length <= 0) return;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(combo, text.data(), length + 1)));
  graphics::Font font;
  if (!font.Create(TextFace, TextSize, 0, Gdiplus::UnitWorld)) return;
  graphics::SolidBrush ink;
  ink.Create(ArgbFromColorRef(static_cast<COLORREF>(GetIntProp(combo, PropTextColour)), 255, true));
  g.DrawString(text.c_str(), font, graphics::RectF(layout.x, layout.y, layout.width, layout.height), nullptr, ink);
}

}  // namespace

ComboParts ComboPartRects(HWND combo) {
  ComboParts parts;
  parts.size = WindowSize(combo);
  const LONG_PTR style = StyleOf(combo);
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  SendMessageA(combo, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(&info));
  parts.hasDropButton = (style & ComboDropButtonBit) != 0;
  parts.dropButton = info.rcButton;
  // A simple combo box shows its text in its own edit field; painting it
  // again would lay it over the field and the list.
  parts.paintsText = (style & ComboShowsTextBit) != 0 && !InnerEdit(combo);
  const float w = static_cast<float>(parts.size.cx), h = static_cast<float>(parts.size.cy);
  parts.textLayout = RectF{2, (h - 12) / 2, w - 17, h - 4};
  if (style & ComboShowsTextBit) {
    for (HWND child = FindWindowExA(combo, nullptr, nullptr, nullptr); child;
         child = FindWindowExA(combo, child, nullptr, nullptr))
      parts.holes.push_back(ChildRectIn(combo, child));
  } else if (HWND first = FindWindowExA(combo, nullptr, nullptr, nullptr)) {
    parts.holes.push_back(RectRelativeTo(combo, first));
  }
  return parts;
}

void PaintComboBox(int skinId, int index, bool hot, bool focused, bool takeFocusFromArgument) {
  const ComboState* state = RecordAt(skinId, index, &SkinRecord::combos);
  // A hidden combo box would leave its face in the composite image.
  if (!state || !IsWindowVisible(state->hwnd)) return;
  HWND combo = state->hwnd;
  if (!takeFocusFromArgument) focused = state->focused;
  const ComboParts parts = ComboPartRects(combo);
  const int w = parts.size.cx, h = parts.size.cy;
  CachedDc bg(PaintParentBackground(combo, RECT{0, 0, w, h}));
  if (!bg.get()) return;
  {
    graphics::Graphics g;
    g.FromHDC(bg.get());
    graphics::SolidBrush veil;
    veil.Create(ArgbFromColorRef(White, TranslucentControls ? VeilAlpha : 255, true));
    g.FillRectangle(veil, 0, 0, static_cast<REAL>(w), static_cast<REAL>(h));
  }
  // The holes go in between the two drawings: the key is written by GDI.
  for (const RECT& hole : parts.holes) FillKeyColour(bg.get(), hole);
  {
    graphics::Graphics g;
    g.FromHDC(bg.get());
    DrawOutline(g, parts, hot || focused);
    if (parts.hasDropButton) DrawDropButton(g, parts.dropButton, hot);
    if (parts.paintsText) DrawText(g, combo, parts.textLayout);
  }
  {
    WindowDc dc(combo, true);
    TransparentBlt(dc.get(), 0, 0, w, h, bg.get(), 0, 0, w, h, KeyColour);
  }
  BlitToCompositeKeyed(combo, bg.get(), KeyColour);
}

}  // namespace quorlin::skin
