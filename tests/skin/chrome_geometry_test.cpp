// Pure geometry of the window chrome: border zones and presses, the
// maximized work area.
#include <doctest/doctest.h>

#include <windows.h>

#include "skin/chrome/borders.h"
#include "skin/chrome/caption_row.h"
#include "skin/core/skin_record.h"

using namespace quorlin::skin;

namespace {

// A 444 x 314 window's record with a minimize + close row laid out the way
// the frame lays it out.
SkinRecord RowRecord(bool resizable) {
  SkinRecord r;
  r.resizable = resizable;
  r.captionHeight = 25;
  r.captionRowWidth = 68;
  r.captionRowX = 444 - 68 + 1;
  r.captionRowHeight = 22;
  return r;
}

}  // namespace

TEST_CASE("border zones: bands stop short of the corner squares") {
  struct Case { int x, y; int cursor; WPARAM command; };
  const int w = 400, h = 300;
  const Case cases[] = {
      {0, 150, 32644, 0xF001},   {3, 11, 32644, 0xF001},  {399, 150, 32644, 0xF002}, {397, 289, 32644, 0xF002},
      {200, 0, 32645, 0xF003},   {11, 3, 32645, 0xF003},  {200, 299, 32645, 0xF006}, {389, 297, 32645, 0xF006},
      {2, 2, 32642, 0xF004},     {10, 10, 32642, 0xF004}, {390, 5, 32643, 0xF005},   {5, 295, 32643, 0xF007},
      {399, 299, 32642, 0xF008},
  };
  for (const Case& c : cases) {
    CAPTURE(c.x);
    CAPTURE(c.y);
    const auto zone = FindBorderZone(c.x, c.y, w, h);
    REQUIRE(zone.has_value());
    CHECK(zone->cursorId == c.cursor);
    CHECK(zone->sizingCommand == c.command);
  }
  for (const POINT p : {POINT{5, 50}, POINT{4, 150}, POINT{200, 4}, POINT{200, 150}, POINT{11, 11}}) {
    CAPTURE(p.x);
    CAPTURE(p.y);
    CHECK_FALSE(FindBorderZone(p.x, p.y, w, h).has_value());
  }
}

TEST_CASE("presses: caption buttons, title drag, sizing") {
  const int w = 444, h = 314;
  SUBCASE("resizable") {
    const SkinRecord r = RowRecord(true);
    CHECK(ClassifyPress(r, 2, 2, w, h).action == PressAction::Size);  // corner, not a drag
    CHECK(ClassifyPress(r, 2, 2, w, h).zone.sizingCommand == 0xF004);
    CHECK(ClassifyPress(r, 5, 50, w, h).action == PressAction::None);
    CHECK(ClassifyPress(r, 5, 20, w, h).action == PressAction::Move);
    CHECK(ClassifyPress(r, 200, 10, w, h).action == PressAction::Move);
    // Over the caption row the buttons own presses from y 3 to the row's height.
    CHECK(ClassifyPress(r, 440, 3, w, h).action == PressAction::CaptionButtons);
    CHECK(ClassifyPress(r, 440, 22, w, h).action == PressAction::CaptionButtons);
    const PressOutcome corner = ClassifyPress(r, 440, 2, w, h);
    CHECK(corner.action == PressAction::Size);
    CHECK(corner.zone.sizingCommand == 0xF005);
    CHECK(ClassifyPress(r, 442, 40, w, h).zone.sizingCommand == 0xF002);
  }
  SUBCASE("not resizable: only the title drags") {
    const SkinRecord r = RowRecord(false);
    CHECK(ClassifyPress(r, 2, 2, w, h).action == PressAction::None);
    CHECK(ClassifyPress(r, 5, 20, w, h).action == PressAction::Move);
    CHECK(ClassifyPress(r, 0, 150, w, h).action == PressAction::None);
    CHECK(ClassifyPress(r, 443, 313, w, h).action == PressAction::None);
    CHECK(ClassifyPress(r, 441, 10, w, h).action == PressAction::CaptionButtons);
  }
}

TEST_CASE("a non-resizable window never changes the cursor") {
  auto record = std::make_unique<SkinRecord>();
  record->resizable = false;
  const int id = AppendSkinRecord(std::move(record));
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  SetCursor(arrow);
  const RECT client = {0, 0, 444, 314};
  SetBorderCursor(id, MAKELPARAM(2, 2), client);
  CHECK(GetCursor() == arrow);
  SkinRecordById(id)->resizable = true;
  SetBorderCursor(id, MAKELPARAM(2, 2), client);
  CHECK(GetCursor() == LoadCursorA(nullptr, MAKEINTRESOURCEA(32642)));
  SetCursor(arrow);
  SetBorderCursor(id, MAKELPARAM(5, 50), client);
  CHECK(GetCursor() == arrow);
  SkinRegistry.clear();
}

TEST_CASE("maximized size leaves the taskbar out") {
  struct Case { RECT taskbar; SIZE expected; };
  const Case cases[] = {
      {{0, 0, 60, 768}, {964, 768}},      // vertical, 60 wide, on the left
      {{964, 0, 1024, 768}, {964, 768}},  // vertical on the right
      {{0, 738, 1024, 768}, {1024, 738}}, // bottom, 30 high
      {{0, 766, 1024, 796}, {1024, 768}}, // auto-hidden at the bottom
      {{0, -28, 1024, 2}, {1024, 768}},   // auto-hidden at the top
      {{0, 0, 0, 0}, {1024, 768}},        // no taskbar
  };
  for (const Case& c : cases) {
    CAPTURE(c.taskbar.top);
    const SIZE s = WorkAreaSize(c.taskbar, 1024, 768);
    CHECK(s.cx == c.expected.cx);
    CHECK(s.cy == c.expected.cy);
  }
}
