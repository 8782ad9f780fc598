// Reproducible inputs and a byte hash for the golden-output tests, which pin
// every decoder's output so that faster code can be checked byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hap/hap_frame.h"

namespace orvelle::testing {

// 64-bit FNV-1a over a byte range, chainable through `hash`.
inline uint64_t Fnv1a(const void* bytes, size_t count, uint64_t hash = 0xCBF29CE484222325ull) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < count; ++i) hash = (hash ^ p[i]) * 0x100000001B3ull;
  return hash;
}

inline uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  return Fnv1a(bytes.data(), bytes.size());
}

// SplitMix64: a fixed generator, so the inputs never depend on the standard library.
class GoldenRandom {
 public:
  explicit GoldenRandom(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Mostly uniform bytes, but one in eight is 0x00 and one in eight 0xFF, so
  // that all-zero and all-one fields (equal endpoints, saturated values) are common.
  uint8_t Byte() {
    const uint64_t r = Next();
    switch (r & 7) {
      case 0:
        return 0x00;
      case 1:
        return 0xFF;
      default:
        return static_cast<uint8_t>(r >> 8);
    }
  }

 private:
  uint64_t state_;
};

inline std::vector<uint8_t> GoldenBytes(size_t count, uint64_t seed) {
  GoldenRandom random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = random.Byte();
  return bytes;
}

// BC1 halves (8 bytes at `offset` of every `blockBytes`): every fourth block
// gets equal colours, the three-colour case that random bytes rarely hit.
inline void MakeSomeBc1ColoursEqual(std::vector<uint8_t>& blocks, size_t blockBytes,
                                    size_t offset) {
  for (size_t b = 0; b * blockBytes < blocks.size(); b += 4) {
    uint8_t* colour = &blocks[b * blockBytes + offset];
    std::memcpy(colour + 2, colour, 2);
  }
}

// The same for BC4 halves: every fourth block gets equal values.
inline void MakeSomeBc4ValuesEqual(std::vector<uint8_t>& blocks, size_t blockBytes, size_t offset) {
  for (size_t b = 1; b * blockBytes < blocks.size(); b += 4) {
    blocks[b * blockBytes + offset + 1] = blocks[b * blockBytes + offset];
  }
}

// Block b of a BC7 set is in mode b % 9, 8 meaning the reserved mode (low byte 0).
inline void ForceBc7Modes(std::vector<uint8_t>& blocks) {
  for (size_t b = 0; 16 * b < blocks.size(); ++b) {
    const unsigned mode = b % 9;
    uint8_t& first = blocks[16 * b];
    first = mode == 8 ? 0 : static_cast<uint8_t>((first << (mode + 1)) | (1u << mode));
  }
}

// The 14 BC6H mode codes in the standard's order, then the four reserved ones.
constexpr uint8_t kBc6hModeCodes[18] = {0x00, 0x01, 0x02, 0x06, 0x0A, 0x0E, 0x12, 0x16, 0x1A,
                                        0x1E, 0x03, 0x07, 0x0B, 0x0F, 0x13, 0x17, 0x1B, 0x1F};

// Block b of a BC6H set takes mode code b % 18.
inline void ForceBc6hModes(std::vector<uint8_t>& blocks) {
  for (size_t b = 0; 16 * b < blocks.size(); ++b) {
    const uint8_t code = kBc6hModeCodes[b % 18];
    const uint8_t mask = code < 2 ? 0x03 : 0x1F;
    uint8_t& first = blocks[16 * b];
    first = static_cast<uint8_t>((first & ~mask) | code);
  }
}

// A texture of `count` blocks whose layout suits `format`: BC7 and BC6H sets
// cycle through every mode. An unknown format gets 16 random bytes per block.
inline std::vector<uint8_t> GoldenTexture(TextureFormat format, size_t count, uint64_t seed) {
  const uint32_t blockBytes = BytesPerBlock(format) != 0 ? BytesPerBlock(format) : 16;
  std::vector<uint8_t> blocks = GoldenBytes(count * blockBytes, seed);
  switch (format) {
    case TexFmtRgbDxt1:
      MakeSomeBc1ColoursEqual(blocks, 8, 0);
      break;
    case TexFmtAlphaRgtc1:
      MakeSomeBc4ValuesEqual(blocks, 8, 0);
      break;
    case TexFmtRgbaDxt5:
    case TexFmtYCoCgDxt5:
      MakeSomeBc1ColoursEqual(blocks, 16, 8);
      MakeSomeBc4ValuesEqual(blocks, 16, 0);
      break;
    case TexFmtRgbaBptcUnorm:
      ForceBc7Modes(blocks);
      break;
    case TexFmtRgbBptcSignedFloat:
    case TexFmtRgbBptcUnsignedFloat:
      ForceBc6hModes(blocks);
      break;
    default:
      break;
  }
  return blocks;
}

}  // namespace orvelle::testing
