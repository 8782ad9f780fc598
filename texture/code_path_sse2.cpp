// The SSE2 code path: the SSE2 writers of the formats whose SSE2 build is
// more than a call to the decoder, the rows of BC3 and scaled YCoCg written in
// batches, and the path they make. Null where the build leaves SSE2 out.
#include "texture/code_path_builder.h"

#if defined(ORVELLE_BUILDS_SSE2)
#include <array>

#include "texture/scaled_ycocg.h"
#include "texture/sse2_kernels.h"
#endif

namespace orvelle {
#if defined(ORVELLE_BUILDS_SSE2)
namespace {

// Two rows of R, G, B as 32-bit lanes, each v * 255 + 0.5 cut to a byte as
// ConvertScaledYCoCg does: truncated, negatives to 0, above 255 to 255 (the
// packs saturate). Alpha is 255.
void StoreRgbRows(const __m128 (&rgb)[2][3], uint8_t* destination, ptrdiff_t stride) {
  auto lanes = [&](int channel) {
    return _mm_packs_epi32(_mm_cvttps_epi32(rgb[0][channel]), _mm_cvttps_epi32(rgb[1][channel]));
  };
  const __m128i redBlue = _mm_packus_epi16(lanes(0), lanes(2));
  const __m128i greenAlpha = _mm_packus_epi16(lanes(1), _mm_set1_epi16(255));
  const __m128i redGreen = _mm_unpacklo_epi8(redBlue, greenAlpha);
  const __m128i blueAlpha = _mm_unpackhi_epi8(redBlue, greenAlpha);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination),
                   _mm_unpacklo_epi16(redGreen, blueAlpha));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + stride),
                   _mm_unpackhi_epi16(redGreen, blueAlpha));
}

// What a scaled-YCoCg block's pixels are made of: co and cg of each of its
// four colours (the scale and divisions done once per colour rather than once
// per pixel) and y of each of its eight lumas.
struct YCoCgEntries {
  alignas(16) uint64_t chroma[4];  // co, cg
  alignas(16) float luma[8];
};

// y for every luma byte, evaluated by the compiler.
constexpr std::array<float, 256> kLumaOfByte = [] {
  std::array<float, 256> table{};
  for (int x = 0; x < 256; ++x) ScaleLuma(float(x), table[x]);
  return table;
}();

void MakeYCoCgEntries(const uint8_t* block, YCoCgEntries& entries) {
  const __m128i colours = Bc1Palette(Sse2Code{}, block + 8, true);  // Co, Cg, scale per entry
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  const __m128 co = _mm_cvtepi32_ps(_mm_and_si128(colours, byteMask));
  const __m128 cg = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(colours, 8), byteMask));
  const __m128 code = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(colours, 16), byteMask));
  __m128 scaledCo, scaledCg;
  ScaleChroma(co, code, scaledCo);
  ScaleChroma(cg, code, scaledCg);
  _mm_store_ps(reinterpret_cast<float*>(entries.chroma), _mm_unpacklo_ps(scaledCo, scaledCg));
  _mm_store_ps(reinterpret_cast<float*>(entries.chroma + 2), _mm_unpackhi_ps(scaledCo, scaledCg));
  uint64_t values;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&values), Bc4Values(Sse2Code{}, block));
  for (float& y : entries.luma) {
    y = kLumaOfByte[values & 0xFF];
    values >>= 8;
  }
}

// Four pixels per register, each pixel's co, cg and y gathered from its entries.
void WriteYCoCgPixels(const YCoCgEntries& entries, const uint8_t* block, uint8_t* destination,
                      ptrdiff_t stride) {
  uint32_t colourIndices = LoadLe32(block + 12);
  uint64_t alphaIndices = LoadLe64(block) >> 16;
  const auto* chroma = reinterpret_cast<const double*>(entries.chroma);
  const float* luma = entries.luma;
  for (int rows = 0; rows < 4; rows += 2, destination += 2 * stride) {
    __m128 rgb[2][3];
    for (int r = 0; r < 2; ++r, colourIndices >>= 8, alphaIndices >>= 12) {
      const __m128 first = _mm_castpd_ps(
          _mm_loadh_pd(_mm_load_sd(&chroma[colourIndices & 3]), &chroma[colourIndices >> 2 & 3]));
      const __m128 second = _mm_castpd_ps(_mm_loadh_pd(_mm_load_sd(&chroma[colourIndices >> 4 & 3]),
                                                       &chroma[colourIndices >> 6 & 3]));
      const __m128 pixelCo = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
      const __m128 pixelCg = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
      const __m128 y = _mm_setr_ps(luma[alphaIndices & 7], luma[alphaIndices >> 3 & 7],
                                   luma[alphaIndices >> 6 & 7], luma[alphaIndices >> 9 & 7]);
      YCoCgToRgb(y, pixelCo, pixelCg, rgb[r]);
    }
    StoreRgbRows(rgb, destination, stride);
  }
}

}  // namespace

// Hap1 carries no alpha: BC1's transparent entry is shown as opaque black.
template <>
struct BlockWriter<Sse2Code, TexFmtRgbDxt1> {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    const __m128i opaque = _mm_set1_epi32(int(AlphaMask()));
    WritePixels2(Sse2Code{}, _mm_or_si128(Bc1Palette(Sse2Code{}, block, false), opaque),
                 LoadLe32(block + 4), destination, stride);
  }
};

// The rows make the entries of a few blocks ahead.
template <>
struct BlockWriter<Sse2Code, TexFmtRgbaDxt5> : Bc3Writer<Sse2Code> {
  static constexpr BlockRowWriter Row =
      WriteRowInBatches<16, Bc3Entries, MakeBc3Entries, WriteBc3Pixels>;
};

template <>
struct BlockWriter<Sse2Code, TexFmtYCoCgDxt5> {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    WriteFromEntries<YCoCgEntries, MakeYCoCgEntries, WriteYCoCgPixels>(block, destination, stride);
  }
  static constexpr BlockRowWriter Row =
      WriteRowInBatches<16, YCoCgEntries, MakeYCoCgEntries, WriteYCoCgPixels>;
};

// A lone BC4 texture is shown as opaque grey.
template <>
struct BlockWriter<Sse2Code, TexFmtAlphaRgtc1> {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    // Each value spread over the three colour bytes of a word; alpha 255.
    alignas(16) uint32_t greys[8];
    const __m128i values = Bc4Values(Sse2Code{}, block);
    const __m128i doubled = _mm_unpacklo_epi8(values, values);
    const __m128i opaque = _mm_set1_epi32(int(AlphaMask()));
    auto* out = reinterpret_cast<__m128i*>(greys);
    _mm_store_si128(out, _mm_or_si128(_mm_unpacklo_epi16(doubled, doubled), opaque));
    _mm_store_si128(out + 1, _mm_or_si128(_mm_unpackhi_epi16(doubled, doubled), opaque));
    uint64_t indices = LoadLe64(block) >> 16;
    for (int row = 0; row < 4; ++row, destination += stride, indices >>= 12) {
      const uint32_t pixels[4] = {greys[indices & 7], greys[indices >> 3 & 7],
                                  greys[indices >> 6 & 7], greys[indices >> 9 & 7]};
      StoreRow(Sse2Code{}, destination, pixels);
    }
  }
};

const CodePath* Sse2CodePath(const CodePath&) {
  static constexpr CodePath kPath = MakeCodePath<Sse2Code>("SSE2");
  return &kPath;
}
#else
const CodePath* Sse2CodePath(const CodePath&) { return nullptr; }
#endif
}  // namespace orvelle
