// Registry paths and the small registry and module helpers that registration and
// handler lookup share.
#pragma once

#include <windows.h>

#include <string>

namespace orvelle {

// Per-user key whose values hold the class identifiers of the displaced handlers.
extern const wchar_t* const kSavedHandlerKey;

// Buffer sizes of registry reads: one that holds only a class identifier string, and
// the general one.
constexpr size_t kClsidReadBytes = 80;
constexpr size_t kValueReadBytes = 512;

// extension + "\ShellEx\{E357FCCD-A995-4576-B01F-234630154E96}": the extension's
// thumbnail slot under a classes root.
std::wstring ShellExKey(const wchar_t* extension);

// A class identifier in registry form: braced, upper-case, 38 characters.
bool FormatClsid(REFCLSID clsid, std::wstring* text);

// Whether registry text names `clsid` (formatted as `clsidText`): in any letter case, or
// as any text that parses to it.
bool NamesClass(const std::wstring& text, const std::wstring& clsidText, REFCLSID clsid);

// Sets a REG_SZ value (null name: the default value), creating the key as needed.
// On failure the registry's error code is left in GetLastError.
bool WriteRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                    const std::wstring& text);

// Reads a non-empty REG_SZ value through a zero-filled buffer of `bufferBytes`; a value
// that does not fit counts as absent.
bool ReadRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                   size_t bufferBytes, std::wstring* text);

// The module's file path; the buffer grows as needed up to 65,536 characters.
bool GetModulePath(HMODULE module, std::wstring* path);

// HRESULT of the calling thread's last error, never a success code.
HRESULT LastErrorHResult();

}  // namespace orvelle
