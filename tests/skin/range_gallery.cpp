#include "range_gallery.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "gallery_window.h"
#include "assets/assets.h"
#include "skin/core/apply_skin.h"
#include "skin/core/painting.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin::test {
namespace {

constexpr char GalleryClass[] = "QuorlinRangeGallery";

HWND Trackbar(HWND parent, DWORD style, int x, int y, int w, int h, int position) {
  HWND bar = GalleryChild(parent, TRACKBAR_CLASSA, WS_TABSTOP | style, x, y, w, h);
  SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
  SendMessageA(bar, TBM_SETPOS, TRUE, position);
  return bar;
}

HWND ProgressBar(HWND parent, DWORD style, int x, int y, int w, int h, int position) {
  HWND bar = GalleryChild(parent, PROGRESS_CLASSA, style, x, y, w, h);
  SendMessageA(bar, PBM_SETRANGE32, 0, 100);
  SendMessageA(bar, PBM_SETPOS, position, 0);
  return bar;
}

}  // namespace

RangeGallery CreateRangeGallery(HINSTANCE instance, int x, int y) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&init);
  PrepareGallery(instance, GalleryClass);

  RangeGallery g;
  g.window = CreateWindowExA(0, GalleryClass, "范围控件", WS_POPUP | WS_MINIMIZEBOX, x, y, 360, 250, nullptr, nullptr,
                             instance, nullptr);
  if (!g.window) return g;
  g.selectionBar = Trackbar(g.window, TBS_ENABLESELRANGE, 16, 36, 220, 30, 40);
  SendMessageA(g.selectionBar, TBM_SETSEL, TRUE, MAKELPARAM(20, 60));
  g.topBar = Trackbar(g.window, TBS_TOP, 16, 74, 220, 30, 70);
  g.bothBar = Trackbar(g.window, TBS_BOTH, 16, 112, 220, 36, 100);
  g.verticalBar = Trackbar(g.window, TBS_VERT | TBS_LEFT, 250, 36, 32, 150, 30);
  g.progress = ProgressBar(g.window, 0, 16, 160, 220, 16, 60);
  g.verticalProgress = ProgressBar(g.window, PBS_VERTICAL, 300, 36, 18, 150, 50);
  g.buddy = GalleryChild(g.window, "Edit", ES_NUMBER, 16, 196, 70, 22, WS_EX_CLIENTEDGE);
  SetWindowTextA(g.buddy, "5");
  g.upDown = GalleryChild(g.window, UPDOWN_CLASSA, UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
                   0, 18, 22);
  SendMessageA(g.upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(g.buddy), 0);
  SendMessageA(g.upDown, UDM_SETRANGE32, 0, 100);
  SendMessageA(g.upDown, UDM_SETPOS32, 0, 5);
  g.horizontalUpDown = GalleryChild(g.window, UPDOWN_CLASSA, UDS_HORZ, 120, 196, 44, 22);
  SendMessageA(g.horizontalUpDown, UDM_SETRANGE32, 0, 10);

  SkinAndShowGalleryWindow(g.window);
  return g;
}

}  // namespace quorlin::test
