#pragma once
// Small owners for GDI and USER handles: each releases its handle the way
// the platform wants it released, on every path out of a scope.
#include <windows.h>

#include <utility>

namespace quorlin::skin {

template <typename Handle, auto Release>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : handle_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Handle{}));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  Handle release() { return std::exchange(handle_, Handle{}); }
  void reset(Handle h = Handle{}) {
    if (handle_) Release(handle_);
    handle_ = h;
  }

 private:
  Handle handle_{};
};

inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
inline void DeleteMemoryDc(HDC dc) { DeleteDC(dc); }

using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using UniquePen = UniqueHandle<HPEN, DeleteGdiObject>;
using UniqueRegion = UniqueHandle<HRGN, DeleteGdiObject>;
using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueMemoryDc = UniqueHandle<HDC, DeleteMemoryDc>;

// A DC from GetDC/GetWindowDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window, bool wholeWindow = false)
      : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
  ~PaintScope() { EndPaint(window_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC get() const { return dc_; }
  const PAINTSTRUCT& paint() const { return ps_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Selects an object into a DC and selects the previous one back at the end.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A DIB selected into its own memory DC; the bitmap is selected out before
// either is deleted. Move-only.
class DibSurface {
 public:
  DibSurface() = default;
  // Takes a DIB section (CreateDib32) and selects it into a new memory DC.
  DibSurface(HBITMAP dib, int width, int height) : bitmap_(dib), width_(width), height_(height) {
    if (bitmap_) dc_.reset(CreateCompatibleDC(nullptr));
    if (dc_) previous_ = SelectObject(dc_.get(), bitmap_.get());
  }
  ~DibSurface() {
    if (dc_ && previous_) SelectObject(dc_.get(), previous_);
  }
  DibSurface(DibSurface&& other) noexcept
      : dc_(std::move(other.dc_)), bitmap_(std::move(other.bitmap_)),
        previous_(std::exchange(other.previous_, nullptr)), width_(other.width_), height_(other.height_) {}
  DibSurface& operator=(DibSurface&& other) noexcept {
    if (this != &other) {
      if (dc_ && previous_) SelectObject(dc_.get(), previous_);
      dc_ = std::move(other.dc_);
      bitmap_ = std::move(other.bitmap_);
      previous_ = std::exchange(other.previous_, nullptr);
      width_ = other.width_;
      height_ = other.height_;
    }
    return *this;
  }
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  explicit operator bool() const { return dc_ && previous_; }
  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  // The destructor selects the bitmap out; then the bitmap goes, then its DC.
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ previous_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace quorlin::skin
