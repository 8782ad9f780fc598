// The one COM class this server hands out.
#pragma once

#include <guiddef.h>

namespace orvelle {

// Registration writes it, DllGetClassObject answers only to it, and the provider
// never chains to it.
extern const CLSID ServerClsid;

}  // namespace orvelle
