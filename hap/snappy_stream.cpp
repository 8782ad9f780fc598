#include "hap/snappy_stream.h"

#include <snappy.h>

#include <cstddef>

namespace orvelle {

bool SnappyAnnouncedLength(const uint8_t* stream, uint64_t size, uint64_t* length) {
  size_t announced = 0;
  if (!snappy::GetUncompressedLength(reinterpret_cast<const char*>(stream), static_cast<size_t>(size),
                                     &announced)) {
    return false;
  }
  *length = announced;
  return true;
}

SnappyOutcome SnappyDecompress(const uint8_t* stream, uint64_t size, uint8_t* destination,
                               uint64_t capacity, uint64_t* length) {
  uint64_t announced = 0;
  if (!SnappyAnnouncedLength(stream, size, &announced)) return SnappyInvalidInput;
  // Snappy writes exactly the announced length, so this bound keeps it inside the buffer.
  if (announced > capacity) return SnappyTooSmall;
  if (!snappy::RawUncompress(reinterpret_cast<const char*>(stream), static_cast<size_t>(size),
                             reinterpret_cast<char*>(destination))) {
    return SnappyInvalidInput;
  }
  *length = announced;
  return SnappyDecoded;
}

}  // namespace orvelle
