#include "hap/decode_instructions.h"

namespace orvelle {

namespace {

struct Table {
  const uint8_t* entries = nullptr;  // null while no such table was seen
  uint32_t count = 0;
};

// Where a sub-section of the decode instructions goes, and how many entries it
// holds; null for types the decoder has no use for.
Table* TableForSection(const SectionHeader& section, Table* compressors, Table* sizes, Table* offsets,
                       uint32_t* entries) {
  switch (section.type) {
    case SectionChunkCompressors:
      *entries = section.payloadSize;
      return compressors;
    case SectionChunkSizes:
      *entries = section.payloadSize / 4;
      return sizes;
    case SectionChunkOffsets:
      *entries = section.payloadSize / 4;
      return offsets;
    default:
      return nullptr;
  }
}

bool CoversChunks(const Table& table, uint32_t chunkCount) { return table.count >= chunkCount; }

}  // namespace

HapStatus ReadDecodeInstructions(const uint8_t* payload, uint32_t payloadSize, ChunkTables* tables) {
  SectionHeader instructions;
  if (ReadSectionHeader(payload, payloadSize, &instructions) != HapOk ||
      instructions.type != SectionDecodeInstructions || instructions.payloadSize == 0) {
    return HapBadFrame;
  }

  Table compressors, sizes, offsets;
  uint32_t chunkCount = 0;
  const uint8_t* position = payload + instructions.headerLength;
  uint64_t remaining = instructions.payloadSize;
  while (remaining > 0) {
    SectionHeader section;
    if (ReadSectionHeader(position, remaining, &section) != HapOk) return HapBadFrame;
    uint32_t entries = 0;
    Table* table = TableForSection(section, &compressors, &sizes, &offsets, &entries);
    if (table != nullptr) {
      // The first non-empty table fixes the chunk count; the others must agree.
      if (entries != 0 && chunkCount != 0 && entries != chunkCount) return HapBadFrame;
      if (chunkCount == 0) chunkCount = entries;
      // A later table of the same type replaces an earlier one.
      *table = Table{position + section.headerLength, entries};
    }
    const uint64_t extent = uint64_t{section.headerLength} + section.payloadSize;
    position += extent;
    remaining -= extent;
  }

  if (compressors.entries == nullptr || sizes.entries == nullptr) return HapBadFrame;
  // An empty table (or an empty one replacing a full one) cannot describe the chunks.
  if (!CoversChunks(compressors, chunkCount) || !CoversChunks(sizes, chunkCount) ||
      (offsets.entries != nullptr && !CoversChunks(offsets, chunkCount))) {
    return HapBadFrame;
  }

  const uint64_t instructionsExtent = uint64_t{instructions.headerLength} + instructions.payloadSize;
  tables->chunkCount = chunkCount;
  tables->compressors = compressors.entries;
  tables->sizes = sizes.entries;
  tables->offsets = offsets.entries;
  tables->chunkData = payload + instructionsExtent;
  tables->chunkDataSize = payloadSize - instructionsExtent;
  return HapOk;
}

}  // namespace orvelle
