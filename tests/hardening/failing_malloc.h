// Allocation control for a test program linked with
// -Wl,--wrap=malloc,--wrap=calloc,--wrap=free: while armed, the allocations
// of the code under test are counted, one chosen allocation fails, and the
// blocks they took are tracked until freed.
#pragma once

#include <cstdint>

namespace orvelle::testing {

struct AllocationCount {
  uint32_t attempted;  // malloc and calloc calls while armed
  uint32_t live;       // blocks taken while armed and not freed yet
};

// Starts counting; allocation number `failAt` (from 1) returns null, and with
// 0 none does. Arm right before the call under test, so that the test
// framework's own allocations are never counted or failed.
void ArmAllocations(uint32_t failAt);

// Stops counting and reports what happened since ArmAllocations.
AllocationCount DisarmAllocations();

// The bytes that allocation number `n` (from 1) since ArmAllocations asked
// for; 0 past the first 64.
uint64_t AllocationSize(uint32_t n);

}  // namespace orvelle::testing
