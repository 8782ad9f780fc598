// Chunk headers of an AVI file read in place, through a window of the file.
#pragma once

#include <cstdint>

#include "container/read_ahead.h"

namespace orvelle {

// A chunk whose header was read from the file. Its body may run past the
// range it was found in; `whole` tells, and `bodyEnd` is cut at that range.
struct FileChunk {
  uint64_t offset;    // of the header
  uint32_t id;        // big-endian, comparable with Fourcc()
  uint32_t size;      // as the header states it
  uint32_t listType;  // for RIFF and LIST chunks with room for one, else 0
  uint64_t bodyEnd;
  bool whole;
  uint64_t next;  // the next chunk's offset, past the pad byte; at most the
                  // range's end
};

// Reads the header of the chunk at `offset` of a range that ends at `end` (at
// most the file's size). False when fewer than 8 bytes remain or they cannot
// be read.
bool ReadFileChunk(ReadAhead& file, uint64_t offset, uint64_t end, FileChunk* chunk);

}  // namespace orvelle
