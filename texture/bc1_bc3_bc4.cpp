// BC1, BC3 and BC4 block decoders: a small palette, then one lookup per pixel.
// Each is built once per decoder build; the public ones use the active path's.
#include "texture/bc1_bc3_bc4.h"

#include "texture/bc1_bc4_kernels.h"
#include "texture/code_paths.h"
#include "texture/kernels.h"

namespace orvelle {
namespace {

void DecodeBc1(PlainCode, const uint8_t* block, uint8_t* destination, ptrdiff_t stride,
               bool forceFourColour) {
  uint32_t palette[4];
  MakeBc1Palette(block, forceFourColour, palette);
  WritePixels2(palette, LoadLe32(block + 4), destination, stride);
}

void DecodeBc3(PlainCode, const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
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

}  // namespace

template <typename Code>
void DecodeBc1BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                      bool forceFourColour) {
  DecodeBc1(Code{}, block, destination, rowStride, forceFourColour);
}

template <typename Code>
void DecodeBc3BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  DecodeBc3(Code{}, block, destination, rowStride);
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

#define ORVELLE_INSTANTIATE(Code)                                                \
  template void DecodeBc1BlockIn<Code>(const uint8_t*, uint8_t*, int32_t, bool); \
  template void DecodeBc3BlockIn<Code>(const uint8_t*, uint8_t*, int32_t);       \
  template void DecodeBc4BlockIn<Code>(const uint8_t*, uint8_t*, int32_t, int32_t);
ORVELLE_FOR_EACH_DECODER_BUILD(ORVELLE_INSTANTIATE)
#undef ORVELLE_INSTANTIATE

void DecodeBc1Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    bool forceFourColour) {
  ActiveCodePath().decoders.bc1(block, destination, rowStride, forceFourColour);
}

void DecodeBc4Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    int32_t pixelStep) {
  ActiveCodePath().decoders.bc4(block, destination, rowStride, pixelStep);
}

void DecodeBc3Block(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  ActiveCodePath().decoders.bc3(block, destination, rowStride);
}

}  // namespace orvelle
