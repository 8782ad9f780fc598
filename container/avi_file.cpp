#include "container/avi_file.h"

#include "container/riff.h"

namespace orvelle {

bool ReadFileChunk(ReadAhead& file, uint64_t offset, uint64_t end, FileChunk* chunk) {
  if (offset > end || end - offset < kChunkHeaderBytes) return false;
  const uint64_t room = end - offset - kChunkHeaderBytes;
  uint8_t header[12];
  if (!file.Read(offset, header, kChunkHeaderBytes)) return false;
  chunk->offset = offset;
  chunk->id = LoadBe32(header);
  chunk->size = LoadLe32(header + 4);
  chunk->listType = 0;
  const bool isList = chunk->id == Fourcc("RIFF") || chunk->id == Fourcc("LIST");
  if (isList && chunk->size >= 4 && room >= 4) {
    if (!file.Read(offset + kChunkHeaderBytes, header + 8, 4)) return false;
    chunk->listType = LoadBe32(header + 8);
  }
  chunk->whole = chunk->size <= room;
  chunk->bodyEnd = offset + kChunkHeaderBytes + (chunk->whole ? chunk->size : room);
  const uint64_t stride = ChunkStride(chunk->size);
  chunk->next = stride <= end - offset ? offset + stride : end;
  return true;
}

}  // namespace orvelle
