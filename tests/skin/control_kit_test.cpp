// The control kit as every family uses it: a control destroyed on its own
// while its window lives frees its record, drops the hover marks that name
// it and leaves GDI and USER counts flat; a combo box's inner edit field
// goes with its combo box; a later window is attached afresh.
#include <doctest/doctest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "leak_check.h"
#include "skin/controls/edit.h"
#include "skin/core/apply_skin.h"
#include "skin/core/control_kit.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"
#include "skinned_window.h"
#include "window_probe.h"

namespace {

using namespace quorlin::skin;
using quorlin::test::AddChild;
using quorlin::test::PumpMessages;
using quorlin::test::SkinnedWindow;

// Rows of the table that hold window.
template <typename State>
long RowsHolding(const std::vector<State>& table, HWND window) {
  return std::count_if(table.begin(), table.end(), [&](const State& s) { return s.hwnd == window; });
}

struct Family {
  const char* name;
  const char* cls;
  DWORD style;
  long (*rows)(const SkinRecord&, HWND);  // rows of the family's table holding the window
  size_t (*tableSize)(const SkinRecord&);
};

template <auto Table>
long Rows(const SkinRecord& r, HWND w) { return RowsHolding(r.*Table, w); }
template <auto Table>
size_t Size(const SkinRecord& r) { return (r.*Table).size(); }

const Family Families[] = {
    {"push button", "BUTTON", BS_PUSHBUTTON, Rows<&SkinRecord::buttons>, Size<&SkinRecord::buttons>},
    {"check box", "BUTTON", BS_AUTOCHECKBOX, Rows<&SkinRecord::buttons>, Size<&SkinRecord::buttons>},
    {"edit field", "Edit", ES_AUTOHSCROLL | WS_BORDER, Rows<&SkinRecord::edits>, Size<&SkinRecord::edits>},
    {"multiline edit field", "Edit", ES_MULTILINE | WS_VSCROLL | WS_BORDER, Rows<&SkinRecord::edits>,
     Size<&SkinRecord::edits>},
    {"drop-down combo box", "ComboBox", CBS_DROPDOWN, Rows<&SkinRecord::combos>, Size<&SkinRecord::combos>},
    {"list box", "ListBox", WS_BORDER | WS_VSCROLL, Rows<&SkinRecord::lists>, Size<&SkinRecord::lists>},
    {"tree view", WC_TREEVIEWA, WS_BORDER, Rows<&SkinRecord::lists>, Size<&SkinRecord::lists>},
    {"trackbar", TRACKBAR_CLASSA, 0, Rows<&SkinRecord::trackbars>, Size<&SkinRecord::trackbars>},
    {"progress bar", PROGRESS_CLASSA, 0, Rows<&SkinRecord::progressBars>, Size<&SkinRecord::progressBars>},
    {"up-down control", UPDOWN_CLASSA, 0, Rows<&SkinRecord::upDowns>, Size<&SkinRecord::upDowns>},
    {"header", "SysHeader32", HDS_BUTTONS, Rows<&SkinRecord::headers>, Size<&SkinRecord::headers>},
    {"toolbar", TOOLBARCLASSNAMEA, CCS_NORESIZE | CCS_NOPARENTALIGN, Rows<&SkinRecord::toolbars>,
     Size<&SkinRecord::toolbars>},
};

// One life of a control on a window that stays: created, attached, hovered,
// painted and destroyed on its own. Returns the handle it had.
HWND LiveOnce(SkinnedWindow& w, const Family& family) {
  HWND control = AddChild(w.window, family.cls, WS_VISIBLE | family.style, 0, 20, 60, 160, 60, "kit");
  RunAttachPasses(w.Id(), w.window);
  SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  InvalidateRect(control, nullptr, TRUE);
  UpdateWindow(control);
  PumpMessages(2);
  DestroyWindow(control);
  PumpMessages(2);
  return control;
}

TEST_CASE("a control destroyed on its own frees its record and hover marks and leaves the counts flat") {
  SkinnedWindow w(WS_CAPTION, 420, 300);
  for (const Family& family : Families) {
    CAPTURE(std::string(family.name));
    // Attached at all: otherwise the checks below would pass on nothing.
    HWND probe = AddChild(w.window, family.cls, WS_VISIBLE | family.style, 0, 20, 60, 160, 60, "kit");
    RunAttachPasses(w.Id(), w.window);
    REQUIRE(family.rows(w.Record(), probe) == 1);
    DestroyWindow(probe);
    PumpMessages(2);

    for (int i = 0; i < 3; ++i) LiveOnce(w, family);
    const size_t rows = family.tableSize(w.Record());
    const quorlin::test::LeakBaseline baseline;
    for (int i = 0; i < 20; ++i) {
      const HWND gone = LiveOnce(w, family);
      CHECK(family.rows(w.Record(), gone) == 0);
      CHECK(GetPropA(gone, PropSkinId) == nullptr);
    }
    // Freed records are taken again: the table does not grow with each life.
    CHECK(family.tableSize(w.Record()) == rows);
    CHECK(w.Record().hotControlId == 0);
    CHECK(baseline.GdiGrowth() == 0);
    CHECK(baseline.UserGrowth() == 0);
  }
}

TEST_CASE("a combo box's inner edit field gives its record back with the combo box, and a later field is taken") {
  SkinnedWindow w(WS_CAPTION, 420, 300);
  REQUIRE(TranslucentControls);
  auto combo = [&] {
    HWND box = AddChild(w.window, "ComboBox", WS_VISIBLE | CBS_DROPDOWN, 0, 20, 60, 160, 120);
    RunAttachPasses(w.Id(), w.window);
    return box;
  };
  HWND first = combo();
  HWND inner = FindWindowExA(first, nullptr, "Edit", nullptr);
  REQUIRE(inner);
  REQUIRE(RowsHolding(w.Record().edits, inner) == 1);
  SendMessageA(inner, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  REQUIRE(w.Record().hotControlKind == HoverEdit);
  DestroyWindow(first);
  PumpMessages(2);
  CHECK(RowsHolding(w.Record().edits, inner) == 0);
  CHECK(w.Record().hotControlId == 0);

  const size_t edits = w.Record().edits.size();
  const quorlin::test::LeakBaseline baseline;
  for (int i = 0; i < 20; ++i) {
    DestroyWindow(combo());
    PumpMessages(2);
  }
  CHECK(w.Record().edits.size() == edits);
  CHECK(baseline.GdiGrowth() == 0);
  CHECK(baseline.UserGrowth() == 0);

  // Whatever handle value the next field gets, a dead field's record no
  // longer claims it: the table takes it.
  HWND field = AddChild(w.window, "Edit", WS_VISIBLE | WS_BORDER, 0, 20, 200, 160, 24);
  for (const EditState& row : w.Record().edits) CHECK(row.hwnd != field);
  CHECK(AttachEditField(w.Id(), field, true) >= 1);
  DestroyWindow(field);
}

}  // namespace
