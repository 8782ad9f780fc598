// The COM classes this server hands out, one per thumbnail slot it claims.
#pragma once

#include <guiddef.h>

namespace orvelle {

// Registration writes them, DllGetClassObject answers only to them, and the provider
// never chains to either. ServerClsid serves .mov, AviServerClsid .avi.
extern const CLSID ServerClsid;
extern const CLSID AviServerClsid;

}  // namespace orvelle
