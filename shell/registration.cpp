#include "shell/registration.h"

#include <shlobj.h>

#include <string>

#include "shell/com_boundary.h"
#include "shell/module.h"
#include "shell/registry_access.h"
#include "shell/server_clsid.h"

namespace orvelle {

namespace {

const wchar_t* const FriendlyName = L"Corvantis HAP Thumbnail Provider";

std::wstring ClassKey(const std::wstring& clsidText) {
  return L"Software\\Classes\\CLSID\\" + clsidText;
}

void NotifyAssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

// Whether a value names this server, which then counts as no handler at all: saving or
// restoring it would leave the slot naming a class that unregistration removes.
bool NamesThisServer(const std::wstring& text, const std::wstring& clsidText) {
  return NamesClass(text, clsidText, ServerClsid);
}

// Remembers the handler that holds the .mov slot before this server takes it. The first
// registration's save survives every later one; failures here are not fatal.
void SaveDisplacedHandler(const std::wstring& clsidText) {
  std::wstring text;
  if (ReadRegString(HKEY_CURRENT_USER, SavedHandlerKey, SavedHandlerValue, ClsidReadBytes, &text) &&
      !NamesThisServer(text, clsidText)) {
    return;
  }
  if (!ReadRegString(HKEY_CLASSES_ROOT, MovShellExKey(), nullptr, ValueReadBytes, &text) ||
      NamesThisServer(text, clsidText)) {
    return;
  }
  WriteRegString(HKEY_CURRENT_USER, SavedHandlerKey, SavedHandlerValue, text);
}

}  // namespace

HRESULT RegisterServer(HMODULE module) {
  std::wstring path;
  if (!GetModulePath(module, &path)) return LastErrorHResult();
  std::wstring clsidText;
  if (!FormatClsid(ServerClsid, &clsidText)) return E_UNEXPECTED;

  const std::wstring classKey = ClassKey(clsidText);
  const std::wstring serverKey = classKey + L"\\InprocServer32";
  WriteRegString(HKEY_CURRENT_USER, classKey, nullptr, FriendlyName);
  if (!WriteRegString(HKEY_CURRENT_USER, serverKey, nullptr, path) ||
      !WriteRegString(HKEY_CURRENT_USER, serverKey, L"ThreadingModel", L"Apartment")) {
    return LastErrorHResult();
  }
  // Read the displaced handler before this server writes itself into the slot.
  SaveDisplacedHandler(clsidText);
  if (!WriteRegString(HKEY_CURRENT_USER, ClassesMovShellExKey(), nullptr, clsidText)) {
    return LastErrorHResult();
  }
  NotifyAssociationsChanged();
  return S_OK;
}

HRESULT UnregisterServer() {
  std::wstring clsidText;
  if (!FormatClsid(ServerClsid, &clsidText)) return E_UNEXPECTED;

  const std::wstring slotKey = ClassesMovShellExKey();
  std::wstring slot;
  // Only while the slot still names this server is it handed back; a handler that took
  // it since keeps it.
  if (ReadRegString(HKEY_CURRENT_USER, slotKey, nullptr, ClsidReadBytes, &slot) &&
      NamesThisServer(slot, clsidText)) {
    std::wstring saved;
    if (ReadRegString(HKEY_CURRENT_USER, SavedHandlerKey, SavedHandlerValue, ValueReadBytes,
                      &saved) &&
        !NamesThisServer(saved, clsidText)) {
      WriteRegString(HKEY_CURRENT_USER, slotKey, nullptr, saved);
    } else {
      RegDeleteTreeW(HKEY_CURRENT_USER, slotKey.c_str());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, SavedHandlerKey);
    // Fails, as intended, while another product keeps keys below it.
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Corvantis");
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, ClassKey(clsidText).c_str());
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
