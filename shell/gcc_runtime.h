// The DLL's part in the C++ runtime's housekeeping, so that a process can load and free it
// any number of times.
#pragma once

namespace orvelle {

// Gives back the memory the runtime took when the DLL was loaded. Called when the DLL is
// freed; the runtime must not be used afterwards.
void ReleaseRuntimeMemory();

}  // namespace orvelle
