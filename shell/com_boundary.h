// Where a COM method meets C++ code that may throw: no exception may leave the
// method, so it becomes an HRESULT there.
#pragma once

#include <windows.h>

#include <new>

namespace orvelle {

// Returns what `operation` returns; if it throws, runs `onThrow` and returns
// `outOfMemory` for std::bad_alloc and E_FAIL for anything else.
template <typename Operation, typename OnThrow>
HRESULT CatchAtComBoundary(HRESULT outOfMemory, Operation operation, OnThrow onThrow) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    onThrow();
    return outOfMemory;
  } catch (...) {
    onThrow();
    return E_FAIL;
  }
}

template <typename Operation>
HRESULT CatchAtComBoundary(HRESULT outOfMemory, Operation operation) {
  return CatchAtComBoundary(outOfMemory, operation, [] {});
}

}  // namespace orvelle
