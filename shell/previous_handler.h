// Which .mov thumbnail handler a movie that Orvelle cannot read is passed on to.
#pragma once

#include <windows.h>

namespace orvelle {

// The handler Windows itself uses for .mov when nothing else is registered.
extern const CLSID DefaultMovThumbnailHandler;

// The saved displaced handler, else the machine-wide .mov handler, else
// DefaultMovThumbnailHandler; never `self`. The per-user slot is not consulted: after
// registration it names this server.
HRESULT FindPreviousHandler(REFCLSID self, CLSID* out);

}  // namespace orvelle
