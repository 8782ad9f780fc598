// Extraction of a Hap texture's raw block-compressed bytes: plain, one Snappy
// stream, or chunks described by decode instructions.
#pragma once

#include <cstdint>

#include "hap/chunk_decode.h"
#include "hap/hap_frame.h"

namespace orvelle {

HapStatus DecodeTexture(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                        ChunkRunner runner, void* userContext, uint8_t* destination,
                        uint32_t capacity, uint32_t* decodedLength, TextureFormat* format);

HapStatus DecodeTextureSection(const uint8_t* payload, uint32_t payloadSize, uint8_t type,
                               ChunkRunner runner, void* userContext, uint8_t* destination,
                               uint32_t capacity, uint32_t* decodedLength, TextureFormat* format);

// A malloc'd buffer sized for a padded width x height texture of the texture's
// block format, holding its bytes (zero past a short texture); null on any
// failure. The caller frees it.
uint8_t* DecodeTextureToBuffer(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                               uint32_t paddedWidth, uint32_t paddedHeight, TextureFormat* format);

}  // namespace orvelle
