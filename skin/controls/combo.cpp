// Skinned combo boxes: attach, window procedure and face geometry. The
// painter is in combo_paint.cpp.
#include "skin/controls/combo.h"

#include <string>

#include "skin/controls/edit.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"

namespace quorlin::skin {
namespace {

ComboState* ComboRecord(HWND combo) { return ControlRecord(combo, &SkinRecord::combos); }
SkinRecord* OwnerRecord(HWND combo) { return SkinRecordById(GetIntProp(combo, PropOwnerSkinId)); }

HWND InnerEdit(HWND combo) { return FindWindowExA(combo, nullptr, "Edit", nullptr); }

void Paint(HWND combo, bool hot) {
  PaintComboBox(GetIntProp(combo, PropOwnerSkinId), GetIntProp(combo, PropSkinId), hot, false, false);
}

// The window text of a combo box without an edit field is the selected item.
void RefreshTextFromSelection(HWND combo) {
  const LRESULT selection = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (selection < 0) return;
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selection), 0);
  if (length < 0) return;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(text.data()));
  SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

RECT ChildRectIn(HWND combo, HWND child) {
  RECT r = RectRelativeTo(combo, child);
  if (WindowClassName(child) == "ComboLBox") InflateRect(&r, -2, -2);
  return r;
}

// ---- message handlers -------------------------------------------------

void OnMouseMove(HWND combo) {
  TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, combo, 0};
  TrackMouseEvent(&tme);
  SkinRecord* record = OwnerRecord(combo);
  if (!record) return;
  const int index = GetIntProp(combo, PropSkinId);
  record->controlUnderMouse = index;
  if ((index >= 1 && record->hotControlId != index) || record->hotControlKind != ComboHotKind) Paint(combo, true);
  record->hotControlId = index;
  record->hotControlKind = ComboHotKind;
}

void OnMouseLeave(HWND combo) {
  Paint(combo, false);
  if (SkinRecord* record = OwnerRecord(combo)) record->hotControlId = 0;
}

LRESULT OnPaint(HWND combo, WPARAM wParam, LPARAM lParam) {
  {
    PaintScope paint(combo);
    Paint(combo, false);
  }
  // The previous procedure never sees the message: the system face is never
  // drawn.
  return DefWindowProcA(combo, WM_PAINT, wParam, lParam);
}

LRESULT OnNcPaint(HWND combo, LPARAM lParam) {
  Paint(combo, false);
  return DefWindowProcA(combo, WM_NCPAINT, static_cast<WPARAM>(0xFFFFFFFF), lParam);
}

void OnSetFocus(HWND combo, ComboState& state) {
  state.focused = true;
  PaintComboBox(GetIntProp(combo, PropOwnerSkinId), GetIntProp(combo, PropSkinId), false, true, true);
}

// Typing, pasting and scrolling in the edit field show new text over its
// veil: the whole field is erased again behind it.
void OnCommand(WPARAM wParam, LPARAM lParam) {
  HWND from = reinterpret_cast<HWND>(lParam);
  if (!TranslucentControls || !ChildSkinningEnabled || !from || WindowClassName(from) != "Edit") return;
  const int code = HIWORD(wParam);
  if (code == EN_VSCROLL || code == EN_HSCROLL || code == EN_CHANGE || code == EN_UPDATE)
    InvalidateRect(from, nullptr, TRUE);
}

// Colour answers the combo box gave its edit field go with it, whether or
// not the field was skinned.
void OnDestroy(HWND combo) {
  for (HWND child = FindWindowExA(combo, nullptr, nullptr, nullptr); child;
       child = FindWindowExA(combo, child, nullptr, nullptr))
    ReleaseColourResponse(child);
}

LRESULT OnNcDestroy(HWND combo, WPARAM wParam, LPARAM lParam) {
  const int index = GetIntProp(combo, PropSkinId);
  const LRESULT result = CallPreviousProc(combo, WM_NCDESTROY, wParam, lParam);
  if (SkinRecord* record = OwnerRecord(combo)) {
    if (ComboState* after = ComboRecord(combo); after && after->hwnd == combo) *after = ComboState{};
    if (record->hotControlKind == ComboHotKind && record->hotControlId == index) record->hotControlId = 0;
  }
  RemovePropA(combo, PropPreviousProc);
  RemovePropA(combo, PropSkinId);
  RemovePropA(combo, PropOwnerSkinId);
  return result;
}

}  // namespace

void AttachComboBoxes(int skinId, HWND parent) {
  if (!ChildSkinningEnabled) return;
  SkinRecord* record = SkinRecordById(skinId);
  if (!record) return;
  for (HWND combo = FindWindowExA(parent, nullptr, "ComboBox", nullptr); combo;
       combo = FindWindowExA(parent, combo, "ComboBox", nullptr)) {
    // A second attach would chain ComboWndProc to itself.
    const int index = TakeControlRecord(record->combos, combo);
    if (index == 0) continue;
    RefreshTextFromSelection(combo);
    ComboState& state = record->combos[static_cast<size_t>(index - 1)];
    state.previousProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboWndProc)));
    SetIntProp(combo, PropSkinId, index);
    SetIntProp(combo, PropOwnerSkinId, skinId);
    SetIntProp(combo, PropPreviousProc, reinterpret_cast<LONG_PTR>(state.previousProc));
    if (HWND edit = InnerEdit(combo); edit && TranslucentControls) AttachEditField(skinId, edit, false);
  }
}

LRESULT CALLBACK ComboWndProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
  ComboState* state = ComboRecord(combo);
  if (!state || state->hwnd != combo) return CallPreviousProc(combo, message, wParam, lParam);
  switch (message) {
    case WM_MOUSEMOVE:
      OnMouseMove(combo);
      break;
    case WM_MOUSELEAVE:
      OnMouseLeave(combo);
      break;
    case WM_WINDOWPOSCHANGING:
      MarkContainerStale(combo);
      break;
    case WM_MOVE:
      Paint(combo, false);
      break;
    case WM_ERASEBKGND:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return 1;
    case WM_PAINT:
      return OnPaint(combo, wParam, lParam);
    case WM_SETFOCUS:
      OnSetFocus(combo, *state);
      break;
    case WM_KILLFOCUS:
      // The repaint comes from the parent's CBN_KILLFOCUS invalidation.
      state->focused = false;
      break;
    case WM_SETTEXT:
      if (InnerEdit(combo)) InvalidateRect(combo, nullptr, TRUE);
      break;
    case WM_CTLCOLOREDIT:
      if (TranslucentControls)
        return reinterpret_cast<LRESULT>(
            ControlColourResponse(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
      break;
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      break;
    case WM_NCPAINT:
      return OnNcPaint(combo, lParam);
    case WM_DESTROY:
      OnDestroy(combo);
      break;
    case WM_NCDESTROY:
      return OnNcDestroy(combo, wParam, lParam);
    default:
      break;
  }
  return CallPreviousProc(combo, message, wParam, lParam);
}

ComboParts ComboPartRects(HWND combo) {
  ComboParts parts;
  RECT window = {};
  GetWindowRect(combo, &window);
  parts.size = SIZE{window.right - window.left, window.bottom - window.top};
  const LONG_PTR style = GetWindowLongPtrA(combo, GWL_STYLE);
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  SendMessageA(combo, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(&info));
  parts.hasDropButton = (style & ComboDropButtonBit) != 0;
  parts.dropButton = info.rcButton;
  // A simple combo box shows its text in its own edit field; painting it
  // again would lay it over the field and the list.
  parts.paintsText = (style & ComboShowsTextBit) != 0 && !InnerEdit(combo);
  const float w = static_cast<float>(parts.size.cx), h = static_cast<float>(parts.size.cy);
  parts.textLayout = RectF{2, (h - 12) / 2, w - 17, h - 4};
  if (style & ComboShowsTextBit) {
    for (HWND child = FindWindowExA(combo, nullptr, nullptr, nullptr); child;
         child = FindWindowExA(combo, child, nullptr, nullptr))
      parts.holes.push_back(ChildRectIn(combo, child));
  } else if (HWND first = FindWindowExA(combo, nullptr, nullptr, nullptr)) {
    parts.holes.push_back(RectRelativeTo(combo, first));
  }
  return parts;
}

}  // namespace quorlin::skin
