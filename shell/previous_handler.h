// Which thumbnail handler a file that Orvelle cannot read is passed on to.
#pragma once

#include <windows.h>

#include "shell/thumbnail_slot.h"

namespace orvelle {

// The handler displaced from the slot that `self` serves (the .avi class: the .avi slot;
// any other class: the .mov slot): its saved value, else the machine-wide slot, else the
// slot's default handler. Never `self` nor any of this server's classes. The per-user slot
// is not consulted: after registration it names this server.
HRESULT FindPreviousHandler(REFCLSID self, CLSID* out);

}  // namespace orvelle
