// An IStream over bytes in memory whose failures and lies a test chooses, and which
// records how it was used. It lives on the test's stack: Release never frees it, and
// refs() shows whether the code under test balanced its references.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/windows/read_only_stream.h"

namespace orvelle::testing {

class FakeStream final : public ReadOnlyStream {
 public:
  explicit FakeStream(std::vector<BYTE> bytes = {})
      : bytes_(std::move(bytes)), size_(bytes_.size()) {}

  // Knobs.
  void SetReportedSize(uint64_t size) { size_ = size; }  // what Stat says; reads keep to the bytes
  void SetVirtual(bool on) { virtual_ = on; }  // reads copy nothing and reach the reported size
  void FailStat() { failStat_ = true; }
  void FailSeek() { failSeek_ = true; }
  void FailRead(size_t index) { failReadIndex_ = index; }  // that Read fails, claiming all bytes
  void LimitReads(ULONG most) { readLimit_ = most; }      // every Read delivers at most this
  void OverstateReads(ULONG extra) { overstate_ = extra; }

  // What happened.
  LONG refs() const { return refs_; }
  uint64_t position() const { return position_; }
  const std::vector<ULONG>& readSizes() const { return readSizes_; }
  const std::vector<const void*>& readTargets() const { return readTargets_; }
  size_t seeks() const { return seeks_; }

  IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  IFACEMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }

  IFACEMETHODIMP Read(void* destination, ULONG count, ULONG* delivered) override {
    const size_t index = readSizes_.size();
    readSizes_.push_back(count);
    readTargets_.push_back(destination);
    if (index == failReadIndex_) {
      if (delivered != nullptr) *delivered = count;
      return STG_E_READFAULT;
    }
    const uint64_t end = virtual_ ? size_ : bytes_.size();
    const uint64_t available = position_ < end ? end - position_ : 0;
    const ULONG n = static_cast<ULONG>(std::min<uint64_t>({count, available, readLimit_}));
    if (!virtual_ && n != 0) std::memcpy(destination, bytes_.data() + position_, n);
    position_ += n;
    if (delivered != nullptr) *delivered = n + overstate_;
    return n < count ? S_FALSE : S_OK;
  }

  IFACEMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    ++seeks_;
    if (failSeek_) return STG_E_INVALIDFUNCTION;
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) base = static_cast<int64_t>(position_);
    if (origin == STREAM_SEEK_END) base = static_cast<int64_t>(size_);
    if (base + move.QuadPart < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint64_t>(base + move.QuadPart);
    if (newPosition != nullptr) newPosition->QuadPart = position_;
    return S_OK;
  }

  IFACEMETHODIMP Stat(STATSTG* stat, DWORD) override {
    if (failStat_) return STG_E_ACCESSDENIED;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = size_;
    return S_OK;
  }

 private:
  std::vector<BYTE> bytes_;
  uint64_t size_;
  uint64_t position_ = 0;
  bool virtual_ = false;
  bool failStat_ = false;
  bool failSeek_ = false;
  size_t failReadIndex_ = SIZE_MAX;
  ULONG readLimit_ = ULONG_MAX;
  ULONG overstate_ = 0;
  volatile LONG refs_ = 1;
  std::vector<ULONG> readSizes_;
  std::vector<const void*> readTargets_;
  size_t seeks_ = 0;
};

}  // namespace orvelle::testing
