#pragma once
// Frame painting of a skinned top-level window: the whole client area is
// composed into a retained back buffer (background, outline, title, caption
// buttons) and copied to the window; single buttons and the title are
// repainted from a snapshot of the title strip.
#include <windows.h>

#include <optional>
#include <string_view>

namespace quorlin::graphics {
class Graphics;
}

namespace quorlin::skin {

struct SkinRecord;

// The icon drawn beside the title.
extern HICON FrameIcon;
// Set: the background picture is stretched by GDI+'s DrawImage, as a
// reference for the program's own filter (which otherwise draws it).
extern bool PlatformPictureStretch;

// A rectangle of whole pixels given by its origin and size.
struct PixelArea {
  int x = 0, y = 0, width = 0, height = 0;
};

// Recomposes the whole frame. While the border is dragged (sizing) the frame
// is a draft: the picture stretched by GDI, the outline and the caption row
// placed from kept pieces, and no window region; the end of the drag paints
// the frame again at full quality.
void PaintFrame(int skinId, bool toWindow);
// The rounded window region at the client size; left alone when the window
// has it already.
void SetFrameRegion(HWND window);
void PaintBackground(graphics::Graphics& g, int skinId);
void PaintOutline(int skinId, graphics::Graphics& g);
// Draws the title into the back buffer; unless backBufferOnly, also erases
// the old title first and shows the result. text replaces the window text.
void PaintTitle(int skinId, bool backBufferOnly, std::optional<std::string_view> text = std::nullopt);
// pressed: the press look (always shown); otherwise plain/hover at alpha.
void PaintCaptionButton(int skinId, int index, bool backBufferOnly, bool pressed, int alpha);
void BlitBackBuffer(int skinId, HDC paintDc);
void InvalidateSkinnedChildren(int skinId);
void RestoreFromTitleSnapshot(int skinId, const PixelArea& area);
// The title text's layout rectangle for a client width.
PixelArea TitleTextRect(int skinId, int clientWidth);

// Drops the background layers kept for the window's sizes, so the next full
// repaint draws the picture afresh.
void ForgetKeptBackgrounds(SkinRecord& r);

// Releases the back buffer, both snapshots and every kept piece.
void ReleaseFrameImages(HWND window);

}  // namespace quorlin::skin
