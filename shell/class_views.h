// The two views of the per-user COM classes on 64-bit Windows. A process finds classes of
// its own bitness: for a 32-bit one, "Software\Classes\CLSID" is redirected to
// "Software\Classes\Wow6432Node\CLSID", while the thumbnail slots are shared by both. The
// server names its views outright and opens them through the 64-bit registry: that is what
// Windows itself would redirect to, and under Wine, which does not redirect the per-user
// classes, the x86 DLL's registration still lands beside the 64-bit one, not over it.
#pragma once

#include <windows.h>

#include "shell/scoped_handles.h"

namespace orvelle {

struct ClassViews {
  const wchar_t* own;    // the CLSID key under HKEY_CURRENT_USER that this process reads
  const wchar_t* other;  // the other architecture's, or null on 32-bit Windows
};

ClassViews ThisProcessClassViews();

// Opens the CLSID key of a view under HKEY_CURRENT_USER, unredirected, creating it if
// `create` is set. Keys opened through it stay in that view.
bool OpenClassView(const wchar_t* view, REGSAM access, bool create, ScopedRegKey* key);

}  // namespace orvelle
