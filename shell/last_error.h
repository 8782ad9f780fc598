// The calling thread's last Win32 error as an HRESULT.
#pragma once

#include <windows.h>

namespace orvelle {

// Never a success code: a failure that left no error code is E_FAIL.
HRESULT LastErrorHResult();

}  // namespace orvelle
