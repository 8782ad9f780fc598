// The RGBA8 writers of every block format, in the SSE2 and the plain C++ build.
#include "texture/block_rgba8.h"

#include <cstring>

#include "texture/bc1_bc3_bc4.h"
#include "texture/bc1_bc4_kernels.h"
#include "texture/bc6h.h"
#include "texture/bc7.h"
#include "texture/code_paths.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {
namespace {

void CopyTile(const uint8_t* tile, uint8_t* destination, ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row) std::memcpy(destination + row * stride, tile + 16 * row, 16);
}

void WriteZeros(const uint8_t*, uint8_t* destination, ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row) std::memset(destination + row * stride, 0, 16);
}

template <bool kSse2, int kSigned>
void WriteBc6h(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  uint8_t tile[64];
  if constexpr (kSse2) {
    DecodeBc6hBlockRgba8(block, kSigned, tile);
  } else {
    portable::DecodeBc6hBlockRgba8(block, kSigned, tile);
  }
  CopyTile(tile, destination, stride);
}

// Hap1 carries no alpha: BC1's transparent entry is shown as opaque black.
template <bool kSse2>
void WriteOpaqueBc1(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
#if defined(__SSE2__)
  if constexpr (kSse2) {
    const __m128i opaque = _mm_set1_epi32(int(AlphaMask()));
    WritePixels2Sse2(_mm_or_si128(Bc1PaletteSse2(block, false), opaque), LoadLe32(block + 4),
                     destination, stride);
    return;
  }
#endif
  uint32_t palette[4];
  MakeBc1Palette(block, false, palette);
  palette[3] |= AlphaMask();
  WritePixels2(palette, LoadLe32(block + 4), destination, stride);
}

template <bool kSse2>
void WriteBc3(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  if constexpr (kSse2) {
    DecodeBc3Block(block, destination, static_cast<int32_t>(stride));
  } else {
    portable::DecodeBc3Block(block, destination, static_cast<int32_t>(stride));
  }
}

template <bool kSse2>
void WriteScaledYCoCg(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  uint8_t tile[64];
  WriteBc3<kSse2>(block, tile, 16);
  ConvertScaledYCoCg(tile);
  CopyTile(tile, destination, stride);
}

// A lone BC4 texture is shown as opaque grey.
template <bool kSse2>
void WriteGrey(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  uint8_t values[8];
  MakeBc4Values<kSse2>(block, values);
  uint32_t greys[8];
  for (int i = 0; i < 8; ++i) greys[i] = PackRgba(values[i], values[i], values[i], 255);
  WritePixels3(greys, LoadLe64(block) >> 16, destination, stride);
}

template <bool kSse2>
void WriteBc7(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  if constexpr (kSse2) {
    DecodeBc7Block(block, destination, static_cast<int32_t>(stride));
  } else {
    portable::DecodeBc7Block(block, destination, static_cast<int32_t>(stride));
  }
}

template <bool kSse2>
BlockRgba8Writer FindWriter(TextureFormat format) {
  switch (format) {
    case TexFmtRgbDxt1: return WriteOpaqueBc1<kSse2>;
    case TexFmtRgbaDxt5: return WriteBc3<kSse2>;
    case TexFmtYCoCgDxt5: return WriteScaledYCoCg<kSse2>;
    case TexFmtAlphaRgtc1: return WriteGrey<kSse2>;
    case TexFmtRgbaBptcUnorm: return WriteBc7<kSse2>;
    case TexFmtRgbBptcSignedFloat: return WriteBc6h<kSse2, 1>;
    case TexFmtRgbBptcUnsignedFloat: return WriteBc6h<kSse2, 0>;
    default: return WriteZeros;
  }
}

}  // namespace

BlockRgba8Writer FindBlockRgba8Writer(TextureFormat format) { return FindWriter<kSse2Build>(format); }

namespace portable {
BlockRgba8Writer FindBlockRgba8Writer(TextureFormat format) { return FindWriter<false>(format); }
}  // namespace portable

}  // namespace orvelle
