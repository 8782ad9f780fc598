#pragma once

#include <cstdint>

namespace orvelle {

// Exact widening of an IEEE 754 binary16 bit pattern.
float HalfToFloat(uint16_t half);

}  // namespace orvelle
