// The AVX2 code path: writers of its own for the formats built on BC1 colours
// (opaque BC1, RGBA BC3 and scaled YCoCg), eight pixels (two rows) per
// register, each pixel's palette entries picked by permutes rather than scalar
// loads; the other formats keep the writers of the path below it. Null where
// the build leaves AVX2 out or the processor lacks it.
#include "texture/code_path_builder.h"

#if defined(ORVELLE_BUILDS_AVX2)
#include <immintrin.h>

#include <cstring>

#include "texture/scaled_ycocg.h"
#include "texture/sse2_kernels.h"

// Only these functions carry the AVX2 target, so nothing shared with the
// baseline build (the inline kernels of the headers) is ever compiled for it.
// The writers take in the shared kernels and row loops whole.
#define ORVELLE_AVX2 __attribute__((target("avx2")))
#define ORVELLE_AVX2_WRITER __attribute__((target("avx2"), flatten))

namespace orvelle {
namespace {

// The pixels of a block are taken two rows at a time, one row per 128-bit
// lane: rows 0 and 1 (half 0), then rows 2 and 3 (half 1). Each permute reads
// only the low bits of its index lane, so the indices are shifted into place
// and never masked; the index words are broadcast straight from the block,
// which costs no shuffle.

ORVELLE_AVX2 inline __m256i BroadcastLe32(const uint8_t* bytes) {
  int32_t word;
  std::memcpy(&word, bytes, 4);
  return _mm256_set1_epi32(word);
}

// The 2-bit colour index of each of the eight pixels, from the word of indices.
ORVELLE_AVX2 inline __m256i ColourIndices(__m256i indexWord, int half) {
  return _mm256_srlv_epi32(indexWord, half == 0
                                          ? _mm256_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14)
                                          : _mm256_setr_epi32(16, 18, 20, 22, 24, 26, 28, 30));
}

// The 3-bit BC4 index of each of the eight pixels: those of rows 0 and 1 start
// at bit 16 of the block, those of rows 2 and 3 at bit 40.
ORVELLE_AVX2 inline __m256i AlphaIndices(const uint8_t* block, int half) {
  return _mm256_srlv_epi32(BroadcastLe32(block + (half == 0 ? 2 : 5)),
                           _mm256_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21));
}

ORVELLE_AVX2 inline void StoreTwoRows(__m256i pixels, uint8_t* destination, ptrdiff_t stride) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), _mm256_castsi256_si128(pixels));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + stride),
                   _mm256_extracti128_si256(pixels, 1));
}

// The palette of an opaque BC1 block in both lanes. Hap1 carries no alpha:
// BC1's transparent entry is shown as opaque black.
struct OpaqueBc1Entries {
  __m256i colours;
};

ORVELLE_AVX2 inline void MakeOpaqueBc1Entries(const uint8_t* block, OpaqueBc1Entries& entries) {
  entries.colours = _mm256_broadcastsi128_si256(
      _mm_or_si128(Bc1Palette(Sse2Code{}, block, false), _mm_set1_epi32(int(AlphaMask()))));
}

ORVELLE_AVX2 inline void WriteOpaqueBc1Pixels(const OpaqueBc1Entries& entries, const uint8_t* block,
                                              uint8_t* destination, ptrdiff_t stride) {
  const __m256i colourIndices = BroadcastLe32(block + 4);
  for (int half = 0; half < 2; ++half, destination += 2 * stride) {
    StoreTwoRows(_mm256_permutevar8x32_epi32(entries.colours, ColourIndices(colourIndices, half)),
                 destination, stride);
  }
}

// BC1 colours (four-colour mode, alpha bytes clear) and BC4 alphas (in the
// alpha bytes), each in both lanes.
struct Bc3Palettes {
  __m256i colours;
  __m256i alphas;
};

ORVELLE_AVX2 inline void MakeBc3Palettes(const uint8_t* block, Bc3Palettes& entries) {
  entries.colours = _mm256_broadcastsi128_si256(
      _mm_and_si128(Bc1Palette(Sse2Code{}, block + 8, true), _mm_set1_epi32(int(~AlphaMask()))));
  entries.alphas = _mm256_slli_epi32(_mm256_cvtepu8_epi32(Bc4Values(Sse2Code{}, block)), 24);
}

ORVELLE_AVX2 inline void WriteBc3FromPalettes(const Bc3Palettes& entries, const uint8_t* block,
                                              uint8_t* destination, ptrdiff_t stride) {
  const __m256i colourIndices = BroadcastLe32(block + 12);
  for (int half = 0; half < 2; ++half, destination += 2 * stride) {
    StoreTwoRows(
        _mm256_or_si256(
            _mm256_permutevar8x32_epi32(entries.colours, ColourIndices(colourIndices, half)),
            _mm256_permutevar8x32_epi32(entries.alphas, AlphaIndices(block, half))),
        destination, stride);
  }
}

// What a scaled-YCoCg block's pixels are made of: Co of its four colours
// then Cg (divided and scaled once per colour rather than per pixel, as
// ConvertScaledYCoCg does per pixel), and y of its eight lumas.
struct YCoCgEntries {
  __m256 chroma;
  __m256 luma;
};

ORVELLE_AVX2 inline void MakeYCoCgEntries(const uint8_t* block, YCoCgEntries& entries) {
  const __m256i colours = _mm256_broadcastsi128_si256(Bc1Palette(Sse2Code{}, block + 8, true));
  const __m256i byteMask = _mm256_set1_epi32(0xFF);
  const __m256 coCg = _mm256_cvtepi32_ps(  // Co, Cg, scale per entry
      _mm256_and_si256(_mm256_srlv_epi32(colours, _mm256_setr_epi32(0, 0, 0, 0, 8, 8, 8, 8)),
                       byteMask));
  const __m256 code =
      _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(colours, 16), byteMask));
  ScaleChroma(coCg, code, entries.chroma);
  ScaleLuma(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(Bc4Values(Sse2Code{}, block))), entries.luma);
}

// ConvertScaledYCoCg's per-pixel arithmetic, operation for operation.
ORVELLE_AVX2 inline void WriteYCoCgPixels(const YCoCgEntries& entries, const uint8_t* block,
                                          uint8_t* destination, ptrdiff_t stride) {
  const __m256 coBoth = _mm256_permute2f128_ps(entries.chroma, entries.chroma, 0x00);
  const __m256 cgBoth = _mm256_permute2f128_ps(entries.chroma, entries.chroma, 0x11);
  const __m256i chromaIndices = BroadcastLe32(block + 12);
  // Per lane: R0-3 G0-3 B0-3 A0-3 to R, G, B, A of each pixel.
  const __m256i interleave = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,
                                              0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  for (int half = 0; half < 2; ++half, destination += 2 * stride) {
    const __m256i chromaIndex = ColourIndices(chromaIndices, half);
    const __m256 y = _mm256_permutevar8x32_ps(entries.luma, AlphaIndices(block, half));
    const __m256 co = _mm256_permutevar_ps(coBoth, chromaIndex);
    const __m256 cg = _mm256_permutevar_ps(cgBoth, chromaIndex);
    __m256 rgb[3];
    YCoCgToRgb(y, co, cg, rgb);
    // Truncated; the packs saturate as ConvertScaledYCoCg clamps.
    const __m256i bytes = _mm256_packus_epi16(
        _mm256_packs_epi32(_mm256_cvttps_epi32(rgb[0]), _mm256_cvttps_epi32(rgb[1])),
        _mm256_packs_epi32(_mm256_cvttps_epi32(rgb[2]), _mm256_set1_epi32(255)));
    StoreTwoRows(_mm256_shuffle_epi8(bytes, interleave), destination, stride);
  }
}

// The runtime's check includes the system's consent to the wide registers (XGETBV).
bool CpuHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

}  // namespace

// A writer made of its entries; its rows one block after another.
template <TextureFormat kFormat, typename Entries, EntriesMaker<Entries> kMake,
          EntriesWriter<Entries> kWrite>
struct Avx2Writer {
  ORVELLE_AVX2_WRITER static void Block(const uint8_t* block, uint8_t* destination,
                                        ptrdiff_t stride) {
    WriteFromEntries<Entries, kMake, kWrite>(block, destination, stride);
  }
  ORVELLE_AVX2_WRITER static void Row(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                                      ptrdiff_t stride) {
    WriteRowOneByOne<BytesPerBlock(kFormat), Block>(blocks, count, destination, stride);
  }
};

template <>
struct BlockWriter<Avx2Code, TexFmtRgbDxt1>
    : Avx2Writer<TexFmtRgbDxt1, OpaqueBc1Entries, MakeOpaqueBc1Entries, WriteOpaqueBc1Pixels> {};

template <>
struct BlockWriter<Avx2Code, TexFmtRgbaDxt5>
    : Avx2Writer<TexFmtRgbaDxt5, Bc3Palettes, MakeBc3Palettes, WriteBc3FromPalettes> {};

// The rows make the entries of a few blocks ahead.
template <>
struct BlockWriter<Avx2Code, TexFmtYCoCgDxt5>
    : Avx2Writer<TexFmtYCoCgDxt5, YCoCgEntries, MakeYCoCgEntries, WriteYCoCgPixels> {
  ORVELLE_AVX2_WRITER static void Row(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                                      ptrdiff_t stride) {
    WriteRowInBatches<BytesPerBlock(TexFmtYCoCgDxt5), YCoCgEntries, MakeYCoCgEntries,
                      WriteYCoCgPixels>(blocks, count, destination, stride);
  }
};

const CodePath* Avx2CodePath(const CodePath& narrower) {
  if (!CpuHasAvx2()) return nullptr;
  static const CodePath path = [&] {
    CodePath wider = narrower;
    wider.name = "AVX2";
    UseWriters<Avx2Code, TexFmtRgbDxt1>(wider);
    UseWriters<Avx2Code, TexFmtRgbaDxt5>(wider);
    UseWriters<Avx2Code, TexFmtYCoCgDxt5>(wider);
    return wider;
  }();
  return &path;
}

}  // namespace orvelle
#else
namespace orvelle {

const CodePath* Avx2CodePath(const CodePath&) { return nullptr; }

}  // namespace orvelle
#endif
