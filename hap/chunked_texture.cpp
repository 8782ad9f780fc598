#include "hap/chunked_texture.h"

#include <cstdlib>

#include "hap/decode_instructions.h"
#include "hap/little_endian.h"
#include "hap/snappy_stream.h"

namespace orvelle {

namespace {

// Gives every chunk its source and destination range before any is decoded,
// so that the chunks can be decoded independently. `decoded` is their total
// decoded length.
HapStatus PlanChunks(const ChunkTables& tables, uint8_t* destination, uint32_t capacity,
                     ChunkRecord* records, uint64_t* decoded) {
  uint64_t storedEnd = 0;
  uint64_t decodedEnd = 0;
  for (uint32_t i = 0; i < tables.chunkCount; ++i) {
    const uint64_t storedSize = ReadLe32(tables.sizes + uint64_t{i} * 4);
    const uint64_t start = tables.offsets ? ReadLe32(tables.offsets + uint64_t{i} * 4) : storedEnd;
    if (start + storedSize > tables.chunkDataSize) return HapBadFrame;

    ChunkRecord& record = records[i];
    // Stays an error if a runner skips the chunk.
    record.result = HapInternalError;
    record.compressor = tables.compressors[i];
    record.source = tables.chunkData + start;
    record.sourceSize = storedSize;
    record.destinationSize = storedSize;
    if (record.compressor == CompressorSnappy &&
        !SnappyAnnouncedLength(record.source, storedSize, &record.destinationSize)) {
      return HapBadFrame;
    }
    // A pointer is formed only inside the buffer; the capacity check below
    // rejects any chunk that would start beyond it.
    record.destination = decodedEnd <= capacity ? destination + decodedEnd : nullptr;
    decodedEnd += record.destinationSize;
    storedEnd += storedSize;
  }
  if (decodedEnd > capacity) return HapBufferTooSmall;
  *decoded = decodedEnd;
  return HapOk;
}

// The first failing chunk in index order decides the result.
HapStatus RunChunks(ChunkRecord* records, uint32_t count, ChunkRunner runner, void* userContext) {
  if (count == 1) {
    DecodeChunk(records, 0);
  } else {
    runner(DecodeChunk, records, count, userContext);
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (records[i].result != HapOk) return records[i].result;
  }
  return HapOk;
}

}  // namespace

HapStatus DecodeChunkedTexture(const uint8_t* payload, uint32_t payloadSize, ChunkRunner runner,
                               void* userContext, uint8_t* destination, uint32_t capacity,
                               uint32_t* decodedLength) {
  ChunkTables tables;
  HapStatus status = ReadDecodeInstructions(payload, payloadSize, &tables);
  if (status != HapOk) return status;
  if (tables.chunkCount == 0) {
    *decodedLength = 0;
    return HapOk;
  }

  // calloc checks the count times the record size for overflow.
  auto* records = static_cast<ChunkRecord*>(calloc(tables.chunkCount, sizeof(ChunkRecord)));
  if (records == nullptr) return HapInternalError;
  uint64_t decoded = 0;
  status = PlanChunks(tables, destination, capacity, records, &decoded);
  if (status == HapOk) status = RunChunks(records, tables.chunkCount, runner, userContext);
  free(records);
  // The plan keeps the total within the 32-bit capacity.
  if (status == HapOk) *decodedLength = static_cast<uint32_t>(decoded);
  return status;
}

}  // namespace orvelle
