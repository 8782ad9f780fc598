#include "shell/registration.h"

#include <shlobj.h>

#include <string>

#include "shell/class_views.h"
#include "shell/clsid_text.h"
#include "shell/com_boundary.h"
#include "shell/last_error.h"
#include "shell/module.h"
#include "shell/module_path.h"
#include "shell/registry_access.h"
#include "shell/registry_paths.h"
#include "shell/scoped_handles.h"
#include "shell/thumbnail_slot.h"

namespace orvelle {

namespace {

const wchar_t* const kFriendlyName = L"Corvantis HAP Thumbnail Provider";

void NotifyAssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

// Remembers the handler that holds `slot` before this server takes it. The first
// registration's save survives every later one; failures here are not fatal. None of this
// server's classes is ever saved: restoring one would leave the slot naming a class that
// unregistration removes.
void SaveDisplacedHandler(const ThumbnailSlot& slot) {
  std::wstring text;
  if (ReadRegString(HKEY_CURRENT_USER, kSavedHandlerKey, slot.savedValue, kClsidReadBytes, &text) &&
      !NamesServerClass(text)) {
    return;
  }
  if (!ReadRegString(HKEY_CLASSES_ROOT, ShellExKey(slot.extension), nullptr, kValueReadBytes,
                     &text) ||
      NamesServerClass(text)) {
    return;
  }
  WriteRegString(HKEY_CURRENT_USER, kSavedHandlerKey, slot.savedValue, text);
}

// The classes' registry names, before any registry access.
bool FormatServerClasses(std::wstring (&clsidTexts)[kSlotCount]) {
  for (size_t i = 0; i < kSlotCount; ++i) {
    if (!FormatClsid(kThumbnailSlots[i]->clsid, &clsidTexts[i])) return false;
  }
  return true;
}

// The class key under `view`: the CLSID key of this process's view.
HRESULT RegisterServerClass(HKEY view, const std::wstring& clsidText, const std::wstring& path) {
  const std::wstring serverKey = clsidText + L"\\InprocServer32";
  WriteRegString(view, clsidText, nullptr, kFriendlyName);
  if (!WriteRegString(view, serverKey, nullptr, path) ||
      !WriteRegString(view, serverKey, L"ThreadingModel", L"Apartment")) {
    return LastErrorHResult();
  }
  return S_OK;
}

// Whether the other architecture's DLL is registered for any of this server's classes: the
// slots are shared, so they stay claimed while it is.
bool OtherViewServes(const std::wstring (&clsidTexts)[kSlotCount]) {
  const wchar_t* const other = ThisProcessClassViews().other;
  ScopedRegKey view;
  if (other == nullptr || !OpenClassView(other, KEY_QUERY_VALUE, false, &view)) return false;
  std::wstring path;
  for (const std::wstring& clsidText : clsidTexts) {
    if (ReadRegString(view.get(), clsidText + L"\\InprocServer32", nullptr, kValueReadBytes,
                      &path)) {
      return true;
    }
  }
  return false;
}

// Only while the slot still names this server is it handed back, and its saved value
// dropped; a handler that took it since keeps it. Returns whether it was handed back.
bool GiveSlotBack(const ThumbnailSlot& slot) {
  const std::wstring slotKey = ClassesShellExKey(slot);
  std::wstring text;
  if (!ReadRegString(HKEY_CURRENT_USER, slotKey, nullptr, kClsidReadBytes, &text) ||
      !NamesServerClass(text)) {
    return false;
  }
  if (ReadRegString(HKEY_CURRENT_USER, kSavedHandlerKey, slot.savedValue, kValueReadBytes, &text) &&
      !NamesServerClass(text)) {
    WriteRegString(HKEY_CURRENT_USER, slotKey, nullptr, text);
  } else {
    RegDeleteTreeW(HKEY_CURRENT_USER, slotKey.c_str());
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kSavedHandlerKey, slot.savedValue);
  return true;
}

// Whether the key exists and holds neither values nor subkeys. It is closed on return, before
// anyone deletes it.
bool KeyIsEmpty(HKEY root, const wchar_t* subkey) {
  ScopedRegKey key;
  if (RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0;
  DWORD values = 0;
  const LONG queried = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr,
                                        nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  return queried == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

// Deletes the key only when it is empty: the value saved for a slot that another handler
// has taken stays.
void DeleteKeyIfEmpty(HKEY root, const wchar_t* subkey) {
  if (KeyIsEmpty(root, subkey)) RegDeleteKeyW(root, subkey);
}

}  // namespace

HRESULT RegisterServer(HMODULE module) {
  std::wstring path;
  if (!GetModulePath(module, &path)) return LastErrorHResult();
  std::wstring clsidTexts[kSlotCount];
  if (!FormatServerClasses(clsidTexts)) return E_UNEXPECTED;
  ScopedRegKey view;
  if (!OpenClassView(ThisProcessClassViews().own, KEY_CREATE_SUB_KEY, true, &view)) {
    return LastErrorHResult();
  }

  for (size_t i = 0; i < kSlotCount; ++i) {
    const HRESULT registered = RegisterServerClass(view.get(), clsidTexts[i], path);
    if (FAILED(registered)) return registered;
    // Read the displaced handler before this server writes itself into the slot.
    SaveDisplacedHandler(*kThumbnailSlots[i]);
    if (!WriteRegString(HKEY_CURRENT_USER, ClassesShellExKey(*kThumbnailSlots[i]), nullptr,
                        clsidTexts[i])) {
      return LastErrorHResult();
    }
  }
  NotifyAssociationsChanged();
  return S_OK;
}

// Removes this architecture's classes. The slots go back to their saved handlers only
// when no other architecture's DLL still serves them.
HRESULT UnregisterServer() {
  std::wstring clsidTexts[kSlotCount];
  if (!FormatServerClasses(clsidTexts)) return E_UNEXPECTED;

  ScopedRegKey view;
  if (OpenClassView(ThisProcessClassViews().own, DELETE | KEY_ENUMERATE_SUB_KEYS |
                    KEY_QUERY_VALUE | KEY_SET_VALUE, false, &view)) {
    for (const std::wstring& clsidText : clsidTexts) RegDeleteTreeW(view.get(), clsidText.c_str());
  }
  bool gaveBack = false;
  if (!OtherViewServes(clsidTexts)) {
    for (const ThumbnailSlot* slot : kThumbnailSlots) gaveBack |= GiveSlotBack(*slot);
  }
  if (gaveBack) {
    DeleteKeyIfEmpty(HKEY_CURRENT_USER, kSavedHandlerKey);
    // Fails, as intended, while another product keeps keys below it.
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Corvantis");
  }
  NotifyAssociationsChanged();
  return S_OK;
}

}  // namespace orvelle

extern "C" HRESULT WINAPI DllRegisterServer() {
  return orvelle::CatchAtComBoundary(
      E_OUTOFMEMORY, [] { return orvelle::RegisterServer(orvelle::ModuleInstance); });
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  return orvelle::CatchAtComBoundary(E_OUTOFMEMORY, [] { return orvelle::UnregisterServer(); });
}

// Only per-user installation exists: a null command line and "user" mean the same.
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  if (commandLine != nullptr && lstrcmpiW(commandLine, L"user") != 0) return E_INVALIDARG;
  return orvelle::CatchAtComBoundary(E_OUTOFMEMORY, [install] {
    return install ? orvelle::RegisterServer(orvelle::ModuleInstance) : orvelle::UnregisterServer();
  });
}
