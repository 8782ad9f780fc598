#include "tests/hardening/failing_malloc.h"

#include <cstddef>
#include <cstdlib>

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void __real_free(void* block);
}

namespace orvelle::testing {
namespace {

// A decode holds a handful of blocks at once; more means a leak in a loop.
constexpr uint32_t kMaxLive = 64;

struct Counter {
  bool armed = false;
  uint32_t failAt = 0;
  uint32_t attempted = 0;
  uint64_t sizes[kMaxLive] = {};  // of the first allocations, in order
  void* live[kMaxLive] = {};
  uint32_t liveCount = 0;
};

Counter counter;

// Counts one allocation of `size` bytes; false when this is the one to fail.
bool Admit(uint64_t size) {
  if (!counter.armed) return true;
  if (counter.attempted < kMaxLive) counter.sizes[counter.attempted] = size;
  return ++counter.attempted != counter.failAt;
}

void* Track(void* block) {
  if (block == nullptr || !counter.armed) return block;
  if (counter.liveCount == kMaxLive) std::abort();
  counter.live[counter.liveCount++] = block;
  return block;
}

void Untrack(void* block) {
  for (uint32_t i = 0; i < counter.liveCount; ++i) {
    if (counter.live[i] == block) {
      counter.live[i] = counter.live[--counter.liveCount];
      return;
    }
  }
}

}  // namespace

void ArmAllocations(uint32_t failAt) {
  counter = Counter{};
  counter.armed = true;
  counter.failAt = failAt;
}

AllocationCount DisarmAllocations() {
  counter.armed = false;
  return {counter.attempted, counter.liveCount};
}

uint64_t AllocationSize(uint32_t n) { return n >= 1 && n <= kMaxLive ? counter.sizes[n - 1] : 0; }

}  // namespace orvelle::testing

using orvelle::testing::Admit;
using orvelle::testing::Track;
using orvelle::testing::Untrack;

extern "C" {

void* __wrap_malloc(size_t size) { return Admit(size) ? Track(__real_malloc(size)) : nullptr; }

void* __wrap_calloc(size_t count, size_t size) {
  return Admit(uint64_t{count} * size) ? Track(__real_calloc(count, size)) : nullptr;
}

void __wrap_free(void* block) {
  if (block != nullptr) Untrack(block);
  __real_free(block);
}

}  // extern "C"
