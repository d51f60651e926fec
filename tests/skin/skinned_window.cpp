#include "skinned_window.h"

#include <string>

#include "assets/assets.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"
#include "window_probe.h"

namespace quorlin::test {
namespace {

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

void RegisterTestClass() {
  WNDCLASSA wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "SkinnedTestWindow";
  RegisterClassA(&wc);
}

}  // namespace

SkinnedWindow::SkinnedWindow(DWORD style, int width, int height, const skin::SkinOptions& options,
                             const std::function<void(HWND)>& addChildren) {
  RegisterTestClass();
  skin::ChildSkinningEnabled = 1;
  skin::VeilAlpha = 160;
  skin::TranslucentControls = 0;
  skin::AccentColour = 0xDDCA22;
  window = CreateWindowExA(0, "SkinnedTestWindow", "Quorlin", WS_POPUP | style, 50, 50, width, height, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  if (addChildren) addChildren(window);
  skin::ApplySkin(window, options);
  const auto& picture = assets::BackgroundPicture;
  skin::SetWindowBackground(window, std::string(reinterpret_cast<const char*>(picture.data), picture.size), 3);
  skin::SetSkinOptions(1, 100);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  PumpMessages(50);
}

SkinnedWindow::~SkinnedWindow() {
  if (IsWindow(window)) DestroyWindow(window);
  PumpMessages(10);
}

skin::SkinRecord& SkinnedWindow::Record() const { return *skin::SkinRecordById(Id()); }
int SkinnedWindow::Id() const { return skin::FindSkinId(window); }

COLORREF SkinnedWindow::BackBufferPixel(int x, int y) const { return GetPixel(Record().backBufferDc, x, y); }

HWND AddChild(HWND parent, const char* cls, DWORD style, DWORD exStyle, int x, int y, int w, int h, const char* text) {
  return CreateWindowExA(exStyle, cls, text, WS_CHILD | style, x, y, w, h, parent, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

}  // namespace quorlin::test
