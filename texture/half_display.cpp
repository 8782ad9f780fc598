#include "texture/half_display.h"

#include "texture/half_float.h"
#include "texture/srgb.h"

namespace orvelle {

uint8_t ComputeHalfDisplayByte(uint16_t half) {
  float x = HalfToFloat(half);
  if (x < 0.0f) x = 0.0f;
  // Reinhard's x / (x + 1) folds the unbounded range into [0, 1).
  return EncodeSrgb8(x / (x + 1.0f));
}

}  // namespace orvelle
