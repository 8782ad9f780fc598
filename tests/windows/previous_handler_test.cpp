#include "shell/previous_handler.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cwctype>
#include <string>

#include "shell/server_clsid.h"
#include "tests/windows/registry_fixture.h"

namespace orvelle {
namespace {

using testing::CleanRegistry;
using testing::OrvelleClsidText;
using testing::OtherHandlerText;
using testing::SavedKey;
using testing::SavedValue;
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
  CLSID found = ServerClsid;
  EXPECT_EQ(FindPreviousHandler(ServerClsid, &found), S_OK);
  EXPECT_TRUE(IsEqualCLSID(found, DefaultMovThumbnailHandler));
  EXPECT_EQ(FindPreviousHandler(DefaultMovThumbnailHandler, &found), E_FAIL);
  EXPECT_EQ(FindPreviousHandler(ServerClsid, nullptr), E_POINTER);
}

TEST_F(FindPreviousHandlerTest, PrefersTheSavedHandlerToTheMachineWideOne) {
  WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, OtherHandlerText);
  WriteValue(HKEY_LOCAL_MACHINE, SlotKey, nullptr, standin::ClsidText);
  CLSID found = {};
  EXPECT_EQ(FindPreviousHandler(ServerClsid, &found), S_OK);
  EXPECT_TRUE(IsEqualCLSID(found, Parse(OtherHandlerText)));
}

TEST_F(FindPreviousHandlerTest, PassesOverSavedValuesThatNameItselfOrNothing) {
  WriteValue(HKEY_LOCAL_MACHINE, SlotKey, nullptr, standin::ClsidText);
  for (const std::wstring& saved :
       {Lower(OrvelleClsidText), std::wstring(), std::wstring(L"not a class"), std::wstring(300, L'7')}) {
    WriteValue(HKEY_CURRENT_USER, SavedKey, SavedValue, saved);
    CLSID found = {};
    EXPECT_EQ(FindPreviousHandler(ServerClsid, &found), S_OK);
    EXPECT_TRUE(IsEqualCLSID(found, standin::Clsid)) << "saved " << saved.size() << " characters";
  }
}

TEST_F(FindPreviousHandlerTest, PassesOverAMachineWideValueThatNamesItself) {
  WriteValue(HKEY_LOCAL_MACHINE, SlotKey, nullptr, Lower(OrvelleClsidText));
  CLSID found = {};
  EXPECT_EQ(FindPreviousHandler(ServerClsid, &found), S_OK);
  EXPECT_TRUE(IsEqualCLSID(found, DefaultMovThumbnailHandler));
}

}  // namespace
}  // namespace orvelle
