// The engine's composition root, above the core, the control families and
// the chrome: the attach passes in the order they run, and ApplySkin, which
// builds a window's record, runs the passes and installs the frame
// procedure. Nothing below this file includes it.
#include "skin/core/apply_skin.h"

#include <memory>

#include "assets/assets.h"
#include "graphics/tooltip.h"
#include "skin/chrome/caption_row.h"
#include "skin/controls/edit.h"
#include "skin/controls/header.h"
#include "skin/controls/list.h"
#include "skin/controls/range.h"
#include "skin/controls/toolbar.h"
#include "skin/core/button_skin.h"
#include "skin/core/skin_options.h"

namespace quorlin::skin {

const AttachPassEntry AttachPasses[9] = {
    {"push buttons", AttachPushButtons},
    {"check boxes and radio buttons", AttachCheckAndRadioButtons},
    {"edit fields and combo box edits", AttachEditsAndCombos},
    {"trackbars", AttachTrackbars},
    {"progress bars", AttachProgressBars},
    {"lists", AttachListControls},
    {"up-down controls", AttachUpDowns},
    {"headers", AttachHeaders},
    {"toolbars", AttachToolbars},
};

void RunAttachPasses(int skinId, HWND parent) {
  if (!ChildSkinningEnabled) return;
  for (const AttachPassEntry& entry : AttachPasses)
    if (entry.pass) entry.pass(skinId, parent);
}

namespace {

std::string AssetCopy(const assets::AssetBytes& asset) {
  return std::string(reinterpret_cast<const char*>(asset.data), asset.size);
}

void AddCaptionButton(SkinRecord& r, int width, const assets::AssetBytes& glyph, int kind, const char* name) {
  CaptionButton b;
  b.width = width;
  b.height = 18;
  b.glyph = AssetCopy(glyph);
  if (kind == CaptionMaximize) b.alternateGlyph = AssetCopy(assets::RestoreGlyph);
  b.kind = kind;
  b.name = name;
  r.captionButtons.push_back(std::move(b));
}

void BuildCaptionButtons(SkinRecord& r, int clientWidth) {
  if (r.showHelpButton) AddCaptionButton(r, 26, assets::HelpGlyph, CaptionHelp, "帮助");
  if (r.showMenuButton) AddCaptionButton(r, 26, assets::MainMenuGlyph, CaptionMainMenu, "主菜单");
  if (r.hasMinimizeButton) AddCaptionButton(r, 26, assets::MinimizeGlyph, CaptionMinimize, "最小化");
  if (r.hasMaximizeButton) AddCaptionButton(r, 26, assets::MaximizeGlyph, CaptionMaximize, "最大化");
  if (r.hasCloseButton) AddCaptionButton(r, 38, assets::CloseGlyph, CaptionClose, "关闭");
  int total = 0;
  for (const CaptionButton& b : r.captionButtons) total += b.width;
  const int n = static_cast<int>(r.captionButtons.size());
  r.captionRowWidth = total + (n > 0 ? n - 1 : 0) + 3;
  r.captionRowHeight = 22;
  r.captionRowX = clientWidth - FrameInset - r.captionRowWidth - 2;
  r.captionRowY = 0;
}

// The bottom item bar's geometry; the bar is kept as data and not drawn.
void LayoutButtonBar(SkinRecord& r, const RECT& client) {
  if (r.buttonBarHeight <= 0) return;
  r.buttonBarRect = RECT{3, client.bottom - 3 - r.buttonBarHeight - 1, client.right - 3,
                         client.bottom - 3 - 1};
  r.buttonBarItemRects.clear();
  int x = 3;
  for (const ButtonBarItem& item : r.buttonBarItems) {
    const int width = item.width == -1 ? r.buttonBarRect.right - x : item.width;
    r.buttonBarItemRects.push_back(RECT{x, r.buttonBarRect.top, x + width, r.buttonBarRect.bottom});
    x += width;
  }
}

}  // namespace

void ApplySkin(HWND window, const SkinOptions& o) {
  if (FindSkinId(window) >= 1) return;

  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_CLIPCHILDREN);
  SetWindowLongPtrA(window, GWL_STYLE, style);
  RECT client = {};
  GetClientRect(window, &client);
  FrameInset = 3;

  auto record = std::make_unique<SkinRecord>();
  SkinRecord& r = *record;
  r.hwnd = window;
  r.captionHeight = o.captionHeight > 25 ? o.captionHeight : 25;
  r.showHelpButton = o.helpButton != 0;
  r.showMenuButton = o.menuButton != 0;
  r.hasMinimizeButton = (style & WS_MINIMIZEBOX) != 0;
  r.hasMaximizeButton = (style & WS_MAXIMIZEBOX) != 0;
  r.frameEnabled = o.frameEnabled.value_or(1) != 0;
  r.hasCloseButton = o.noCloseButton ? false : r.frameEnabled;
  r.showTitle = o.showTitle != 0;
  r.titleBand = o.titleBand != 0;
  r.backgroundMode = o.backgroundMode.value_or(DefaultBackgroundMode);
  r.tintColour = o.tintColour;
  r.tintAlpha = o.tintAlpha;
  r.resizable = o.resizable != 0;
  r.maxTrackSize = SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  r.buttonBarHeight = o.buttonBarHeight;
  if (o.buttonBarHeight > 0) r.buttonBarItems = o.buttonBarItems;

  BuildCaptionButtons(r, client.right);

  if (!o.backgroundPicture.empty()) {
    InstallBackgroundPicture(r, o.backgroundPicture);
  }

  SetWindowLongPtrA(window, GWL_STYLE, style | WS_SYSMENU);
  const int skinId = AppendSkinRecord(std::move(record));
  SkinRecord& registered = *SkinRecordById(skinId);
  registered.lastClientWidth = client.right;
  registered.lastClientHeight = client.bottom;

  if (o.frameEnabled.has_value() && *o.frameEnabled != 0) {
    registered.captionTooltip = std::make_unique<graphics::Tooltip>();
    registered.captionTooltip->Create(window);
    for (size_t i = 0; i < registered.captionButtons.size(); ++i) {
      RECT empty = {};
      registered.captionTooltip->AddTool(empty, true, registered.captionButtons[i].name.c_str(), i + 1);
      registered.captionToolCount = static_cast<int>(i + 1);
    }
  }
  LayoutCaptionRow(skinId);

  if (registered.buttonBarHeight > 0) {
    registered.buttonBarFlag = 0;
    registered.buttonBarTextColour = 0xFFFFFF;
    registered.buttonBarFontFace.clear();
    registered.buttonBarFontSize = 12;
  }
  LayoutButtonBar(registered, client);

  RunAttachPasses(skinId, window);

  registered.applied = true;
  registered.fullRepaintNeeded = true;

  SetIntProp(window, PropSkinId, skinId);
  const LONG_PTR previous = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameWndProc));
  registered.previousWndProc = reinterpret_cast<WNDPROC>(previous);
  SetIntProp(window, PropPreviousProc, previous);
}

}  // namespace quorlin::skin
