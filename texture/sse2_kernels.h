// The SSE2 kernels: the palettes, pixel stores and interpolations of the
// block decoders and writers, each taking the Sse2Code tag where the plain
// build has a kernel of the same name. Only where the build compiles SSE2 in.
#pragma once

#include "texture/instruction_sets.h"

#if defined(ORVELLE_BUILDS_SSE2)
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

#include "texture/bc6h.h"
#include "texture/block_bytes.h"
#include "texture/bptc_tables.h"

namespace orvelle {

// Stored at once, so that a later 16-byte load of the row (a block buffer
// copied into the image) takes them straight from the store instead of waiting
// for four stores to land.
inline void StoreRow(Sse2Code, uint8_t* destination, const uint32_t (&pixels)[4]) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination),
                   _mm_setr_epi32(int(pixels[0]), int(pixels[1]), int(pixels[2]), int(pixels[3])));
}

// BC1 and BC4.

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
inline __m128i Bc1Palette(Sse2Code, const uint8_t* block, bool forceFourColour) {
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
inline __m128i Bc4Values(Sse2Code, const uint8_t* block) {
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
  _mm_storel_epi64(reinterpret_cast<__m128i*>(values), Bc4Values(Sse2Code{}, block));
}

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
inline void WritePixels2(Sse2Code, __m128i palette, uint32_t indices, uint8_t* destination,
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
  MakePalettePairs(_mm_and_si128(colourBytes, Bc1Palette(Sse2Code{}, block + 8, true)),
                   entries.colours);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(entries.alphas), Bc4Values(Sse2Code{}, block));
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

// The BC1 and BC3 decoders.
inline void DecodeBc1(Sse2Code, const uint8_t* block, uint8_t* destination, ptrdiff_t stride,
                      bool forceFourColour) {
  WritePixels2(Sse2Code{}, Bc1Palette(Sse2Code{}, block, forceFourColour), LoadLe32(block + 4),
               destination, stride);
}

inline void DecodeBc3(Sse2Code, const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  Bc3Entries entries;
  MakeBc3Entries(block, entries);
  WriteBc3Pixels(entries, block, destination, stride);
}

// BC7.

// The 16-bit multipliers that expand a subset's two endpoints, lanes R, G, B,
// A of each: x = v * 2^(8 - n), then x | x >> n as x | mulhi(x, 2^(16 - n)).
inline void ExpandBc7Endpoints(Sse2Code, uint16_t (&endpoints)[6][4], int count, int colourBits,
                               int alphaBits) {
  const int up = 1 << (8 - colourBits);
  const int upAlpha = alphaBits == 0 ? 0 : 1 << (8 - alphaBits);
  const int down = 1 << (16 - colourBits);
  const int downAlpha = alphaBits == 0 ? 0 : 1 << (16 - alphaBits);
  const __m128i shiftUp = _mm_setr_epi16(short(up), short(up), short(up), short(upAlpha), short(up),
                                         short(up), short(up), short(upAlpha));
  const __m128i shiftDown = _mm_setr_epi16(short(down), short(down), short(down), short(downAlpha),
                                           short(down), short(down), short(down), short(downAlpha));
  const short opaque = alphaBits == 0 ? 255 : 0;
  const __m128i alpha = _mm_setr_epi16(0, 0, 0, opaque, 0, 0, 0, opaque);
  for (int e = 0; e < count; e += 2) {
    auto* pair = reinterpret_cast<__m128i*>(endpoints[e]);
    const __m128i x = _mm_mullo_epi16(_mm_load_si128(pair), shiftUp);
    _mm_store_si128(pair, _mm_or_si128(_mm_or_si128(x, _mm_mulhi_epu16(x, shiftDown)), alpha));
  }
}

// The weights of 2-, 3- and 4-bit indices in 16-bit lanes, two entries per
// register: entry 2i's weight in lanes 0-3, entry 2i + 1's in lanes 4-7.
struct WeightLanes {
  alignas(16) int16_t lanes[8][8];
};

constexpr WeightLanes MakeWeightLanes(const int32_t* weights, int count) {
  WeightLanes result{};
  for (int i = 0; i < count; ++i) {
    for (int c = 0; c < 4; ++c) result.lanes[i / 2][4 * (i % 2) + c] = int16_t(weights[i]);
  }
  return result;
}

inline constexpr WeightLanes kWeightLanes2 = MakeWeightLanes(kBptcWeights2, 4);
inline constexpr WeightLanes kWeightLanes3 = MakeWeightLanes(kBptcWeights3, 8);
inline constexpr WeightLanes kWeightLanes4 = MakeWeightLanes(kBptcWeights4, 16);

// The plain Bc7Palette two entries per register, as e0 + ((w (e1 - e0) + 32) >> 6),
// which equals ((64 - w) e0 + w e1 + 32) >> 6 since 64 e0 divides exactly.
inline void Bc7Palette(Sse2Code, const uint16_t* e0, const uint16_t* e1, const int32_t* weights,
                       int count, uint32_t keep, uint32_t* palette) {
  const WeightLanes& lanes = weights == kBptcWeights2   ? kWeightLanes2
                             : weights == kBptcWeights3 ? kWeightLanes3
                                                        : kWeightLanes4;
  const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(e0));
  const __m128i first = _mm_unpacklo_epi64(low, low);
  const __m128i high = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(e1));
  const __m128i difference = _mm_sub_epi16(_mm_unpacklo_epi64(high, high), first);
  const __m128i rounding = _mm_set1_epi16(32);
  const __m128i kept = _mm_set1_epi32(int(keep));
  auto entries = [&](int pair) {
    const __m128i w = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.lanes[pair]));
    return _mm_add_epi16(
        first, _mm_srai_epi16(_mm_add_epi16(_mm_mullo_epi16(difference, w), rounding), 6));
  };
  for (int pair = 0; pair < count / 2; pair += 2) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(palette + 2 * pair),
                     _mm_and_si128(_mm_packus_epi16(entries(pair), entries(pair + 1)), kept));
  }
}

// BC6H.

// (64 - w, w) for the 16 palette entries, as the 16-bit lane pairs that
// _mm_madd_epi16 multiplies with an (e0, e1) pair: four entries per register.
struct WeightPairs {
  alignas(16) int16_t lanes[32];
};

constexpr WeightPairs MakeWeightPairs(const int32_t* weights, int count) {
  WeightPairs pairs{};
  for (int entry = 0; entry < 16; ++entry) {
    pairs.lanes[2 * entry] = int16_t(64 - weights[entry % count]);
    pairs.lanes[2 * entry + 1] = int16_t(weights[entry % count]);
  }
  return pairs;
}

inline constexpr WeightPairs kWeightPairs3 = MakeWeightPairs(kBptcWeights3, 8);
inline constexpr WeightPairs kWeightPairs4 = MakeWeightPairs(kBptcWeights4, 16);

// The plain InterpolateBc6h four entries at a time. Unsigned endpoints (0 to
// 0xFFFF) go into the signed 16-bit lanes less 0x8000, and 64 x 0x8000 is
// added back to the weighted sum.
inline void InterpolateBc6h(Sse2Code, const Bc6hEndpoints& endpoints, int isSigned, bool display,
                            uint16_t halves[3][16]) {
  const WeightPairs& weights = endpoints.twoRegions ? kWeightPairs3 : kWeightPairs4;
  const int32_t offset = isSigned ? 0 : 0x8000;
  const __m128i rounding = _mm_set1_epi32(isSigned ? 32 : 32 + 64 * 0x8000);
  const __m128i signBit = _mm_set1_epi16(int16_t(0x8000));
  const __m128i zero = _mm_setzero_si128();
  const int secondRegion = endpoints.twoRegions ? 2 : 0;
  for (int c = 0; c < 3; ++c) {
    __m128i t[4];
    for (int quarter = 0; quarter < 4; ++quarter) {
      // Entries 8 to 15 of a two-region palette belong to region 1.
      const int first = quarter < 2 ? 0 : secondRegion;
      const uint32_t e0 = uint16_t(endpoints.value[first][c] - offset);
      const uint32_t e1 = uint16_t(endpoints.value[first + 1][c] - offset);
      const __m128i pair = _mm_set1_epi32(int32_t(e0 | e1 << 16));
      const __m128i w = _mm_load_si128(reinterpret_cast<const __m128i*>(weights.lanes) + quarter);
      t[quarter] = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pair, w), rounding), 6);
      if (display) t[quarter] = _mm_andnot_si128(_mm_srai_epi32(t[quarter], 31), t[quarter]);
    }
    for (int half = 0; half < 2; ++half) {
      const __m128i low = t[2 * half], high = t[2 * half + 1];
      __m128i result;
      if (isSigned) {
        // |t| * 31 >> 5, then the sign of t unless the magnitude is zero.
        const __m128i lowSign = _mm_srai_epi32(low, 31), highSign = _mm_srai_epi32(high, 31);
        const __m128i lowMagnitude = _mm_sub_epi32(_mm_xor_si128(low, lowSign), lowSign);
        const __m128i highMagnitude = _mm_sub_epi32(_mm_xor_si128(high, highSign), highSign);
        const __m128i magnitude = _mm_packs_epi32(
            _mm_srli_epi32(_mm_sub_epi32(_mm_slli_epi32(lowMagnitude, 5), lowMagnitude), 5),
            _mm_srli_epi32(_mm_sub_epi32(_mm_slli_epi32(highMagnitude, 5), highMagnitude), 5));
        const __m128i negative = _mm_and_si128(_mm_packs_epi32(lowSign, highSign), signBit);
        result =
            _mm_or_si128(magnitude, _mm_andnot_si128(_mm_cmpeq_epi16(magnitude, zero), negative));
      } else {
        // t * 31 >> 6.
        result = _mm_packs_epi32(_mm_srli_epi32(_mm_sub_epi32(_mm_slli_epi32(low, 5), low), 6),
                                 _mm_srli_epi32(_mm_sub_epi32(_mm_slli_epi32(high, 5), high), 6));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(&halves[c][8 * half]), result);
    }
  }
}

}  // namespace orvelle
#endif
