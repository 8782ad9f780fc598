#include "shell/previous_handler.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cwctype>
#include <string>
#include <utility>

#include "shell/server_clsid.h"
#include "tests/windows/registry_fixture.h"

namespace orvelle {
namespace {

using testing::CleanRegistry;
using testing::OrvelleClsidText;
using testing::OtherHandlerText;
using testing::SavedKey;
using testing::SavedValue;
using testing::AviSavedValue;
using testing::AviSlotKey;
using testing::SlotKey;
using testing::WriteValue;

CLSID Parse(const wchar_t* text) {
  CLSID clsid = {};
  EXPECT_EQ(CLSIDFromString(text, &clsid), S_OK);
  return clsid;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

using FindPreviousHandlerTest = CleanRegistry;

TEST_F(FindPreviousHandlerTest, FallsBackToTheSystemHandlerButNeverToItself) {
  CLSID found = kServerClsid;
  EXPECT_EQ(FindPreviousHandler(kServerClsid, &found), S_OK);
  EXPECT_TRUE(IsEqualCLSID(found, kDefaultMovThumbnailHandler));
  EXPECT_EQ(FindPreviousHandler(kDefaultMovThumbnailHandler, &found), E_FAIL);
  EXPECT_EQ(FindPreviousHandler(kServerClsid, nullptr), E_POINTER);
}

TEST_F(FindPreviousHandlerTest, PrefersTheSavedHandlerToTheMachineWideOne) {
  WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, OtherHandlerText);
  WriteValue(HKEY_LOCAL_MACHINE, SlotKey, nullptr, standin::ClsidText);
  CLSID found = {};
  EXPECT_EQ(FindPreviousHandler(kServerClsid, &found), S_OK);
  EXPECT_TRUE(IsEqualCLSID(found, Parse(OtherHandlerText)));
}

TEST_F(FindPreviousHandlerTest, PassesOverSavedValuesThatNameItselfOrNothing) {
  WriteValue(HKEY_LOCAL_MACHINE, SlotKey, nullptr, standin::ClsidText);
  for (const std::wstring& saved :
       {Lower(OrvelleClsidText), std::wstring(), std::wstring(L"not a class"), std::wstring(300, L'7')}) {
    WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, saved);
    CLSID found = {};
    EXPECT_EQ(FindPreviousHandler(kServerClsid, &found), S_OK);
    EXPECT_TRUE(IsEqualCLSID(found, standin::Clsid)) << "saved " << saved.size() << " characters";
  }
}

TEST_F(FindPreviousHandlerTest, PassesOverAMachineWideValueThatNamesItself) {
  WriteValue(HKEY_LOCAL_MACHINE, SlotKey, nullptr, Lower(OrvelleClsidText));
  CLSID found = {};
  EXPECT_EQ(FindPreviousHandler(kServerClsid, &found), S_OK);
  EXPECT_TRUE(IsEqualCLSID(found, kDefaultMovThumbnailHandler));
}

// Each class chains only to its own slot's handler: the saved value, else the
// machine-wide slot, else (.mov only) the system's handler; never one of Orvelle's classes.
TEST_F(FindPreviousHandlerTest, EachClassLooksOnlyAtItsOwnSlot) {
  const CLSID other = Parse(OtherHandlerText);
  const wchar_t* const orvelleAviLower = L"{888c5cfe-94f0-4f68-8364-eae8bbc59512}";
  const std::wstring orvelleLower = Lower(OrvelleClsidText);
  struct Case {
    const wchar_t* savedMov;
    const wchar_t* savedAvi;
    const wchar_t* machineMov;
    const wchar_t* machineAvi;
    const CLSID* movFinds;  // null: E_FAIL
    const CLSID* aviFinds;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, nullptr, &kDefaultMovThumbnailHandler, nullptr},
      {nullptr, nullptr, standin::ClsidText, nullptr, &standin::Clsid, nullptr},
      {OtherHandlerText, nullptr, standin::ClsidText, nullptr, &other, nullptr},
      {nullptr, nullptr, nullptr, standin::AviClsidText, &kDefaultMovThumbnailHandler,
       &standin::AviClsid},
      {nullptr, OtherHandlerText, nullptr, standin::AviClsidText, &kDefaultMovThumbnailHandler,
       &other},
      {nullptr, orvelleLower.c_str(), nullptr, standin::AviClsidText, &kDefaultMovThumbnailHandler,
       &standin::AviClsid},
      {orvelleAviLower, nullptr, orvelleAviLower, OrvelleClsidText, &kDefaultMovThumbnailHandler,
       nullptr},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(::testing::Message() << "case " << i);
    testing::ClearRegistry();
    if (c.savedMov != nullptr) WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, c.savedMov);
    if (c.savedAvi != nullptr) WriteValue(HKEY_CURRENT_USER, SavedKey, AviSavedValue, c.savedAvi);
    if (c.machineMov != nullptr) WriteValue(HKEY_LOCAL_MACHINE, SlotKey, nullptr, c.machineMov);
    if (c.machineAvi != nullptr) WriteValue(HKEY_LOCAL_MACHINE, AviSlotKey, nullptr, c.machineAvi);
    for (const auto& [self, expected] : {std::make_pair(&kServerClsid, c.movFinds),
                                         std::make_pair(&kAviServerClsid, c.aviFinds)}) {
      CLSID found = kServerClsid;
      EXPECT_EQ(FindPreviousHandler(*self, &found), expected != nullptr ? S_OK : E_FAIL);
      EXPECT_TRUE(IsEqualCLSID(found, expected != nullptr ? *expected : CLSID_NULL));
    }
  }
}

}  // namespace
}  // namespace orvelle
