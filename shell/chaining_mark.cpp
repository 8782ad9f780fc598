#include "shell/chaining_mark.h"

namespace orvelle {

namespace {

// More threads than a thumbnail host chains from at once; past that, chaining is refused.
constexpr size_t kMaxChainingThreads = 64;

// The ids of the marked threads; 0, which no thread has, marks a free entry.
volatile LONG chainingThreads[kMaxChainingThreads] = {};

}  // namespace

ChainingMark::ChainingMark() {
  const LONG self = static_cast<LONG>(GetCurrentThreadId());
  // Only this thread writes its own id, so a plain read sees whether it is there.
  for (volatile LONG& entry : chainingThreads) {
    if (entry == self) return;
  }
  for (volatile LONG& entry : chainingThreads) {
    if (InterlockedCompareExchange(&entry, self, 0) == 0) {
      entry_ = &entry;
      return;
    }
  }
}

ChainingMark::~ChainingMark() {
  if (entry_ != nullptr) InterlockedExchange(entry_, 0);
}

}  // namespace orvelle
