#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace orvelle::testing {

// `count` reproducible pseudo-random bytes.
inline std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

}  // namespace orvelle::testing
