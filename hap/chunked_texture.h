// Decoding of a texture section stored as chunks described by decode instructions.
#pragma once

#include <cstdint>

#include "hap/chunk_decode.h"
#include "hap/hap_frame.h"

namespace orvelle {

// The most chunk records a runner is handed at once: records are made a batch
// at a time, so the bookkeeping stays this small whatever chunk count the
// decode instructions declare.
constexpr uint32_t kChunksPerBatch = 1024;

HapStatus DecodeChunkedTexture(const uint8_t* payload, uint32_t payloadSize, ChunkRunner runner,
                               void* userContext, uint8_t* destination, uint32_t capacity,
                               uint32_t* decodedLength);

}  // namespace orvelle
