#pragma once

#include "core/thumbnail.h"

namespace orvelle {

// Writes the image as an 8-bit RGBA PNG (straight alpha) to `path`, through a
// temporary file beside it, so that a failure never leaves a partial file.
bool WritePng(const RgbaImage& image, const char* path);

}  // namespace orvelle
