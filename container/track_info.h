// The chosen Hap video track of a movie: its frame size and sample tables.
#pragma once

#include <cstdint>

#include "base/heap_ptr.h"
#include "base/thumb_types.h"

namespace orvelle {

// One run of the sample-to-chunk table; chunks are numbered from 1.
struct SampleToChunkEntry {
  uint32_t firstChunk;
  uint32_t samplesPerChunk;
  uint32_t sampleDescriptionIndex;
};

struct TrackInfo {
  uint32_t codecKind;  // HapCodecKind
  uint32_t fourcc;     // big-endian format code of the first sample description
  uint32_t width;
  uint32_t height;
  uint32_t sampleCount;
  double duration;  // seconds
  uint32_t constantSampleSize;  // 0: every sample has its own entry in sampleSizes
  HeapPtr<uint32_t> sampleSizes;
  HeapPtr<uint64_t> chunkOffsets;
  uint32_t chunkCount;
  HeapPtr<SampleToChunkEntry> sampleToChunk;
  uint32_t sampleToChunkCount;
};

// File offset and size of zero-based sample `sampleNumber`.
ThumbStatus LocateSample(const TrackInfo* track, uint32_t sampleNumber, uint64_t* offset,
                         uint32_t* size);

}  // namespace orvelle
