// Where a loaded module's file lies, as registration writes it.
#pragma once

#include <windows.h>

#include <string>

namespace orvelle {

// The module's file path; the buffer grows as needed up to 65,536 characters.
bool GetModulePath(HMODULE module, std::wstring* path);

}  // namespace orvelle
