#include "shell/module.h"

#include "shell/gcc_runtime.h"

namespace orvelle {

HINSTANCE ModuleInstance = nullptr;
volatile LONG ModuleRefCount = 0;

void ModuleAddRef() { InterlockedIncrement(&ModuleRefCount); }

void ModuleRelease() { InterlockedDecrement(&ModuleRefCount); }

}  // namespace orvelle

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    orvelle::ModuleInstance = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Freed while the process goes on (COM lets an idle server go, and loads it again
    // later): what the runtime took at load would otherwise pile up, load after load.
    orvelle::ReleaseRuntimeMemory();
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return orvelle::ModuleRefCount == 0 ? S_OK : S_FALSE;
}
