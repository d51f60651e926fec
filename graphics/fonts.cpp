// Fonts, font families, font collections and string formats.
#include "graphics/drawing.h"

#include "graphics/gdiplus_flat.h"

namespace quorlin::graphics {

// ---- FontCollection -------------------------------------------------------

GpStatus FontCollection::DeleteNative(GpFontCollection* collection) {
  return flat::GdipDeletePrivateFontCollection(&collection);
}

bool FontCollection::CreatePrivate() {
  GpFontCollection* collection = nullptr;
  bool ok = Track(flat::GdipNewPrivateFontCollection(&collection));
  SetNative(ok ? collection : nullptr);
  return ok;
}

bool FontCollection::AddFontFile(const char* path) {
  std::wstring wide = ToWide(path);
  return Track(flat::GdipPrivateAddFontFile(native_, wide.c_str()));
}

GpFontCollection* FontCollection::Resolve() const {
  if (native_) return native_;
  // The installed collection belongs to GDI+ and is never deleted.
  GpFontCollection* installed = nullptr;
  if (!Track(flat::GdipNewInstalledFontCollection(&installed))) return nullptr;
  return installed;
}

INT FontCollection::GetFamilyCount() const {
  INT count = 0;
  if (!Track(flat::GdipGetFontCollectionFamilyCount(Resolve(), &count))) count = 0;
  return count;
}

std::vector<FontFamily> FontCollection::GetFamilies(INT count) const {
  std::vector<FontFamily> families;
  if (count < 1) {
    LastStatus = Gdiplus::InvalidParameter;
    return families;
  }
  std::vector<GpFontFamily*> handles(static_cast<size_t>(count), nullptr);
  INT found = 0;
  if (!Track(flat::GdipGetFontCollectionFamilyList(Resolve(), count, handles.data(), &found)))
    return families;
  // The listed handles belong to the collection; each wrapper gets a clone.
  int status = LastStatus;
  for (INT i = 0; i < found && i < count; ++i) {
    GpFontFamily* copy = nullptr;
    if (flat::GdipCloneFontFamily(handles[static_cast<size_t>(i)], &copy) != Gdiplus::Ok) continue;
    families.emplace_back();
    families.back().SetNative(copy);
  }
  LastStatus = status;
  return families;
}

// ---- FontFamily -----------------------------------------------------------

GpStatus FontFamily::DeleteNative(GpFontFamily* family) { return flat::GdipDeleteFontFamily(family); }

bool FontFamily::FromName(const char* name, const FontCollection* collection) {
  std::wstring wide = ToWide(name);
  return FromNameW(wide.c_str(), collection);
}

bool FontFamily::FromNameW(const wchar_t* name, const FontCollection* collection) {
  GpFontFamily* family = nullptr;
  GpFontCollection* within = collection ? collection->GetNative() : nullptr;
  bool ok = Track(flat::GdipCreateFontFamilyFromName(name, within, &family));
  SetNative(ok ? family : nullptr);
  return ok;
}

bool FontFamily::GenericSansSerif() {
  GpFontFamily* family = nullptr;
  bool ok = Track(flat::GdipGetGenericFontFamilySansSerif(&family));
  SetNative(ok ? family : nullptr);
  return ok;
}

bool FontFamily::GenericSerif() {
  GpFontFamily* family = nullptr;
  bool ok = Track(flat::GdipGetGenericFontFamilySerif(&family));
  SetNative(ok ? family : nullptr);
  return ok;
}

bool FontFamily::GenericMonospace() {
  GpFontFamily* family = nullptr;
  bool ok = Track(flat::GdipGetGenericFontFamilyMonospace(&family));
  SetNative(ok ? family : nullptr);
  return ok;
}

bool FontFamily::Clone(FontFamily& target) const {
  GpFontFamily* family = nullptr;
  bool ok = Track(flat::GdipCloneFontFamily(native_, &family));
  target.SetNative(ok ? family : nullptr);
  return ok;
}

std::wstring FontFamily::GetFamilyNameW(LANGID language) const {
  WCHAR name[LF_FACESIZE] = {};
  if (!Track(flat::GdipGetFamilyName(native_, name, language))) return std::wstring();
  name[LF_FACESIZE - 1] = 0;
  return std::wstring(name);
}

std::string FontFamily::GetFamilyName(LANGID language) const {
  return FromWide(GetFamilyNameW(language).c_str());
}

bool FontFamily::IsStyleAvailable(INT style) const {
  BOOL available = FALSE;
  Track(flat::GdipIsStyleAvailable(native_, style, &available));
  return available != FALSE;
}

#define QUORLIN_FAMILY_METRIC(Name)                                   \
  UINT16 FontFamily::Name(INT style) const {                          \
    UINT16 value = 0;                                                 \
    if (!Track(flat::Gdip##Name(native_, style, &value))) value = 0;  \
    return value;                                                     \
  }
QUORLIN_FAMILY_METRIC(GetEmHeight)
QUORLIN_FAMILY_METRIC(GetCellAscent)
QUORLIN_FAMILY_METRIC(GetCellDescent)
QUORLIN_FAMILY_METRIC(GetLineSpacing)
#undef QUORLIN_FAMILY_METRIC

// ---- Font -----------------------------------------------------------------

GpStatus Font::DeleteNative(GpFont* font) { return flat::GdipDeleteFont(font); }

bool Font::CreateFromFamily(const FontFamily& family, REAL size, INT style, Unit unit) {
  GpFont* font = nullptr;
  bool ok = Track(flat::GdipCreateFont(family.GetNative(), size, style, unit, &font));
  SetNative(ok ? font : nullptr);
  return ok;
}

bool Font::Create(const char* familyName, REAL size, INT style, Unit unit) {
  std::wstring wide = ToWide(familyName);
  return CreateW(wide.c_str(), size, style, unit);
}

bool Font::CreateW(const wchar_t* familyName, REAL size, INT style, Unit unit) {
  FontFamily family;
  if (!family.FromNameW(familyName)) {
    SetNative(nullptr);
    return false;
  }
  return CreateFromFamily(family, size, style, unit);
  // family is deleted here, after the font took its own reference.
}

bool Font::FromStockFont() {
  LOGFONTA logfont{};
  HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
  if (!stock || GetObjectA(stock, sizeof(logfont), &logfont) != sizeof(logfont)) {
    LastStatus = Gdiplus::Win32Error;
    return false;
  }
  HDC screen = ::GetDC(nullptr);
  bool ok = FromLogfontA(screen, logfont);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

bool Font::FromDC(HDC dc, HFONT font) {
  LOGFONTA logfont{};
  if (font && GetObjectA(font, sizeof(logfont), &logfont) == sizeof(logfont))
    return FromLogfontA(dc, logfont);
  GpFont* created = nullptr;
  bool ok = Track(flat::GdipCreateFontFromDC(dc, &created));
  SetNative(ok ? created : nullptr);
  return ok;
}

bool Font::FromLogfontA(HDC dc, const LOGFONTA& logfont) {
  GpFont* font = nullptr;
  bool ok = Track(flat::GdipCreateFontFromLogfontA(dc, const_cast<LOGFONTA*>(&logfont), &font));
  SetNative(ok ? font : nullptr);
  return ok;
}

bool Font::FromLogfontW(HDC dc, const LOGFONTW& logfont) {
  GpFont* font = nullptr;
  bool ok = Track(flat::GdipCreateFontFromLogfontW(dc, const_cast<LOGFONTW*>(&logfont), &font));
  SetNative(ok ? font : nullptr);
  return ok;
}

bool Font::Clone(Font& target) const {
  GpFont* font = nullptr;
  bool ok = Track(flat::GdipCloneFont(native_, &font));
  target.SetNative(ok ? font : nullptr);
  return ok;
}

bool Font::GetLogFontA(const Graphics& graphics, LOGFONTA* logfont) const {
  return Track(flat::GdipGetLogFontA(native_, graphics.GetNative(), logfont));
}

bool Font::GetFamily(FontFamily& target) const {
  GpFontFamily* family = nullptr;
  bool ok = Track(flat::GdipGetFamily(native_, &family));
  target.SetNative(ok ? family : nullptr);
  return ok;
}

INT Font::GetStyle() const {
  INT style = 0;
  if (!Track(flat::GdipGetFontStyle(native_, &style))) style = 0;
  return style;
}

REAL Font::GetSize() const {
  REAL size = 0;
  if (!Track(flat::GdipGetFontSize(native_, &size))) size = 0;
  return size;
}

Unit Font::GetUnit() const {
  Unit unit = Gdiplus::UnitWorld;
  Track(flat::GdipGetFontUnit(native_, &unit));
  return unit;
}

REAL Font::GetHeight(const Graphics* graphics) const {
  REAL height = 0;
  if (!Track(flat::GdipGetFontHeight(native_, graphics ? graphics->GetNative() : nullptr, &height)))
    height = 0;
  return height;
}

REAL Font::GetHeightGivenDPI(REAL dpi) const {
  REAL height = 0;
  if (!Track(flat::GdipGetFontHeightGivenDPI(native_, dpi, &height))) height = 0;
  return height;
}

// ---- StringFormat ---------------------------------------------------------

GpStatus StringFormat::DeleteNative(GpStringFormat* format) {
  return flat::GdipDeleteStringFormat(format);
}

bool StringFormat::Create(INT flags, LANGID language) {
  GpStringFormat* format = nullptr;
  bool ok = Track(flat::GdipCreateStringFormat(flags, language, &format));
  SetNative(ok ? format : nullptr);
  return ok;
}

// The generic formats are GDI+'s shared objects; the wrappers own clones.
bool StringFormat::GenericDefault() {
  GpStringFormat* shared = nullptr;
  GpStringFormat* format = nullptr;
  bool ok = Track(flat::GdipStringFormatGetGenericDefault(&shared)) &&
            Track(flat::GdipCloneStringFormat(shared, &format));
  SetNative(ok ? format : nullptr);
  return ok;
}

bool StringFormat::GenericTypographic() {
  GpStringFormat* shared = nullptr;
  GpStringFormat* format = nullptr;
  bool ok = Track(flat::GdipStringFormatGetGenericTypographic(&shared)) &&
            Track(flat::GdipCloneStringFormat(shared, &format));
  SetNative(ok ? format : nullptr);
  return ok;
}

bool StringFormat::Clone(StringFormat& target) const {
  GpStringFormat* format = nullptr;
  bool ok = Track(flat::GdipCloneStringFormat(native_, &format));
  target.SetNative(ok ? format : nullptr);
  return ok;
}

bool StringFormat::SetFlags(INT flags) { return Track(flat::GdipSetStringFormatFlags(native_, flags)); }

INT StringFormat::GetFlags() const {
  INT flags = 0;
  if (!Track(flat::GdipGetStringFormatFlags(native_, &flags))) flags = 0;
  return flags;
}

bool StringFormat::SetAlign(Gdiplus::StringAlignment align) {
  return Track(flat::GdipSetStringFormatAlign(native_, align));
}

Gdiplus::StringAlignment StringFormat::GetAlign() const {
  Gdiplus::StringAlignment align = Gdiplus::StringAlignmentNear;
  Track(flat::GdipGetStringFormatAlign(native_, &align));
  return align;
}

bool StringFormat::SetLineAlign(Gdiplus::StringAlignment align) {
  return Track(flat::GdipSetStringFormatLineAlign(native_, align));
}

Gdiplus::StringAlignment StringFormat::GetLineAlign() const {
  Gdiplus::StringAlignment align = Gdiplus::StringAlignmentNear;
  Track(flat::GdipGetStringFormatLineAlign(native_, &align));
  return align;
}

bool StringFormat::SetTrimming(Gdiplus::StringTrimming trimming) {
  return Track(flat::GdipSetStringFormatTrimming(native_, trimming));
}

Gdiplus::StringTrimming StringFormat::GetTrimming() const {
  Gdiplus::StringTrimming trimming = Gdiplus::StringTrimmingNone;
  Track(flat::GdipGetStringFormatTrimming(native_, &trimming));
  return trimming;
}

bool StringFormat::SetHotkeyPrefix(INT prefix) {
  return Track(flat::GdipSetStringFormatHotkeyPrefix(native_, prefix));
}

INT StringFormat::GetHotkeyPrefix() const {
  INT prefix = 0;
  if (!Track(flat::GdipGetStringFormatHotkeyPrefix(native_, &prefix))) prefix = 0;
  return prefix;
}

bool StringFormat::SetTabStops(REAL firstOffset, const REAL* stops, INT count) {
  return Track(flat::GdipSetStringFormatTabStops(native_, firstOffset, count, stops));
}

}  // namespace quorlin::graphics
