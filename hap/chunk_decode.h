// One chunk of a chunked texture, decoded on its own, and what hands the
// chunks of a texture to be decoded.
#pragma once

#include <cstdint>

#include "hap/hap_frame.h"

namespace orvelle {

struct ChunkRecord {
  HapStatus result;
  uint8_t compressor;
  const uint8_t* source;
  uint64_t sourceSize;
  uint8_t* destination;
  uint64_t destinationSize;  // a Snappy chunk's announced length, else sourceSize
};

using ChunkWork = void (*)(ChunkRecord* records, uint32_t index);

// Must call `work` exactly once for each index below `count` and return only
// when every call has returned; the calls may run in any order or at once. A
// texture of many chunks is handed over in batches, one call per batch.
using ChunkRunner = void (*)(ChunkWork work, ChunkRecord* records, uint32_t count,
                             void* userContext);

void RunChunksSerially(ChunkWork work, ChunkRecord* records, uint32_t count, void* userContext);

// The work function handed to a runner: decodes chunk `index` into its record.
void DecodeChunk(ChunkRecord* records, uint32_t index);

}  // namespace orvelle
