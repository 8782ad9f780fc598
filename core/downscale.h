#pragma once

#include <cstdint>

#include "core/thumbnail.h"

namespace orvelle {

// Box-filters tightly packed 4-byte pixels to a newly malloc'd target image:
// each target byte is the truncated average of its box of source bytes.
// `result` is written only on ThumbOk; the caller frees it.
ThumbStatus DownscaleRgba(const uint8_t* source, uint32_t sourceWidth, uint32_t sourceHeight,
                          uint32_t targetWidth, uint32_t targetHeight, uint8_t** result);

}  // namespace orvelle
