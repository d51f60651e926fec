#include "skin/core/skin_record.h"

#include "graphics/tooltip.h"

namespace quorlin::skin {

std::vector<std::unique_ptr<SkinRecord>> SkinRegistry;
int ChildSkinningEnabled = 0;
int FrameInset = 3;
int DefaultBackgroundMode = 0;

SkinRecord::SkinRecord() = default;
SkinRecord::~SkinRecord() = default;
SkinRecord::SkinRecord(SkinRecord&&) noexcept = default;
SkinRecord& SkinRecord::operator=(SkinRecord&&) noexcept = default;

int GetIntProp(HWND window, const char* key) {
  return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(window, key)));
}

void SetIntProp(HWND window, const char* key, LONG_PTR value) {
  SetPropA(window, key, reinterpret_cast<HANDLE>(value));
}

LRESULT CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, PropPreviousProc));
  return previous ? CallWindowProcA(previous, window, message, wParam, lParam)
                  : DefWindowProcA(window, message, wParam, lParam);
}

std::string WindowClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

int FindSkinId(HWND window) {
  if (!window) return 0;
  for (size_t i = 0; i < SkinRegistry.size(); ++i)
    if (SkinRegistry[i]->hwnd == window) return static_cast<int>(i + 1);
  return 0;
}

SkinRecord* SkinRecordById(int skinId) {
  if (skinId < 1 || skinId > static_cast<int>(SkinRegistry.size())) return nullptr;
  return SkinRegistry[static_cast<size_t>(skinId - 1)].get();
}

int AppendSkinRecord(std::unique_ptr<SkinRecord> record) {
  SkinRegistry.push_back(std::move(record));
  return static_cast<int>(SkinRegistry.size());
}

namespace {

template <typename State>
void RenumberTable(const std::vector<State>& table, const char* key, int skinId) {
  for (const State& s : table)
    if (s.hwnd) SetIntProp(s.hwnd, key, skinId);
}

template <typename State>
void RenumberOverlays(const std::vector<State>& table, int skinId) {
  for (const OverlayBars& bars : table) {
    if (bars.verticalOverlay) SetIntProp(bars.verticalOverlay, PropOwnerSkinId, skinId);
    if (bars.horizontalOverlay) SetIntProp(bars.horizontalOverlay, PropOwnerSkinId, skinId);
  }
}

void RenumberRecord(const SkinRecord& r, int skinId) {
  if (r.hwnd) SetIntProp(r.hwnd, PropSkinId, skinId);
  RenumberTable(r.buttons, PropOwnerSkinId, skinId);
  RenumberTable(r.edits, PropOwnerSkinId, skinId);
  RenumberTable(r.lists, PropOwnerSkinId, skinId);
  RenumberTable(r.trackbars, PropOwnerSkinId, skinId);
  RenumberTable(r.progressBars, PropOwnerSkinId, skinId);
  RenumberTable(r.combos, PropOwnerSkinId, skinId);
  RenumberTable(r.upDowns, PropOwnerSkinId, skinId);
  RenumberTable(r.headers, PropOwnerSkinId, skinId);
  RenumberTable(r.containers, PropOwnerSkinId, skinId);
  RenumberTable(r.toolbars, PropToolbarOwner, skinId);
  // Overlay scroll bars carry their window's skin id too.
  RenumberOverlays(r.edits, skinId);
  RenumberOverlays(r.lists, skinId);
}

}  // namespace

void RemoveSkinRecord(int skinId) {
  if (!SkinRecordById(skinId)) return;
  SkinRegistry.erase(SkinRegistry.begin() + (skinId - 1));
  for (size_t i = static_cast<size_t>(skinId - 1); i < SkinRegistry.size(); ++i)
    RenumberRecord(*SkinRegistry[i], static_cast<int>(i + 1));
}

}  // namespace quorlin::skin
