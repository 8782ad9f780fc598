// BC7 block decoder: one decoder per mode, its field layout known at compile
// time; endpoints expanded to 8 bits, a palette per subset, then one lookup
// per pixel. Built once per decoder build, whose kernels expand the endpoints,
// make the palettes and store the rows.
#include "texture/bc7.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <utility>

#include "texture/block_bytes.h"
#include "texture/bptc_tables.h"
#include "texture/code_paths.h"
#include "texture/kernels.h"

namespace orvelle {
namespace {

enum Pbits { kNoPbits, kPbitPerSubset, kPbitPerEndpoint };

struct ModeLayout {
  int subsets;
  int partitionBits;
  int rotationBits;
  int selectorBits;
  int colourBits;
  int alphaBits;  // 0: an opaque mode
  Pbits pbits;    // one more low bit of each endpoint, or of the colour of both in a subset
  int indexBits;
  int secondaryIndexBits;  // modes 4 and 5 carry a second set of indices
};

constexpr ModeLayout kModes[8] = {
    {3, 4, 0, 0, 4, 0, kPbitPerEndpoint, 3, 0}, {2, 6, 0, 0, 6, 0, kPbitPerSubset, 3, 0},
    {3, 6, 0, 0, 5, 0, kNoPbits, 2, 0},         {2, 6, 0, 0, 7, 0, kPbitPerEndpoint, 2, 0},
    {1, 0, 2, 1, 5, 6, kNoPbits, 2, 3},         {1, 0, 2, 0, 7, 8, kNoPbits, 2, 2},
    {1, 0, 0, 0, 7, 7, kPbitPerEndpoint, 4, 0}, {2, 6, 0, 0, 5, 5, kPbitPerEndpoint, 2, 0},
};

constexpr int kPaletteStride = 16;  // entries from one subset's palette to the next

// Takes `count` bits (at most 32) of the block from `position` upward and advances it.
inline uint32_t TakeBits(uint64_t lo, uint64_t hi, int& position, int count) {
  if (count == 0) return 0;
  uint64_t v;
  if (position >= 64) {
    v = hi >> (position - 64);
  } else if (position + count <= 64) {
    v = lo >> position;
  } else {
    v = lo >> position | hi << (64 - position);
  }
  position += count;
  return uint32_t(v) & uint32_t((uint64_t{1} << count) - 1);
}

// Every bit of the block from `position` (above 0) to bit 127.
inline uint64_t BitsFrom(uint64_t lo, uint64_t hi, int position) {
  return position >= 64 ? hi >> (position - 64) : lo >> position | hi << (64 - position);
}

// Makes the index at bit `position` one bit wider: its top bit, always zero, is not stored.
inline uint64_t InsertZeroBit(uint64_t indices, int position) {
  const uint64_t below = (uint64_t{1} << position) - 1;
  return (indices & below) | (indices & ~below) << 1;
}

// Endpoints as four 16-bit channels, R, G, B, A; two per subset.
using Endpoints = uint16_t[6][4];

// v becomes (v << (8 - n)) | (v << (8 - n)) >> n: the top bits replicated below.
// A mode without alpha is opaque.
void ExpandBc7Endpoints(PlainCode, Endpoints& endpoints, int count, int colourBits, int alphaBits) {
  for (int e = 0; e < count; ++e) {
    for (int c = 0; c < 4; ++c) {
      const int bits = c < 3 ? colourBits : alphaBits;
      const uint32_t shifted = uint32_t{endpoints[e][c]} << (8 - bits);
      endpoints[e][c] = bits == 0 ? 255 : uint16_t((shifted | shifted >> bits) & 0xFF);
    }
  }
}

// Entries i < count of the palette between e0 and e1, with the weights of
// the index precision; only the bytes of `keep` are kept.
void Bc7Palette(PlainCode, const uint16_t* e0, const uint16_t* e1, const int32_t* weights,
                int count, uint32_t keep, uint32_t* palette) {
  for (int i = 0; i < count; ++i) {
    const int32_t w = weights[i];
    uint32_t channels[4];
    for (int c = 0; c < 4; ++c) channels[c] = uint32_t(((64 - w) * e0[c] + w * e1[c] + 32) >> 6);
    palette[i] = PackRgba(channels[0], channels[1], channels[2], channels[3]) & keep;
  }
}

constexpr const int32_t* WeightsOf(int bits) {
  return bits == 2 ? kBptcWeights2 : bits == 3 ? kBptcWeights3 : kBptcWeights4;
}

template <typename Code, int Mode>
void DecodeMode(uint64_t lo, uint64_t hi, uint8_t* destination, ptrdiff_t stride) {
  constexpr ModeLayout m = kModes[Mode];
  constexpr int endpointCount = 2 * m.subsets;
  int position = Mode + 1;
  const uint32_t partition = TakeBits(lo, hi, position, m.partitionBits);
  const uint32_t rotation = TakeBits(lo, hi, position, m.rotationBits);
  const uint32_t selector = TakeBits(lo, hi, position, m.selectorBits);

  // All reds first, then all greens, all blues and (where the mode has them) all alphas.
  alignas(16) Endpoints endpoints = {};
  for (int c = 0; c < 3; ++c) {
    for (int e = 0; e < endpointCount; ++e) {
      endpoints[e][c] = uint16_t(TakeBits(lo, hi, position, m.colourBits));
    }
  }
  for (int e = 0; e < endpointCount && m.alphaBits != 0; ++e) {
    endpoints[e][3] = uint16_t(TakeBits(lo, hi, position, m.alphaBits));
  }
  if constexpr (m.pbits == kPbitPerEndpoint) {
    for (int e = 0; e < endpointCount; ++e) {
      const uint32_t bit = TakeBits(lo, hi, position, 1);
      for (uint16_t& value : endpoints[e]) value = uint16_t(value << 1 | bit);
    }
  } else if constexpr (m.pbits == kPbitPerSubset) {
    for (int s = 0; s < m.subsets; ++s) {
      const uint32_t bit = TakeBits(lo, hi, position, 1);
      for (int c = 0; c < 3; ++c) {
        endpoints[2 * s][c] = uint16_t(endpoints[2 * s][c] << 1 | bit);
        endpoints[2 * s + 1][c] = uint16_t(endpoints[2 * s + 1][c] << 1 | bit);
      }
    }
  }
  constexpr int pbit = m.pbits == kNoPbits ? 0 : 1;
  ExpandBc7Endpoints(Code{}, endpoints, endpointCount, m.colourBits + pbit,
                     m.alphaBits ? m.alphaBits + pbit : 0);

  constexpr int bits = m.indexBits;
  constexpr uint64_t indexMask = (uint64_t{1} << bits) - 1;
  alignas(16) uint32_t palette[3 * kPaletteStride];
  // The anchor indices (pixel 0's, and those of the other subsets) are stored
  // without their top bit, which is always zero.
  uint64_t indices = InsertZeroBit(BitsFrom(lo, hi, position), bits - 1);

  if constexpr (m.secondaryIndexBits == 0) {
    const Bc7PartitionLayout* layout = nullptr;
    if constexpr (m.subsets > 1) {
      layout = &kBc7PartitionLayouts[(m.subsets == 3 ? 64 : 0) + partition];
      for (const uint8_t anchor : layout->anchors) {
        if (anchor < 16) indices = InsertZeroBit(indices, anchor * bits + bits - 1);
      }
    }
    for (int s = 0; s < m.subsets; ++s) {
      Bc7Palette(Code{}, endpoints[2 * s], endpoints[2 * s + 1], WeightsOf(bits), 1 << bits,
                 0xFFFFFFFF, palette + kPaletteStride * s);
    }
    for (int row = 0; row < 4; ++row, destination += stride) {
      uint32_t pixels[4];
      for (int column = 0; column < 4; ++column) {
        const int pixel = 4 * row + column;
        uint32_t entry = uint32_t(indices >> (bits * pixel) & indexMask);
        if constexpr (m.subsets > 1) entry += layout->paletteOffset[pixel];
        pixels[column] = palette[entry];
      }
      StoreRow(Code{}, destination, pixels);
    }
  } else {
    // Modes 4 and 5: colour and alpha interpolate with different indices.
    // Rotation r exchanges channel r - 1 with alpha after interpolation, which
    // comes to exchanging them in both endpoints and swapping which palette
    // gives which byte.
    if (rotation != 0) {
      for (uint16_t* endpoint : {endpoints[0], endpoints[1]}) {
        std::swap(endpoint[rotation - 1], endpoint[3]);
      }
    }
    const uint32_t moved = rotation == 0 ? 3 : rotation - 1;
    const uint32_t alphaByte = PackRgba(moved == 0 ? 255 : 0, moved == 1 ? 255 : 0,
                                        moved == 2 ? 255 : 0, moved == 3 ? 255 : 0);
    // The selector makes the secondary indices drive the colour.
    const uint32_t primaryKeep = selector != 0 ? alphaByte : ~alphaByte;
    constexpr int secondaryBits = m.secondaryIndexBits;
    constexpr int secondaryStart = 128 - (16 * secondaryBits - 1);
    uint64_t secondary = InsertZeroBit(BitsFrom(lo, hi, secondaryStart), secondaryBits - 1);
    Bc7Palette(Code{}, endpoints[0], endpoints[1], WeightsOf(bits), 1 << bits, primaryKeep,
               palette);
    Bc7Palette(Code{}, endpoints[0], endpoints[1], WeightsOf(secondaryBits), 1 << secondaryBits,
               ~primaryKeep, palette + kPaletteStride);
    constexpr uint64_t secondaryMask = (uint64_t{1} << secondaryBits) - 1;
    for (int row = 0; row < 4; ++row, destination += stride) {
      uint32_t pixels[4];
      for (int column = 0; column < 4; ++column) {
        const int pixel = 4 * row + column;
        pixels[column] =
            palette[indices >> (bits * pixel) & indexMask] |
            palette[kPaletteStride + (secondary >> (secondaryBits * pixel) & secondaryMask)];
      }
      StoreRow(Code{}, destination, pixels);
    }
  }
}

// The reserved mode (no set bit in the first byte) decodes to transparent black.
void DecodeReserved(uint64_t, uint64_t, uint8_t* destination, ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row) std::memset(destination + row * stride, 0, 16);
}

// The mode is the number of zero bits below the lowest set bit of the first byte.
constexpr int ModeOf(uint32_t firstByte) {
  int mode = 0;
  while (mode < 8 && (firstByte >> mode & 1) == 0) ++mode;
  return mode;
}

template <size_t... Bytes>
constexpr std::array<uint8_t, 256> ModesOf(std::index_sequence<Bytes...>) {
  return {uint8_t(ModeOf(Bytes))...};
}

constexpr std::array<uint8_t, 256> kModeOfFirstByte = ModesOf(std::make_index_sequence<256>());

}  // namespace

template <typename Code>
void DecodeBc7BlockIn(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  using Decoder = void (*)(uint64_t, uint64_t, uint8_t*, ptrdiff_t);
  static constexpr Decoder kDecoders[9] = {
      DecodeMode<Code, 0>, DecodeMode<Code, 1>, DecodeMode<Code, 2>,
      DecodeMode<Code, 3>, DecodeMode<Code, 4>, DecodeMode<Code, 5>,
      DecodeMode<Code, 6>, DecodeMode<Code, 7>, DecodeReserved};
  kDecoders[kModeOfFirstByte[block[0]]](LoadLe64(block), LoadLe64(block + 8), destination,
                                        rowStride);
}

#define ORVELLE_INSTANTIATE(Code) \
  template void DecodeBc7BlockIn<Code>(const uint8_t*, uint8_t*, int32_t);
ORVELLE_FOR_EACH_DECODER_BUILD(ORVELLE_INSTANTIATE)
#undef ORVELLE_INSTANTIATE

void DecodeBc7Block(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  ActiveCodePath().decoders.bc7(block, destination, rowStride);
}

}  // namespace orvelle
