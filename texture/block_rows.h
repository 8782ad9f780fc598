// Rows of blocks from the writer of one block, the loops shared by every
// build. A target attribute cannot be a template parameter, so the AVX2
// writers flatten these into functions of their own that carry it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "texture/code_paths.h"

namespace orvelle {

template <typename Entries>
using EntriesMaker = void (*)(const uint8_t* block, Entries& entries);
template <typename Entries>
using EntriesWriter = void (*)(const Entries& entries, const uint8_t* block, uint8_t* destination,
                               ptrdiff_t stride);

// One block: first what its pixels are made of (palettes, converted entries), then its pixels.
template <typename Entries, EntriesMaker<Entries> kMake, EntriesWriter<Entries> kWrite>
inline void WriteFromEntries(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  Entries entries;
  kMake(block, entries);
  kWrite(entries, block, destination, stride);
}

// The writer inlined into the loop, so that consecutive blocks overlap.
template <uint32_t kBlockBytes, BlockRgba8Writer kWrite>
inline void WriteRowOneByOne(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                             ptrdiff_t stride) {
  for (uint32_t i = 0; i < count; ++i, blocks += kBlockBytes, destination += 16) {
    kWrite(blocks, destination, stride);
  }
}

// The entries of a few blocks made before any of their pixels: where making
// them takes long (the YCoCg divisions), those of several blocks are then under
// way at once rather than each block waiting on its own.
template <uint32_t kBlockBytes, typename Entries, EntriesMaker<Entries> kMake,
          EntriesWriter<Entries> kWrite>
inline void WriteRowInBatches(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                              ptrdiff_t stride) {
  constexpr uint32_t kBatch = 8;
  Entries entries[kBatch];
  for (uint32_t first = 0; first < count; first += kBatch) {
    const uint32_t batch = count - first < kBatch ? count - first : kBatch;
    const uint8_t* batchBlocks = blocks + kBlockBytes * first;
    for (uint32_t i = 0; i < batch; ++i) kMake(batchBlocks + kBlockBytes * i, entries[i]);
    for (uint32_t i = 0; i < batch; ++i) {
      kWrite(entries[i], batchBlocks + kBlockBytes * i, destination + 16 * (first + i), stride);
    }
  }
}

}  // namespace orvelle
