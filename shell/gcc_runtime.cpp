// libstdc++, the C++ runtime of the GCC builds, made fit for a DLL that COM loads and
// frees over and over in one process: nothing it takes may outlive an unload.
// - Its guards of function-local statics (the core's code path choice, Snappy's tables)
//   go, in a posix-thread mingw build, through the static winpthreads runtime, whose first
//   use takes a TLS index that is never given back: one more index each load, until the
//   process runs out. The guards below use the Win32 thread API and take nothing.
// - Its emergency arena for exceptions, taken from the heap at load, is never freed by
//   the runtime itself.
// - libgcc's one-time initialisations (the x86 build's DWARF unwinder registers its frame
//   tables at every load) call pthread_once, which takes that same TLS index. The DLL is
//   linked with --wrap=pthread_once, so that they call the one below instead.
// libc++, the ARM64 build's runtime, needs none of this: its guards and its arena take
// nothing.
#include "shell/gcc_runtime.h"

#include <windows.h>

#include <cstdint>  // defines __GLIBCXX__ with libstdc++

#if defined(__GLIBCXX__)

namespace {

// One lock for every guard: initialisations are few and short.
SRWLOCK guardLock = SRWLOCK_INIT;
CONDITION_VARIABLE guardSettled = CONDITION_VARIABLE_INIT;

// The guard's first byte is the compiler's: non-zero once the static is made. The second
// says that a thread is making it.
struct GuardBytes {
  volatile uint8_t* bytes;
  explicit GuardBytes(int64_t* guard) : bytes(reinterpret_cast<volatile uint8_t*>(guard)) {}
  bool made() const { return bytes[0] != 0; }
  bool inProgress() const { return bytes[1] != 0; }
};

}  // namespace

// Returns 1 when the caller is to make the static, 0 when it is made already; waits while
// another thread makes it.
extern "C" int __cxa_guard_acquire(int64_t* guard) {
  const GuardBytes state(guard);
  AcquireSRWLockExclusive(&guardLock);
  while (!state.made() && state.inProgress()) {
    SleepConditionVariableSRW(&guardSettled, &guardLock, INFINITE, 0);
  }
  const bool mustMake = !state.made();
  if (mustMake) state.bytes[1] = 1;
  ReleaseSRWLockExclusive(&guardLock);
  return mustMake ? 1 : 0;
}

extern "C" void __cxa_guard_release(int64_t* guard) {
  const GuardBytes state(guard);
  AcquireSRWLockExclusive(&guardLock);
  __atomic_store_n(&state.bytes[0], 1, __ATOMIC_RELEASE);
  state.bytes[1] = 0;
  ReleaseSRWLockExclusive(&guardLock);
  WakeAllConditionVariable(&guardSettled);
}

// The initialiser threw: the next caller tries again.
extern "C" void __cxa_guard_abort(int64_t* guard) {
  const GuardBytes state(guard);
  AcquireSRWLockExclusive(&guardLock);
  state.bytes[1] = 0;
  ReleaseSRWLockExclusive(&guardLock);
  WakeAllConditionVariable(&guardSettled);
}

// winpthreads' pthread_once_t: 0 at first, 1 once the routine has run; 2 while it runs.
extern "C" int __wrap_pthread_once(volatile long* once, void (*routine)()) {
  AcquireSRWLockExclusive(&guardLock);
  while (*once == 2) SleepConditionVariableSRW(&guardSettled, &guardLock, INFINITE, 0);
  const bool mustRun = *once == 0;
  if (mustRun) *once = 2;
  ReleaseSRWLockExclusive(&guardLock);
  if (!mustRun) return 0;
  routine();
  AcquireSRWLockExclusive(&guardLock);
  *once = 1;
  ReleaseSRWLockExclusive(&guardLock);
  WakeAllConditionVariable(&guardSettled);
  return 0;
}

namespace __gnu_cxx {
// libstdc++'s own release of its emergency arena (for memory checkers), in no header.
void __freeres() noexcept;
}  // namespace __gnu_cxx

namespace orvelle {

void ReleaseRuntimeMemory() { __gnu_cxx::__freeres(); }

}  // namespace orvelle

#else

namespace orvelle {

void ReleaseRuntimeMemory() {}

}  // namespace orvelle

#endif
