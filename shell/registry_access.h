// Reads and writes of REG_SZ values, the only kind of registry value this server keeps.
#pragma once

#include <windows.h>

#include <string>

namespace orvelle {

// Buffer sizes of registry reads: one that holds only a class identifier string, and
// the general one.
constexpr size_t kClsidReadBytes = 80;
constexpr size_t kValueReadBytes = 512;

// Sets a REG_SZ value (null name: the default value), creating the key as needed.
// On failure the registry's error code is left in GetLastError.
bool WriteRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                    const std::wstring& text);

// Reads a non-empty REG_SZ value through a zero-filled buffer of `bufferBytes`; a value
// that does not fit counts as absent.
bool ReadRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                   size_t bufferBytes, std::wstring* text);

}  // namespace orvelle
