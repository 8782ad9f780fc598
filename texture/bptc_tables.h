// Tables shared by the BC7 and BC6H decoders.
#pragma once

#include <cstdint>

namespace orvelle {

// Subset number in bits 0 and 1; 0x80 marks the anchor pixel of each subset.
using Bc7PartitionEntry = uint8_t;
constexpr Bc7PartitionEntry kBc7SubsetMask = 0x03;
constexpr Bc7PartitionEntry kBc7AnchorFlag = 0x80;

// Rows 0-63: the two-subset partitions; rows 64-127: the three-subset ones.
// BC6H uses rows 0-31.
extern const Bc7PartitionEntry kBc7Partitions[128][16];

extern const int32_t kBptcWeights2[4];
extern const int32_t kBptcWeights3[8];
extern const int32_t kBptcWeights4[16];

}  // namespace orvelle
