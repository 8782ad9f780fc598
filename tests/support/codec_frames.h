// Hap frames of every codec, stored each way a texture section can be, for
// tests and fuzz seeds that want one of each kind.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "hap/hap_frame.h"
#include "tests/support/hap_frame_builder.h"

namespace orvelle::testing {

// How a texture section holds its bytes.
enum class Storage { Plain, Snappy, Chunked };

constexpr Storage kStorages[] = {Storage::Plain, Storage::Snappy, Storage::Chunked};
constexpr const char* kHapFourccs[] = {"Hap1", "Hap5", "HapY", "HapM", "HapA", "Hap7", "HapH"};

inline const char* StorageName(Storage storage) {
  return storage == Storage::Plain ? "plain" : storage == Storage::Snappy ? "snappy" : "chunked";
}

// A texture section of format nibble `format`. Chunked: two chunks, the first
// stored plainly and the second with Snappy, placed by an offset table.
inline Bytes TextureSection(uint8_t format, Storage storage, const Bytes& texture) {
  switch (storage) {
    case Storage::Plain:
      return Section(0xA0 | format, texture);
    case Storage::Snappy:
      return Section(0xB0 | format, Compress(texture));
    case Storage::Chunked:
      break;
  }
  const size_t half = texture.size() / 2;
  const Bytes first(texture.begin(), texture.begin() + half);
  const Bytes second = Compress(Bytes(texture.begin() + half, texture.end()));
  const uint32_t firstSize = static_cast<uint32_t>(first.size());
  const Bytes instructions =
      Instructions({CompressorNone, CompressorSnappy},
                   Le32Table({firstSize, uint32_t(second.size())}), Le32Table({0, firstSize}));
  return Section(0xC0 | format, Concat({instructions, first, second}));
}

// A frame of `width` x `height` pixels as the codec `fourcc` stores it, its
// blocks a pattern from `seed`: one texture, or for "HapM" scaled YCoCg
// colour plus a BC4 alpha plane.
inline Bytes CodecFrame(const char* fourcc, uint32_t width, uint32_t height, Storage storage,
                        uint8_t seed = 1) {
  const size_t blocks = size_t{(width + 3) / 4} * ((height + 3) / 4);
  struct Codec {
    const char* fourcc;
    uint8_t format;
    size_t blockBytes;
  };
  constexpr Codec kCodecs[] = {{"Hap1", 0x0B, 8}, {"Hap5", 0x0E, 16}, {"HapY", 0x0F, 16},
                               {"HapA", 0x01, 8}, {"Hap7", 0x0C, 16}, {"HapH", 0x02, 16}};
  if (std::strcmp(fourcc, "HapM") == 0) {
    return MultiTexture({TextureSection(0x0F, storage, Pattern(blocks * 16, seed)),
                         TextureSection(0x01, storage, Pattern(blocks * 8, seed + 1))});
  }
  for (const Codec& codec : kCodecs) {
    if (std::strcmp(fourcc, codec.fourcc) == 0) {
      return TextureSection(codec.format, storage, Pattern(blocks * codec.blockBytes, seed));
    }
  }
  return {};
}

}  // namespace orvelle::testing
