#include "texture/cpu_features.h"

namespace orvelle {

bool CpuHasAvx2() {
#if defined(__x86_64__) && defined(__GNUC__)
  // The runtime's check includes the system's consent to the wide registers (XGETBV).
  static const bool hasAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return hasAvx2;
#else
  return false;
#endif
}

}  // namespace orvelle
