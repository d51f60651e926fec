// Scaling or rotating a transform about a point rather than the origin.
#pragma once

#include "graphics/gdiplus_types.h"

namespace quorlin::graphics {

// Appending: move the point to the origin, transform, move it back.
// Prepending composes the other way round, so the steps come in reverse.
// All three steps use the caller's order; the result is the last step's.
template <class Translate, class Transform>
bool AroundPoint(Gdiplus::PointF point, Gdiplus::MatrixOrder order, Translate translate,
                 Transform transform) {
  const float sign = order == Gdiplus::MatrixOrderAppend ? -1.0f : 1.0f;
  translate(sign * point.X, sign * point.Y);
  transform();
  return translate(-sign * point.X, -sign * point.Y);
}

}  // namespace quorlin::graphics
