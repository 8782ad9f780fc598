// Builds Hap frames in memory for tests: sections, multi-texture containers.
#pragma once

#include <cstdint>
#include <vector>

namespace orvelle::testing {

// A section: 4-byte header for sizes 1 to 2^24 - 1, otherwise the 8-byte form.
inline std::vector<uint8_t> HapSection(uint8_t type, const std::vector<uint8_t>& payload) {
  const auto size = static_cast<uint32_t>(payload.size());
  std::vector<uint8_t> section;
  if (size != 0 && size < (1u << 24)) {
    section = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
               static_cast<uint8_t>(size >> 16), type};
  } else {
    section = {0, 0, 0, type, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
               static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
  }
  section.insert(section.end(), payload.begin(), payload.end());
  return section;
}

// A multi-texture container holding the given texture sections in order.
inline std::vector<uint8_t> HapMultiTexture(const std::vector<std::vector<uint8_t>>& sections) {
  std::vector<uint8_t> payload;
  for (const auto& section : sections) payload.insert(payload.end(), section.begin(), section.end());
  return HapSection(0x0D, payload);
}

}  // namespace orvelle::testing
