// The plain inline kernels of the BC1, BC3 and BC4 decoders, shared by them
// and by the plain RGBA8 block writers: the palettes and the pixel stores
// (texture/sse2_kernels.h holds the SSE2 ones). Every palette entry is the exactly
// rounded (BC1) or truncated (BC4) rational value, chosen without branches so
// that random blocks cost no mispredictions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "texture/block_bytes.h"

namespace orvelle {

// The four BC1 colours as packed R, G, B, A words. Four-colour mode when
// colour 0 > colour 1 or when forced; otherwise entry 3 is transparent black.
inline void MakeBc1Palette(const uint8_t* block, bool forceFourColour, uint32_t palette[4]) {
  const uint32_t c0 = LoadLe16(block);
  const uint32_t c1 = LoadLe16(block + 2);
  const uint32_t r0 = c0 >> 11, g0 = (c0 >> 5) & 0x3F, b0 = c0 & 0x1F;
  const uint32_t r1 = c1 >> 11, g1 = (c1 >> 5) & 0x3F, b1 = c1 & 0x1F;
  // round(v * 255 / 31) and round(v * 255 / 63).
  auto expand5 = [](uint32_t v) { return (v * 527 + 23) >> 6; };
  auto expand6 = [](uint32_t v) { return (v * 259 + 33) >> 6; };
  // round(255 * s / 93) and round(255 * s / 189): a third of the way, s = 2a + b.
  auto third5 = [](uint32_t s) { return (s * 351 + 61) >> 7; };
  auto third6 = [](uint32_t s) { return (s * 2763 + 1039) >> 11; };
  // round(255 * s / 62) and round(255 * s / 126): the midpoint, s = a + b.
  auto half5 = [](uint32_t s) { return (s * 1053 + 125) >> 8; };
  auto half6 = [](uint32_t s) { return (s * 4145 + 1019) >> 11; };

  palette[0] = PackRgba(expand5(r0), expand6(g0), expand5(b0), 255);
  palette[1] = PackRgba(expand5(r1), expand6(g1), expand5(b1), 255);
  const uint32_t third =
      PackRgba(third5(2 * r0 + r1), third6(2 * g0 + g1), third5(2 * b0 + b1), 255);
  const uint32_t twoThirds =
      PackRgba(third5(r0 + 2 * r1), third6(g0 + 2 * g1), third5(b0 + 2 * b1), 255);
  const uint32_t half = PackRgba(half5(r0 + r1), half6(g0 + g1), half5(b0 + b1), 255);
  const uint32_t fourColours = 0u - uint32_t(forceFourColour || c0 > c1);
  palette[2] = half ^ ((half ^ third) & fourColours);
  palette[3] = twoThirds & fourColours;
}

// Pixel k of the 4 x 4 tile is palette[(indices >> 2k) & 3]; row r starts at
// destination + r * stride.
inline void WritePixels2(const uint32_t palette[4], uint32_t indices, uint8_t* destination,
                         ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row, destination += stride) {
    for (int column = 0; column < 4; ++column, indices >>= 2) {
      StorePixel(destination + 4 * column, palette[indices & 3]);
    }
  }
}

// Pixel k is palette[(indices >> 3k) & 7].
inline void WritePixels3(const uint32_t palette[8], uint64_t indices, uint8_t* destination,
                         ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row, destination += stride) {
    for (int column = 0; column < 4; ++column, indices >>= 3) {
      StorePixel(destination + 4 * column, palette[indices & 7]);
    }
  }
}

// Pixel k is colours[(colourIndices >> 2k) & 3] | alphas[(alphaIndices >> 3k) & 7]:
// a BC1 colour and a BC4 alpha, each palette holding only its own bytes.
inline void WritePixels2And3(const uint32_t colours[4], uint32_t colourIndices,
                             const uint32_t alphas[8], uint64_t alphaIndices, uint8_t* destination,
                             ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row, destination += stride) {
    for (int column = 0; column < 4; ++column, colourIndices >>= 2, alphaIndices >>= 3) {
      StorePixel(destination + 4 * column, colours[colourIndices & 3] | alphas[alphaIndices & 7]);
    }
  }
}

// The eight BC4 values: e0 > e1 interpolates six, otherwise four plus 0 and 255.
inline void MakeBc4Values(PlainCode, const uint8_t* block, uint8_t values[8]) {
  const uint32_t e0 = block[0];
  const uint32_t e1 = block[1];
  const uint32_t eight = 0u - uint32_t(e0 > e1);
  values[0] = uint8_t(e0);
  values[1] = uint8_t(e1);
  for (uint32_t i = 1; i <= 4; ++i) {
    const uint32_t sevenths = ((7 - i) * e0 + i * e1) / 7;
    const uint32_t fifths = ((5 - i) * e0 + i * e1) / 5;
    values[1 + i] = uint8_t(fifths ^ ((fifths ^ sevenths) & eight));
  }
  values[6] = uint8_t((2 * e0 + 5 * e1) / 7 & eight);
  values[7] = uint8_t(((e0 + 6 * e1) / 7 & eight) | (255 & ~eight));
}

}  // namespace orvelle
