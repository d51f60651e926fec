// Scaling or rotating a transform about a point rather than the origin.
#pragma once

#include "graphics/gdiplus_types.h"
#include "graphics/status.h"

namespace quorlin::graphics {

// Appending: move the point to the origin, transform, move it back.
// Prepending composes the other way round, so the steps come in reverse.
// All three steps use the caller's order. The result is true only when all
// three succeeded; otherwise LastStatus keeps the first failure. (A failed
// middle step leaves the transform as it was: the two moves cancel out.)
template <class Translate, class Transform>
bool AroundPoint(Gdiplus::PointF point, Gdiplus::MatrixOrder order, Translate translate,
                 Transform transform) {
  const float sign = order == Gdiplus::MatrixOrderAppend ? -1.0f : 1.0f;
  int failure = 0;
  if (!translate(sign * point.X, sign * point.Y)) failure = LastStatus;
  if (!transform() && !failure) failure = LastStatus;
  if (!translate(-sign * point.X, -sign * point.Y) && !failure) failure = LastStatus;
  LastStatus = failure;
  return failure == 0;
}

}  // namespace quorlin::graphics
