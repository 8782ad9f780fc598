// The RGBA8 writers of every block format, in the SSE2 and the plain C++ build,
// and the choice of the AVX2 writers where the processor has AVX2.
#include "texture/block_rgba8.h"

#include <array>
#include <cstring>

#include "texture/bc1_bc3_bc4.h"
#include "texture/bc1_bc4_kernels.h"
#include "texture/bc6h.h"
#include "texture/bc7.h"
#include "texture/block_rgba8_avx2.h"
#include "texture/code_paths.h"
#include "texture/cpu_features.h"
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

#if defined(__SSE2__)
// Two rows of R, G, B as 32-bit lanes, each v * 255 + 0.5 cut to a byte as
// ClampToByte does: truncated, negatives to 0, above 255 to 255 (the packs
// saturate). Alpha is 255.
void StoreRgbRows(const __m128i (&rgb)[2][3], uint8_t* destination, ptrdiff_t stride) {
  const __m128i red = _mm_packs_epi32(rgb[0][0], rgb[1][0]);
  const __m128i green = _mm_packs_epi32(rgb[0][1], rgb[1][1]);
  const __m128i blue = _mm_packs_epi32(rgb[0][2], rgb[1][2]);
  const __m128i redBlue = _mm_packus_epi16(red, blue);
  const __m128i greenAlpha = _mm_packus_epi16(green, _mm_set1_epi16(255));
  const __m128i redGreen = _mm_unpacklo_epi8(redBlue, greenAlpha);
  const __m128i blueAlpha = _mm_unpackhi_epi8(redBlue, greenAlpha);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination),
                   _mm_unpacklo_epi16(redGreen, blueAlpha));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + stride),
                   _mm_unpackhi_epi16(redGreen, blueAlpha));
}

__m128i ToByteLanes(__m128 value) {
  return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(value, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
}

// What a scaled-YCoCg block's pixels are made of: co and cg of each of its
// four colours (ConvertScaledYCoCg's scale and divisions done once per colour
// rather than once per pixel) and y of each of its eight lumas.
struct YCoCgEntries {
  alignas(16) uint64_t chroma[4];  // co, cg
  alignas(16) float luma[8];
};

// x / 255 for every byte x, evaluated by the compiler in single precision.
constexpr std::array<float, 256> kOver255 = [] {
  std::array<float, 256> table{};
  for (int x = 0; x < 256; ++x) table[x] = float(x) / 255.0f;
  return table;
}();

void MakeYCoCgEntries(const uint8_t* block, YCoCgEntries& entries) {
  const __m128i colours = Bc1PaletteSse2(block + 8, true);  // Co, Cg, scale per entry
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  const __m128 co = _mm_cvtepi32_ps(_mm_and_si128(colours, byteMask));
  const __m128 cg = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(colours, 8), byteMask));
  const __m128 code = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(colours, 16), byteMask));
  const __m128 one = _mm_set1_ps(1.0f), half = _mm_set1_ps(0.5f), full = _mm_set1_ps(255.0f);
  const __m128 scale = _mm_div_ps(one, _mm_add_ps(_mm_mul_ps(code, _mm_set1_ps(0.125f)), one));
  const __m128 scaledCo = _mm_mul_ps(_mm_sub_ps(_mm_div_ps(co, full), half), scale);
  const __m128 scaledCg = _mm_mul_ps(_mm_sub_ps(_mm_div_ps(cg, full), half), scale);
  _mm_store_ps(reinterpret_cast<float*>(entries.chroma), _mm_unpacklo_ps(scaledCo, scaledCg));
  _mm_store_ps(reinterpret_cast<float*>(entries.chroma + 2), _mm_unpackhi_ps(scaledCo, scaledCg));
  uint64_t values;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&values), Bc4ValuesSse2(block));
  for (float& y : entries.luma) {
    y = kOver255[values & 0xFF];
    values >>= 8;
  }
}

// ConvertScaledYCoCg's per-pixel arithmetic, operation for operation, four
// pixels per register, each pixel's co, cg and y gathered from its entries.
void WriteYCoCgPixels(const YCoCgEntries& entries, const uint8_t* block, uint8_t* destination,
                      ptrdiff_t stride) {
  uint32_t colourIndices = LoadLe32(block + 12);
  uint64_t alphaIndices = LoadLe64(block) >> 16;
  const auto* chroma = reinterpret_cast<const double*>(entries.chroma);
  const float* luma = entries.luma;
  for (int rows = 0; rows < 4; rows += 2, destination += 2 * stride) {
    __m128i rgb[2][3];
    for (int r = 0; r < 2; ++r, colourIndices >>= 8, alphaIndices >>= 12) {
      const __m128 first = _mm_castpd_ps(
          _mm_loadh_pd(_mm_load_sd(&chroma[colourIndices & 3]), &chroma[colourIndices >> 2 & 3]));
      const __m128 second = _mm_castpd_ps(_mm_loadh_pd(_mm_load_sd(&chroma[colourIndices >> 4 & 3]),
                                                       &chroma[colourIndices >> 6 & 3]));
      const __m128 pixelCo = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
      const __m128 pixelCg = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
      const __m128 y = _mm_setr_ps(luma[alphaIndices & 7], luma[alphaIndices >> 3 & 7],
                                   luma[alphaIndices >> 6 & 7], luma[alphaIndices >> 9 & 7]);
      rgb[r][0] = ToByteLanes(_mm_sub_ps(_mm_add_ps(y, pixelCo), pixelCg));
      rgb[r][1] = ToByteLanes(_mm_add_ps(y, pixelCg));
      rgb[r][2] = ToByteLanes(_mm_sub_ps(_mm_sub_ps(y, pixelCo), pixelCg));
    }
    StoreRgbRows(rgb, destination, stride);
  }
}

void WriteScaledYCoCgSse2(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  YCoCgEntries entries;
  MakeYCoCgEntries(block, entries);
  WriteYCoCgPixels(entries, block, destination, stride);
}

// A row of blocks, the entries of a few blocks made before any of their
// pixels, so that the pixels of one block do not wait on its own entries.
template <typename Entries, void (*kMake)(const uint8_t*, Entries&),
          void (*kWrite)(const Entries&, const uint8_t*, uint8_t*, ptrdiff_t)>
void WriteRowInBatches(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                       ptrdiff_t stride) {
  constexpr uint32_t kBatch = 8;
  Entries entries[kBatch];
  for (uint32_t first = 0; first < count; first += kBatch) {
    const uint32_t batch = count - first < kBatch ? count - first : kBatch;
    for (uint32_t i = 0; i < batch; ++i) kMake(blocks + 16 * (first + i), entries[i]);
    for (uint32_t i = 0; i < batch; ++i) {
      kWrite(entries[i], blocks + 16 * (first + i), destination + 16 * (first + i), stride);
    }
  }
}
#endif

template <bool kSse2>
void WriteScaledYCoCg(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
#if defined(__SSE2__)
  if constexpr (kSse2) return WriteScaledYCoCgSse2(block, destination, stride);
#endif
  uint8_t tile[64];
  portable::DecodeBc3Block(block, tile, 16);
  ConvertScaledYCoCg(tile);
  CopyTile(tile, destination, stride);
}

// A lone BC4 texture is shown as opaque grey.
template <bool kSse2>
void WriteGrey(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  alignas(16) uint32_t greys[8];
#if defined(__SSE2__)
  if constexpr (kSse2) {
    // Each value spread over the three colour bytes of a word; alpha 255.
    const __m128i values = Bc4ValuesSse2(block);
    const __m128i doubled = _mm_unpacklo_epi8(values, values);
    const __m128i opaque = _mm_set1_epi32(int(AlphaMask()));
    auto* out = reinterpret_cast<__m128i*>(greys);
    _mm_store_si128(out, _mm_or_si128(_mm_unpacklo_epi16(doubled, doubled), opaque));
    _mm_store_si128(out + 1, _mm_or_si128(_mm_unpackhi_epi16(doubled, doubled), opaque));
    uint64_t indices = LoadLe64(block) >> 16;
    for (int row = 0; row < 4; ++row, destination += stride, indices >>= 12) {
      const uint32_t pixels[4] = {greys[indices & 7], greys[indices >> 3 & 7],
                                  greys[indices >> 6 & 7], greys[indices >> 9 & 7]};
      StoreRow<true>(destination, pixels);
    }
    return;
  }
#endif
  uint8_t values[8];
  MakeBc4Values<false>(block, values);
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

// Processors with AVX2 take its writers of the formats built on BC1 colours.
template <bool kSse2>
BlockRgba8Writer FindWriter(TextureFormat format, bool avx2) {
  switch (format) {
    case TexFmtRgbDxt1:
      if constexpr (kAvx2Writers) {
        if (avx2) return WriteOpaqueBc1Avx2;
      }
      return WriteOpaqueBc1<kSse2>;
    case TexFmtRgbaDxt5:
      if constexpr (kAvx2Writers) {
        if (avx2) return WriteBc3Avx2;
      }
      return WriteBc3<kSse2>;
    case TexFmtYCoCgDxt5:
      if constexpr (kAvx2Writers) {
        if (avx2) return WriteScaledYCoCgAvx2;
      }
      return WriteScaledYCoCg<kSse2>;
    case TexFmtAlphaRgtc1:
      return WriteGrey<kSse2>;
    case TexFmtRgbaBptcUnorm:
      return WriteBc7<kSse2>;
    case TexFmtRgbBptcSignedFloat:
      return WriteBc6h<kSse2, 1>;
    case TexFmtRgbBptcUnsignedFloat:
      return WriteBc6h<kSse2, 0>;
    default:
      return WriteZeros;
  }
}

// The writer inlined into the loop, so that consecutive blocks overlap.
template <BlockRgba8Writer kWrite>
void WriteRow(const uint8_t* blocks, uint32_t count, uint32_t blockBytes, uint8_t* destination,
              ptrdiff_t stride) {
  for (uint32_t i = 0; i < count; ++i, blocks += blockBytes, destination += 16) {
    kWrite(blocks, destination, stride);
  }
}

// The rows of the SSE2 build (or the plain one, where the compiler does not
// target SSE2), or of the AVX2 writers where they exist.
void WriteBlockRowOf(TextureFormat format, const uint8_t* blocks, uint32_t count,
                     uint8_t* destination, ptrdiff_t stride, bool avx2) {
  constexpr bool kSse2 = kSse2Build;
  const uint32_t bytes = BytesPerBlock(format);
  if constexpr (kAvx2Writers) {
    if (format == TexFmtRgbDxt1 && avx2) {
      return WriteOpaqueBc1RowAvx2(blocks, count, destination, stride);
    }
    if (format == TexFmtRgbaDxt5 && avx2) {
      return WriteBc3RowAvx2(blocks, count, destination, stride);
    }
    if (format == TexFmtYCoCgDxt5 && avx2) {
      return WriteScaledYCoCgRowAvx2(blocks, count, destination, stride);
    }
  }
  switch (format) {
    case TexFmtRgbDxt1:
      return WriteRow<WriteOpaqueBc1<kSse2>>(blocks, count, bytes, destination, stride);
#if defined(__SSE2__)
    case TexFmtRgbaDxt5:
      return WriteRowInBatches<Bc3Entries, MakeBc3Entries, WriteBc3Pixels>(blocks, count,
                                                                           destination, stride);
    case TexFmtYCoCgDxt5:
      return WriteRowInBatches<YCoCgEntries, MakeYCoCgEntries, WriteYCoCgPixels>(
          blocks, count, destination, stride);
#else
    case TexFmtRgbaDxt5:
      return WriteRow<WriteBc3<kSse2>>(blocks, count, bytes, destination, stride);
    case TexFmtYCoCgDxt5:
      return WriteRow<WriteScaledYCoCg<kSse2>>(blocks, count, bytes, destination, stride);
#endif
    case TexFmtAlphaRgtc1:
      return WriteRow<WriteGrey<kSse2>>(blocks, count, bytes, destination, stride);
    case TexFmtRgbaBptcUnorm:
      return WriteRow<WriteBc7<kSse2>>(blocks, count, bytes, destination, stride);
    case TexFmtRgbBptcSignedFloat:
      return WriteRow<WriteBc6h<kSse2, 1>>(blocks, count, bytes, destination, stride);
    case TexFmtRgbBptcUnsignedFloat:
      return WriteRow<WriteBc6h<kSse2, 0>>(blocks, count, bytes, destination, stride);
    default:
      return WriteRow<WriteZeros>(blocks, count, 16, destination, stride);
  }
}

}  // namespace

BlockRgba8Writer FindBlockRgba8Writer(TextureFormat format) {
  return FindWriter<kSse2Build>(format, CpuHasAvx2());
}

void WriteBlockRow(TextureFormat format, const uint8_t* blocks, uint32_t count,
                   uint8_t* destination, ptrdiff_t stride) {
  WriteBlockRowOf(format, blocks, count, destination, stride, CpuHasAvx2());
}

namespace portable {
BlockRgba8Writer FindBlockRgba8Writer(TextureFormat format) {
  return FindWriter<false>(format, false);
}
}  // namespace portable

namespace sse2 {
BlockRgba8Writer FindBlockRgba8Writer(TextureFormat format) {
  return FindWriter<kSse2Build>(format, false);
}

void WriteBlockRow(TextureFormat format, const uint8_t* blocks, uint32_t count,
                   uint8_t* destination, ptrdiff_t stride) {
  WriteBlockRowOf(format, blocks, count, destination, stride, false);
}
}  // namespace sse2

}  // namespace orvelle
