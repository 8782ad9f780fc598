// Heap memory for a buffer of megabytes that is written whole straight away
// (a decoded texture).
#pragma once

#include <cstdint>

namespace orvelle {

// malloc(size), released with free(). Where the system lets a program choose,
// the buffer is backed by huge pages: a fresh 4K texture then costs a handful
// of page faults instead of thousands, and fewer TLB misses while it is read.
uint8_t* AllocateLargeBuffer(uint64_t size);

}  // namespace orvelle
