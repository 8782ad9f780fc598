#include "hap/large_buffer.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace orvelle {

uint8_t* AllocateLargeBuffer(uint64_t size) {
  if (size > SIZE_MAX) return nullptr;
  auto* buffer = static_cast<uint8_t*>(malloc(static_cast<size_t>(size)));
#if defined(__linux__)
  constexpr uintptr_t kPage = 4096;
  constexpr uint64_t kHugePage = 2 << 20;
  if (buffer != nullptr && size >= kHugePage) {
    // Only advice: where it is refused or ignored the buffer is as good.
    const auto start = reinterpret_cast<uintptr_t>(buffer);
    const uintptr_t first = (start + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (start + size) & ~(kPage - 1);
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
  }
#endif
  return buffer;
}

}  // namespace orvelle
