// Loads the built orvelle.dll, which sits next to the test program, for one test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/windows/program_directory.h"

namespace orvelle::testing {

class OrvelleDll : public ::testing::Test {
 protected:
  using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  using NoArgumentFn = HRESULT(WINAPI*)();
  using InstallFn = HRESULT(WINAPI*)(BOOL, LPCWSTR);

  void SetUp() override {
    module_ = LoadLibraryW((ProgramDirectory() + L"orvelle.dll").c_str());
    ASSERT_NE(module_, nullptr) << "orvelle.dll not found next to the test program";
    GetClassObject = Export<GetClassObjectFn>("DllGetClassObject");
    CanUnloadNow = Export<NoArgumentFn>("DllCanUnloadNow");
    RegisterServer = Export<NoArgumentFn>("DllRegisterServer");
    UnregisterServer = Export<NoArgumentFn>("DllUnregisterServer");
    Install = Export<InstallFn>("DllInstall");
  }

  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  // The path the DLL was loaded from, as the DLL itself sees it.
  std::wstring ModulePath() const {
    wchar_t path[MAX_PATH] = {};
    return std::wstring(path, GetModuleFileNameW(module_, path, MAX_PATH));
  }

  GetClassObjectFn GetClassObject = nullptr;
  NoArgumentFn CanUnloadNow = nullptr;
  NoArgumentFn RegisterServer = nullptr;
  NoArgumentFn UnregisterServer = nullptr;
  InstallFn Install = nullptr;

 private:
  template <typename Function>
  Function Export(const char* name) {
    FARPROC address = GetProcAddress(module_, name);
    EXPECT_NE(address, nullptr) << name << " is not exported";
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
  }

  HMODULE module_ = nullptr;
};

}  // namespace orvelle::testing
