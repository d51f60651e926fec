// Painter of the skinned combo boxes. One paint copies what lies behind the
// combo box, lays the veil, the outline, the drop button and the text over it
// off screen, and shows the result through a magenta key, so the areas of the
// combo box's children keep what the children painted there.
#include <string>

#include "assets/assets.h"
#include "graphics/drawing.h"
#include "skin/controls/combo.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;

constexpr COLORREF HoleKey = RGB(255, 0, 255);
constexpr ARGB HoleColour = 0xFFFF00FF;
constexpr char TextFace[] = "宋体";
constexpr REAL TextSize = 12;

// The state colour of a line: accent/200 when lit, else black/80.
ARGB LineColour(bool lit) { return lit ? ArgbFromColorRef(AccentColour, 200, true) : ArgbFromColorRef(Black, 80, true); }

void ClearHoles(graphics::Graphics& g, const ComboParts& parts) {
  for (const RECT& hole : parts.holes) {
    g.ResetClip();
    g.SetClipRect(static_cast<REAL>(hole.left), static_cast<REAL>(hole.top), static_cast<REAL>(hole.right - hole.left),
                  static_cast<REAL>(hole.bottom - hole.top));
    g.Clear(HoleColour);
  }
  g.ResetClip();
}

void DrawOutline(graphics::Graphics& g, const ComboParts& parts, bool lit) {
  graphics::Pen pen;
  pen.Create(LineColour(lit), 1.0f);
  g.DrawRectangle(pen, 0, 0, static_cast<REAL>(parts.size.cx - 1), static_cast<REAL>(parts.size.cy - 1));
}

// Rounded box, gradient face and the down arrow. Focus does not light it.
void DrawDropButton(graphics::Graphics& g, const RECT& button, bool hot) {
  const REAL bx = static_cast<REAL>(button.left), by = static_cast<REAL>(button.top);
  const REAL bw = static_cast<REAL>(button.right - button.left), bh = static_cast<REAL>(button.bottom - button.top);
  {
    graphics::GraphicsPath box;
    box.Create();
    AddRoundRectPath(box, bx, by, bw - 1, bh - 1, 4);
    graphics::Pen pen;
    pen.Create(LineColour(hot), 1.0f);
    g.DrawPath(pen, box);
  }
  {
    graphics::GraphicsPath face;
    face.Create();
    AddRoundRectPath(face, bx + 1, by + 1, bw - 2, bh - 2, 1);
    const ARGB from = hot ? ArgbFromColorRef(White, 100, true) : ArgbFromColorRef(AccentColour, 30, true);
    const ARGB to = hot ? ArgbFromColorRef(AccentColour, 150, true) : ArgbFromColorRef(AccentColour, 100, true);
    graphics::LinearGradientBrush brush;
    brush.Create(PointF(bx + 1, by), PointF(bx + 1, by + bh - 2), from, to);
    g.FillPath(brush, face);
  }
  graphics::Image arrow;
  if (!arrow.FromBytes(assets::ArrowDownGlyph.data, assets::ArrowDownGlyph.size)) return;
  const REAL gw = static_cast<REAL>(arrow.GetWidth()), gh = static_cast<REAL>(arrow.GetHeight());
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

void PaintComboBox(int skinId, int index, bool hot, bool focused, bool takeFocusFromArgument) {
  const SkinRecord* record = SkinRecordById(skinId);
  if (!record || index < 1 || index > static_cast<int>(record->combos.size())) return;
  const ComboState& state = record->combos[static_cast<size_t>(index - 1)];
  HWND combo = state.hwnd;
  // A hidden combo box would leave its face in the composite image.
  if (!combo || !IsWindowVisible(combo)) return;
  if (!takeFocusFromArgument) focused = state.focused;
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
    ClearHoles(g, parts);
    DrawOutline(g, parts, hot || focused);
    if (parts.hasDropButton) DrawDropButton(g, parts.dropButton, hot);
    if (parts.paintsText) DrawText(g, combo, parts.textLayout);
  }
  {
    WindowDc dc(combo, true);
    TransparentBlt(dc.get(), 0, 0, w, h, bg.get(), 0, 0, w, h, HoleKey);
  }
  BlitToCompositeKeyed(combo, bg.get(), HoleKey);
}

}  // namespace quorlin::skin
