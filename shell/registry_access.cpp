#include "shell/registry_access.h"

#include <objbase.h>
#include <shlwapi.h>
#include <thumbcache.h>

#include <vector>

namespace orvelle {

const wchar_t* const kSavedHandlerKey = L"Software\\Corvantis\\Orvelle";

namespace {

constexpr int kGuidTextChars = 40;
constexpr DWORD kFirstPathChars = 260;
constexpr DWORD kMaxPathChars = 65536;

}  // namespace

bool FormatClsid(REFCLSID clsid, std::wstring* text) {
  wchar_t buffer[kGuidTextChars] = {};
  if (StringFromGUID2(clsid, buffer, kGuidTextChars) == 0) return false;
  text->assign(buffer);
  return true;
}

bool NamesClass(const std::wstring& text, const std::wstring& clsidText, REFCLSID clsid) {
  if (StrCmpIW(text.c_str(), clsidText.c_str()) == 0) return true;
  CLSID parsed;
  return SUCCEEDED(CLSIDFromString(text.c_str(), &parsed)) && IsEqualCLSID(parsed, clsid);
}

std::wstring ShellExKey(const wchar_t* extension) {
  std::wstring iid;
  if (!FormatClsid(IID_IThumbnailProvider, &iid)) iid = L"{E357FCCD-A995-4576-B01F-234630154E96}";
  return std::wstring(extension) + L"\\ShellEx\\" + iid;
}

bool WriteRegString(HKEY root, const std::wstring& subkey, const wchar_t* valueName,
                    const std::wstring& text) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    return false;
  }
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  result = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes);
  RegCloseKey(key);
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

bool GetModulePath(HMODULE module, std::wstring* path) {
  std::vector<wchar_t> buffer(kFirstPathChars, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      path->assign(buffer.data(), length);
      return true;
    }
    if (buffer.size() >= kMaxPathChars) {
      path->assign(buffer.data(), buffer.size());
      return true;
    }
    buffer.resize(buffer.size() * 2, L'\0');
  }
}

HRESULT LastErrorHResult() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace orvelle
