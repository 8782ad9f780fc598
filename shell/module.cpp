#include "shell/module.h"

namespace orvelle {

HINSTANCE ModuleInstance = nullptr;
volatile LONG ModuleRefCount = 0;

void ModuleAddRef() { InterlockedIncrement(&ModuleRefCount); }

void ModuleRelease() { InterlockedDecrement(&ModuleRefCount); }

}  // namespace orvelle

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    orvelle::ModuleInstance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return orvelle::ModuleRefCount == 0 ? S_OK : S_FALSE;
}
