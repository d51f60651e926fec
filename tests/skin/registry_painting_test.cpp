// The skin registry and the GDI side of the painting model, on real windows.
#include <doctest/doctest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_record.h"
#include "leak_check.h"
#include "window_probe.h"

using namespace quorlin::skin;

namespace {

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND CreateTopWindow(int x, int y, int w, int h) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "RegistryTestTop";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "RegistryTestTop", "top", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

HWND CreateChild(HWND parent, const char* cls, int x, int y, int w, int h, DWORD style = 0) {
  return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Registers a window with a record as ApplySkin would, with an edit and a
// button in its tables.
int RegisterWindow(HWND top, HWND edit, HWND button) {
  auto record = std::make_unique<SkinRecord>();
  record->hwnd = top;
  const int id = AppendSkinRecord(std::move(record));
  SetIntProp(top, PropSkinId, id);
  SkinRecord* r = SkinRecordById(id);
  const int e = TakeControlRecord(r->edits, edit);
  SetIntProp(edit, PropSkinId, e);
  SetIntProp(edit, PropOwnerSkinId, id);
  const int b = TakeControlRecord(r->buttons, button);
  SetIntProp(button, PropSkinId, b);
  SetIntProp(button, PropOwnerSkinId, id);
  return id;
}

// A memory DC over a DIB whose every pixel encodes its position.
HDC PatternedDc(int w, int h) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDib32(w, h);
  RegisterDcBitmap(dc, bmp, SelectObject(dc, bmp));
  DIBSECTION dib = {};
  GetObjectA(bmp, sizeof dib, &dib);
  auto* bits = static_cast<DWORD*>(dib.dsBm.bmBits);  // bottom-up rows of 0x00RRGGBB
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bits[static_cast<size_t>(h - 1 - y) * w + x] = (DWORD(x & 0xFF) << 16) | (DWORD(y & 0xFF) << 8) | DWORD((x * 7 + y) & 0xFF);
  return dc;
}

struct TwoWindows {
  HWND a = CreateTopWindow(10, 10, 300, 200);
  HWND aEdit = CreateChild(a, "Edit", 10, 10, 100, 20);
  HWND aButton = CreateChild(a, "Button", 10, 40, 100, 20);
  HWND b = CreateTopWindow(400, 10, 300, 200);
  HWND bEdit = CreateChild(b, "Edit", 10, 10, 100, 20);
  HWND bButton = CreateChild(b, "Button", 10, 40, 100, 20);
  ~TwoWindows() {
    SkinRegistry.clear();
    DestroyWindow(a);
    DestroyWindow(b);
  }
};

}  // namespace

TEST_CASE("the registry numbers windows by position and renumbers on removal") {
  TwoWindows w;
  CHECK(FindSkinId(w.a) == 0);
  CHECK(FindSkinId(nullptr) == 0);
  REQUIRE(RegisterWindow(w.a, w.aEdit, w.aButton) == 1);
  REQUIRE(RegisterWindow(w.b, w.bEdit, w.bButton) == 2);
  CHECK(FindSkinId(w.b) == 2);
  CHECK(ControlRecord(w.bEdit, &SkinRecord::edits)->hwnd == w.bEdit);
  // The first control reuses the table's free record.
  CHECK(SkinRecordById(2)->edits.size() == 1);
  CHECK(TakeControlRecord(SkinRecordById(2)->edits, w.bEdit) == 0);  // attached once

  RemoveSkinRecord(1);
  CHECK(SkinRegistry.size() == 1);
  CHECK(FindSkinId(w.a) == 0);
  CHECK(FindSkinId(w.b) == 1);
  CHECK(GetIntProp(w.b, PropSkinId) == 1);
  CHECK(GetIntProp(w.bEdit, PropOwnerSkinId) == 1);
  CHECK(GetIntProp(w.bButton, PropOwnerSkinId) == 1);
  CHECK(ControlRecord(w.bButton, &SkinRecord::buttons)->hwnd == w.bButton);
  CHECK(SkinRecordById(0) == nullptr);
  CHECK(SkinRecordById(2) == nullptr);
  RemoveSkinRecord(5);  // out of range: nothing happens
  CHECK(SkinRegistry.size() == 1);
}

TEST_CASE("colour words convert between COLORREF and ARGB") {
  CHECK(ArgbFromColorRef(0x00FFFFFF, 0, true) == 0x00FFFFFFu);
  CHECK(ArgbFromColorRef(0x00112233, 0, false) == 0xFF332211u);
  CHECK(ArgbFromColorRef(0x7F112233, 0x40, true) == 0x40332211u);  // byte 3 is overwritten
  const ColourAndAlpha c = ColorRefFromArgb(0x80332211);
  CHECK(c.colour == 0x00112233u);
  CHECK(c.alpha == 0x80);
}

TEST_CASE("the DC cache releases only what it holds") {
  CHECK(ReleaseDcBitmap(nullptr) == 0);
  HDC stranger = CreateCompatibleDC(nullptr);
  CHECK(ReleaseDcBitmap(stranger) == 0);
  DeleteDC(stranger);
  const size_t before = DcBitmapCacheSize();
  HDC dc = PatternedDc(4, 4);
  CHECK(DcBitmapCacheSize() == before + 1);
  CHECK(ReleaseDcBitmap(dc) == 1);
  CHECK(ReleaseDcBitmap(dc) == 0);
  CHECK(DcBitmapCacheSize() == before);
}

TEST_CASE("a control on a skinned window sees the back buffer at its position") {
  TwoWindows w;
  const int id = RegisterWindow(w.a, w.aEdit, w.aButton);
  SkinRecord* r = SkinRecordById(id);
  r->backBufferDc = PatternedDc(300, 200);
  HWND control = CreateChild(w.a, "Static", 37, 51, 40, 30);
  {
    CachedDc behind(PaintParentBackground(control, RECT{2, 3, 22, 13}));
    int mismatches = 0;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 20; ++x)
        if (GetPixel(behind.get(), x, y) != GetPixel(r->backBufferDc, 37 + 2 + x, 51 + 3 + y)) ++mismatches;
    CHECK(mismatches == 0);
  }
  SUBCASE("a window outside any skin gets transparent black") {
    HWND loose = CreateTopWindow(0, 0, 50, 50);
    CachedDc behind(PaintParentBackground(loose, RECT{0, 0, 8, 8}));
    CHECK(GetPixel(behind.get(), 3, 3) == 0);
    DestroyWindow(loose);
  }
  ReleaseDcBitmap(r->backBufferDc);
  r->backBufferDc = nullptr;
}

TEST_CASE("geometry helpers measure from the skinned window") {
  TwoWindows w;
  RegisterWindow(w.a, w.aEdit, w.aButton);
  HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE, 20, 30, 100, 24, w.a, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  const RECT wr = WindowRectInSkin(edit);
  CHECK(wr.left == 20);
  CHECK(wr.top == 30);
  CHECK(wr.right == 120);
  CHECK(wr.bottom == 54);
  const RECT cr = ClientRectInSkin(edit);
  CHECK(cr.left == 22);  // the client edge is two pixels wide
  CHECK(cr.top == 32);
  CHECK(cr.right == 118);
  CHECK(cr.bottom == 52);
  HWND inner = CreateChild(edit, "Static", 5, 5, 10, 10);
  CHECK(FindTopSkinId(inner) == 1);
  CHECK(FindTopSkinId(w.b) == 0);
  const SkinAncestor found = FindSkinAncestor(inner, true);
  CHECK(found.found);
  CHECK(found.skinId == 1);
}

TEST_CASE("composite copies skip visible children and keyed pixels") {
  TwoWindows w;
  const int id = RegisterWindow(w.a, w.aEdit, w.aButton);
  SkinRecord* r = SkinRecordById(id);
  HDC composite = PatternedDc(300, 200);
  r->frameSnapshotDc = composite;
  HWND host = CreateChild(w.a, "Static", 100, 100, 60, 40);
  SetIntProp(host, PropOwnerSkinId, id);
  CreateChild(host, "Static", 10, 10, 20, 10);  // the visible child

  const COLORREF before = GetPixel(composite, 115, 115);  // under the child
  HDC source = PatternedDc(60, 40);
  RECT all = {0, 0, 60, 40};
  HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
  FillRect(source, &all, green);
  DeleteObject(green);
  SUBCASE("opaque copy") {
    BlitToComposite(host, source);
    CHECK(GetPixel(composite, 101, 101) == RGB(0, 200, 0));
    CHECK(GetPixel(composite, 115, 115) == before);
  }
  SUBCASE("keyed copy leaves magenta out") {
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    RECT hole = {40, 0, 60, 40};
    FillRect(source, &hole, magenta);
    DeleteObject(magenta);
    const COLORREF underHole = GetPixel(composite, 150, 105);
    BlitToCompositeKeyed(host, source, RGB(255, 0, 255));
    CHECK(GetPixel(composite, 101, 101) == RGB(0, 200, 0));
    CHECK(GetPixel(composite, 150, 105) == underHole);
    CHECK(GetPixel(composite, 115, 115) == before);
  }
  ReleaseDcBitmap(source);
  ReleaseDcBitmap(composite);
  r->frameSnapshotDc = nullptr;
}

TEST_CASE("background copies leave GDI object counts flat") {
  TwoWindows w;
  const int id = RegisterWindow(w.a, w.aEdit, w.aButton);
  SkinRecord* r = SkinRecordById(id);
  r->backBufferDc = PatternedDc(300, 200);
  auto cycle = [&] {
    CachedDc dc(PaintParentBackground(w.aEdit, RECT{0, 0, 100, 20}));
  };
  for (int i = 0; i < 20; ++i) cycle();  // warm-up
  const quorlin::test::LeakBaseline baseline;
  for (int i = 0; i < 2000; ++i) cycle();
  CHECK(baseline.GdiGrowth() <= 2);
  ReleaseDcBitmap(r->backBufferDc);
  r->backBufferDc = nullptr;
}

TEST_CASE("with no GDI handle left for its DC, the parent background gives no DC and keeps no bitmap") {
  TwoWindows w;
  RegisterWindow(w.a, w.aEdit, w.aButton);
  // Fill the process's GDI handle table, then free exactly one handle: the
  // bitmap takes it and the DC finds none.
  std::vector<HBRUSH> filler;
  for (int i = 0; i < 70000; ++i) {
    HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
    if (!b) break;
    filler.push_back(b);
  }
  REQUIRE(filler.size() > 1000);
  DeleteObject(filler.back());
  filler.pop_back();
  const size_t cached = DcBitmapCacheSize();
  HDC dc = PaintParentBackground(w.aEdit, RECT{0, 0, 50, 20});
  // The freed handle is free again: a brush can take it.
  HBRUSH probe = CreateSolidBrush(RGB(4, 5, 6));
  const bool handleFree = probe != nullptr;
  if (probe) DeleteObject(probe);
  for (HBRUSH b : filler) DeleteObject(b);
  CHECK(dc == nullptr);
  CHECK(DcBitmapCacheSize() == cached);
  CHECK(handleFree);
}

TEST_CASE("the GDI count used by the leak tests sees a leak") {
  CHECK(quorlin::test::CountersSeeObjects());
  const unsigned long before = quorlin::test::GdiObjectCount();
  CHECK(before > 0);
  HBRUSH leaked[10];
  for (HBRUSH& b : leaked) b = CreateSolidBrush(RGB(1, 2, 3));
  CHECK(quorlin::test::GdiObjectCount() >= before + 10);
  for (HBRUSH b : leaked) DeleteObject(b);
  CHECK(quorlin::test::GdiObjectCount() <= before);
}
