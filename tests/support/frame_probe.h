#pragma once
// What a skinned frame shows on the screen, for tests: the window region's
// box, and whether the screen over an area matches the frame's back buffer.
#include <windows.h>

#include <algorithm>

#include "skin/core/skin_record.h"
#include "window_probe.h"

namespace quorlin::test {

inline RECT WindowRegionBox(HWND window) {
  RECT box = {};
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (GetWindowRgn(window, region) != ERROR) GetRgnBox(region, &box);
  DeleteObject(region);
  return box;
}

// Pixels of area (client coordinates) where the screen differs from what
// the frame composed into its back buffer.
inline int ScreenMismatchesBackBuffer(HWND window, const RECT& area) {
  const skin::SkinRecord* r = skin::SkinRecordById(skin::FindSkinId(window));
  if (!r || !r->backBufferDc) return (area.right - area.left) * (area.bottom - area.top);
  const ScreenPixels shot = CaptureScreen(window, area);
  int differing = 0;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x)
      if (shot.At(x, y) != GetPixel(r->backBufferDc, area.left + x, area.top + y)) ++differing;
  return differing;
}

// The area of the caption buttons, client coordinates, short of the rounded
// corner the window region cuts off.
inline RECT CaptionButtonsArea(HWND window) {
  const skin::SkinRecord* r = skin::SkinRecordById(skin::FindSkinId(window));
  RECT area = {};
  if (!r || r->captionButtons.empty()) return area;
  const skin::RectF& first = r->captionButtons.front().rect;
  const skin::RectF& last = r->captionButtons.back().rect;
  RECT client;
  GetClientRect(window, &client);
  area.left = static_cast<LONG>(first.x);
  area.top = static_cast<LONG>(first.y);
  area.right = std::min<LONG>(static_cast<LONG>(last.x + last.width), client.right - 3);
  area.bottom = static_cast<LONG>(first.y + first.height);
  return area;
}

}  // namespace quorlin::test
