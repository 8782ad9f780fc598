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
    Bc3Entries entries;
    MakeBc3Entries(block, entries);
    WriteBc3Pixels(entries, block, destination, stride);
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
