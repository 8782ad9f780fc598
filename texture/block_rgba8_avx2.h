// The AVX2 writers of the formats built on BC1 colours: opaque BC1, RGBA BC3
// and scaled YCoCg. Eight pixels (two rows) per register, each pixel's palette
// entries picked by permutes rather than scalar loads. Only for processors with
// AVX2; their bytes are those of the SSE2 and plain writers.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__) && defined(__SSE2__)
#define ORVELLE_AVX2_WRITERS 1

namespace orvelle {

void WriteOpaqueBc1Avx2(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);
void WriteBc3Avx2(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);
void WriteScaledYCoCgAvx2(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);

// `count` consecutive blocks, each 16 bytes to the right of the last.
void WriteOpaqueBc1RowAvx2(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                           ptrdiff_t stride);
void WriteBc3RowAvx2(const uint8_t* blocks, uint32_t count, uint8_t* destination, ptrdiff_t stride);
void WriteScaledYCoCgRowAvx2(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                             ptrdiff_t stride);

}  // namespace orvelle
#endif
