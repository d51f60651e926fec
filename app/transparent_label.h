#pragma once
// A label that draws its text straight over whatever its parent paints
// beneath it: no background of its own, black text, DrawText flags fixed at
// creation.
#include <windows.h>

namespace quorlin {

inline constexpr char TransparentLabelClass[] = "QuorlinLabel";

using LabelMouseUpHandler = void (*)(int x, int y, WPARAM keys);

struct LabelOptions {
  UINT drawFlags = DT_NOPREFIX | DT_LEFT | DT_SINGLELINE | DT_VCENTER;
  HCURSOR cursor = nullptr;  // the class arrow when null
  LabelMouseUpHandler onMouseUp = nullptr;
};

bool RegisterTransparentLabelClass(HINSTANCE instance);
HWND CreateTransparentLabel(HWND parent, int id, const char* text, const RECT& bounds,
                            HFONT font, const LabelOptions& options);

}  // namespace quorlin
