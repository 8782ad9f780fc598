// Class identifiers as the registry writes them.
#pragma once

#include <windows.h>

#include <string>

namespace orvelle {

// A class identifier in registry form: braced, upper-case, 38 characters.
bool FormatClsid(REFCLSID clsid, std::wstring* text);

// Whether registry text names `clsid` (formatted as `clsidText`): in any letter case, or
// as any text that parses to it.
bool NamesClass(const std::wstring& text, const std::wstring& clsidText, REFCLSID clsid);

}  // namespace orvelle
