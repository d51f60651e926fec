#pragma once
// The caption-button row at the top-right corner of a skinned window: its
// layout, hit tests and the actions of its buttons.
#include <windows.h>

namespace quorlin::skin {

struct SkinRecord;

// 1-based index of the caption button found by the last hover or press hit
// test, shared by all skinned windows; 0 none.
extern int lastCaptionHit;
// A press landed on a caption button and its release has not come yet. Only
// such a release acts, once: the end of a double click or a release after a
// press elsewhere does nothing.
extern bool captionPressPending;

void LayoutCaptionRow(int skinId);
// 1-based button whose rectangle strictly contains (x, y); 0 none.
int HitTestCaptionButton(const SkinRecord& record, int x, int y);
bool IsOverCaptionRow(const SkinRecord& record, LPARAM lParam);
void PerformCaptionAction(int skinId, int index);

// The size of a maximized caption-less window: the screen less the taskbar.
SIZE WorkAreaSize(const RECT& taskbar, int screenWidth, int screenHeight);
SIZE CurrentWorkAreaSize();

}  // namespace quorlin::skin
