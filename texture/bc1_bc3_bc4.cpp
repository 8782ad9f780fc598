// BC1, BC3 and BC4 block decoders: a small palette, then one lookup per pixel.
#include "texture/bc1_bc3_bc4.h"

#include "texture/bc1_bc4_kernels.h"
#include "texture/block_decoders.h"

namespace orvelle {
namespace {

void Bc1(PlainCode, const uint8_t* block, uint8_t* destination, ptrdiff_t stride,
         bool forceFourColour) {
  uint32_t palette[4];
  MakeBc1Palette(block, forceFourColour, palette);
  WritePixels2(palette, LoadLe32(block + 4), destination, stride);
}

void Bc3(PlainCode, const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  uint32_t colours[4];
  MakeBc1Palette(block + 8, true, colours);
  uint8_t values[8];
  MakeBc4Values(PlainCode{}, block, values);
  uint32_t alphas[8];
  for (uint32_t& colour : colours) colour &= ~AlphaMask();
  for (int i = 0; i < 8; ++i) alphas[i] = PackRgba(0, 0, 0, values[i]);
  WritePixels2And3(colours, LoadLe32(block + 12), alphas, LoadLe64(block) >> 16, destination,
                   stride);
}

#if defined(__SSE2__)
void Bc1(Sse2Code, const uint8_t* block, uint8_t* destination, ptrdiff_t stride,
         bool forceFourColour) {
  WritePixels2Sse2(Bc1PaletteSse2(block, forceFourColour), LoadLe32(block + 4), destination,
                   stride);
}

void Bc3(Sse2Code, const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  Bc3Entries entries;
  MakeBc3Entries(block, entries);
  WriteBc3Pixels(entries, block, destination, stride);
}
#endif

}  // namespace

template <typename Code>
void DecodeBc1BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                      bool forceFourColour) {
  Bc1(Code{}, block, destination, rowStride, forceFourColour);
}

template <typename Code>
void DecodeBc3BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  Bc3(Code{}, block, destination, rowStride);
}

template <typename Code>
void DecodeBc4BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                      int32_t pixelStep) {
  const ptrdiff_t stride = rowStride, step = pixelStep;
  uint8_t values[8];
  MakeBc4Values(Code{}, block, values);
  uint64_t indices = LoadLe64(block) >> 16;
  for (int row = 0; row < 4; ++row, destination += stride) {
    for (int column = 0; column < 4; ++column, indices >>= 3) {
      destination[column * step] = values[indices & 7];
    }
  }
}

template void DecodeBc1BlockIn<PlainCode>(const uint8_t*, uint8_t*, int32_t, bool);
template void DecodeBc3BlockIn<PlainCode>(const uint8_t*, uint8_t*, int32_t);
template void DecodeBc4BlockIn<PlainCode>(const uint8_t*, uint8_t*, int32_t, int32_t);
#if defined(__SSE2__)
template void DecodeBc1BlockIn<Sse2Code>(const uint8_t*, uint8_t*, int32_t, bool);
template void DecodeBc3BlockIn<Sse2Code>(const uint8_t*, uint8_t*, int32_t);
template void DecodeBc4BlockIn<Sse2Code>(const uint8_t*, uint8_t*, int32_t, int32_t);
#endif

void DecodeBc1Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    bool forceFourColour) {
  DecodeBc1BlockIn<BaselineCode>(block, destination, rowStride, forceFourColour);
}

void DecodeBc4Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    int32_t pixelStep) {
  DecodeBc4BlockIn<BaselineCode>(block, destination, rowStride, pixelStep);
}

void DecodeBc3Block(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  DecodeBc3BlockIn<BaselineCode>(block, destination, rowStride);
}

}  // namespace orvelle
