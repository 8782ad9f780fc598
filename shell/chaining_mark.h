// Marks the threads that are inside a handler this server chained to, so that a route
// leading back here ends instead of recursing. The marks live in a fixed table, not in
// thread_local storage: mingw's emulated thread_local takes a TLS index through the static
// thread runtime that is never given back, one more each time the DLL is loaded.
#pragma once

#include <windows.h>

namespace orvelle {

// Marks the calling thread for the mark's lifetime. entered() is false, and nothing is
// marked, when the thread is marked already or every entry of the table is taken.
class ChainingMark {
 public:
  ChainingMark();
  ~ChainingMark();
  ChainingMark(const ChainingMark&) = delete;
  ChainingMark& operator=(const ChainingMark&) = delete;

  bool entered() const { return entry_ != nullptr; }

 private:
  volatile LONG* entry_ = nullptr;
};

}  // namespace orvelle
