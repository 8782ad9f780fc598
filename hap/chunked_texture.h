// Decoding of a texture section stored as chunks described by decode instructions.
#pragma once

#include <cstdint>

#include "hap/hap_texture.h"

namespace orvelle {

HapStatus DecodeChunkedTexture(const uint8_t* payload, uint32_t payloadSize, ChunkRunner runner,
                               void* userContext, uint8_t* destination, uint32_t capacity,
                               uint32_t* decodedLength);

}  // namespace orvelle
