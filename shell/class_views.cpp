#include "shell/class_views.h"

namespace orvelle {

namespace {

const wchar_t* const kNativeView = L"Software\\Classes\\CLSID";
const wchar_t* const kWow64View = L"Software\\Classes\\Wow6432Node\\CLSID";

}  // namespace

ClassViews ThisProcessClassViews() {
  if constexpr (sizeof(void*) == 8) return {kNativeView, kWow64View};
  BOOL wow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) return {kWow64View, kNativeView};
  return {kNativeView, nullptr};
}

bool OpenClassView(const wchar_t* view, REGSAM access, bool create, ScopedRegKey* key) {
  // Ignored on 32-bit Windows, where the only view is the native one.
  access |= KEY_WOW64_64KEY;
  const LONG result =
      create ? RegCreateKeyExW(HKEY_CURRENT_USER, view, 0, nullptr, REG_OPTION_NON_VOLATILE,
                               access, nullptr, key->put(), nullptr)
             : RegOpenKeyExW(HKEY_CURRENT_USER, view, 0, access, key->put());
  if (result != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(result));
  return result == ERROR_SUCCESS;
}

}  // namespace orvelle
