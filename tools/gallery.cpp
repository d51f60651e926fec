// Shows the galleries, for screenshots (tools/screenshot-gallery): skinned
// windows with every button look, every range-control look and the header
// looks in a row, and the list controls and the three combo-box styles below
// them.
//   quorlin_gallery [seconds]   quits after that many seconds when given
#include <windows.h>

#include <ole2.h>
#include <gdiplus.h>

#include <cstdlib>

#include "button_gallery.h"
#include "combo_gallery.h"
#include "header_gallery.h"
#include "list_gallery.h"
#include "range_gallery.h"
#include "toolbar_gallery.h"

namespace {

void CALLBACK QuitNow(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int main(int argc, char** argv) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
  const quorlin::test::ButtonGallery gallery = quorlin::test::CreateButtonGallery(GetModuleHandleA(nullptr));
  const quorlin::test::ComboGallery combos = quorlin::test::CreateComboGallery(GetModuleHandleA(nullptr), 560, 310);
  if (!gallery.window || !combos.window) {
    Gdiplus::GdiplusShutdown(token);
    return 1;
  }
  const quorlin::test::RangeGallery ranges = quorlin::test::CreateRangeGallery(GetModuleHandleA(nullptr));
  const quorlin::test::HeaderGallery headers = quorlin::test::CreateHeaderGallery(GetModuleHandleA(nullptr), 800, 40);
  const quorlin::test::ListGallery lists = quorlin::test::CreateListGallery(GetModuleHandleA(nullptr), 40, 310);
  const quorlin::test::ToolbarGallery toolbars =
      quorlin::test::CreateToolbarGallery(GetModuleHandleA(nullptr), 560, 510);
  // A hot split button and a pressed list button, for the picture.
  SendMessageA(toolbars.flat, TB_SETHOTITEM, SendMessageA(toolbars.flat, TB_COMMANDTOINDEX, quorlin::test::GalleryDropDown, 0), 0);
  SendMessageA(toolbars.list, TB_PRESSBUTTON, quorlin::test::GalleryListOpen, TRUE);
  if (argc > 1) {
    const int seconds = std::atoi(argv[1]);
    if (seconds > 0) SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, QuitNow);
  }
  MSG msg;
  while (IsWindow(gallery.window) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (IsWindow(toolbars.window)) DestroyWindow(toolbars.window);
  ImageList_Destroy(toolbars.images);
  if (IsWindow(lists.window)) DestroyWindow(lists.window);
  if (IsWindow(combos.window)) DestroyWindow(combos.window);
  if (IsWindow(gallery.window)) DestroyWindow(gallery.window);
  if (IsWindow(ranges.window)) DestroyWindow(ranges.window);
  if (IsWindow(headers.window)) DestroyWindow(headers.window);
  ImageList_Destroy(headers.icons);
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
