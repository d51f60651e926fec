#pragma once
// A skinned top-level window for the chrome and control tests, shown on the
// test display with the program's background picture and switches.
#include <windows.h>

#include <functional>

#include "skin/core/apply_skin.h"

namespace quorlin::test {

struct SkinnedWindow {
  // addChildren runs before ApplySkin, so the children are attached.
  SkinnedWindow(DWORD style, int width, int height, const skin::SkinOptions& options = {},
                const std::function<void(HWND)>& addChildren = {});
  ~SkinnedWindow();
  SkinnedWindow(const SkinnedWindow&) = delete;
  SkinnedWindow& operator=(const SkinnedWindow&) = delete;

  skin::SkinRecord& Record() const;
  int Id() const;
  COLORREF BackBufferPixel(int x, int y) const;

  HWND window = nullptr;
};

HWND AddChild(HWND parent, const char* cls, DWORD style, DWORD exStyle, int x, int y, int w, int h,
              const char* text = "");

}  // namespace quorlin::test
