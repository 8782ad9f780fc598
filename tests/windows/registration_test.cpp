#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/windows/dll_under_test.h"
#include "tests/windows/registry_fixture.h"
#include "tests/windows/standin_handler.h"

namespace orvelle {
namespace {

using testing::KeyExists;
using testing::OtherHandlerText;
using testing::ReadValue;
using testing::SavedKey;
using testing::VendorKey;
using testing::WriteValue;

const std::wstring Absent = L"<absent>";

// Each thumbnail slot with Orvelle's class for it, and the stand-in's class that held it.
struct Slot {
  const char* name;
  const wchar_t* key;
  const wchar_t* savedValue;
  const wchar_t* orvelle;
  const wchar_t* orvelleLower;
  const wchar_t* classKey;
  const wchar_t* serverKey;
  const wchar_t* otherViewServerKey;
  const wchar_t* standIn;
};
const Slot Slots[] = {
    {".mov", testing::SlotKey, testing::SavedValue, testing::OrvelleClsidText,
     L"{efb41cbf-f9df-4a58-bbf0-c5a4a2dc1be8}", testing::ClassKey, testing::ServerKey,
     testing::OtherViewServerKey, standin::ClsidText},
    {".avi", testing::AviSlotKey, testing::AviSavedValue, testing::OrvelleAviClsidText,
     L"{888c5cfe-94f0-4f68-8364-eae8bbc59512}", testing::AviClassKey, testing::AviServerKey,
     testing::AviOtherViewServerKey, standin::AviClsidText},
};
const Slot& Mov = Slots[0];
const Slot& Avi = Slots[1];

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

  static void SetMachineHandler(const Slot& slot, const std::wstring& clsid) {
    WriteValue(HKEY_LOCAL_MACHINE, slot.key, nullptr, clsid);
  }
  // The stand-in's classes in both slots.
  static void SetMachineHandlers() {
    for (const Slot& slot : Slots) SetMachineHandler(slot, slot.standIn);
  }
  static std::wstring UserSlot(const Slot& slot) { return ReadValue(HKEY_CURRENT_USER, slot.key); }
  static std::wstring Saved(const Slot& slot) {
    return ReadValue(HKEY_CURRENT_USER, SavedKey, slot.savedValue);
  }
  static void Save(const Slot& slot, const std::wstring& text) {
    WriteValue(HKEY_CURRENT_USER, SavedKey, slot.savedValue, text);
  }
};

TEST_F(Registration, RegistersTheClassForTheUserAndSavesTheDisplacedHandler) {
  SetMachineHandlers();
  EXPECT_EQ(Install(TRUE, L"USER"), S_OK);
  for (const Slot& slot : Slots) {
    SCOPED_TRACE(slot.name);
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, slot.classKey), L"Corvantis HAP Thumbnail Provider");
    EXPECT_EQ(CompareStringOrdinal(ReadValue(HKEY_CURRENT_USER, slot.serverKey).c_str(), -1,
                                   ModulePath().c_str(), -1, TRUE),
              CSTR_EQUAL);
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, slot.serverKey, L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(UserSlot(slot), slot.orvelle);
    EXPECT_EQ(Saved(slot), slot.standIn);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, slot.classKey));  // per user only
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.otherViewServerKey));
  }
}

TEST_F(Registration, RegisteringAgainKeepsTheFirstSavedHandler) {
  SetMachineHandlers();
  ASSERT_EQ(RegisterServer(), S_OK);
  for (const Slot& slot : Slots) SetMachineHandler(slot, OtherHandlerText);
  EXPECT_EQ(RegisterServer(), S_OK);
  for (const Slot& slot : Slots) {
    SCOPED_TRACE(slot.name);
    EXPECT_EQ(Saved(slot), slot.standIn);
    EXPECT_EQ(UserSlot(slot), slot.orvelle);
  }
}

TEST_F(Registration, UnregisteringPutsTheDisplacedHandlerBack) {
  SetMachineHandlers();
  ASSERT_EQ(Install(TRUE, nullptr), S_OK);
  EXPECT_EQ(Install(FALSE, nullptr), S_OK);
  for (const Slot& slot : Slots) {
    SCOPED_TRACE(slot.name);
    EXPECT_EQ(UserSlot(slot), slot.standIn);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.classKey));
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SavedKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, VendorKey));
}

// Each slot keeps its own displaced handler: one is never restored into the other.
TEST_F(Registration, EachSlotGetsItsOwnHandlerBack) {
  for (const Slot& held : Slots) {
    const Slot& empty = &held == &Mov ? Avi : Mov;
    SCOPED_TRACE(held.name);
    testing::ClearRegistry();
    SetMachineHandler(held, held.standIn);
    ASSERT_EQ(RegisterServer(), S_OK);
    EXPECT_EQ(Saved(empty), Absent);
    EXPECT_EQ(UnregisterServer(), S_OK);
    EXPECT_EQ(UserSlot(held), held.standIn);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, empty.key));
  }
}

TEST_F(Registration, WithNoHandlerBeforeItNothingIsSavedAndTheSlotGoesAway) {
  ASSERT_EQ(Install(TRUE, L"user"), S_OK);
  for (const Slot& slot : Slots) EXPECT_EQ(UserSlot(slot), slot.orvelle) << slot.name;
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SavedKey));
  EXPECT_EQ(Install(FALSE, L"user"), S_OK);
  for (const Slot& slot : Slots) {
    SCOPED_TRACE(slot.name);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.key));
    const std::wstring slotKey = slot.key;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, slotKey.substr(0, slotKey.rfind(L'\\')).c_str()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.classKey));
  }
  EXPECT_EQ(UnregisterServer(), S_OK);  // twice is harmless
}

// A handler that took one slot since registration keeps it, and that slot's saved value
// stays; the other slot is still handed back.
TEST_F(Registration, AHandlerThatTookTheSlotKeepsIt) {
  for (const Slot& taken : Slots) {
    const Slot& other = &taken == &Mov ? Avi : Mov;
    SCOPED_TRACE(taken.name);
    testing::ClearRegistry();
    SetMachineHandlers();
    ASSERT_EQ(RegisterServer(), S_OK);
    WriteValue(HKEY_CURRENT_USER, taken.key, nullptr, OtherHandlerText);
    EXPECT_EQ(UnregisterServer(), S_OK);
    EXPECT_EQ(UserSlot(taken), OtherHandlerText);
    EXPECT_EQ(Saved(taken), taken.standIn);
    EXPECT_EQ(UserSlot(other), other.standIn);
    EXPECT_EQ(Saved(other), Absent);
    for (const Slot& slot : Slots) EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.classKey));
  }
}

TEST_F(Registration, ASavedValueOf40CharactersCountsAsAbsent) {
  const std::wstring fits(39, L'x');
  const std::wstring tooLong(40, L'x');
  for (const Slot& slot : Slots) {
    SCOPED_TRACE(slot.name);
    testing::ClearRegistry();
    SetMachineHandler(slot, slot.standIn);

    Save(slot, fits);
    ASSERT_EQ(RegisterServer(), S_OK);
    EXPECT_EQ(Saved(slot), fits);

    Save(slot, tooLong);
    ASSERT_EQ(RegisterServer(), S_OK);
    EXPECT_EQ(Saved(slot), slot.standIn);

    // ... unless the handler in effect is this server itself.
    Save(slot, tooLong);
    SetMachineHandler(slot, slot.orvelleLower);
    ASSERT_EQ(RegisterServer(), S_OK);
    EXPECT_EQ(Saved(slot), tooLong);
  }
}

// Other programs, old builds or a hand edit can leave one of Orvelle's own classes, for
// either slot, in a saved value or a slot; restoring it would point the slot at a class
// unregistration removes.
TEST_F(Registration, ASavedValueNamingOrvelleCountsAsNothingSaved) {
  for (const Slot& slot : Slots) {
    for (const Slot& ours : Slots) {
      for (const std::wstring& self :
           {std::wstring(ours.orvelle), std::wstring(ours.orvelleLower),
            std::wstring(&ours == &Mov ? L"{Efb41CBF-f9dF-4A58-bBf0-C5a4a2Dc1bE8}"
                                       : L"{888c5CFE-94f0-4F68-8364-eaE8bbC59512}")}) {
        SCOPED_TRACE(std::string(slot.name) + " slot, saved " +
                     std::string(self.begin(), self.end()));
        testing::ClearRegistry();
        Save(slot, self);
        ASSERT_EQ(RegisterServer(), S_OK);
        EXPECT_EQ(UnregisterServer(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.key));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SavedKey));

        // Registration saves the handler in effect in its place, and never Orvelle itself.
        Save(slot, self);
        SetMachineHandler(slot, slot.standIn);
        ASSERT_EQ(RegisterServer(), S_OK);
        EXPECT_EQ(Saved(slot), slot.standIn);
        EXPECT_EQ(UnregisterServer(), S_OK);
        EXPECT_EQ(UserSlot(slot), slot.standIn);

        SetMachineHandler(slot, self);
        ASSERT_EQ(RegisterServer(), S_OK);
        EXPECT_EQ(Saved(slot), Absent);

        // A slot naming either class is still Orvelle's, and is handed back.
        WriteValue(HKEY_CURRENT_USER, slot.key, nullptr, self);
        EXPECT_EQ(UnregisterServer(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.key));
      }
    }
  }
}

// Both architectures' DLLs serve the shared slots: unregistering one while the other is
// registered removes only its own classes; the last one gives the slots back.
TEST_F(Registration, TheSlotsStayWhileTheOtherArchitectureServesThem) {
  for (const Slot& registered : Slots) {
    SCOPED_TRACE(registered.name);
    testing::ClearRegistry();
    SetMachineHandlers();
    ASSERT_EQ(RegisterServer(), S_OK);
    WriteValue(HKEY_CURRENT_USER, registered.otherViewServerKey, nullptr, L"C:\\x\\orvelle.dll");
    EXPECT_EQ(UnregisterServer(), S_OK);
    for (const Slot& slot : Slots) {
      EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.classKey));
      EXPECT_EQ(UserSlot(slot), slot.orvelle);
      EXPECT_EQ(Saved(slot), slot.standIn);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, registered.otherViewServerKey);
    EXPECT_EQ(UnregisterServer(), S_OK);
    for (const Slot& slot : Slots) EXPECT_EQ(UserSlot(slot), slot.standIn);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, VendorKey));
  }
}

TEST_F(Registration, InstallKnowsOnlyPerUserInstallation) {
  EXPECT_EQ(Install(TRUE, L"machine"), E_INVALIDARG);
  EXPECT_EQ(Install(TRUE, L""), E_INVALIDARG);
  for (const Slot& slot : Slots) {
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.classKey)) << slot.name;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, slot.key)) << slot.name;
  }
  ASSERT_EQ(Install(TRUE, nullptr), S_OK);
  EXPECT_EQ(Install(FALSE, L"machine"), E_INVALIDARG);
  for (const Slot& slot : Slots) {
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, slot.classKey)) << slot.name;
  }
}

TEST_F(Registration, TheVendorKeyStaysWhileAnotherProductUsesIt) {
  WriteValue(HKEY_CURRENT_USER, L"Software\\Corvantis\\Other", L"Setting", L"kept");
  SetMachineHandlers();
  ASSERT_EQ(RegisterServer(), S_OK);
  EXPECT_EQ(UnregisterServer(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SavedKey));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, L"Software\\Corvantis\\Other", L"Setting"), L"kept");
}

}  // namespace
}  // namespace orvelle
