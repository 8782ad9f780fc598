// The decoder's only contact with Snappy: a stream's announced length, and
// decompression of a whole stream into a caller buffer of fixed capacity.
#pragma once

#include <cstdint>

namespace orvelle {

enum SnappyOutcome {
  SnappyDecoded,
  SnappyInvalidInput,  // unreadable length preamble or corrupt stream
  SnappyTooSmall,      // announced length above the capacity; nothing written
};

// False when the length preamble cannot be read.
bool SnappyAnnouncedLength(const uint8_t* stream, uint64_t size, uint64_t* length);

// On SnappyDecoded, `length` holds the number of bytes written.
SnappyOutcome SnappyDecompress(const uint8_t* stream, uint64_t size, uint8_t* destination,
                               uint64_t capacity, uint64_t* length);

}  // namespace orvelle
