// Every decoder that has an SSE2 build also has a plain C++ one. The public
// functions take the SSE2 build wherever the compiler targets SSE2 (always on
// x86-64), and the opaque BC1, BC3 and scaled-YCoCg writers their AVX2 builds
// on processors with AVX2; the other builds stay reachable here, so that tests
// can hold them all to the same bytes.
#pragma once

#include <cstdint>

#include "texture/block_rgba8.h"

namespace orvelle {

#if defined(__SSE2__)
constexpr bool kSse2Build = true;
#else
constexpr bool kSse2Build = false;
#endif

namespace portable {

void DecodeBc1Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    bool forceFourColour);
void DecodeBc3Block(const uint8_t* block, uint8_t* destination, int32_t rowStride);
void DecodeBc4Block(const uint8_t* block, uint8_t* destination, int32_t rowStride,
                    int32_t pixelStep);
void DecodeBc7Block(const uint8_t* block, uint8_t* destination, int32_t rowStride);
void DecodeBc6hBlock(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned);
void DecodeBc6hBlockRgba8(const uint8_t* block, int isSigned, uint8_t* rgba);
BlockRgba8Writer FindBlockRgba8Writer(TextureFormat format);

}  // namespace portable

// The SSE2 writers even where the public functions take wider ones.
namespace sse2 {
BlockRgba8Writer FindBlockRgba8Writer(TextureFormat format);
void WriteBlockRow(TextureFormat format, const uint8_t* blocks, uint32_t count,
                   uint8_t* destination, ptrdiff_t stride);
}  // namespace sse2
}  // namespace orvelle
