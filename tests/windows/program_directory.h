// Where a Windows test program finds the DLLs built next to it.
#pragma once

#include <windows.h>

#include <string>

namespace orvelle::testing {

// The directory of this test program, with a trailing backslash.
inline std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text(path, length);
  return text.substr(0, text.find_last_of(L"\\/") + 1);
}

}  // namespace orvelle::testing
