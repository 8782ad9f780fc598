// Holders that give back a Windows handle when they go out of scope, so that no early
// return can leak a registry key, a device context or a GDI object.
#pragma once

#include <windows.h>

namespace orvelle {

// Owns one handle of type Handle, freed by Free; null means none.
template <typename Handle, typename Free>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  // For an API's out-parameter: frees what is held, then lends the empty slot.
  Handle* put() {
    reset();
    return &handle_;
  }

  // Hands the handle over to the caller, who frees it from now on.
  Handle release() {
    const Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  void reset() {
    if (handle_ != nullptr) Free()(handle_);
    handle_ = nullptr;
  }

  Handle handle_ = nullptr;
};

struct RegKeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

using ScopedRegKey = ScopedHandle<HKEY, RegKeyCloser>;
// A memory device context from CreateCompatibleDC; not one from GetDC, which is released.
using ScopedDc = ScopedHandle<HDC, DcDeleter>;
using ScopedBitmap = ScopedHandle<HBITMAP, GdiObjectDeleter>;

}  // namespace orvelle
