// Puts a finished file's bytes at the path a caller named.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvelle {

// Writes `size` bytes into `path` itself, not through a file renamed over it:
// thumbnail services create the output file and read back that very file. An
// existing file is truncated and refilled in place. When writing fails the path
// holds no partial data: a file this call created is removed, one that existed
// is left empty. Anything but a regular file (a FIFO, a device) is refused
// without waiting on it.
bool WriteOutputFile(const char* path, const uint8_t* data, size_t size);

}  // namespace orvelle
