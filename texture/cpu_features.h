// What the processor running us offers beyond the x86-64 baseline, asked once.
#pragma once

namespace orvelle {

// True when the AVX2 writers may run: an x86-64 GCC or Clang build on a
// processor (and system) with AVX2.
bool CpuHasAvx2();

}  // namespace orvelle
