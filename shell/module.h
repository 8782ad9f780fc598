// Module-wide state of the COM server: its handle and the count of live objects and
// server locks that keeps it loaded.
#pragma once

#include <windows.h>

namespace orvelle {

extern HINSTANCE ModuleInstance;
extern volatile LONG ModuleRefCount;

void ModuleAddRef();
void ModuleRelease();

}  // namespace orvelle

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
extern "C" HRESULT WINAPI DllCanUnloadNow();
