// Owning holders for the core's heap blocks and records, so that every return
// path releases what it took.
//
// The core allocates with malloc and calloc, not new: a failed allocation
// must come back as null (the core throws no exceptions), and the
// allocation-failure tests wrap malloc, calloc and free at link time to fail
// each allocation in turn and to check that every block is given back.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace orvelle {

struct FreeDeleter {
  void operator()(void* block) const { std::free(block); }
};

// A malloc'd block, freed when the holder goes.
template <typename T>
using HeapPtr = std::unique_ptr<T, FreeDeleter>;

// `count` uninitialised elements, or null, also when their size is past what
// malloc can be asked for.
template <typename T>
HeapPtr<T> AllocateArray(uint64_t count) {
  if (count > SIZE_MAX / sizeof(T)) return nullptr;
  return HeapPtr<T>(static_cast<T*>(std::malloc(static_cast<size_t>(sizeof(T) * count))));
}

// Calls `Release` on a record that owns heap blocks (track tables, an image)
// when the holder goes; the record itself lives elsewhere.
template <typename T, void (*Release)(T*)>
struct ReleaseDeleter {
  void operator()(T* record) const { Release(record); }
};

template <typename T, void (*Release)(T*)>
using ReleasingPtr = std::unique_ptr<T, ReleaseDeleter<T, Release>>;

}  // namespace orvelle
