// The header painter and its text measure. A paint copies what lies behind
// the header on its skinned window into one off-screen image, draws every
// item over it, shows the image and commits the same image to the window's
// composite; nothing is kept between paints.
#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "graphics/drawing.h"
#include "skin/controls/header.h"
#include "skin/core/control_kit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

using graphics::ARGB;
using graphics::PointF;
using graphics::REAL;
using GRect = graphics::RectF;

constexpr int TextCapacity = 260;

struct HeaderItem {
  RECT rect = {};      // header client coordinates
  int paintWidth = 0;  // the item's width, or more for a stretched last column
  UINT format = 0;
  int image = 0;
  std::string text;
};

std::vector<HeaderItem> ReadItems(HWND header) {
  const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  std::vector<HeaderItem> items;
  for (int i = 0; i < count; ++i) {
    HeaderItem item;
    SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item.rect));
    char text[TextCapacity] = {};
    HDITEMA hd = {};
    hd.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_LPARAM | HDI_BITMAP | HDI_IMAGE;
    hd.pszText = text;
    hd.cchTextMax = TextCapacity;
    SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&hd));
    item.format = static_cast<UINT>(hd.fmt);
    item.image = hd.iImage;
    item.text = text;
    item.paintWidth = item.rect.right - item.rect.left;
    items.push_back(std::move(item));
  }
  return items;
}

// The client right edge of the list view holding the header, in the header's
// coordinates (which shift when the list scrolls sideways); INT_MIN when the
// header is not a list view's.
int ListRightEdge(HWND header) {
  HWND parent = GetParent(header);
  if (!parent || WindowClassName(parent) != "SysListView32") return INT_MIN;
  RECT client = {};
  GetClientRect(parent, &client);
  POINT edge = {client.right, 0};
  MapWindowPoints(parent, header, &edge, 1);
  return edge.x;
}

// The rightmost column of a list view reaches the list's right edge when the
// columns leave room there.
void StretchLastColumn(HWND header, std::vector<HeaderItem>& items) {
  const int edge = ListRightEdge(header);
  if (edge == INT_MIN || items.empty()) return;
  HeaderItem* last = &items[0];
  for (HeaderItem& item : items)
    if (item.rect.right > last->rect.right) last = &item;
  if (last->rect.right < edge) last->paintWidth = edge - last->rect.left;
}

int MeasuredWidth(const graphics::Graphics& g, const graphics::Font& font, const std::string& text) {
  GRect bounds;
  if (!g.MeasureString(text.c_str(), font, GRect(0, 0, 0, 0), nullptr, &bounds)) return 1;
  return static_cast<int>(std::floor(bounds.Width)) + 1;
}

// Where the icon (and after it the text) starts: at the margin when icon,
// margin and text do not fit or the item is left-aligned.
int ContentStart(UINT format, int width, int iconWidth, int margin, int textWidth) {
  const bool fits = iconWidth + margin + textWidth < width;
  if (format & HDF_RIGHT) return fits ? width - iconWidth - textWidth : margin;
  if (format & HDF_CENTER) return fits ? (width - iconWidth - margin - textWidth) / 2 : margin;
  return margin;
}

// A band across the item from its left edge, shaded from top to bottom.
void FillItemBand(graphics::Graphics& g, REAL width, REAL top, REAL height, ARGB from, ARGB to) {
  graphics::LinearGradientBrush brush;
  if (brush.Create(PointF(0, top), PointF(0, top + height), from, to)) g.FillRectangle(brush, 0, top, width, height);
}

void DrawSeparator(graphics::Graphics& g, REAL x, REAL top, REAL height) {
  graphics::LinearGradientBrush brush;
  graphics::Pen pen;
  if (brush.Create(PointF(x, top), PointF(x, top + height), Argb(60, Black), Argb(50, White)) &&
      pen.CreateFromBrush(brush, 1.0f))
    g.DrawLine(pen, x, top, x, top + height);
}

struct TextTools {
  graphics::Font font;
  graphics::StringFormat format;
  graphics::SolidBrush ink;
  bool ready = false;
};

// One item, drawn in its own coordinates: (0, rect.top) is its top-left.
void PaintItem(graphics::Graphics& g, const HeaderState& state, const HeaderItem& item, int number, int margin,
               const TextTools& tools) {
  const int S = item.rect.right - item.rect.left, H = item.rect.bottom - item.rect.top, W = item.paintWidth;
  if (W <= 0 || H <= 0) return;
  const REAL top = static_cast<REAL>(item.rect.top), fh = static_cast<REAL>(H);
  const REAL fs = static_cast<REAL>(S), fw = static_cast<REAL>(W);
  g.ResetWorldTransform();
  g.SetClipRect(static_cast<REAL>(item.rect.left), top, fw, fh);
  g.TranslateWorldTransform(static_cast<REAL>(item.rect.left), 0);

  {
    graphics::SolidBrush veil;
    if (veil.Create(TranslucentControls ? Argb(VeilAlpha, White) : Argb(255, White)))
      g.FillRectangle(veil, 0, top, fw, fh);
  }
  if (state.buttonStyle)
    FillItemBand(g, fw, top, fh, Argb(80, White), Argb(120, AccentColour));
  else
    FillItemBand(g, fw, top, fh, Argb(60, AccentColour), Argb(10, AccentColour));
  if (state.buttonStyle && state.tracking && number == state.hotItem)
    FillItemBand(g, fs, top, fh, Argb(60, AccentColour), Argb(30, Black));
  if (state.buttonStyle && number == state.pressedItem)
    FillItemBand(g, fs, top, fh, Argb(30, Black), Argb(120, White));
  DrawSeparator(g, fs - 1, top, fh);

  graphics::Bitmap icon;
  int iconWidth = 0, iconHeight = 0;
  if ((item.format & HDF_IMAGE) && state.imageList) {
    UniqueIcon handle(ImageList_GetIcon(state.imageList, item.image, ILD_TRANSPARENT));
    if (handle && icon.FromHICON(handle.get())) {
      iconWidth = static_cast<int>(icon.GetWidth());
      iconHeight = static_cast<int>(icon.GetHeight());
    }
  }
  const int textWidth = tools.ready ? MeasuredWidth(g, tools.font, item.text) : 1;
  const int x = ContentStart(item.format, S, iconWidth, margin, textWidth);
  if (iconWidth > 0)
    g.DrawImageRect(icon, static_cast<REAL>(x), (fh - static_cast<REAL>(iconHeight)) / 2,
                    static_cast<REAL>(iconWidth), static_cast<REAL>(iconHeight));
  const int layoutWidth = S - iconWidth - 2 * margin;
  // GDI+ takes a layout width of 0 as unbounded; an item with no room for
  // text shows none.
  if (tools.ready && layoutWidth > 0 && !item.text.empty())
    g.DrawString(item.text.c_str(), tools.font, GRect(static_cast<REAL>(x + iconWidth), 0,
                                                      static_cast<REAL>(layoutWidth), fh),
                 &tools.format, tools.ink);
}

}  // namespace

void PaintHeader(int skinId, int index, HDC dc) {
  const HeaderState* row = RecordAt(skinId, index, &SkinRecord::headers);
  if (!row) return;
  // A copy: the messages sent to the header below must not pull the record away.
  const HeaderState state = *row;
  HWND header = state.hwnd;
  if (!dc && !IsWindowVisible(header)) return;
  RECT client = {};
  GetClientRect(header, &client);
  if (client.right <= 0 || client.bottom <= 0) return;

  std::vector<HeaderItem> items = ReadItems(header);
  StretchLastColumn(header, items);
  const int margin = static_cast<int>(SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0));

  CachedDc image(PaintParentBackground(header, client));
  {
    graphics::Graphics g;
    g.FromHDC(image.get());
    TextTools tools;
    tools.ready = tools.font.Create(state.fontFace.c_str(), static_cast<REAL>(state.fontSize), state.fontStyle,
                                    Gdiplus::UnitWorld) &&
                  tools.format.Create(0) && tools.format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter) &&
                  tools.ink.Create(Argb(255, Black));
    for (size_t i = 0; i < items.size(); ++i)
      PaintItem(g, state, items[i], static_cast<int>(i + 1), margin, tools);
  }
  if (dc) {
    BitBlt(dc, 0, 0, client.right, client.bottom, image.get(), 0, 0, SRCCOPY);
  } else {
    WindowDc own(header);
    BitBlt(own.get(), 0, 0, client.right, client.bottom, image.get(), 0, 0, SRCCOPY);
  }
  BlitToComposite(header, image.get());
}

int MeasureTextWidth(const std::string& text, const std::string& face, int size, int style) {
  WindowDc screen(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  graphics::Graphics g;
  graphics::Font font;
  if (!g.FromHDC(memory.get()) || !font.Create(face.c_str(), static_cast<REAL>(size), style, Gdiplus::UnitWorld))
    return 1;
  return MeasuredWidth(g, font, text);
}

}  // namespace quorlin::skin
