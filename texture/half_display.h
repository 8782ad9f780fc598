// The display byte of one BC6H channel: its half float, negatives (and NaNs)
// to 0, x / (x + 1), sRGB-encoded.
#pragma once

#include <cstdint>

namespace orvelle {

// Computed from the half: HalfToFloat, the clamp, x / (x + 1) and EncodeSrgb8,
// in single precision.
uint8_t ComputeHalfDisplayByte(uint16_t half);

// ComputeHalfDisplayByte of every half without its sign bit, generated at
// build time by running that very function. Every half with its sign bit set
// maps to 0, so callers turn negatives into +0 first.
extern const uint8_t kHalfDisplayBytes[0x8000];

}  // namespace orvelle
