// Geometry of the skinned range controls: where a trackbar's channel,
// selection mark, accent line and knob go, how far a progress bar fills and
// which half of an up-down control lies where. Pure functions of the record
// and of what the control reports; the painters and the hover tracking use
// them.
#include "skin/controls/range.h"

namespace quorlin::skin {

TrackbarParts TrackbarPartRects(const TrackbarState& state, const TrackbarReadings& in) {
  const RECT& ch = in.channel;
  const RECT& t = in.thumb;
  const float along = static_cast<float>(ch.left), length = static_cast<float>(ch.right - ch.left);
  const float thickness = static_cast<float>(ch.bottom - ch.top);
  // The channel's edge across the long axis; with a selection range the
  // channel is a 4-pixel groove centred in the system channel.
  const float across = state.showsSelection ? ch.top + (thickness - 4) / 2 : static_cast<float>(ch.top);
  const float depth = state.showsSelection ? 4.0f : thickness;
  const bool atMax = in.position == in.rangeMax;
  // Long-axis coordinates (x when horizontal) with their cross-axis partner.
  auto place = [&](float a, float c, float aSize, float cSize) {
    return state.vertical ? RectF{c, a, cSize, aSize} : RectF{a, c, aSize, cSize};
  };
  TrackbarParts parts;
  parts.channel = place(along, across, length, depth);

  // Selection: start and length are positions scaled onto the channel. The
  // differences are taken in double: a full 32-bit range overflows an int.
  const double span = static_cast<double>(in.rangeMax) - in.rangeMin;
  if (state.showsSelection && span != 0) {
    const double scale = length / span;
    const float start = static_cast<float>((static_cast<double>(in.selectionStart) - in.rangeMin) * scale);
    const float size = static_cast<float>((static_cast<double>(in.selectionEnd) - in.selectionStart) * scale);
    if (size - 3 >= 0) parts.selectionMark = place(along + start + 1, across + 1, size - 3, 1);
  }

  // Accent line from the channel start to the thumb, 10 pixels further at
  // the maximum, where the small knob sits 8 pixels on.
  const int thumbStart = state.vertical ? t.top : t.left;
  const float n = static_cast<float>(thumbStart - ch.left - 1 + (atMax ? 10 : 0));
  if (n - 1 >= 0) parts.accentLine = place(along + 1, across + 1, n - 1, 1);

  if (state.hot) {
    const int d = state.tickMode == TicksTopOrLeft ? 2 : state.tickMode == TicksBoth ? 1 : 0;
    parts.knob = place(static_cast<float>(thumbStart), across - 4 + d, 11, 11);
  } else {
    parts.knob = place(static_cast<float>(thumbStart + (atMax ? 8 : 0)), across - 1.5f, 6, 6);
  }
  return parts;
}

std::optional<ProgressFill> ProgressBarFill(SIZE size, bool vertical, int position, int lo, int hi) {
  if (hi == lo) return std::nullopt;
  const float w = static_cast<float>(size.cx), h = static_cast<float>(size.cy);
  // The filled share in double: hi - lo and position - lo of a full 32-bit
  // range overflow an int.
  const double share = (static_cast<double>(position) - lo) / (static_cast<double>(hi) - lo);
  ProgressFill fill;
  if (!vertical) {
    const int length = static_cast<int>(w * share);
    if (length <= 0) return std::nullopt;
    fill.bar = RectF{0, 0, static_cast<float>(length), h};
    fill.gradientToY = h - 1;
  } else {
    const int length = static_cast<int>(h * share);
    if (length <= 0) return std::nullopt;
    const float top = static_cast<float>(static_cast<int>(h - h * share));
    fill.bar = RectF{0, top, w, static_cast<float>(length)};
    fill.gradientY = fill.gradientToY = top;
    fill.gradientToX = w - 1;
  }
  return fill;
}

UpDownHalf UpDownHalfAt(SIZE size, bool horizontal, int x, int y) {
  if (horizontal) return size.cx / 2 < x ? UpDownSecondHalf : UpDownFirstHalf;
  return size.cy / 2 < y ? UpDownSecondHalf : UpDownFirstHalf;
}

RectF UpDownHalfRect(SIZE size, bool horizontal, UpDownHalf half) {
  const float l = static_cast<float>(horizontal ? size.cx / 2 : size.cx);
  const float m = static_cast<float>(horizontal ? size.cy : size.cy / 2);
  if (half == UpDownFirstHalf) return RectF{0, 0, l - 1, m - 1};
  return horizontal ? RectF{l, 0, l - 1, m - 1} : RectF{0, m, l - 1, m - 1};
}

}  // namespace quorlin::skin
