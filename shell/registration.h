// Registration of the server for the current user: its classes, the .mov and .avi
// thumbnail slots, and the handler each slot held, which unregistration puts back.
#pragma once

#include <windows.h>

namespace orvelle {

// Registers `module`'s file as the server, under HKEY_CURRENT_USER only.
HRESULT RegisterServer(HMODULE module);
HRESULT UnregisterServer();

}  // namespace orvelle

extern "C" HRESULT WINAPI DllRegisterServer();
extern "C" HRESULT WINAPI DllUnregisterServer();
extern "C" HRESULT WINAPI DllInstall(BOOL install, LPCWSTR commandLine);
