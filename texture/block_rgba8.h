// One block of a texture format decoded straight into 8-bit R, G, B, A rows
// `stride` bytes apart: into DecodeBlockRgba8's 64-byte buffer, or into the
// image itself for blocks that lie wholly inside it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hap/hap_frame.h"

namespace orvelle {

using BlockRgba8Writer = void (*)(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);

// The writer of `format`; an unknown format's writer stores zeros.
BlockRgba8Writer FindBlockRgba8Writer(TextureFormat format);

// The writer of `format` over `count` consecutive blocks, each 16 bytes to
// the right of the last: a row of blocks wholly inside the image.
void WriteBlockRow(TextureFormat format, const uint8_t* blocks, uint32_t count,
                   uint8_t* destination, ptrdiff_t stride);

}  // namespace orvelle
