// sRGB transfer curve (IEC 61966-2-1) in single precision.
#include "texture/srgb.h"

#include <math.h>

namespace orvelle {

uint8_t EncodeSrgb8(float linear) {
  // Written so that NaN, which fails every comparison, also ends as 0.
  if (!(linear > 0.0f)) return 0;
  if (linear >= 1.0f) return 255;
  float encoded;
  if (linear <= 0.0031308f) {
    encoded = 12.92f * linear;
  } else {
    constexpr float kInverseGamma = 0x1.aaaaaap-2f;  // nearest float to 1 / 2.4
    encoded = 1.055f * powf(linear, kInverseGamma) - 0.055f;
  }
  float code = encoded * 255.0f + 0.5f;
  if (code < 0.0f) code = 0.0f;
  if (code > 255.0f) code = 255.0f;
  return uint8_t(code);
}

}  // namespace orvelle
