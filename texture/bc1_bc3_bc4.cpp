// BC1, BC3 and BC4 block decoders: a small palette, then one lookup per pixel.
#include "texture/bc1_bc3_bc4.h"

#include "texture/bc1_bc4_kernels.h"
#include "texture/code_paths.h"

namespace orvelle {
namespace {

template <bool kSse2>
void Bc1(const uint8_t* block, uint8_t* destination, ptrdiff_t stride, bool forceFourColour) {
#if defined(__SSE2__)
  if constexpr (kSse2) {
    WritePixels2Sse2(Bc1PaletteSse2(block, forceFourColour), LoadLe32(block + 4), destination,
                     stride);
    return;
  }
#endif
  uint32_t palette[4];
  MakeBc1Palette(block, forceFourColour, palette);
  WritePixels2(palette, LoadLe32(block + 4), destination, stride);
}

template <bool kSse2>
void Bc4(const uint8_t* block, uint8_t* destination, ptrdiff_t stride, ptrdiff_t step) {
  uint8_t values[8];
  MakeBc4Values<kSse2>(block, values);
  uint64_t indices = LoadLe64(block) >> 16;
  for (int row = 0; row < 4; ++row, destination += stride) {
    for (int column = 0; column < 4; ++column, indices >>= 3) {
      destination[column * step] = values[indices & 7];
    }
  }
}

template <bool kSse2>
void Bc3(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
#if defined(__SSE2__)
  if constexpr (kSse2) {
    // Each row's colours and alphas are merged in a register and stored once.
    PalettePairs colours;
    MakePalettePairs(_mm_andnot_si128(_mm_set1_epi32(int(AlphaMask())), Bc1PaletteSse2(block + 8, true)),
                     colours);
    alignas(8) uint8_t values[8];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(values), Bc4ValuesSse2(block));
    uint32_t colourIndices = LoadLe32(block + 12);
    uint64_t alphaIndices = LoadLe64(block) >> 16;
    for (int row = 0; row < 4; ++row, destination += stride, colourIndices >>= 8, alphaIndices >>= 12) {
      const __m128i pixels = _mm_or_si128(PaletteRow(colours, colourIndices),
                                          AlphaRow(values, uint32_t(alphaIndices)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), pixels);
    }
    return;
  }
#endif
  uint32_t colours[4];
  MakeBc1Palette(block + 8, true, colours);
  uint8_t values[8];
  MakeBc4Values<false>(block, values);
  uint32_t alphas[8];
  for (uint32_t& colour : colours) colour &= ~AlphaMask();
  for (int i = 0; i < 8; ++i) alphas[i] = PackRgba(0, 0, 0, values[i]);
  WritePixels2And3(colours, LoadLe32(block + 12), alphas, LoadLe64(block) >> 16, destination,
                   stride);
}

}  // namespace

void DecodeBc1Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    bool forceFourColour) {
  Bc1<kSse2Build>(block, destination, rowStride, forceFourColour);
}

void DecodeBc4Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    int32_t pixelStep) {
  Bc4<kSse2Build>(block, destination, rowStride, pixelStep);
}

void DecodeBc3Block(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  Bc3<kSse2Build>(block, destination, rowStride);
}

namespace portable {

void DecodeBc1Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    bool forceFourColour) {
  Bc1<false>(block, destination, rowStride, forceFourColour);
}

void DecodeBc4Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    int32_t pixelStep) {
  Bc4<false>(block, destination, rowStride, pixelStep);
}

void DecodeBc3Block(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  Bc3<false>(block, destination, rowStride);
}

}  // namespace portable
}  // namespace orvelle
