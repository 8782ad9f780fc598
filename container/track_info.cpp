// The chosen track's tables: where a sample lies, through the sample-to-chunk
// runs.
#include "container/track_info.h"

namespace orvelle {

namespace {

struct SampleChunk {
  uint32_t chunk;        // numbered from 1
  uint32_t firstSample;  // first sample of that chunk
};

// Finds the chunk that holds `sample`. Only the runs up to that chunk are checked,
// so a bad entry after it does not matter.
bool FindSampleChunk(const TrackInfo& track, uint32_t sample, SampleChunk* found) {
  uint64_t firstSample = 0;  // 64 bits, so that adding a run's length never wraps
  for (uint32_t i = 0; i < track.sampleToChunkCount; ++i) {
    const SampleToChunkEntry& entry = track.sampleToChunk.get()[i];
    const uint64_t endChunk = i + 1 < track.sampleToChunkCount
                                  ? track.sampleToChunk.get()[i + 1].firstChunk
                                  : uint64_t{track.chunkCount} + 1;
    if (entry.firstChunk == 0 || entry.firstChunk > endChunk || entry.samplesPerChunk == 0) {
      return false;
    }
    for (uint64_t chunk = entry.firstChunk; chunk < endChunk; ++chunk) {
      if (chunk > track.chunkCount) return false;
      if (sample < firstSample + entry.samplesPerChunk) {
        *found = {static_cast<uint32_t>(chunk), static_cast<uint32_t>(firstSample)};
        return true;
      }
      firstSample += entry.samplesPerChunk;
    }
  }
  return false;
}

}  // namespace

ThumbStatus LocateSample(const TrackInfo* track, uint32_t sampleNumber, uint64_t* offset,
                         uint32_t* size) {
  if (track == nullptr || offset == nullptr || size == nullptr ||
      sampleNumber >= track->sampleCount) {
    return ThumbInvalidArgument;
  }
  if (track->chunkCount == 0 || track->sampleToChunkCount == 0) return ThumbBadData;

  SampleChunk where;
  if (!FindSampleChunk(*track, sampleNumber, &where)) return ThumbBadData;

  // Bytes from the chunk's start to the sample. Fits 64 bits either way: a
  // product of two 32-bit values, or a sum of under 2^24 32-bit sizes.
  uint64_t intoChunk = 0;
  uint32_t sampleSize = track->constantSampleSize;
  if (sampleSize != 0) {
    intoChunk = uint64_t{sampleNumber - where.firstSample} * sampleSize;
  } else {
    const uint32_t* sizes = track->sampleSizes.get();
    for (uint32_t s = where.firstSample; s < sampleNumber; ++s) intoChunk += sizes[s];
    sampleSize = sizes[sampleNumber];
  }
  const uint64_t chunkOffset = track->chunkOffsets.get()[where.chunk - 1];
  // A wrapped sum would point at an unrelated, small offset.
  if (intoChunk > UINT64_MAX - chunkOffset) return ThumbBadData;
  *offset = chunkOffset + intoChunk;
  *size = sampleSize;
  return ThumbOk;
}

}  // namespace orvelle
