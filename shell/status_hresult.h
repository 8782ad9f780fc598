// The HRESULT that the shell sees for a core status.
#pragma once

#include <windows.h>

#include <cstdint>

namespace orvelle {

HRESULT StatusToHResult(int32_t status);

}  // namespace orvelle
