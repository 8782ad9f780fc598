// Test helpers: parse a movie held in memory and keep its track tables until scope ends.
#pragma once

#include <cstdint>
#include <vector>

#include "container/movie.h"
#include "container/parse_container.h"
#include "tests/support/memory_source.h"

namespace orvelle::testing {

struct ParsedTrack {
  TrackInfo info = {};
};

inline ThumbStatus ParseBytes(std::vector<uint8_t> bytes, ParsedTrack* track) {
  MemorySource memory(std::move(bytes));
  const ByteSource source = memory.Source();
  return ParseMovie(&source, &track->info);
}

// The same through the reader that the file's first bytes choose.
inline ThumbStatus ParseAnyContainer(std::vector<uint8_t> bytes, ParsedTrack* track) {
  MemorySource memory(std::move(bytes));
  const ByteSource source = memory.Source();
  return ParseContainer(&source, &track->info);
}

}  // namespace orvelle::testing
