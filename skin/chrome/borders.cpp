#include "skin/chrome/borders.h"

#include "skin/core/skin_record.h"

namespace quorlin::skin {

std::optional<BorderZone> FindBorderZone(int x, int y, int w, int h) {
  const int band = FrameInset;  // edge bands are as thick as the frame
  const bool alongSide = y >= 11 && y < h - 10;
  const bool alongTop = x >= 11 && x < w - 10;
  if (x <= band && alongSide) return BorderZone{32644, 0xF001};       // left
  if (x >= w - band && alongSide) return BorderZone{32644, 0xF002};   // right
  if (alongTop && y <= band) return BorderZone{32645, 0xF003};        // top
  if (alongTop && y >= h - band) return BorderZone{32645, 0xF006};    // bottom
  if (x <= 10 && y <= 10) return BorderZone{32642, 0xF004};           // top-left
  if (x >= w - 10 && y <= 10) return BorderZone{32643, 0xF005};       // top-right
  if (x <= 10 && y >= h - 10) return BorderZone{32643, 0xF007};       // bottom-left
  if (x >= w - 10 && y >= h - 10) return BorderZone{32642, 0xF008};   // bottom-right
  return std::nullopt;
}

PressOutcome ClassifyPress(const SkinRecord& r, int x, int y, int w, int h) {
  PressOutcome out;
  if (x >= r.captionRowX && x <= r.captionRowX + r.captionRowWidth && y <= r.captionRowHeight && y >= 3) {
    out.action = PressAction::CaptionButtons;
    return out;
  }
  if (!r.frameEnabled) return out;
  if (y <= r.captionHeight && y >= 4 && x >= 4 && x < w - 3) {
    out.action = PressAction::Move;
    return out;
  }
  if (!r.resizable) return out;
  if (const auto zone = FindBorderZone(x, y, w, h)) {
    out.action = PressAction::Size;
    out.zone = *zone;
  } else if (y <= r.captionHeight) {
    out.action = PressAction::Move;
  }
  return out;
}

void SetBorderCursor(int skinId, LPARAM lParam, const RECT& client) {
  const SkinRecord* r = SkinRecordById(skinId);
  if (!r || !r->resizable) return;
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  if (const auto zone = FindBorderZone(x, y, client.right, client.bottom))
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(zone->cursorId)));
}

void BeginBorderDragOrMove(int skinId, LPARAM lParam, const RECT& client) {
  SkinRecord* r = SkinRecordById(skinId);
  if (!r) return;
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  const PressOutcome press = ClassifyPress(*r, x, y, client.right, client.bottom);
  HWND window = r->hwnd;
  switch (press.action) {
    case PressAction::Move:
      SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      break;
    case PressAction::Size:
      r->fullRepaintNeeded = true;
      SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(press.zone.cursorId)));
      SendMessageA(window, WM_SYSCOMMAND, press.zone.sizingCommand, 0);
      break;
    default:
      break;
  }
}

}  // namespace quorlin::skin
