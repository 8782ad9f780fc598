#include "hap/chunked_texture.h"

#include <cstdlib>

#include "base/byte_order.h"
#include "base/heap_ptr.h"
#include "hap/decode_instructions.h"
#include "hap/snappy_stream.h"

namespace orvelle {

namespace {

// Where the walk through the chunks stands: the next chunk, and the ends of
// the stored and decoded bytes of those before it.
struct ChunkCursor {
  uint32_t index = 0;
  uint64_t storedEnd = 0;
  uint64_t decodedEnd = 0;
};

// Gives the next chunk its source and destination range. Every range is known
// from the tables alone, so that the chunks can be decoded independently.
HapStatus PlanNextChunk(const ChunkTables& tables, uint8_t* destination, uint32_t capacity,
                        ChunkCursor* cursor, ChunkRecord* record) {
  const uint32_t i = cursor->index++;
  const uint64_t storedSize = LoadLe32(tables.sizes + uint64_t{i} * 4);
  const uint64_t start =
      tables.offsets ? LoadLe32(tables.offsets + uint64_t{i} * 4) : cursor->storedEnd;
  if (start + storedSize > tables.chunkDataSize) return HapBadFrame;

  // Stays an error if a runner skips the chunk.
  record->result = HapInternalError;
  record->compressor = tables.compressors[i];
  record->source = tables.chunkData + start;
  record->sourceSize = storedSize;
  record->destinationSize = storedSize;
  if (record->compressor == CompressorSnappy &&
      !SnappyAnnouncedLength(record->source, storedSize, &record->destinationSize)) {
    return HapBadFrame;
  }
  // A pointer is formed only inside the buffer; the capacity check rejects any
  // chunk that would start beyond it.
  record->destination = cursor->decodedEnd <= capacity ? destination + cursor->decodedEnd : nullptr;
  cursor->decodedEnd += record->destinationSize;
  cursor->storedEnd += storedSize;
  return HapOk;
}

// Plans every chunk without keeping the records: a malformed table or a
// texture larger than the buffer is refused before any chunk is decoded.
// `decoded` is the chunks' total decoded length.
HapStatus MeasureChunks(const ChunkTables& tables, uint8_t* destination, uint32_t capacity,
                        uint64_t* decoded) {
  ChunkCursor cursor;
  ChunkRecord record;
  while (cursor.index < tables.chunkCount) {
    const HapStatus status = PlanNextChunk(tables, destination, capacity, &cursor, &record);
    if (status != HapOk) return status;
  }
  if (cursor.decodedEnd > capacity) return HapBufferTooSmall;
  *decoded = cursor.decodedEnd;
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

// Plans the chunks again, a batch at a time, and decodes each batch; the
// batches go in index order, so the first failure is the first in the texture.
HapStatus DecodeChunks(const ChunkTables& tables, ChunkRecord* records, uint32_t batch,
                       ChunkRunner runner, void* userContext, uint8_t* destination,
                       uint32_t capacity) {
  ChunkCursor cursor;
  while (cursor.index < tables.chunkCount) {
    const uint32_t left = tables.chunkCount - cursor.index;
    const uint32_t count = left < batch ? left : batch;
    // The measuring pass has accepted every chunk, so planning cannot fail.
    for (uint32_t i = 0; i < count; ++i) {
      PlanNextChunk(tables, destination, capacity, &cursor, &records[i]);
    }
    const HapStatus status = RunChunks(records, count, runner, userContext);
    if (status != HapOk) return status;
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
  uint64_t decoded = 0;
  status = MeasureChunks(tables, destination, capacity, &decoded);
  if (status != HapOk) return status;

  const uint32_t batch = tables.chunkCount < kChunksPerBatch ? tables.chunkCount : kChunksPerBatch;
  const HeapPtr<ChunkRecord> records(static_cast<ChunkRecord*>(calloc(batch, sizeof(ChunkRecord))));
  if (records == nullptr) return HapInternalError;
  status = DecodeChunks(tables, records.get(), batch, runner, userContext, destination, capacity);
  // The measure keeps the total within the 32-bit capacity.
  if (status == HapOk) *decodedLength = static_cast<uint32_t>(decoded);
  return status;
}

}  // namespace orvelle
