#include "shell/stream_adapter.h"

#include <combaseapi.h>

namespace orvelle {

namespace {

class LockGuard {
 public:
  explicit LockGuard(CRITICAL_SECTION* lock) : lock_(lock) { EnterCriticalSection(lock_); }
  ~LockGuard() { LeaveCriticalSection(lock_); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  CRITICAL_SECTION* lock_;
};

}  // namespace

StreamAdapter::StreamAdapter(IStream* stream) : stream_(stream) {
  InitializeCriticalSection(&lock_);
}

StreamAdapter::~StreamAdapter() { DeleteCriticalSection(&lock_); }

uint64_t StreamAdapter::ReadAt(uint64_t offset, void* destination, uint64_t length) {
  if (stream_ == nullptr || destination == nullptr) return 0;
  // IStream positions are signed; a larger offset cannot be reached.
  if (offset > static_cast<uint64_t>(INT64_MAX)) return 0;

  LockGuard guard(&lock_);
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (FAILED(stream_->Seek(position, STREAM_SEEK_SET, nullptr))) return 0;

  auto* out = static_cast<BYTE*>(destination);
  uint64_t total = 0;
  while (length > 0) {
    const ULONG piece = static_cast<ULONG>(length < kMaxStreamRead ? length : kMaxStreamRead);
    ULONG delivered = 0;
    if (FAILED(stream_->Read(out, piece, &delivered)) || delivered == 0) break;
    // A stream that claims more than it was asked for is held to the request.
    if (delivered > piece) delivered = piece;
    total += delivered;
    if (delivered < piece) break;
    out += delivered;
    length -= delivered;
  }
  return total;
}

uint64_t StreamReadAt(void* context, uint64_t offset, void* destination, uint64_t length) {
  auto* adapter = static_cast<StreamAdapter*>(context);
  return adapter == nullptr ? 0 : adapter->ReadAt(offset, destination, length);
}

bool MakeByteSource(StreamAdapter* adapter, ByteSource* source) {
  if (source == nullptr || adapter == nullptr || adapter->stream() == nullptr) return false;
  STATSTG stat = {};
  if (FAILED(adapter->stream()->Stat(&stat, STATFLAG_NONAME))) return false;
  // A stream that ignores STATFLAG_NONAME hands over a name all the same.
  CoTaskMemFree(stat.pwcsName);
  *source = ByteSource{adapter, &StreamReadAt, stat.cbSize.QuadPart};
  return true;
}

}  // namespace orvelle
