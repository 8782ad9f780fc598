// The plain code path: the writers of the formats whose plain build is more
// than a call to the decoder, and the path they make.
#include "texture/bc1_bc4_kernels.h"
#include "texture/code_path_builder.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {

// Hap1 carries no alpha: BC1's transparent entry is shown as opaque black.
template <>
struct BlockWriter<PlainCode, TexFmtRgbDxt1> {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    uint32_t palette[4];
    MakeBc1Palette(block, false, palette);
    palette[3] |= AlphaMask();
    WritePixels2(palette, LoadLe32(block + 4), destination, stride);
  }
};

template <>
struct BlockWriter<PlainCode, TexFmtYCoCgDxt5> {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    uint8_t tile[64];
    DecodeBc3BlockIn<PlainCode>(block, tile, 16);
    ConvertScaledYCoCg(tile);
    CopyTile(tile, destination, stride);
  }
};

// A lone BC4 texture is shown as opaque grey.
template <>
struct BlockWriter<PlainCode, TexFmtAlphaRgtc1> {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    uint8_t values[8];
    MakeBc4Values(PlainCode{}, block, values);
    uint32_t greys[8];
    for (int i = 0; i < 8; ++i) greys[i] = PackRgba(values[i], values[i], values[i], 255);
    WritePixels3(greys, LoadLe64(block) >> 16, destination, stride);
  }
};

const CodePath& PlainCodePath() {
  static constexpr CodePath kPath = MakeCodePath<PlainCode>("plain");
  return kPath;
}

}  // namespace orvelle
