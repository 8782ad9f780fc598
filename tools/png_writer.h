#pragma once

#include "core/thumbnail.h"

namespace orvelle {

// Writes the image as an 8-bit RGBA PNG (straight alpha) into `path`. The whole
// file is encoded first, so a failure never leaves a partial picture there (see
// WriteOutputFile).
bool WritePng(const RgbaImage& image, const char* path);

}  // namespace orvelle
