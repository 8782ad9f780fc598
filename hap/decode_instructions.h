// The decode instructions at the start of a chunked texture section: which
// compressor each chunk uses, how many bytes it occupies and where it lies.
#pragma once

#include <cstdint>

#include "hap/hap_frame.h"

namespace orvelle {

// Tables point into the frame and hold at least chunkCount entries each.
struct ChunkTables {
  uint32_t chunkCount;
  const uint8_t* compressors;  // one byte per chunk
  const uint8_t* sizes;        // 32-bit little-endian stored sizes
  const uint8_t* offsets;      // 32-bit little-endian offsets into the chunk data; null: back to back
  const uint8_t* chunkData;    // first byte after the decode instructions
  uint64_t chunkDataSize;      // bytes from chunkData to the end of the texture section
};

HapStatus ReadDecodeInstructions(const uint8_t* payload, uint32_t payloadSize, ChunkTables* tables);

}  // namespace orvelle
