// The GDI+ flat interface. Included by the graphics library's sources only:
// code outside graphics/ draws through the wrapper classes.
#pragma once

#include "graphics/gdiplus_types.h"

namespace Gdiplus {
#include <gdiplus/gdiplusmem.h>
#include <gdiplus/gdiplusflat.h>
}  // namespace Gdiplus

namespace quorlin::graphics {
namespace flat = Gdiplus::DllExports;
}  // namespace quorlin::graphics
