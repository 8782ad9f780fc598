#include "shell/clsid_text.h"

#include <objbase.h>
#include <shlwapi.h>

namespace orvelle {

namespace {

constexpr int kGuidTextChars = 40;

}  // namespace

bool FormatClsid(REFCLSID clsid, std::wstring* text) {
  wchar_t buffer[kGuidTextChars] = {};
  if (StringFromGUID2(clsid, buffer, kGuidTextChars) == 0) return false;
  text->assign(buffer);
  return true;
}

bool NamesClass(const std::wstring& text, const std::wstring& clsidText, REFCLSID clsid) {
  if (StrCmpIW(text.c_str(), clsidText.c_str()) == 0) return true;
  CLSID parsed;
  return SUCCEEDED(CLSIDFromString(text.c_str(), &parsed)) && IsEqualCLSID(parsed, clsid);
}

}  // namespace orvelle
