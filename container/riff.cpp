#include "container/riff.h"

namespace orvelle {

bool NextChunk(const uint8_t* buffer, uint64_t end, uint64_t* position, ChunkView* chunk) {
  if (*position > end || end - *position < kChunkHeaderBytes) return false;
  const uint8_t* header = buffer + *position;
  const uint32_t size = LoadLe32(header + 4);
  if (size > end - *position - kChunkHeaderBytes) return false;
  *chunk = {LoadBe32(header), header + kChunkHeaderBytes, size};
  *position += ChunkStride(size);
  return true;
}

bool FindChunk(const ChunkView& list, uint32_t id, ChunkView* found) {
  if (list.length < 4) return false;
  uint64_t position = 4;
  ChunkView child;
  while (NextChunk(list.data, list.length, &position, &child)) {
    if (child.id == id) {
      *found = child;
      return true;
    }
  }
  return false;
}

bool IsList(const ChunkView& chunk, uint32_t listType) {
  return chunk.id == Fourcc("LIST") && chunk.length >= 4 && LoadBe32(chunk.data) == listType;
}

}  // namespace orvelle
