// Shared object model of the GDI+ wrappers.
//
// Every wrapper owns at most one native GDI+ object and deletes it when it is
// destroyed. Wrappers are move-only: a copy would give one native object two
// owners and a double delete. Operations that act return true when GDI+
// answered Ok; operations that read return the value (0 or empty on failure).
// Either way the GDI+ status of the last flat call is kept in LastStatus.
#pragma once

#include "graphics/gdiplus_types.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace quorlin::graphics {

// Status of the most recent flat call made by the layer (0 = Ok). The layer
// is used from the user-interface thread only.
inline int LastStatus = 0;

// Records a flat call's status; true when it is Ok.
inline bool Track(GpStatus status) {
  LastStatus = static_cast<int>(status);
  return status == Gdiplus::Ok;
}

using Bytes = std::vector<unsigned char>;

// GDI+ memory, for callers that hand buffers to GDI+ or free ones it returned.
void* Alloc(std::size_t size);
void Free(void* block);

// Owning holder of one native handle. Derived supplies
//   static GpStatus DeleteNative(Handle*);
// defined next to the class's other flat calls.
template <class Derived, class Handle>
class NativeWrapper {
 public:
  NativeWrapper() = default;
  NativeWrapper(const NativeWrapper&) = delete;
  NativeWrapper& operator=(const NativeWrapper&) = delete;
  NativeWrapper(NativeWrapper&& other) noexcept
      : native_(std::exchange(other.native_, nullptr)) {}
  NativeWrapper& operator=(NativeWrapper&& other) noexcept {
    if (this != &other) {
      Reset();
      native_ = std::exchange(other.native_, nullptr);
    }
    return *this;
  }
  ~NativeWrapper() { Reset(); }

  Handle* GetNative() const { return native_; }
  bool IsEmpty() const { return native_ == nullptr; }
  explicit operator bool() const { return native_ != nullptr; }

  // Takes ownership of handle. A different object held before is deleted
  // first, so creating into a wrapper that is in use does not leak.
  void SetNative(Handle* handle) {
    if (handle != native_) {
      Reset();
      native_ = handle;
    }
  }

  // Gives up ownership without deleting.
  Handle* Detach() { return std::exchange(native_, nullptr); }

  // Deletes the native object; false (and nothing done) when empty.
  bool Delete() {
    if (!native_) return false;
    return Track(Derived::DeleteNative(std::exchange(native_, nullptr)));
  }

 protected:
  // Deletes without touching LastStatus: clean-up must not hide the status of
  // the operation the caller is interested in.
  void Reset() {
    if (native_) Derived::DeleteNative(std::exchange(native_, nullptr));
  }

  Handle* native_ = nullptr;
};

// Text conversions. ANSI texts go to UTF-16 with CP_ACP; UTF-16 results come
// back to text with CP_OEMCP (the same code page, 936, on the target systems).
std::wstring ToWide(const char* text);
std::string FromWide(const wchar_t* text);

// GUIDs as registry-format text, e.g. "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}".
std::string GuidToText(const GUID& guid);
// An unparsable text gives the all-zero GUID (and false).
bool TextToGuid(const std::string& text, GUID* guid);

}  // namespace quorlin::graphics
