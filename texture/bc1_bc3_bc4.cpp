// BC1, BC3 and BC4 block decoders. Every palette entry is the exactly rounded
// (BC1) or truncated (BC4) rational value, computed by multiply and shift.
#include "texture/bc1_bc3_bc4.h"

#include <cstddef>
#include <cstring>

namespace orvelle {
namespace {

uint32_t ReadLe16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }

uint32_t ReadLe32(const uint8_t* p) { return ReadLe16(p) | ReadLe16(p + 2) << 16; }

uint64_t ReadLe64(const uint8_t* p) { return ReadLe32(p) | uint64_t{ReadLe32(p + 4)} << 32; }

// round(v * 255 / 31) and round(v * 255 / 63).
uint8_t Expand5(uint32_t v) { return static_cast<uint8_t>((v * 527 + 23) >> 6); }
uint8_t Expand6(uint32_t v) { return static_cast<uint8_t>((v * 259 + 33) >> 6); }

// round(255 * sum / 93) and round(255 * sum / 189): a third of the way, sum = 2a + b.
uint8_t Third5(uint32_t sum) { return static_cast<uint8_t>((sum * 351 + 61) >> 7); }
uint8_t Third6(uint32_t sum) { return static_cast<uint8_t>((sum * 2763 + 1039) >> 11); }

// round(255 * sum / 62) and round(255 * sum / 126): the midpoint, sum = a + b.
uint8_t Half5(uint32_t sum) { return static_cast<uint8_t>((sum * 1053 + 125) >> 8); }
uint8_t Half6(uint32_t sum) { return static_cast<uint8_t>((sum * 4145 + 1019) >> 11); }

struct Rgb565 {
  uint32_t r;
  uint32_t g;
  uint32_t b;
};

Rgb565 SplitRgb565(uint32_t colour) {
  return Rgb565{colour >> 11, (colour >> 5) & 0x3F, colour & 0x1F};
}

}  // namespace

void DecodeBc1Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    bool forceFourColour) {
  const uint32_t colour0 = ReadLe16(block);
  const uint32_t colour1 = ReadLe16(block + 2);
  const Rgb565 a = SplitRgb565(colour0);
  const Rgb565 b = SplitRgb565(colour1);

  uint8_t palette[4][4] = {
      {Expand5(a.r), Expand6(a.g), Expand5(a.b), 255},
      {Expand5(b.r), Expand6(b.g), Expand5(b.b), 255},
  };
  if (forceFourColour || colour0 > colour1) {
    const uint8_t third[4] = {Third5(2 * a.r + b.r), Third6(2 * a.g + b.g),
                              Third5(2 * a.b + b.b), 255};
    const uint8_t twoThirds[4] = {Third5(a.r + 2 * b.r), Third6(a.g + 2 * b.g),
                                  Third5(a.b + 2 * b.b), 255};
    std::memcpy(palette[2], third, 4);
    std::memcpy(palette[3], twoThirds, 4);
  } else {
    const uint8_t half[4] = {Half5(a.r + b.r), Half6(a.g + b.g), Half5(a.b + b.b), 255};
    std::memcpy(palette[2], half, 4);  // palette[3] stays transparent black
  }

  uint32_t indices = ReadLe32(block + 4);
  for (int row = 0; row < 4; ++row) {
    uint8_t* out = destination + static_cast<ptrdiff_t>(row) * rowStride;
    for (int column = 0; column < 4; ++column, indices >>= 2) {
      std::memcpy(out + 4 * column, palette[indices & 3], 4);
    }
  }
}

void DecodeBc4Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    int32_t pixelStep) {
  const uint32_t e0 = block[0];
  const uint32_t e1 = block[1];
  uint8_t values[8] = {static_cast<uint8_t>(e0), static_cast<uint8_t>(e1)};
  if (e0 > e1) {
    for (uint32_t i = 1; i <= 6; ++i) {
      values[1 + i] = static_cast<uint8_t>(((7 - i) * e0 + i * e1) / 7);
    }
  } else {
    for (uint32_t i = 1; i <= 4; ++i) {
      values[1 + i] = static_cast<uint8_t>(((5 - i) * e0 + i * e1) / 5);
    }
    values[6] = 0;
    values[7] = 255;
  }

  uint64_t indices = ReadLe64(block) >> 16;
  for (int row = 0; row < 4; ++row) {
    uint8_t* out = destination + static_cast<ptrdiff_t>(row) * rowStride;
    for (int column = 0; column < 4; ++column, indices >>= 3) {
      out[static_cast<ptrdiff_t>(column) * pixelStep] = values[indices & 7];
    }
  }
}

void DecodeBc3Block(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  DecodeBc1Block(block + 8, destination, rowStride, true);
  DecodeBc4Block(block, destination + 3, rowStride, 4);
}

}  // namespace orvelle
