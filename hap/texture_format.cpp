#include "hap/hap_frame.h"

namespace orvelle {

uint32_t BytesPerBlock(TextureFormat format) {
  switch (format) {
    case TexFmtRgbDxt1:
    case TexFmtAlphaRgtc1:
      return 8;
    case TexFmtRgbaDxt5:
    case TexFmtYCoCgDxt5:
    case TexFmtRgbaBptcUnorm:
    case TexFmtRgbBptcSignedFloat:
    case TexFmtRgbBptcUnsignedFloat:
      return 16;
    default:
      return 0;
  }
}

TextureFormat TextureFormatFromType(uint8_t lowNibble) {
  switch (lowNibble) {
    case 0x1: return TexFmtAlphaRgtc1;
    case 0x2: return TexFmtRgbBptcUnsignedFloat;
    case 0x3: return TexFmtRgbBptcSignedFloat;
    case 0xB: return TexFmtRgbDxt1;
    case 0xC: return TexFmtRgbaBptcUnorm;
    case 0xE: return TexFmtRgbaDxt5;
    case 0xF: return TexFmtYCoCgDxt5;
    default: return 0;
  }
}

}  // namespace orvelle
