// Where the frames of one AVI stream lie: from the stream's OpenDML index, the
// legacy idx1 index, or, when the file has neither, a scan of its movie data.
#pragma once

#include <cstdint>

#include "base/heap_ptr.h"
#include "base/thumb_types.h"
#include "container/read_ahead.h"
#include "container/riff.h"

namespace orvelle {

// What the top-level walk found.
struct AviLayout {
  uint64_t fileSize = 0;
  uint64_t riffEnd = 0;  // where the first RIFF ends and 'AVIX' extensions may follow
  bool hasMovi = false;
  uint64_t moviList = 0;  // offset of the 'movi' list type, which idx1 offsets may count from
  uint64_t moviEnd = 0;
  bool hasIdx1 = false;
  uint64_t idx1Body = 0;
  uint32_t idx1Size = 0;
};

// The data offset and size of each frame of the stream, in order.
struct SampleTable {
  HeapPtr<uint64_t> offsets;
  HeapPtr<uint32_t> sizes;
  uint32_t count = 0;
  uint32_t capacity = 0;
};

// Whether a chunk id names a frame of stream `stream`: its two decimal digits,
// then anything but "pc" (a palette change).
bool IsFrameChunkOf(uint32_t id, uint32_t stream);

// Whether the body of a stream's 'indx' chunk is an OpenDML super index with
// entries; a writer may leave a placeholder that is not.
bool IsUsableSuperIndex(const ChunkView& superIndex);

// Each fills `table` from one source of index entries and returns ThumbOk;
// ThumbNoTrack when the index is malformed or holds more than 16,777,216
// entries (a scan: meets more than that many chunks); ThumbOutOfMemory; or
// ThumbReadFailed when bytes inside the file are not delivered.
ThumbStatus ReadOpenDmlIndex(ReadAhead& file, const AviLayout& layout, const ChunkView& superIndex,
                             SampleTable* table);
ThumbStatus ReadLegacyIndex(ReadAhead& file, const AviLayout& layout, uint32_t stream,
                            SampleTable* table);
ThumbStatus ScanMovieData(ReadAhead& file, const AviLayout& layout, uint32_t stream,
                          SampleTable* table);

}  // namespace orvelle
