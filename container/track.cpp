#include "container/track.h"

#include "base/heap_ptr.h"
#include "base/input_limits.h"
#include "container/codec_kind.h"

namespace orvelle {

namespace {

// Payload bytes of a sample description up to and including the first entry's
// width and height.
constexpr uint64_t kSampleDescriptionMinimum = 44;
constexpr uint32_t kSampleEntryMinimum = 32;

// Reads the entry count at `countAt` in a table payload whose entries of
// `entryBytes` each follow the count, and checks the count against the cap and
// the payload length. An entry size of 0 checks only the cap.
bool ReadTableCount(const AtomView& table, uint32_t countAt, uint32_t entryBytes,
                    uint32_t* count) {
  const uint64_t tableAt = uint64_t{countAt} + 4;
  if (table.length < tableAt) return false;
  *count = LoadBe32(table.data + countAt);
  return *count <= kMaxTableEntries && table.length - tableAt >= uint64_t{*count} * entryBytes;
}

// False when the handler atom names a media type other than video.
bool IsVideoHandler(const uint8_t* movie, const AtomView& mdia) {
  AtomView hdlr;
  if (!FindChildAtom(movie, mdia, Fourcc("hdlr"), &hdlr) || hdlr.length < 12) return true;
  return LoadBe32(hdlr.data + 8) == Fourcc("vide");
}

TrackOutcome ReadSampleDescription(const AtomView& stsd, TrackInfo* track) {
  if (stsd.length < kSampleDescriptionMinimum) return TrackRejected;
  const uint32_t entryCount = LoadBe32(stsd.data + 4);
  const uint32_t entrySize = LoadBe32(stsd.data + 8);
  if (entryCount == 0 || entrySize < kSampleEntryMinimum || entrySize > stsd.length - 8) {
    return TrackRejected;
  }
  track->fourcc = LoadBe32(stsd.data + 12);
  track->width = LoadBe16(stsd.data + 40);
  track->height = LoadBe16(stsd.data + 42);
  track->codecKind = CodecKindFromFourcc(track->fourcc);
  return track->codecKind == CodecKindNone ? TrackNotHap : TrackAccepted;
}

TrackOutcome CopySampleSizes(const AtomView& stsz, TrackInfo* track) {
  if (stsz.length < 12) return TrackRejected;
  track->constantSampleSize = LoadBe32(stsz.data + 4);
  const uint32_t entryBytes = track->constantSampleSize == 0 ? 4 : 0;
  if (!ReadTableCount(stsz, 8, entryBytes, &track->sampleCount)) return TrackRejected;
  if (entryBytes == 0 || track->sampleCount == 0) return TrackAccepted;
  track->sampleSizes = AllocateArray<uint32_t>(track->sampleCount);
  uint32_t* sampleSizes = track->sampleSizes.get();
  if (sampleSizes == nullptr) return TrackOutOfMemory;
  for (uint32_t i = 0; i < track->sampleCount; ++i) {
    sampleSizes[i] = LoadBe32(stsz.data + 12 + uint64_t{i} * 4);
  }
  return TrackAccepted;
}

TrackOutcome CopySampleToChunk(const AtomView& stsc, TrackInfo* track) {
  if (!ReadTableCount(stsc, 4, 12, &track->sampleToChunkCount)) return TrackRejected;
  if (track->sampleToChunkCount == 0) return TrackAccepted;
  track->sampleToChunk = AllocateArray<SampleToChunkEntry>(track->sampleToChunkCount);
  SampleToChunkEntry* sampleToChunk = track->sampleToChunk.get();
  if (sampleToChunk == nullptr) return TrackOutOfMemory;
  for (uint32_t i = 0; i < track->sampleToChunkCount; ++i) {
    const uint8_t* entry = stsc.data + 8 + uint64_t{i} * 12;
    sampleToChunk[i] = {LoadBe32(entry), LoadBe32(entry + 4), LoadBe32(entry + 8)};
  }
  return TrackAccepted;
}

}  // namespace

TrackOutcome CopyChunkOffsets(const AtomView& table, bool wide, TrackInfo* track) {
  const uint32_t entryBytes = wide ? 8 : 4;
  if (!ReadTableCount(table, 4, entryBytes, &track->chunkCount)) return TrackRejected;
  if (track->chunkCount == 0) return TrackAccepted;
  track->chunkOffsets = AllocateArray<uint64_t>(track->chunkCount);
  uint64_t* chunkOffsets = track->chunkOffsets.get();
  if (chunkOffsets == nullptr) return TrackOutOfMemory;
  for (uint32_t i = 0; i < track->chunkCount; ++i) {
    const uint8_t* entry = table.data + 8 + uint64_t{i} * entryBytes;
    chunkOffsets[i] = wide ? LoadBe64(entry) : LoadBe32(entry);
  }
  return TrackAccepted;
}

TrackOutcome ParseTrack(const uint8_t* movie, const AtomView& trak, TrackInfo* track) {
  AtomView mdia, minf, stbl, stsd, mdhd, stsz, stsc, offsets;
  if (!FindChildAtom(movie, trak, Fourcc("mdia"), &mdia)) return TrackRejected;
  if (!IsVideoHandler(movie, mdia)) return TrackRejected;
  if (!FindChildAtom(movie, mdia, Fourcc("minf"), &minf) ||
      !FindChildAtom(movie, minf, Fourcc("stbl"), &stbl) ||
      !FindChildAtom(movie, stbl, Fourcc("stsd"), &stsd)) {
    return TrackRejected;
  }
  TrackOutcome outcome = ReadSampleDescription(stsd, track);
  if (outcome != TrackAccepted) return outcome;

  if (FindChildAtom(movie, mdia, Fourcc("mdhd"), &mdhd)) ReadMediaDuration(mdhd, &track->duration);

  if (!FindChildAtom(movie, stbl, Fourcc("stsz"), &stsz)) return TrackRejected;
  outcome = CopySampleSizes(stsz, track);
  if (outcome != TrackAccepted) return outcome;

  if (!FindChildAtom(movie, stbl, Fourcc("stsc"), &stsc)) return TrackRejected;
  outcome = CopySampleToChunk(stsc, track);
  if (outcome != TrackAccepted) return outcome;

  // A track with both keeps the 32-bit table.
  if (FindChildAtom(movie, stbl, Fourcc("stco"), &offsets)) {
    return CopyChunkOffsets(offsets, false, track);
  }
  if (FindChildAtom(movie, stbl, Fourcc("co64"), &offsets)) {
    return CopyChunkOffsets(offsets, true, track);
  }
  return TrackRejected;
}

}  // namespace orvelle
