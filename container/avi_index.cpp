#include "container/avi_index.h"

#include <utility>
#include <cstring>

#include "base/heap_ptr.h"
#include "base/input_limits.h"
#include "container/avi_file.h"

namespace orvelle {

namespace {

constexpr uint32_t kFirstCapacity = 1024;
constexpr uint32_t kLegacyEntryBytes = 16;
constexpr uint32_t kSuperIndexHeader = 24;
constexpr uint32_t kSuperIndexEntryBytes = 16;
constexpr uint32_t kStandardIndexHeader = 24;
constexpr uint8_t kIndexOfIndexes = 0x00;
constexpr uint8_t kIndexOfChunks = 0x01;
constexpr uint32_t kDeltaFrameFlag = 0x80000000;  // set in a standard index size: not a key frame

bool Grow(SampleTable* table, uint32_t capacity) {
  HeapPtr<uint64_t> offsets = AllocateArray<uint64_t>(capacity);
  if (offsets == nullptr) return false;
  HeapPtr<uint32_t> sizes = AllocateArray<uint32_t>(capacity);
  if (sizes == nullptr) return false;
  if (table->count != 0) {
    std::memcpy(offsets.get(), table->offsets.get(), sizeof(uint64_t) * table->count);
    std::memcpy(sizes.get(), table->sizes.get(), sizeof(uint32_t) * table->count);
  }
  table->offsets = std::move(offsets);
  table->sizes = std::move(sizes);
  table->capacity = capacity;
  return true;
}

// Room for `entries` more. An index that says how many it holds is read into
// one allocation; otherwise the table at least doubles, so that many small
// additions cost linear time.
ThumbStatus Reserve(SampleTable* table, uint32_t entries) {
  if (entries > kMaxTableEntries - table->count) return ThumbNoTrack;
  const uint32_t needed = table->count + entries;
  if (needed <= table->capacity) return ThumbOk;
  uint32_t capacity =
      table->capacity <= kMaxTableEntries / 2 ? table->capacity * 2 : kMaxTableEntries;
  if (capacity < kFirstCapacity) capacity = kFirstCapacity;
  if (capacity < needed) capacity = needed;
  return Grow(table, capacity) ? ThumbOk : ThumbOutOfMemory;
}

ThumbStatus Append(SampleTable* table, uint64_t offset, uint32_t size) {
  const ThumbStatus room = Reserve(table, 1);
  if (room != ThumbOk) return room;
  table->offsets.get()[table->count] = offset;
  table->sizes.get()[table->count] = size;
  ++table->count;
  return ThumbOk;
}

// Whether the chunk at `offset` has the id `id`.
bool ChunkHasId(ReadAhead& file, const AviLayout& layout, uint64_t offset, uint32_t id) {
  FileChunk chunk;
  return ReadFileChunk(file, offset, layout.fileSize, &chunk) && chunk.id == id;
}

// idx1 offsets count from the 'movi' list type by the format's definition, but
// some writers store file offsets. The first frame's entry decides: relative
// unless its chunk is found at the file offset and not at the relative one.
uint64_t LegacyOffsetBase(ReadAhead& file, const AviLayout& layout, uint32_t id, uint32_t offset) {
  if (!layout.hasMovi || layout.moviList > UINT64_MAX - offset) return 0;
  const uint64_t relative = layout.moviList + offset;
  if (!ChunkHasId(file, layout, relative, id) && ChunkHasId(file, layout, offset, id)) return 0;
  return layout.moviList;
}

// One ix## chunk. `entriesRead` counts the entries of every standard index
// read so far, empty ones included: the super index may name one chunk many
// times, and the cap bounds the work as well as the table.
ThumbStatus ReadStandardIndex(ReadAhead& file, const AviLayout& layout, uint64_t at,
                              uint32_t* entriesRead, SampleTable* table) {
  FileChunk chunk;
  uint8_t header[kStandardIndexHeader];
  if (!ReadFileChunk(file, at, layout.fileSize, &chunk) || !chunk.whole ||
      chunk.size < kStandardIndexHeader) {
    return ThumbNoTrack;
  }
  if (!file.Read(at + kChunkHeaderBytes, header, kStandardIndexHeader)) return ThumbReadFailed;
  const uint32_t entryBytes = uint32_t{LoadLe16(header)} * 4;
  const uint32_t entries = LoadLe32(header + 4);
  const uint64_t base = LoadLe64(header + 12);
  if (header[3] != kIndexOfChunks || entryBytes < 8 || entries > kMaxTableEntries - *entriesRead ||
      uint64_t{entries} * entryBytes > chunk.size - kStandardIndexHeader) {
    return ThumbNoTrack;
  }
  *entriesRead += entries;
  ThumbStatus status = Reserve(table, entries);
  const uint64_t first = at + kChunkHeaderBytes + kStandardIndexHeader;
  for (uint32_t i = 0; i < entries && status == ThumbOk; ++i) {
    uint8_t entry[8];
    if (!file.Read(first + uint64_t{i} * entryBytes, entry, 8)) return ThumbReadFailed;
    const uint32_t offset = LoadLe32(entry);
    const uint32_t size = LoadLe32(entry + 4) & ~kDeltaFrameFlag;
    if (size == 0) continue;  // a dropped frame
    if (offset > UINT64_MAX - base) return ThumbNoTrack;
    status = Append(table, base + offset, size);
  }
  return status;
}

// Counts one more chunk met by the scan: every one counts, so that the scan
// stays within the caps whatever the file holds.
bool CountVisit(uint32_t* visited) { return ++*visited <= kMaxTableEntries; }

// The frames among the chunks of [begin, end), descending into 'rec ' groups.
ThumbStatus ScanList(ReadAhead& file, uint64_t begin, uint64_t end, uint32_t stream, bool inGroup,
                     uint32_t* visited, SampleTable* table) {
  FileChunk chunk;
  for (uint64_t at = begin; ReadFileChunk(file, at, end, &chunk); at = chunk.next) {
    if (!CountVisit(visited)) return ThumbNoTrack;
    if (!chunk.whole) break;  // a chunk cut off by the end of a short recording
    ThumbStatus status = ThumbOk;
    if (!inGroup && chunk.id == Fourcc("LIST") && chunk.listType == Fourcc("rec ")) {
      status = ScanList(file, at + 12, chunk.bodyEnd, stream, true, visited, table);
    } else if (IsFrameChunkOf(chunk.id, stream) && chunk.size != 0) {
      status = Append(table, at + kChunkHeaderBytes, chunk.size);
    }
    if (status != ThumbOk) return status;
  }
  return ThumbOk;
}

// Every 'movi' list among the children of a RIFF 'AVIX' extension.
ThumbStatus ScanExtension(ReadAhead& file, const FileChunk& riff, uint32_t stream,
                          uint32_t* visited, SampleTable* table) {
  FileChunk chunk;
  for (uint64_t at = riff.offset + 12; ReadFileChunk(file, at, riff.bodyEnd, &chunk);
       at = chunk.next) {
    if (!CountVisit(visited)) return ThumbNoTrack;
    if (chunk.id == Fourcc("LIST") && chunk.listType == Fourcc("movi")) {
      const ThumbStatus status =
          ScanList(file, at + 12, chunk.bodyEnd, stream, false, visited, table);
      if (status != ThumbOk) return status;
    }
    if (!chunk.whole) break;
  }
  return ThumbOk;
}

}  // namespace

bool IsFrameChunkOf(uint32_t id, uint32_t stream) {
  if (stream >= 100) return false;
  const uint32_t digits = (uint32_t{'0'} + stream / 10) << 24 | (uint32_t{'0'} + stream % 10) << 16;
  return (id & 0xFFFF0000) == digits && (id & 0xFFFF) != (uint32_t{'p'} << 8 | 'c');
}

bool IsUsableSuperIndex(const ChunkView& superIndex) {
  if (superIndex.length < kSuperIndexHeader) return false;
  const uint32_t entries = LoadLe32(superIndex.data + 4);
  return LoadLe16(superIndex.data) == kSuperIndexEntryBytes / 4 &&
         superIndex.data[3] == kIndexOfIndexes && entries != 0 &&
         entries <= (superIndex.length - kSuperIndexHeader) / kSuperIndexEntryBytes;
}

ThumbStatus ReadOpenDmlIndex(ReadAhead& file, const AviLayout& layout, const ChunkView& superIndex,
                             SampleTable* table) {
  const uint32_t entries = LoadLe32(superIndex.data + 4);
  uint32_t entriesRead = 0;
  for (uint32_t i = 0; i < entries; ++i) {
    const uint8_t* entry =
        superIndex.data + kSuperIndexHeader + uint64_t{i} * kSuperIndexEntryBytes;
    const ThumbStatus status =
        ReadStandardIndex(file, layout, LoadLe64(entry), &entriesRead, table);
    if (status != ThumbOk) return status;
  }
  return ThumbOk;
}

ThumbStatus ReadLegacyIndex(ReadAhead& file, const AviLayout& layout, uint32_t stream,
                            SampleTable* table) {
  const uint32_t entries = layout.idx1Size / kLegacyEntryBytes;
  ThumbStatus status = Reserve(table, entries);
  uint64_t base = 0;
  for (uint32_t i = 0; i < entries && status == ThumbOk; ++i) {
    uint8_t entry[kLegacyEntryBytes];
    if (!file.Read(layout.idx1Body + uint64_t{i} * kLegacyEntryBytes, entry, kLegacyEntryBytes)) {
      return ThumbReadFailed;
    }
    const uint32_t id = LoadBe32(entry);
    const uint32_t offset = LoadLe32(entry + 8);
    const uint32_t size = LoadLe32(entry + 12);
    if (!IsFrameChunkOf(id, stream) || size == 0) continue;
    if (table->count == 0) base = LegacyOffsetBase(file, layout, id, offset);
    // The entry points at the chunk's header; its data follows.
    if (base > UINT64_MAX - kChunkHeaderBytes - offset) return ThumbNoTrack;
    status = Append(table, base + offset + kChunkHeaderBytes, size);
  }
  return status;
}

ThumbStatus ScanMovieData(ReadAhead& file, const AviLayout& layout, uint32_t stream,
                          SampleTable* table) {
  uint32_t visited = 0;
  if (layout.hasMovi) {
    const ThumbStatus status =
        ScanList(file, layout.moviList + 4, layout.moviEnd, stream, false, &visited, table);
    if (status != ThumbOk) return status;
  }
  FileChunk riff;
  for (uint64_t at = layout.riffEnd; ReadFileChunk(file, at, layout.fileSize, &riff);
       at = riff.next) {
    if (riff.id != Fourcc("RIFF") || riff.listType != Fourcc("AVIX")) break;
    if (!CountVisit(&visited)) return ThumbNoTrack;
    const ThumbStatus status = ScanExtension(file, riff, stream, &visited, table);
    if (status != ThumbOk) return status;
  }
  return ThumbOk;
}

}  // namespace orvelle
