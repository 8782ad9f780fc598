// Extraction of a Hap texture's raw block-compressed bytes: plain, one Snappy
// stream, or chunks described by decode instructions.
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

HapStatus DecodeTexture(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                        ChunkRunner runner, void* userContext, uint8_t* destination,
                        uint32_t capacity, uint32_t* decodedLength, TextureFormat* format);

HapStatus DecodeTextureSection(const uint8_t* payload, uint32_t payloadSize, uint8_t type,
                               ChunkRunner runner, void* userContext, uint8_t* destination,
                               uint32_t capacity, uint32_t* decodedLength, TextureFormat* format);

// A malloc'd buffer sized for a padded width x height texture of the texture's
// block format, holding its bytes (zero past a short texture); null on any
// failure. The caller frees it.
uint8_t* DecodeTextureToBuffer(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                               uint32_t paddedWidth, uint32_t paddedHeight, TextureFormat* format);

}  // namespace orvelle
