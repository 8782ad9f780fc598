// Scaled-YCoCg blocks to R, G, B, 255 with AVX2: eight pixels per register,
// each pixel's luma and chroma picked by permutes rather than scalar loads.
// Call only when CpuHasAvx2(); the bytes are those of ConvertScaledYCoCg.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvelle {

#if defined(__x86_64__) && defined(__GNUC__)
#define ORVELLE_AVX2_WRITERS 1

void WriteScaledYCoCgAvx2(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);

// `count` consecutive blocks, each 16 bytes to the right of the last.
void WriteScaledYCoCgRowAvx2(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                             ptrdiff_t stride);
#endif

}  // namespace orvelle
