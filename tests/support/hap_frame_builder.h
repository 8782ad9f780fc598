// Builders for hand-made Hap frames in tests.
#pragma once

#include <snappy.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace orvelle::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes Le32(uint32_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

inline Bytes Le32Table(std::initializer_list<uint32_t> values) {
  Bytes table;
  for (uint32_t value : values) table = Concat({table, Le32(value)});
  return table;
}

// A header with an explicit size, in the short form unless the size is 0 or
// does not fit 24 bits; the size need not match what follows.
inline Bytes Header(uint8_t type, uint32_t size) {
  if (size != 0 && size < (1u << 24)) return {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), type};
  return Concat({{0, 0, 0, type}, Le32(size)});
}

inline Bytes Section(uint8_t type, const Bytes& payload) {
  return Concat({Header(type, uint32_t(payload.size())), payload});
}

// `blocks` BC1 blocks of one RGB565 colour: both endpoints the colour, every index 0.
inline Bytes SolidBc1Blocks(uint32_t blocks, uint16_t rgb565) {
  Bytes texture(8 * size_t{blocks}, 0);
  for (size_t at = 0; at < texture.size(); at += 8) {
    texture[at] = texture[at + 2] = uint8_t(rgb565);
    texture[at + 1] = texture[at + 3] = uint8_t(rgb565 >> 8);
  }
  return texture;
}

inline Bytes LongSection(uint8_t type, const Bytes& payload) {
  return Concat({{0, 0, 0, type}, Le32(uint32_t(payload.size())), payload});
}

// `count` bytes that differ from their neighbours, so misplaced bytes show.
inline Bytes Pattern(size_t count, uint8_t seed) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = uint8_t(seed + i * 7);
  return bytes;
}

inline Bytes Compress(const Bytes& plain) {
  std::string packed;
  snappy::Compress(reinterpret_cast<const char*>(plain.data()), plain.size(), &packed);
  return Bytes(packed.begin(), packed.end());
}

// A multi-texture container holding the given texture sections in order.
inline Bytes MultiTexture(std::initializer_list<Bytes> sections) {
  return Section(0x0D, Concat(sections));
}

// Decode instructions with a compressor table, a size table and, unless
// `offsets` is empty, an offset table.
inline Bytes Instructions(const Bytes& compressors, const Bytes& sizes, const Bytes& offsets = {}) {
  Bytes tables = Concat({Section(0x02, compressors), Section(0x03, sizes)});
  if (!offsets.empty()) tables = Concat({tables, Section(0x04, offsets)});
  return Section(0x01, tables);
}

}  // namespace orvelle::testing
