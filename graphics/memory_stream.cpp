#include "graphics/image.h"

#include <cstring>

namespace quorlin::graphics {

MemoryStream::MemoryStream(MemoryStream&& other) noexcept
    : memory_(std::exchange(other.memory_, nullptr)),
      lockedPointer_(std::exchange(other.lockedPointer_, nullptr)),
      stream_(std::exchange(other.stream_, nullptr)) {}

MemoryStream& MemoryStream::operator=(MemoryStream&& other) noexcept {
  if (this != &other) {
    Release();
    memory_ = std::exchange(other.memory_, nullptr);
    lockedPointer_ = std::exchange(other.lockedPointer_, nullptr);
    stream_ = std::exchange(other.stream_, nullptr);
  }
  return *this;
}

IStream* MemoryStream::FromBytes(const void* bytes, size_t size) {
  Release();
  // GlobalAlloc(0) gives no block; a one-byte block still makes a stream
  // (whose size is then set to 0).
  memory_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size ? size : 1);
  if (!memory_) return nullptr;
  if (size) {
    void* target = GlobalLock(memory_);
    if (!target) {
      Release();
      return nullptr;
    }
    if (bytes) std::memcpy(target, bytes, size);
    GlobalUnlock(memory_);
  }
  if (FAILED(CreateStreamOnHGlobal(memory_, FALSE, &stream_))) {
    stream_ = nullptr;
    Release();
    return nullptr;
  }
  if (!size) {
    ULARGE_INTEGER zero{};
    stream_->SetSize(zero);
  }
  return stream_;
}

IStream* MemoryStream::CreateEmpty() {
  Release();
  if (FAILED(CreateStreamOnHGlobal(nullptr, FALSE, &stream_))) {
    stream_ = nullptr;
    return nullptr;
  }
  if (FAILED(GetHGlobalFromStream(stream_, &memory_))) memory_ = nullptr;
  return stream_;
}

void MemoryStream::Release() {
  if (stream_) stream_->Release();
  if (memory_) GlobalFree(memory_);
  stream_ = nullptr;
  memory_ = nullptr;
  lockedPointer_ = nullptr;
}

size_t MemoryStream::GetSize() const {
  // The block can be larger than the stream's content (it grows in steps);
  // the stream knows the true size.
  if (stream_) {
    STATSTG stat{};
    if (SUCCEEDED(stream_->Stat(&stat, STATFLAG_NONAME)))
      return static_cast<size_t>(stat.cbSize.QuadPart);
  }
  return memory_ ? GlobalSize(memory_) : 0;
}

bool MemoryStream::Attach(IStream* stream) {
  Release();
  if (!stream) return false;
  stream_ = stream;
  if (FAILED(GetHGlobalFromStream(stream_, &memory_))) memory_ = nullptr;
  return memory_ != nullptr;
}

Bytes MemoryStream::ToBytes() {
  Bytes out;
  if (!memory_) return out;
  size_t size = GetSize();
  size_t block = GlobalSize(memory_);
  if (size > block) size = block;
  lockedPointer_ = GlobalLock(memory_);
  if (!lockedPointer_) return out;
  const auto* first = static_cast<const unsigned char*>(lockedPointer_);
  out.assign(first, first + size);
  GlobalUnlock(memory_);
  return out;
}

}  // namespace quorlin::graphics
