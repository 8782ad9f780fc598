// Tables shared by the BC7 and BC6H decoders.
#pragma once

#include <array>
#include <cstdint>

namespace orvelle {

// Subset number in bits 0 and 1; 0x80 marks the anchor pixel of each subset.
using Bc7PartitionEntry = uint8_t;
constexpr Bc7PartitionEntry kBc7SubsetMask = 0x03;
constexpr Bc7PartitionEntry kBc7AnchorFlag = 0x80;

// Rows 0-63: the two-subset partitions; rows 64-127: the three-subset ones.
// BC6H uses rows 0-31.
extern const Bc7PartitionEntry kBc7Partitions[128][16];

// What a palette-based decoder needs of partition row p, derived from
// kBc7Partitions: each pixel's subset times 16 (the distance between the
// subsets' palettes), and the anchor pixels of subsets 1 and 2 in increasing
// order, 16 standing for none.
struct Bc7PartitionLayout {
  uint8_t paletteOffset[16];
  uint8_t anchors[2];
};
extern const std::array<Bc7PartitionLayout, 128> kBc7PartitionLayouts;

// Interpolation weights (out of 64) of 2-, 3- and 4-bit indices; visible to
// the compiler, so that the decoders can derive their own layouts from them.
inline constexpr int32_t kBptcWeights2[4] = {0, 21, 43, 64};
inline constexpr int32_t kBptcWeights3[8] = {0, 9, 18, 27, 37, 46, 55, 64};
inline constexpr int32_t kBptcWeights4[16] = {0,  4,  9,  13, 17, 21, 26, 30,
                                              34, 38, 43, 47, 51, 55, 60, 64};

}  // namespace orvelle
