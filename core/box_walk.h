// The boxes of the area-average downscaler along one dimension.
#pragma once

#include <cstdint>

namespace orvelle {

// The source rows (or columns) of consecutive target rows (or columns), box i
// running from floor(source * i / target) to floor(source * (i + 1) / target),
// at least one long and never past the source: walked without a division per box.
class BoxWalk {
 public:
  // Starts at box 0; targetLength is at least 1.
  void Start(uint64_t sourceLength, uint64_t targetLength) {
    source_ = sourceLength;
    target_ = targetLength;
    step_ = sourceLength / targetLength;
    stepRemainder_ = sourceLength % targetLength;
    begin_ = nextBegin_ = remainder_ = 0;
    Advance();
  }

  uint64_t begin() const { return begin_; }
  uint64_t end() const {
    const uint64_t end = nextBegin_ > begin_ ? nextBegin_ : begin_ + 1;
    return end < source_ ? end : source_;
  }

  void Next() {
    begin_ = nextBegin_;
    Advance();
  }

 private:
  // nextBegin_ = floor(source * (i + 1) / target), remainder_ its remainder.
  void Advance() {
    nextBegin_ += step_;
    remainder_ += stepRemainder_;
    if (remainder_ >= target_) {
      remainder_ -= target_;
      ++nextBegin_;
    }
  }

  uint64_t source_ = 0, target_ = 1, step_ = 0, stepRemainder_ = 0;
  uint64_t begin_ = 0, nextBegin_ = 0, remainder_ = 0;
};

}  // namespace orvelle
