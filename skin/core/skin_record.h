#pragma once
// Everything the skin engine knows about a skinned top-level window and its
// controls: one SkinRecord per window in the program-wide SkinRegistry. The
// 1-based position of a record is its skin id; windows find their records
// through window properties.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/core/control_states.h"
#include "skin/core/gdi_handles.h"

namespace quorlin::graphics {
class Bitmap;
}

namespace quorlin::graphics {
class Tooltip;
}

namespace quorlin::skin {

// Window property keys.
inline constexpr char PropPreviousProc[] = "Hw_hProc";  // replaced window procedure
inline constexpr char PropSkinId[] = "Hw_lbID";         // top window: skin id; control: table index
inline constexpr char PropOwnerSkinId[] = "Hw_FuID";    // control: skin id of its top window
inline constexpr char PropTextColour[] = "Kj_Ztys";
inline constexpr char PropToolbarIndex[] = "Kj_lbID";
inline constexpr char PropToolbarOwner[] = "Kj_FuID";
inline constexpr char PropToolbarProc[] = "Kj_hProc";
inline constexpr char PropBrushBitmap[] = "Kj_wtjb";
// Toolbars keep their image list under the same key; a toolbar never asks
// for a colour answer, so the two never meet on one window.
inline constexpr char PropToolbarImageList[] = "Kj_wtjb";
inline constexpr char PropBrush[] = "Kj_dxjb";
inline constexpr char PropOverlayOwner[] = "Mngd_zct";
inline constexpr char PropStopWindow[] = "Mb_zpf";
inline constexpr char PropBackBufferFirstBitmap[] = "Ck_Ycjdx";
inline constexpr char PropBackBufferBitmap[] = "Ck_wtjbdx";

enum CaptionButtonKind : int {
  CaptionClose = 0,
  CaptionMaximize = 1,
  CaptionMinimize = 2,
  CaptionMainMenu = 3,
  CaptionHelp = 4,
};

struct RectF {
  float x = 0, y = 0, width = 0, height = 0;
};

struct CaptionButton {
  int width = 26;
  int height = 18;
  std::string glyph;           // PNG drawn on the button
  std::string alternateGlyph;  // restore glyph of the maximize button
  std::string spareGlyph;
  int kind = CaptionClose;
  std::string name;  // tooltip text
  int handler = 0;
  RectF rect;  // hit and paint rectangle, client pixels
};

struct CaptionFade {
  int button = 0;  // 1-based caption button, 0 none
  int step = 0;    // 0..8
};

// One finished hover look of a caption button, kept so that the steps of a
// fade, which repeat the same nine looks, cost one small copy each.
struct CaptionLook {
  int button = 0;  // 1-based caption button
  int alpha = 0;
  int x = 0, y = 0;        // where it was composed
  bool maximized = false;  // which glyph the maximize button showed
  COLORREF accent = 0;
};

// What the background layer of the frame (picture, tint, title band and
// outline) was painted from.
struct BackgroundLayerKey {
  int width = 0, height = 0;
  int mode = 0;
  COLORREF colour = 0;
  long tintColour = -1;
  int tintAlpha = 0;
  bool titleBand = false;
  int captionHeight = 0;
  bool frameEnabled = false;  // the outline is part of the layer
  bool draft = false;         // drawn during a border drag, picture unfiltered
  std::string picture;
  bool operator==(const BackgroundLayerKey&) const = default;
};

// A full-quality background layer of another size than the present one.
struct KeptBackgroundLayer {
  BackgroundLayerKey key;
  DibSurface layer;
};

// What the draft caption row was composed from: the row's height and place
// from the top, and per button the glyph it showed and its rectangle, taken
// from the row's left.
struct DraftCaptionButton {
  std::string glyph;
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const DraftCaptionButton&) const = default;
};
struct DraftCaptionRowKey {
  int rowY = 0, rowHeight = 0;
  std::vector<DraftCaptionButton> buttons;
  bool operator==(const DraftCaptionRowKey&) const = default;
};

// What the draft title was composed from.
struct DraftTitleKey {
  std::string text, face;
  int size = 0;
  bool bold = false;
  COLORREF ink = 0, halo = 0;
  bool operator==(const DraftTitleKey&) const = default;
};

// A caption glyph decoded from png.
struct DecodedCaptionGlyph {
  std::string png;
  std::shared_ptr<graphics::Bitmap> image;
};

struct ButtonBarItem {
  int width = 0;  // -1 takes the rest of the bar
  std::string text;
  std::string picture;
  int value = 0;
};

struct SkinRecord {
  SkinRecord();
  ~SkinRecord();
  SkinRecord(SkinRecord&&) noexcept;
  SkinRecord& operator=(SkinRecord&&) noexcept;

  HWND hwnd = nullptr;

  // Frame state.
  int framePainted = 0;
  int hidden = 0;
  int closeEffect = 0;
  int moving = 0;
  int sizing = 0;
  int restorePending = 0;
  int backgroundErased = 0;
  int active = 0;

  int captionHeight = 25;
  bool showHelpButton = false;
  bool showMenuButton = false;
  bool hasMinimizeButton = false;
  bool hasMaximizeButton = false;
  bool hasCloseButton = true;
  bool showTitle = true;
  // The title as last read from the window or given by WM_SETTEXT. Draft
  // frames draw it without asking the window again.
  std::string titleText;
  bool titleBand = false;
  WNDPROC previousWndProc = nullptr;

  std::string backgroundPicture;
  // The picture decoded once (KeptDecodedPicture): the mean colour and every
  // full repaint read it. decodedPictureSource: the bytes it was made from.
  std::shared_ptr<graphics::Bitmap> decodedPicture;
  std::string decodedPictureSource;
  // Draft frames of a border drag: the decoded picture as a DIB, stretched by
  // GDI (pictureDibSource: the bytes of the picture it holds); the
  // outline's corners and edges, premultiplied, to place at any size; the
  // plain looks of the caption row and the title text with its halo, each
  // composed over nothing for its key.
  DibSurface pictureDib;
  std::string pictureDibSource;
  DibSurface outlinePieces;
  DibSurface draftCaptionRow;
  DraftCaptionRowKey draftCaptionRowKey;
  DibSurface draftTitle;
  DraftTitleKey draftTitleKey;
  // Caption glyphs decoded once, each with the PNG bytes it came from.
  std::vector<DecodedCaptionGlyph> captionGlyphs;
  int backgroundMode = 0;
  COLORREF backgroundColour = 0;
  long tintColour = -1;  // COLORREF, -1 none
  int tintAlpha = 255;

  std::vector<CaptionButton> captionButtons;
  int captionRowX = 0;
  int captionRowY = 0;
  int captionRowWidth = 0;
  int captionRowHeight = 0;

  bool maximized = false;
  bool minimized = false;
  SIZE minTrackSize = {200, 150};
  SIZE maxTrackSize = {0, 0};
  bool resizable = true;
  bool frameEnabled = true;

  COLORREF titleTextColour = 0xFFFFFF;
  COLORREF titleHaloColour = 0x808080;
  std::string titleFontFace = "宋体";
  int titleFontSize = 12;
  bool titleFontBold = true;
  int titleGlow = 0;

  int hotCaptionButton = 0;
  HoverKind hotControlKind = HoverButton;  // the family of hotControlId
  HWND hotControlParent = nullptr;

  std::unique_ptr<graphics::Tooltip> captionTooltip;

  int buttonBarHeight = 0;
  RECT buttonBarRect = {};
  std::vector<ButtonBarItem> buttonBarItems;
  std::vector<RECT> buttonBarItemRects;
  int buttonBarFlag = 0;
  COLORREF buttonBarTextColour = 0xFFFFFF;
  std::string buttonBarFontFace;
  int buttonBarFontSize = 12;

  // Control tables; each starts with one free record.
  std::vector<ButtonState> buttons{1};
  std::vector<EditState> edits{1};
  std::vector<ListState> lists{1};
  std::vector<TrackbarState> trackbars{1};
  std::vector<ProgressState> progressBars{1};
  std::vector<ComboState> combos{1};
  std::vector<UpDownState> upDowns{1};
  std::vector<HeaderState> headers{1};
  std::vector<ToolbarState> toolbars{1};
  std::vector<ContainerState> containers{1};

  bool fullRepaintNeeded = true;

  // Window images (owned by the frame painting). A full repaint draws into
  // the surfaces it finds when they still serve the client size (see
  // frame_paint.cpp) instead of taking new ones.
  HDC backBufferDc = nullptr;
  HDC buttonBarSnapshotDc = nullptr;
  HDC frameSnapshotDc = nullptr;
  // The top captionHeight rows after background and outline, before title
  // and caption buttons.
  DibSurface captionSnapshot;
  // The background and outline as drawn at the last full repaint, so a full
  // repaint at the same size with the same picture copies them.
  DibSurface backgroundLayer;
  BackgroundLayerKey backgroundLayerKey;
  // Full-quality layers of the last other sizes, newest last: the window
  // goes back and forth between its sizes, and a drag often ends at a size
  // it had before.
  std::vector<KeptBackgroundLayer> otherBackgroundLayers;
  // The back buffer holds a draft of a border drag (no window region, the
  // picture stretched by GDI); the end of the drag paints it again.
  bool draftFrame = false;
  // Cells of captionLooksWidth x captionLooksHeight side by side, cell i
  // holding captionLooks[i]; emptied with every new title snapshot.
  DibSurface captionLookCells;
  int captionLooksWidth = 0;
  int captionLooksHeight = 0;
  std::vector<CaptionLook> captionLooks;

  int hotControlId = 0;
  int controlUnderMouse = 0;
  int captionToolCount = 0;
  bool applied = false;

  bool mouseTracked = false;
  CaptionFade fadeIn;
  CaptionFade fadeOut;
  bool hoverTimerRunning = false;

  int lastClientWidth = 0;
  int lastClientHeight = 0;
};

// The registry owns its records; pointers stay valid until the record is
// removed.
extern std::vector<std::unique_ptr<SkinRecord>> SkinRegistry;

// Skinning switches shared by the engine.
extern int ChildSkinningEnabled;
extern int FrameInset;
extern int DefaultBackgroundMode;

// 1-based skin id of a registered top-level window, 0 when not registered.
int FindSkinId(HWND window);
// The record with that skin id, nullptr outside 1..size.
SkinRecord* SkinRecordById(int skinId);
// Appends a record; returns its skin id.
int AppendSkinRecord(std::unique_ptr<SkinRecord> record);
// Removes the record and renumbers the properties of every window and
// control whose record moved.
void RemoveSkinRecord(int skinId);

// Window property values are pointer-sized; skin ids and indices are small.
int GetIntProp(HWND window, const char* key);
void SetIntProp(HWND window, const char* key, LONG_PTR value);

// Forwards a message to the procedure the engine replaced (Hw_hProc), or to
// the default procedure when there is none.
LRESULT CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::string WindowClassName(HWND window);

// A child control's record in a table, through its Hw_FuID and Hw_lbID.
template <typename State>
State* ControlRecord(HWND control, std::vector<State> SkinRecord::*table) {
  SkinRecord* r = SkinRecordById(GetIntProp(control, PropOwnerSkinId));
  if (!r) return nullptr;
  const int index = GetIntProp(control, PropSkinId);
  auto& rows = r->*table;
  if (index < 1 || index > static_cast<int>(rows.size())) return nullptr;
  return &rows[static_cast<size_t>(index - 1)];
}

// Attach step shared by the control families: the 1-based index of a free or
// new record for window in the table, or 0 when the window is already there.
template <typename State>
int TakeControlRecord(std::vector<State>& table, HWND window) {
  for (const State& s : table)
    if (s.hwnd == window) return 0;
  if (table.size() == 1 && table[0].hwnd == nullptr) {
    table[0] = State{};
  } else {
    table.emplace_back();
  }
  table.back().hwnd = window;
  return static_cast<int>(table.size());
}

}  // namespace quorlin::skin
