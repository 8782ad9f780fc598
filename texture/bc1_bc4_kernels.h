// Inline kernels of the BC1, BC3 and BC4 decoders, shared by them and by the
// RGBA8 block writers: the palettes and the pixel stores, in plain C++ and,
// where the compiler targets it, in SSE2. Every palette entry is the exactly
// rounded (BC1) or truncated (BC4) rational value, chosen without branches so
// that random blocks cost no mispredictions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "texture/block_bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// The multipliers that turn the BC1 channel sums into palette entries 2 and
// 3, as mulhi(s * scale + offset, reciprocal) >> 6 in 16-bit lanes: for 5 bits
// the multiply-and-shift forms themselves (reciprocal 2^15 or 2^14: a shift by
// 7 or 8), for 6 bits floor((170 s + 63) / 126) and floor((170 s + 42) / 84)
// by reciprocal, both checked exhaustively over their ranges. Indexed by
// four-colour mode: [0] gives the midpoint and transparent black, [1] the thirds.
struct Bc1MiddleEntries {
  alignas(16) uint16_t fieldMask[8];  // the sums become 2a + b, a + 2b when all ones
  alignas(16) uint16_t scale[8];
  alignas(16) uint16_t offset[8];
  alignas(16) uint16_t reciprocal[8];
  alignas(16) uint8_t alpha[16];
};

inline constexpr Bc1MiddleEntries kBc1Middle[2] = {
    {{0, 0, 0, 0, 0, 0, 0, 0},
     {1053, 170, 1053, 0, 0, 0, 0, 0},
     {125, 42, 125, 0, 0, 0, 0, 0},
     {16384, 49933, 16384, 0, 0, 0, 0, 0},
     {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0}},
    {{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
     {351, 170, 351, 0, 351, 170, 351, 0},
     {61, 63, 61, 0, 61, 63, 61, 0},
     {32768, 33289, 32768, 0, 32768, 33289, 32768, 0},
     {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}},
};

inline __m128i Load128(const void* p) { return _mm_load_si128(static_cast<const __m128i*>(p)); }

// The BC1 palette as one register of four packed R, G, B, A words, each
// entry computed as in MakeBc1Palette in a 16-bit lane.
inline __m128i Bc1PaletteSse2(const uint8_t* block, bool forceFourColour) {
  const uint32_t colours = LoadLe32(block);
  const Bc1MiddleEntries& middle =
      kBc1Middle[forceFourColour || (colours & 0xFFFF) > colours >> 16];
  const __m128i both = _mm_cvtsi32_si128(int(colours));
  // c0 in lanes 0-3, c1 in lanes 4-7.
  const __m128i spread = _mm_shuffle_epi32(_mm_unpacklo_epi16(both, both), 0x50);
  // r, g, b, 0 of c0 then of c1: each field moved to the top of its lane, then down.
  const __m128i fields =
      _mm_mulhi_epu16(_mm_mullo_epi16(spread, _mm_setr_epi16(1, 32, 2048, 0, 1, 32, 2048, 0)),
                      _mm_setr_epi16(32, 64, 32, 0, 32, 64, 32, 0));
  // a + b in every lane; 2a + b, then a + 2b in four-colour mode.
  const __m128i sums = _mm_add_epi16(_mm_add_epi16(fields, _mm_shuffle_epi32(fields, 0x4E)),
                                     _mm_and_si128(fields, Load128(middle.fieldMask)));
  // (v * 527 + 23) >> 6 and (v * 259 + 33) >> 6.
  const __m128i ends = _mm_srli_epi16(
      _mm_add_epi16(_mm_mullo_epi16(fields, _mm_setr_epi16(527, 259, 527, 0, 527, 259, 527, 0)),
                    _mm_setr_epi16(23, 33, 23, 0, 23, 33, 23, 0)),
      6);
  const __m128i middles = _mm_srli_epi16(
      _mm_mulhi_epu16(
          _mm_add_epi16(_mm_mullo_epi16(sums, Load128(middle.scale)), Load128(middle.offset)),
          Load128(middle.reciprocal)),
      6);
  return _mm_or_si128(_mm_packus_epi16(ends, middles), Load128(middle.alpha));
}

// The eight BC4 values in the low eight bytes, each weighted sum of the two
// endpoints divided by 7 or 5 through its reciprocal (exact for every sum up
// to 7 x 255, checked exhaustively).
inline __m128i Bc4ValuesSse2(const uint8_t* block) {
  const uint32_t e0 = block[0];
  const uint32_t e1 = block[1];
  const __m128i first = _mm_set1_epi16(short(e0));
  const __m128i second = _mm_set1_epi16(short(e1));
  const __m128i sevenths = _mm_mulhi_epu16(
      _mm_add_epi16(_mm_mullo_epi16(first, _mm_setr_epi16(7, 0, 6, 5, 4, 3, 2, 1)),
                    _mm_mullo_epi16(second, _mm_setr_epi16(0, 7, 1, 2, 3, 4, 5, 6))),
      _mm_set1_epi16(9363));
  const __m128i fifths = _mm_or_si128(
      _mm_mulhi_epu16(
          _mm_add_epi16(_mm_mullo_epi16(first, _mm_setr_epi16(5, 0, 4, 3, 2, 1, 0, 0)),
                        _mm_mullo_epi16(second, _mm_setr_epi16(0, 5, 1, 2, 3, 4, 0, 0))),
          _mm_set1_epi16(13108)),
      _mm_setr_epi16(0, 0, 0, 0, 0, 0, 0, 255));
  const __m128i eight = _mm_set1_epi16(short(-int(e0 > e1)));
  const __m128i values =
      _mm_xor_si128(fifths, _mm_and_si128(_mm_xor_si128(fifths, sevenths), eight));
  return _mm_packus_epi16(values, values);
}

inline void MakeBc4Values(Sse2Code, const uint8_t* block, uint8_t values[8]) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(values), Bc4ValuesSse2(block));
}

#endif

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

#if defined(__SSE2__)
// Every pair of palette entries, indexed by the four index bits of two
// pixels: pairs[4j + i] holds entries i and j. One permutation makes two pairs.
struct PalettePairs {
  alignas(16) uint64_t pairs[16];
};

inline void MakePalettePairs(__m128i palette, PalettePairs& table) {
  auto* out = reinterpret_cast<__m128i*>(table.pairs);
  _mm_store_si128(out + 0, _mm_shuffle_epi32(palette, _MM_SHUFFLE(0, 1, 0, 0)));
  _mm_store_si128(out + 1, _mm_shuffle_epi32(palette, _MM_SHUFFLE(0, 3, 0, 2)));
  _mm_store_si128(out + 2, _mm_shuffle_epi32(palette, _MM_SHUFFLE(1, 1, 1, 0)));
  _mm_store_si128(out + 3, _mm_shuffle_epi32(palette, _MM_SHUFFLE(1, 3, 1, 2)));
  _mm_store_si128(out + 4, _mm_shuffle_epi32(palette, _MM_SHUFFLE(2, 1, 2, 0)));
  _mm_store_si128(out + 5, _mm_shuffle_epi32(palette, _MM_SHUFFLE(2, 3, 2, 2)));
  _mm_store_si128(out + 6, _mm_shuffle_epi32(palette, _MM_SHUFFLE(3, 1, 3, 0)));
  _mm_store_si128(out + 7, _mm_shuffle_epi32(palette, _MM_SHUFFLE(3, 3, 3, 2)));
}

// The four pixels of a row from its eight index bits.
inline __m128i PaletteRow(const PalettePairs& table, uint32_t rowIndices) {
  const __m128i left =
      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&table.pairs[rowIndices & 15]));
  return _mm_castpd_si128(_mm_loadh_pd(
      _mm_castsi128_pd(left), reinterpret_cast<const double*>(&table.pairs[rowIndices >> 4 & 15])));
}

// Pixel k is entry (indices >> 2k) & 3 of the palette register.
inline void WritePixels2Sse2(__m128i palette, uint32_t indices, uint8_t* destination,
                             ptrdiff_t stride) {
  PalettePairs table;
  MakePalettePairs(palette, table);
  for (int row = 0; row < 4; ++row, destination += stride, indices >>= 8) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), PaletteRow(table, indices));
  }
}

// The A bytes of a row of four pixels from the BC4 values and the row's 12
// index bits, the other bytes zero.
inline __m128i AlphaRow(const uint8_t values[8], uint32_t rowIndices) {
  const uint32_t bytes =
      uint32_t{values[rowIndices & 7]} | uint32_t{values[rowIndices >> 3 & 7]} << 8 |
      uint32_t{values[rowIndices >> 6 & 7]} << 16 | uint32_t{values[rowIndices >> 9 & 7]} << 24;
  const __m128i zero = _mm_setzero_si128();
  return _mm_unpacklo_epi16(zero, _mm_unpacklo_epi8(zero, _mm_cvtsi32_si128(int(bytes))));
}

// What a BC3 block's pixels are made of: its colours (alpha bytes clear) as
// pairs, and its eight alpha values.
struct Bc3Entries {
  PalettePairs colours;
  alignas(8) uint8_t alphas[8];
};

inline void MakeBc3Entries(const uint8_t* block, Bc3Entries& entries) {
  const __m128i colourBytes = _mm_set1_epi32(int(~AlphaMask()));
  MakePalettePairs(_mm_and_si128(colourBytes, Bc1PaletteSse2(block + 8, true)), entries.colours);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(entries.alphas), Bc4ValuesSse2(block));
}

// Each row's colours and alphas are merged in a register and stored once.
inline void WriteBc3Pixels(const Bc3Entries& entries, const uint8_t* block, uint8_t* destination,
                           ptrdiff_t stride) {
  uint32_t colourIndices = LoadLe32(block + 12);
  uint64_t alphaIndices = LoadLe64(block) >> 16;
  for (int row = 0; row < 4;
       ++row, destination += stride, colourIndices >>= 8, alphaIndices >>= 12) {
    const __m128i pixels = _mm_or_si128(PaletteRow(entries.colours, colourIndices),
                                        AlphaRow(entries.alphas, uint32_t(alphaIndices)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), pixels);
  }
}

#endif

}  // namespace orvelle
