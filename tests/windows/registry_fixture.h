// Registry access for the Windows tests, and a fixture that starts every test from a
// registry where neither Orvelle nor the stand-in handler has left anything, in either slot.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/windows/standin_handler.h"

namespace orvelle::testing {

// The view of the per-user classes that this build's DLL registers in on 64-bit Windows,
// and the other architecture's.
#if defined(_WIN64)
#define ORVELLE_OWN_CLASSES L"Software\\Classes\\CLSID\\"
#define ORVELLE_OTHER_CLASSES L"Software\\Classes\\Wow6432Node\\CLSID\\"
#else
#define ORVELLE_OWN_CLASSES L"Software\\Classes\\Wow6432Node\\CLSID\\"
#define ORVELLE_OTHER_CLASSES L"Software\\Classes\\CLSID\\"
#endif
#define ORVELLE_MOV_CLSID L"{EFB41CBF-F9DF-4A58-BBF0-C5A4A2DC1BE8}"
#define ORVELLE_AVI_CLSID L"{888C5CFE-94F0-4F68-8364-EAE8BBC59512}"

constexpr const wchar_t* OrvelleClsidText = ORVELLE_MOV_CLSID;
constexpr const wchar_t* ClassKey = ORVELLE_OWN_CLASSES ORVELLE_MOV_CLSID;
constexpr const wchar_t* ServerKey = ORVELLE_OWN_CLASSES ORVELLE_MOV_CLSID L"\\InprocServer32";
constexpr const wchar_t* OtherViewServerKey =
    ORVELLE_OTHER_CLASSES ORVELLE_MOV_CLSID L"\\InprocServer32";
constexpr const wchar_t* SlotKey =
    L"Software\\Classes\\.mov\\ShellEx\\{E357FCCD-A995-4576-B01F-234630154E96}";
constexpr const wchar_t* SavedKey = L"Software\\Corvantis\\Orvelle";
constexpr const wchar_t* VendorKey = L"Software\\Corvantis";
constexpr const wchar_t* SavedValue = L"PreviousMovHandler";
// The same for the .avi slot and the class that serves it.
constexpr const wchar_t* OrvelleAviClsidText = ORVELLE_AVI_CLSID;
constexpr const wchar_t* AviClassKey = ORVELLE_OWN_CLASSES ORVELLE_AVI_CLSID;
constexpr const wchar_t* AviServerKey = ORVELLE_OWN_CLASSES ORVELLE_AVI_CLSID L"\\InprocServer32";
constexpr const wchar_t* AviOtherViewServerKey =
    ORVELLE_OTHER_CLASSES ORVELLE_AVI_CLSID L"\\InprocServer32";
constexpr const wchar_t* AviSlotKey =
    L"Software\\Classes\\.avi\\ShellEx\\{E357FCCD-A995-4576-B01F-234630154E96}";
constexpr const wchar_t* AviSavedValue = L"PreviousAviHandler";
constexpr const wchar_t* OtherHandlerText = L"{0D0D0D0D-1111-2222-3333-444444444444}";

inline bool KeyExists(HKEY root, const wchar_t* key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

// The REG_SZ value, or "<absent>".
inline std::wstring ReadValue(HKEY root, const wchar_t* key, const wchar_t* name = nullptr) {
  DWORD size = 0;
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return L"<absent>";
  }
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS) {
    return L"<absent>";
  }
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

inline void WriteValue(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text) {
  ASSERT_EQ(RegSetKeyValueW(root, key, name, REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

inline void ClearRegistry() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (const wchar_t* key : {ClassKey, SlotKey, AviClassKey, AviSlotKey}) {
      RegDeleteTreeW(root, key);
    }
    for (const wchar_t* clsid : {ORVELLE_MOV_CLSID, ORVELLE_AVI_CLSID}) {
      RegDeleteTreeW(root, (std::wstring(ORVELLE_OTHER_CLASSES) + clsid).c_str());
    }
    for (const wchar_t* other : {standin::ClsidText, standin::AviClsidText, OtherHandlerText}) {
      RegDeleteTreeW(root, (std::wstring(L"Software\\Classes\\CLSID\\") + other).c_str());
    }
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, VendorKey);
}

class CleanRegistry : public ::testing::Test {
 protected:
  void SetUp() override { ClearRegistry(); }
  void TearDown() override { ClearRegistry(); }
};

}  // namespace orvelle::testing
