// Does the program's main job where nobody can see it: starts Quorlin.exe,
// types a page address into its address field, presses "读取链接" through the
// window as a user would, prints the six fields the window then shows, saves
// a picture of the window and closes it.
//   quorlin-drive.exe <program.exe> <page address> <picture.png>
// Exit code: 0 when the fields were read, 1 when the program did not come up
// or never answered, 2 for wrong arguments.
#include <windows.h>
// ole2.h first: the GDI+ headers need its types.
#include <ole2.h>
#include <gdiplus.h>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "graphics/image.h"
#include "program_driver.h"
#include "window_probe.h"

namespace {

using quorlin::test::RunningProgram;

// The console shows UTF-8; the program's texts are code page 936.
std::string Utf8FromAnsi(const std::string& ansi) {
  const int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), units);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

bool SaveWindowPicture(HWND window, const char* path) {
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  quorlin::graphics::Bitmap picture;
  const bool saved = picture.FromHBITMAP(bitmap) && picture.SaveToFileAs(path, quorlin::graphics::kFormatPng);
  DeleteObject(bitmap);
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: quorlin-drive.exe <program.exe> <page address> <picture.png>\n");
    return 2;
  }
  ULONG_PTR graphicsToken = 0;
  Gdiplus::GdiplusStartupInput startup;
  Gdiplus::GdiplusStartup(&graphicsToken, &startup, nullptr);
  RunningProgram program(argv[1]);
  if (!program.window) {
    std::fprintf(stderr, "drive: the program's window did not come up\n");
    return 1;
  }
  using namespace quorlin;
  HWND size = program.Control(SizeLabelId);
  quorlin::test::Type(program.Control(AddressEditId), argv[2]);
  quorlin::test::Click(program.Control(ReadLinkButtonId));
  // The size field is empty until a read has ended, and never empty after
  // one ("0MB" when the service gave nothing).
  const bool answered = quorlin::test::PumpUntil([&] { return !quorlin::test::WindowText(size).empty(); }, 180000);
  if (!answered) {
    std::fprintf(stderr, "drive: no answer within 180 s\n");
    return 1;
  }
  quorlin::test::PumpMessages(300);  // the labels repaint
  const struct { int id; const char* name; } fields[] = {
      {TitleLabelId, "视频名称"}, {SizeLabelId, "视频大小"}, {FormatLabelId, "视频格式"},
      {DurationLabelId, "视频片长"}, {SiteLabelId, "出自网站"}, {DownloadAddressEditId, "下载地址"},
  };
  for (const auto& field : fields)
    std::printf("%s: %s\n", Utf8FromAnsi(field.name).c_str(),
                Utf8FromAnsi(quorlin::test::WindowText(program.Control(field.id))).c_str());
  if (!SaveWindowPicture(program.window, argv[3])) std::fprintf(stderr, "drive: the picture was not saved\n");
  Gdiplus::GdiplusShutdown(graphicsToken);
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  WaitForSingleObject(program.process.hProcess, 10000);
  return 0;
}
