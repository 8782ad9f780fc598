// An IStream over bytes that many requests share, which can start failing at a chosen call
// and go on failing, as a stream from a network share that drops midway. It lives on the
// test's stack and counts its references, so that a leaked one shows.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/windows/read_only_stream.h"

namespace orvelle::testing {

enum class Fault { None, ReadError, ShortRead, ReadFalse, SeekError, StatError };
constexpr Fault Faults[] = {Fault::ReadError, Fault::ShortRead, Fault::ReadFalse, Fault::SeekError,
                            Fault::StatError};

class FaultyStream final : public ReadOnlyStream {
 public:
  // From call number `firstFailingCall` on (counting Read, Seek and Stat), every call of
  // the kind `fault` names misbehaves; `seed` picks how.
  FaultyStream(const std::vector<BYTE>& bytes, Fault fault, uint32_t firstFailingCall,
               uint32_t seed)
      : bytes_(bytes), fault_(fault), firstFailingCall_(firstFailingCall), random_(seed | 1) {}

  LONG refs() const { return refs_; }
  uint32_t calls() const { return calls_; }
  bool struck() const { return struck_; }

  IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  IFACEMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }

  IFACEMETHODIMP Read(void* destination, ULONG count, ULONG* delivered) override {
    const bool strikes = Strikes(fault_ == Fault::ReadError || fault_ == Fault::ShortRead ||
                                 fault_ == Fault::ReadFalse);
    if (strikes && fault_ == Fault::ReadError) {
      // A lying stream may claim every byte of a failed call.
      if (delivered != nullptr) *delivered = Next() % 2 ? count : 0;
      return STG_E_READFAULT;
    }
    const uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    ULONG n = static_cast<ULONG>(std::min<uint64_t>(count, available));
    if (strikes && n != 0) n = Next() % n;  // fewer bytes, with S_OK or with S_FALSE
    if (n != 0) std::memcpy(destination, bytes_.data() + position_, n);
    position_ += n;
    if (delivered != nullptr) *delivered = n;
    if (strikes) return fault_ == Fault::ReadFalse ? S_FALSE : S_OK;
    return n < count ? S_FALSE : S_OK;
  }

  IFACEMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    if (Strikes(fault_ == Fault::SeekError)) return STG_E_SEEKERROR;
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) base = static_cast<int64_t>(position_);
    if (origin == STREAM_SEEK_END) base = static_cast<int64_t>(bytes_.size());
    if (base + move.QuadPart < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint64_t>(base + move.QuadPart);
    if (newPosition != nullptr) newPosition->QuadPart = position_;
    return S_OK;
  }

  IFACEMETHODIMP Stat(STATSTG* stat, DWORD) override {
    if (Strikes(fault_ == Fault::StatError)) return STG_E_ACCESSDENIED;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_.size();
    return S_OK;
  }

 private:
  // Counts one call and says whether it misbehaves: a call of the failing kind at or past
  // the failing point.
  bool Strikes(bool ofTheFailingKind) {
    const bool strikes = ofTheFailingKind && calls_ >= firstFailingCall_;
    ++calls_;
    struck_ = struck_ || strikes;
    return strikes;
  }

  uint32_t Next() {  // xorshift32
    random_ ^= random_ << 13;
    random_ ^= random_ >> 17;
    random_ ^= random_ << 5;
    return random_;
  }

  const std::vector<BYTE>& bytes_;
  const Fault fault_;
  const uint32_t firstFailingCall_;
  uint32_t random_;
  uint64_t position_ = 0;
  uint32_t calls_ = 0;
  bool struck_ = false;
  volatile LONG refs_ = 1;
};

}  // namespace orvelle::testing
