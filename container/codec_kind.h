// The Hap codec kinds, named by their sample-description format codes.
#pragma once

#include <cstdint>

namespace orvelle {

enum HapCodecKind : uint32_t {
  CodecKindNone = 0,  // not a Hap format
  CodecKindHap1 = 1,
  CodecKindHap5 = 2,
  CodecKindHapY = 3,
  CodecKindHapM = 4,
  CodecKindHapA = 5,
  CodecKindHap7 = 6,
  CodecKindHapH = 7,
};

// The codec kind of a big-endian format code; CodecKindNone for a non-Hap code.
HapCodecKind CodecKindFromFourcc(uint32_t fourcc);

}  // namespace orvelle
