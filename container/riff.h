// RIFF chunks as AVI files hold them: a four-character id, a little-endian
// 32-bit size, the body, and a pad byte after an odd-sized body.
#pragma once

#include <cstdint>

#include "base/byte_order.h"

namespace orvelle {

constexpr uint32_t kChunkHeaderBytes = 8;

// Bytes from a chunk's header to the next chunk: header, body and pad byte.
inline uint64_t ChunkStride(uint32_t size) {
  return kChunkHeaderBytes + uint64_t{size} + (size & 1);
}

// A chunk inside a buffer held in memory; for RIFF and LIST chunks the body
// starts with the list type.
struct ChunkView {
  uint32_t id;  // as a big-endian value, comparable with Fourcc()
  const uint8_t* data;
  uint32_t length;
};

// Steps to the chunk at `*position` of a range of `buffer` that ends at `end`
// and advances the position past it and its pad byte. False when fewer bytes
// remain than a header needs or the body runs past the end.
bool NextChunk(const uint8_t* buffer, uint64_t end, uint64_t* position, ChunkView* chunk);

// The first chunk of id `id` among the children of a LIST body (after its
// type).
bool FindChunk(const ChunkView& list, uint32_t id, ChunkView* found);

// Whether `chunk` is a LIST of the given list type.
bool IsList(const ChunkView& chunk, uint32_t listType);

}  // namespace orvelle
