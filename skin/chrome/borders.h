#pragma once
// Resize borders and title dragging of a caption-less skinned window, from
// its client area.
#include <windows.h>

#include <optional>

namespace quorlin::skin {

struct SkinRecord;

struct BorderZone {
  int cursorId;          // IDC_SIZE* resource id
  WPARAM sizingCommand;  // SC_SIZE + WMSZ_*
};
// The edge band or corner square under (x, y) of a w x h client area.
std::optional<BorderZone> FindBorderZone(int x, int y, int w, int h);

// What a left-button press at (x, y) does on this window.
enum class PressAction { None, CaptionButtons, Move, Size };
struct PressOutcome {
  PressAction action = PressAction::None;
  BorderZone zone = {};
};
PressOutcome ClassifyPress(const SkinRecord& record, int x, int y, int w, int h);

void SetBorderCursor(int skinId, LPARAM lParam, const RECT& client);
void BeginBorderDragOrMove(int skinId, LPARAM lParam, const RECT& client);

}  // namespace quorlin::skin
