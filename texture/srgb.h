#pragma once

#include <cstdint>

namespace orvelle {

// sRGB transfer curve of a linear value in [0, 1] to an 8-bit code.
uint8_t EncodeSrgb8(float linear);

}  // namespace orvelle
