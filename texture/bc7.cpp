// BC7 block decoder: eight modes of one to three subsets, p-bits, channel
// rotation and separate alpha indices, driven by small per-mode tables.
#include "texture/bc7.h"

#include <cstddef>
#include <cstring>

#include "texture/bptc_tables.h"

namespace orvelle {
namespace {

constexpr unsigned kModeCount = 8;
constexpr uint8_t kColourBits[kModeCount] = {4, 6, 5, 7, 5, 7, 7, 5};
constexpr uint8_t kAlphaBits[kModeCount] = {0, 0, 0, 0, 6, 8, 7, 5};
constexpr uint8_t kPbitModes = 0xCB;  // bit m set: mode m carries p-bits (0, 1, 3, 6, 7)
constexpr unsigned kSharedPbitMode = 1;  // one p-bit per subset instead of per endpoint
constexpr uint8_t kRotationModes = 0x30;  // modes 4 and 5
constexpr unsigned kIndexSelectorMode = 4;
constexpr uint8_t kSubsetCount[kModeCount] = {3, 2, 3, 2, 1, 1, 1, 2};
constexpr uint8_t kPartitionBits[kModeCount] = {4, 6, 6, 6, 0, 0, 0, 6};
constexpr uint8_t kIndexBits[kModeCount] = {3, 3, 2, 2, 2, 2, 4, 2};
constexpr uint8_t kSecondaryIndexBits[kModeCount] = {0, 0, 0, 0, 3, 2, 0, 0};
constexpr unsigned kThreeSubsetRows = 64;  // first three-subset row of kBc7Partitions

// The one-subset modes: every pixel in subset 0, pixel 0 its anchor.
constexpr Bc7PartitionEntry kOneSubset[16] = {kBc7AnchorFlag};

// Indexed by index precision in bits (2 to 4).
const int32_t* const kWeightsByBits[5] = {nullptr, nullptr, kBptcWeights2, kBptcWeights3,
                                          kBptcWeights4};

// The block as a 128-bit little-endian number, consumed from bit 0 upward.
struct BitReader {
  uint64_t low;
  uint64_t high;
};

uint64_t ReadLe64(const uint8_t* p) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

// Takes the next `count` bits, 1 to 8.
uint32_t ReadBits(BitReader& reader, unsigned count) {
  const uint32_t value = static_cast<uint32_t>(reader.low & ((uint64_t{1} << count) - 1));
  reader.low = reader.low >> count | reader.high << (64 - count);
  reader.high >>= count;
  return value;
}

// Replicates the top bits of an n-bit value into the low bits of a byte.
int32_t ExpandToByte(uint32_t value, unsigned bits) {
  const uint32_t shifted = value << (8 - bits);
  return static_cast<int32_t>(shifted | shifted >> bits);
}

uint8_t Interpolate(int32_t e0, int32_t e1, int32_t weight) {
  return static_cast<uint8_t>(((64 - weight) * e0 + weight * e1 + 32) >> 6);
}

// Up to six endpoints of R, G, B, A: subset 0's first and second, then subset 1's, ...
using Endpoints = int32_t[6][4];

// All reds, then all greens, then all blues, then (if the mode has it) all alphas.
void ReadEndpoints(BitReader& reader, unsigned mode, unsigned count, Endpoints& endpoints) {
  for (unsigned channel = 0; channel < 3; ++channel) {
    for (unsigned e = 0; e < count; ++e) {
      endpoints[e][channel] = static_cast<int32_t>(ReadBits(reader, kColourBits[mode]));
    }
  }
  if (kAlphaBits[mode]) {
    for (unsigned e = 0; e < count; ++e) {
      endpoints[e][3] = static_cast<int32_t>(ReadBits(reader, kAlphaBits[mode]));
    }
  }
}

// A p-bit is one more low bit shared by the channels of an endpoint, or in
// mode 1 by the colour channels of both endpoints of a subset.
void AppendPbits(BitReader& reader, unsigned mode, unsigned subsets, Endpoints& endpoints) {
  const unsigned count = 2 * subsets;
  for (unsigned e = 0; e < count; ++e) {
    for (int32_t& value : endpoints[e]) value = static_cast<int32_t>(uint32_t(value) << 1);
  }
  if (mode == kSharedPbitMode) {
    for (unsigned s = 0; s < subsets; ++s) {
      const int32_t bit = static_cast<int32_t>(ReadBits(reader, 1));
      for (unsigned e = 2 * s; e < 2 * s + 2; ++e) {
        for (unsigned channel = 0; channel < 3; ++channel) endpoints[e][channel] |= bit;
      }
    }
  } else {
    for (unsigned e = 0; e < count; ++e) {
      const int32_t bit = static_cast<int32_t>(ReadBits(reader, 1));
      for (int32_t& value : endpoints[e]) value |= bit;
    }
  }
}

// To 8 bits per channel; modes without alpha are opaque.
void ExpandEndpoints(unsigned mode, unsigned count, unsigned pbit, Endpoints& endpoints) {
  const unsigned colourBits = kColourBits[mode] + pbit;
  const unsigned alphaBits = kAlphaBits[mode] ? kAlphaBits[mode] + pbit : 0;
  for (unsigned e = 0; e < count; ++e) {
    for (unsigned channel = 0; channel < 3; ++channel) {
      endpoints[e][channel] = ExpandToByte(uint32_t(endpoints[e][channel]), colourBits);
    }
    endpoints[e][3] = alphaBits ? ExpandToByte(uint32_t(endpoints[e][3]), alphaBits) : 255;
  }
}

const Bc7PartitionEntry* ReadPartition(BitReader& reader, unsigned mode) {
  switch (kSubsetCount[mode]) {
    case 1:
      return kOneSubset;
    case 2:
      return kBc7Partitions[ReadBits(reader, kPartitionBits[mode])];
    default:
      return kBc7Partitions[kThreeSubsetRows + ReadBits(reader, kPartitionBits[mode])];
  }
}

void FillReservedTile(uint8_t* destination, int32_t rowStride) {
  for (int row = 0; row < 4; ++row) {
    std::memset(destination + static_cast<ptrdiff_t>(row) * rowStride, 0, 16);
  }
}

}  // namespace

void DecodeBc7Block(const uint8_t* block, uint8_t* destination, int32_t rowStride) {
  unsigned mode = 0;
  while (mode < kModeCount && (block[0] >> mode & 1) == 0) ++mode;
  if (mode == kModeCount) {  // reserved: transparent black
    FillReservedTile(destination, rowStride);
    return;
  }

  BitReader reader{ReadLe64(block), ReadLe64(block + 8)};
  ReadBits(reader, mode + 1);
  const Bc7PartitionEntry* partition = ReadPartition(reader, mode);
  const uint32_t rotation = (kRotationModes >> mode & 1) ? ReadBits(reader, 2) : 0;
  const uint32_t selector = mode == kIndexSelectorMode ? ReadBits(reader, 1) : 0;

  const unsigned subsets = kSubsetCount[mode];
  const unsigned pbit = kPbitModes >> mode & 1;
  Endpoints endpoints = {};
  ReadEndpoints(reader, mode, 2 * subsets, endpoints);
  if (pbit) AppendPbits(reader, mode, subsets, endpoints);
  ExpandEndpoints(mode, 2 * subsets, pbit, endpoints);

  // An anchor's index is stored without its top bit, which is always zero.
  const unsigned indexBits = kIndexBits[mode];
  uint8_t primary[16];
  for (unsigned p = 0; p < 16; ++p) {
    primary[p] = static_cast<uint8_t>(ReadBits(reader, indexBits - (partition[p] >> 7)));
  }

  // Secondary indices, when present, follow all primary ones; pixel 0 is their anchor.
  const unsigned secondaryBits = kSecondaryIndexBits[mode];
  const int32_t* primaryWeights = kWeightsByBits[indexBits];
  const int32_t* secondaryWeights = kWeightsByBits[secondaryBits];
  for (unsigned p = 0; p < 16; ++p) {
    int32_t colourWeight = primaryWeights[primary[p]];
    int32_t alphaWeight = colourWeight;
    if (secondaryBits) {
      const int32_t secondary = secondaryWeights[ReadBits(reader, secondaryBits - (p == 0))];
      if (selector) {
        colourWeight = secondary;
      } else {
        alphaWeight = secondary;
      }
    }
    const unsigned subset = partition[p] & kBc7SubsetMask;
    const int32_t* e0 = endpoints[2 * subset];
    const int32_t* e1 = endpoints[2 * subset + 1];
    uint8_t pixel[4] = {Interpolate(e0[0], e1[0], colourWeight),
                        Interpolate(e0[1], e1[1], colourWeight),
                        Interpolate(e0[2], e1[2], colourWeight),
                        Interpolate(e0[3], e1[3], alphaWeight)};
    if (rotation) {  // 1, 2, 3: exchange R, G or B with A
      const uint8_t swapped = pixel[rotation - 1];
      pixel[rotation - 1] = pixel[3];
      pixel[3] = swapped;
    }
    std::memcpy(destination + static_cast<ptrdiff_t>(p >> 2) * rowStride + 4 * (p & 3), pixel, 4);
  }
}

}  // namespace orvelle
