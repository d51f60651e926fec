// GDI+ 1.0 value types, enumerations and opaque handle types, without the
// SDK's C++ object classes. The wrappers of this library are the program's
// only owners of GDI+ objects; the flat functions themselves are declared in
// gdiplus_flat.h, which only the library's own sources include.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <math.h>
#include <stddef.h>

namespace Gdiplus {
typedef float REAL;
typedef SHORT INT16;
typedef WORD UINT16;
}  // namespace Gdiplus

#ifndef _COM_interface
#define _COM_interface struct
#endif
typedef _COM_interface IDirectDrawSurface7 IDirectDrawSurface7;

namespace Gdiplus {
#include <gdiplus/gdiplusenums.h>
#include <gdiplus/gdiplustypes.h>
#include <gdiplus/gdiplusgpstubs.h>
#include <gdiplus/gdiplusimaging.h>
#include <gdiplus/gdiplusinit.h>
#include <gdiplus/gdiplusmetaheader.h>
#include <gdiplus/gdipluspixelformats.h>
#include <gdiplus/gdipluscolor.h>
#include <gdiplus/gdipluscolormatrix.h>
}  // namespace Gdiplus

namespace quorlin::graphics {

using Gdiplus::ARGB;
using Gdiplus::GpStatus;
using Gdiplus::Point;
using Gdiplus::PointF;
using Gdiplus::Rect;
using Gdiplus::RectF;
using Gdiplus::SizeF;
using Gdiplus::REAL;
using Gdiplus::PixelFormat;
using Gdiplus::BitmapData;

using Gdiplus::GpImage;
using Gdiplus::GpBitmap;
using Gdiplus::GpGraphics;
using Gdiplus::GpPen;
using Gdiplus::GpBrush;
using Gdiplus::GpSolidFill;
using Gdiplus::GpLineGradient;
using Gdiplus::GpPathGradient;
using Gdiplus::GpTexture;
using Gdiplus::GpFont;
using Gdiplus::GpFontFamily;
using Gdiplus::GpFontCollection;
using Gdiplus::GpStringFormat;
using Gdiplus::GpPath;
using Gdiplus::GpRegion;
using Gdiplus::CGpEffect;

}  // namespace quorlin::graphics
