#include "shell/registry_access.h"

#include <cwchar>
#include <vector>

#include "shell/scoped_handles.h"

namespace orvelle {

namespace {

// The key is closed before the caller records the error code.
LONG SetRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                  const std::wstring& text) {
  ScopedRegKey key;
  const LONG created = RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (created != ERROR_SUCCESS) return created;
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), valueName, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

}  // namespace

bool WriteRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                    const std::wstring& text) {
  const LONG result = SetRegString(root, subkey, valueName, text);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    return false;
  }
  return true;
}

bool ReadRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                   size_t bufferBytes, std::wstring* text) {
  std::vector<wchar_t> buffer(bufferBytes / sizeof(wchar_t), L'\0');
  DWORD size = static_cast<DWORD>(bufferBytes);
  const LONG result =
      RegGetValueW(root, subkey.c_str(), valueName, RRF_RT_REG_SZ, nullptr, buffer.data(), &size);
  if (result != ERROR_SUCCESS || buffer[0] == L'\0') return false;
  text->assign(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
  return true;
}

}  // namespace orvelle
