// The COM classes this server hands out, one per thumbnail slot it claims.
#pragma once

#include <guiddef.h>

namespace orvelle {

// Registration writes them, DllGetClassObject answers only to them, and the provider
// never chains to either. kServerClsid serves .mov, kAviServerClsid .avi.
extern const CLSID kServerClsid;
extern const CLSID kAviServerClsid;

}  // namespace orvelle
