#include "hap/chunk_decode.h"

#include <cstring>

#include "hap/snappy_stream.h"

namespace orvelle {

namespace {

HapStatus DecodeSnappyChunk(ChunkRecord* record) {
  uint64_t length = 0;
  const SnappyOutcome outcome = SnappyDecompress(
      record->source, record->sourceSize, record->destination, record->destinationSize, &length);
  if (outcome == SnappyDecoded) {
    record->destinationSize = length;
    return HapOk;
  }
  // The range was measured from this very preamble, so "too small" is the
  // decoder's own fault, not the frame's.
  return outcome == SnappyInvalidInput ? HapBadFrame : HapInternalError;
}

}  // namespace

void DecodeChunk(ChunkRecord* records, uint32_t index) {
  if (records == nullptr) return;
  ChunkRecord* record = &records[index];
  switch (record->compressor) {
    case CompressorNone:
      memcpy(record->destination, record->source, record->sourceSize);
      record->result = HapOk;
      break;
    case CompressorSnappy:
      record->result = DecodeSnappyChunk(record);
      break;
    default:
      record->result = HapBadFrame;
      break;
  }
}

void RunChunksSerially(ChunkWork work, ChunkRecord* records, uint32_t count,
                       void* /*userContext*/) {
  for (uint32_t i = 0; i < count; ++i) work(records, i);
}

}  // namespace orvelle
