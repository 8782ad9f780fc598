#include <gtest/gtest.h>

#include "shell/module.h"

namespace orvelle {
namespace {

TEST(Module, UnloadsOnlyWhileNothingIsCounted) {
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  ModuleAddRef();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  ModuleAddRef();
  ModuleRelease();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  ModuleRelease();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(Module, ProcessAttachRecordsTheHandleAndThreadNotificationsChangeNothing) {
  const HINSTANCE saved = ModuleInstance;
  const HINSTANCE self = GetModuleHandleW(nullptr);
  EXPECT_TRUE(DllMain(self, DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(ModuleInstance, self);

  const HINSTANCE other = reinterpret_cast<HINSTANCE>(0x10000);
  for (DWORD reason : {DWORD{DLL_THREAD_ATTACH}, DWORD{DLL_THREAD_DETACH}, DWORD{DLL_PROCESS_DETACH}}) {
    EXPECT_TRUE(DllMain(other, reason, nullptr));
    EXPECT_EQ(ModuleInstance, self);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
  }
  ModuleInstance = saved;
}

}  // namespace
}  // namespace orvelle
