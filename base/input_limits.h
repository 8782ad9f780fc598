// The caps on what a file may make any layer read or allocate. Each bounds a
// size taken from the file before anything is allocated for it; a value beyond
// a cap fails the operation or turns the track down, never truncates.
#pragma once

#include <cstdint>

namespace orvelle {

// Payload of the movie atom, loaded whole.
constexpr uint64_t kMaxMovieAtom = 64 << 20;

// Body of an AVI file's header list, loaded whole as the movie atom is.
constexpr uint64_t kMaxAviHeaderList = kMaxMovieAtom;

// Entries of any sample table, from a movie table's count or an AVI index.
constexpr uint32_t kMaxTableEntries = 16777216;

// The one sample that is read whole.
constexpr uint32_t kMaxSampleBytes = 128 << 20;

// Either side of a frame, in pixels.
constexpr uint32_t kMaxFrameEdge = 16384;

// A texture's padded blocks, inclusive: 16384 x 16384 pixels of a 16-byte
// block format fit exactly.
constexpr uint64_t kMaxTextureBufferBytes = uint64_t{256} << 20;

}  // namespace orvelle
