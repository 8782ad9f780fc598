// The version resources of the shipped Windows binaries, read back as Explorer's
// Details tab reads them, against the version and copyright the build was configured with.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "dll_under_test.h"

namespace {

#define ORVELLE_WIDE(text) L"" text

struct Binary {
  const wchar_t* path;  // relative to the test program's directory
  const wchar_t* fileName;
};

class VersionResource : public ::testing::TestWithParam<Binary> {};

TEST_P(VersionResource, CarriesTheConfiguredVersion) {
  const std::wstring path = orvelle::testing::ProgramDirectory() + GetParam().path;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_NE(size, 0u) << "no version resource (error " << GetLastError() << ")";
  std::vector<BYTE> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  const DWORD expectedHigh = MAKELONG(ORVELLE_VERSION_MINOR, ORVELLE_VERSION_MAJOR);
  const DWORD expectedLow = MAKELONG(0, ORVELLE_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, expectedHigh);
  EXPECT_EQ(fixed->dwFileVersionLS, expectedLow);
  EXPECT_EQ(fixed->dwProductVersionMS, expectedHigh);
  EXPECT_EQ(fixed->dwProductVersionLS, expectedLow);

  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, sizeof(Translation));
  wchar_t block[64];
  std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
                translation->codePage);

  const struct {
    const wchar_t* name;
    const wchar_t* expected;  // nullptr: any non-empty text
  } strings[] = {
      {L"ProductName", L"Orvelle"},
      {L"CompanyName", L"Corvantis"},
      {L"FileVersion", ORVELLE_WIDE(ORVELLE_VERSION)},
      {L"ProductVersion", ORVELLE_WIDE(ORVELLE_VERSION)},
      {L"LegalCopyright", ORVELLE_WIDE(ORVELLE_COPYRIGHT)},
      {L"OriginalFilename", GetParam().fileName},
      {L"FileDescription", nullptr},
  };
  for (const auto& entry : strings) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(block) + entry.name;
    ASSERT_TRUE(
        VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << "missing " << std::string(query.begin(), query.end());
    const std::wstring text(value, wcsnlen(value, length));
    if (entry.expected == nullptr) {
      EXPECT_FALSE(text.empty()) << "empty FileDescription";
    } else {
      EXPECT_EQ(text, entry.expected) << std::string(query.begin(), query.end());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ShippedBinaries, VersionResource,
                         ::testing::Values(Binary{L"orvelle.dll", L"orvelle.dll"},
                                           Binary{L"orvelle-thumbhost.exe",
                                                  L"orvelle-thumbhost.exe"},
                                           Binary{L"..\\orvelle-setup.exe", L"orvelle-setup.exe"}));

}  // namespace
