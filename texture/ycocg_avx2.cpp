#include "texture/ycocg_avx2.h"

#if defined(ORVELLE_AVX2_WRITERS)
#include <immintrin.h>

#include "texture/bc1_bc4_kernels.h"

// Only these functions carry the AVX2 target, so nothing shared with the
// baseline build (the inline kernels of the headers) is ever compiled for it.
#define ORVELLE_AVX2 __attribute__((target("avx2")))

namespace orvelle {
namespace {

// v * 255 + 0.5 truncated, eight lanes; the packs later saturate as ClampToByte clamps.
ORVELLE_AVX2 inline __m256i ToByteLanes(__m256 value) {
  return _mm256_cvttps_epi32(
      _mm256_add_ps(_mm256_mul_ps(value, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f)));
}

ORVELLE_AVX2 inline void WriteBlock(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  // Co and Cg of the four colours in one register, divided and scaled as
  // ConvertScaledYCoCg does per pixel, then each copied into both halves.
  const __m128i colours = Bc1PaletteSse2(block + 8, true);  // Co, Cg, scale per entry
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  const __m256 coCg = _mm256_cvtepi32_ps(_mm256_set_m128i(
      _mm_and_si128(_mm_srli_epi32(colours, 8), byteMask), _mm_and_si128(colours, byteMask)));
  const __m128 code = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(colours, 16), byteMask));
  const __m128 scale =
      _mm_div_ps(_mm_set1_ps(1.0f), _mm_add_ps(_mm_mul_ps(code, _mm_set1_ps(0.125f)),
                                               _mm_set1_ps(1.0f)));
  const __m256 full = _mm256_set1_ps(255.0f);
  const __m256 chroma = _mm256_mul_ps(
      _mm256_sub_ps(_mm256_div_ps(coCg, full), _mm256_set1_ps(0.5f)), _mm256_set_m128(scale, scale));
  const __m256 coBoth = _mm256_permute2f128_ps(chroma, chroma, 0x00);
  const __m256 cgBoth = _mm256_permute2f128_ps(chroma, chroma, 0x11);
  const __m256 luma =
      _mm256_div_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(Bc4ValuesSse2(block))), full);

  // Eight pixels (two rows) at a time; each permute reads only the low bits
  // of its index lane, so the indices are shifted into place and never masked.
  const uint64_t lumaIndices = LoadLe64(block) >> 16;
  const uint32_t chromaIndices = LoadLe32(block + 12);
  const __m256i lumaShifts = _mm256_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21);
  const __m256i chromaShifts = _mm256_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14);
  // Per half: R0-3 G0-3 B0-3 A0-3 to R, G, B, A of each pixel.
  const __m256i interleave = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,
                                              0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  for (int half = 0; half < 2; ++half, destination += 2 * stride) {
    const __m256i lumaIndex =
        _mm256_srlv_epi32(_mm256_set1_epi32(int(uint32_t(lumaIndices >> (24 * half)))), lumaShifts);
    const __m256i chromaIndex =
        _mm256_srlv_epi32(_mm256_set1_epi32(int(chromaIndices >> (16 * half))), chromaShifts);
    const __m256 y = _mm256_permutevar8x32_ps(luma, lumaIndex);
    const __m256 co = _mm256_permutevar_ps(coBoth, chromaIndex);
    const __m256 cg = _mm256_permutevar_ps(cgBoth, chromaIndex);
    const __m256i red = ToByteLanes(_mm256_sub_ps(_mm256_add_ps(y, co), cg));
    const __m256i green = ToByteLanes(_mm256_add_ps(y, cg));
    const __m256i blue = ToByteLanes(_mm256_sub_ps(_mm256_sub_ps(y, co), cg));
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(red, green),
                                              _mm256_packs_epi32(blue, _mm256_set1_epi32(255)));
    const __m256i pixels = _mm256_shuffle_epi8(bytes, interleave);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), _mm256_castsi256_si128(pixels));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + stride),
                     _mm256_extracti128_si256(pixels, 1));
  }
}

}  // namespace

ORVELLE_AVX2 void WriteScaledYCoCgAvx2(const uint8_t* block, uint8_t* destination,
                                       ptrdiff_t stride) {
  WriteBlock(block, destination, stride);
}

ORVELLE_AVX2 void WriteScaledYCoCgRowAvx2(const uint8_t* blocks, uint32_t count,
                                          uint8_t* destination, ptrdiff_t stride) {
  for (uint32_t i = 0; i < count; ++i) WriteBlock(blocks + 16 * i, destination + 16 * i, stride);
}

}  // namespace orvelle
#endif
