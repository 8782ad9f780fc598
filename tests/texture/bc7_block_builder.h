// Builds BC7 blocks for tests: from named fields, or random with a chosen mode.
#pragma once

#include <array>
#include <cstdint>
#include <random>

namespace orvelle::testing {

using Bc7Block = std::array<uint8_t, 16>;

// Raw field values before any p-bit or expansion; unused fields are ignored.
struct Bc7Fields {
  unsigned mode = 0;
  unsigned partition = 0;
  unsigned rotation = 0;
  unsigned selector = 0;
  uint8_t endpoints[6][4] = {};  // R, G, B, A per endpoint, subset 0's two first
  uint8_t pbits[6] = {};         // one per endpoint; mode 1 reads one per subset
  uint8_t primary[16] = {};
  uint8_t secondary[16] = {};
};

// Lays the fields out bit by bit as the format stores them.
Bc7Block PackBc7Block(const Bc7Fields& fields);

// 16 random bytes whose mode field selects `mode` (0 to 7; 8: the reserved
// first byte zero).
Bc7Block RandomBc7Block(std::mt19937& rng, unsigned mode);

}  // namespace orvelle::testing
