#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/windows/dll_under_test.h"
#include "tests/windows/registry_fixture.h"
#include "tests/windows/standin_handler.h"

namespace orvelle {
namespace {

using testing::ClassKey;
using testing::KeyExists;
using testing::OrvelleClsidText;
using testing::OtherHandlerText;
using testing::ReadValue;
using testing::SavedKey;
using testing::SavedValue;
using testing::ServerKey;
using testing::SlotKey;
using testing::VendorKey;
using testing::WriteValue;

const std::wstring Absent = L"<absent>";

// Wine's HKEY_CLASSES_ROOT shows only the machine-wide classes, so the handler in
// effect before registration is set up there.
class Registration : public testing::OrvelleDll {
 protected:
  void SetUp() override {
    OrvelleDll::SetUp();
    testing::ClearRegistry();
  }
  void TearDown() override {
    testing::ClearRegistry();
    OrvelleDll::TearDown();
  }

  static void SetMachineHandler(const std::wstring& clsid) {
    WriteValue(HKEY_LOCAL_MACHINE, SlotKey, nullptr, clsid);
  }
  static std::wstring UserSlot() { return ReadValue(HKEY_CURRENT_USER, SlotKey); }
  static std::wstring Saved() { return ReadValue(HKEY_CURRENT_USER, SavedKey, SavedValue); }
};

TEST_F(Registration, RegistersTheClassForTheUserAndSavesTheDisplacedHandler) {
  SetMachineHandler(standin::ClsidText);
  EXPECT_EQ(Install(TRUE, L"USER"), S_OK);
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, ClassKey), L"Corvantis HAP Thumbnail Provider");
  EXPECT_EQ(CompareStringOrdinal(ReadValue(HKEY_CURRENT_USER, ServerKey).c_str(), -1, ModulePath().c_str(),
                                 -1, TRUE),
            CSTR_EQUAL);
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, ServerKey, L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(UserSlot(), OrvelleClsidText);
  EXPECT_EQ(Saved(), standin::ClsidText);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ClassKey));  // per user only
}

TEST_F(Registration, RegisteringAgainKeepsTheFirstSavedHandler) {
  SetMachineHandler(standin::ClsidText);
  ASSERT_EQ(RegisterServer(), S_OK);
  SetMachineHandler(OtherHandlerText);
  EXPECT_EQ(RegisterServer(), S_OK);
  EXPECT_EQ(Saved(), standin::ClsidText);
  EXPECT_EQ(UserSlot(), OrvelleClsidText);
}

TEST_F(Registration, UnregisteringPutsTheDisplacedHandlerBack) {
  SetMachineHandler(standin::ClsidText);
  ASSERT_EQ(Install(TRUE, nullptr), S_OK);
  EXPECT_EQ(Install(FALSE, nullptr), S_OK);
  EXPECT_EQ(UserSlot(), standin::ClsidText);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SavedKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, VendorKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ClassKey));
}

TEST_F(Registration, WithNoHandlerBeforeItNothingIsSavedAndTheSlotGoesAway) {
  ASSERT_EQ(Install(TRUE, L"user"), S_OK);
  EXPECT_EQ(UserSlot(), OrvelleClsidText);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SavedKey));
  EXPECT_EQ(Install(FALSE, L"user"), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SlotKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\.mov\\ShellEx"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ClassKey));
  EXPECT_EQ(UnregisterServer(), S_OK);  // twice is harmless
}

TEST_F(Registration, AHandlerThatTookTheSlotKeepsIt) {
  SetMachineHandler(standin::ClsidText);
  ASSERT_EQ(RegisterServer(), S_OK);
  WriteValue(HKEY_CURRENT_USER, SlotKey, nullptr, OtherHandlerText);
  EXPECT_EQ(UnregisterServer(), S_OK);
  EXPECT_EQ(UserSlot(), OtherHandlerText);
  EXPECT_EQ(Saved(), standin::ClsidText);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ClassKey));
}

TEST_F(Registration, ASavedValueOf40CharactersCountsAsAbsent) {
  const std::wstring fits(39, L'x');
  const std::wstring tooLong(40, L'x');
  SetMachineHandler(standin::ClsidText);

  WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, fits);
  ASSERT_EQ(RegisterServer(), S_OK);
  EXPECT_EQ(Saved(), fits);

  WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, tooLong);
  ASSERT_EQ(RegisterServer(), S_OK);
  EXPECT_EQ(Saved(), standin::ClsidText);

  // ... unless the handler in effect is this server itself.
  WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, tooLong);
  SetMachineHandler(L"{efb41cbf-f9df-4a58-bbf0-c5a4a2dc1be8}");
  ASSERT_EQ(RegisterServer(), S_OK);
  EXPECT_EQ(Saved(), tooLong);
}

// Other programs, old builds or a hand edit can leave Orvelle's own class in the saved
// value; restoring it would point the slot at the class unregistration removes.
TEST_F(Registration, ASavedValueNamingOrvelleCountsAsNothingSaved) {
  for (const std::wstring& self : {std::wstring(OrvelleClsidText),
                                   std::wstring(L"{efb41cbf-f9df-4a58-bbf0-c5a4a2dc1be8}"),
                                   std::wstring(L"{Efb41CBF-f9dF-4A58-bBf0-C5a4a2Dc1bE8}")}) {
    testing::ClearRegistry();
    WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, self);
    ASSERT_EQ(RegisterServer(), S_OK);
    EXPECT_EQ(UnregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SlotKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SavedKey));

    // Registration saves the handler in effect in its place, and never Orvelle itself.
    WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, self);
    SetMachineHandler(standin::ClsidText);
    ASSERT_EQ(RegisterServer(), S_OK);
    EXPECT_EQ(Saved(), standin::ClsidText);
    EXPECT_EQ(UnregisterServer(), S_OK);
    EXPECT_EQ(UserSlot(), standin::ClsidText);

    SetMachineHandler(self);
    ASSERT_EQ(RegisterServer(), S_OK);
    EXPECT_EQ(Saved(), Absent);
  }
}

TEST_F(Registration, InstallKnowsOnlyPerUserInstallation) {
  EXPECT_EQ(Install(TRUE, L"machine"), E_INVALIDARG);
  EXPECT_EQ(Install(TRUE, L""), E_INVALIDARG);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ClassKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SlotKey));
  ASSERT_EQ(Install(TRUE, nullptr), S_OK);
  EXPECT_EQ(Install(FALSE, L"machine"), E_INVALIDARG);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ClassKey));
}

TEST_F(Registration, TheVendorKeyStaysWhileAnotherProductUsesIt) {
  WriteValue(HKEY_CURRENT_USER, L"Software\\Corvantis\\Other", L"Setting", L"kept");
  SetMachineHandler(standin::ClsidText);
  ASSERT_EQ(RegisterServer(), S_OK);
  EXPECT_EQ(UnregisterServer(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SavedKey));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, L"Software\\Corvantis\\Other", L"Setting"), L"kept");
}

}  // namespace
}  // namespace orvelle
