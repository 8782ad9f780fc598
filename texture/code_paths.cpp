// The RGBA8 writers of every block format in the plain and the SSE2 build,
// and the code-path tables that gather them with the AVX2 writers.
#include "texture/code_paths.h"

#include <array>
#include <cstring>

#include "texture/bc1_bc4_kernels.h"
#include "texture/block_decoders.h"
#include "texture/block_rgba8_avx2.h"
#include "texture/block_rows.h"
#include "texture/frame_to_rgba.h"
#include "texture/scaled_ycocg.h"

namespace orvelle {
namespace {

void CopyTile(const uint8_t* tile, uint8_t* destination, ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row) std::memcpy(destination + row * stride, tile + 16 * row, 16);
}

void WriteZeros(const uint8_t*, uint8_t* destination, ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row) std::memset(destination + row * stride, 0, 16);
}

// The writers of each format in each build, `Code` naming the build; those
// whose builds differ in more than the decoder they call are specialised.

template <typename Code, int kSigned>
void WriteBc6h(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  uint8_t tile[64];
  DecodeBc6hBlockRgba8In<Code>(block, kSigned, tile);
  CopyTile(tile, destination, stride);
}

template <typename Code>
void WriteBc3(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  DecodeBc3BlockIn<Code>(block, destination, static_cast<int32_t>(stride));
}

template <typename Code>
void WriteBc7(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  DecodeBc7BlockIn<Code>(block, destination, static_cast<int32_t>(stride));
}

// Hap1 carries no alpha: BC1's transparent entry is shown as opaque black.
template <typename Code>
void WriteOpaqueBc1(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);
template <typename Code>
void WriteScaledYCoCg(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);
// A lone BC4 texture is shown as opaque grey.
template <typename Code>
void WriteGrey(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);

template <>
void WriteOpaqueBc1<PlainCode>(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  uint32_t palette[4];
  MakeBc1Palette(block, false, palette);
  palette[3] |= AlphaMask();
  WritePixels2(palette, LoadLe32(block + 4), destination, stride);
}

template <>
void WriteScaledYCoCg<PlainCode>(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  uint8_t tile[64];
  DecodeBc3BlockIn<PlainCode>(block, tile, 16);
  ConvertScaledYCoCg(tile);
  CopyTile(tile, destination, stride);
}

template <>
void WriteGrey<PlainCode>(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  uint8_t values[8];
  MakeBc4Values(PlainCode{}, block, values);
  uint32_t greys[8];
  for (int i = 0; i < 8; ++i) greys[i] = PackRgba(values[i], values[i], values[i], 255);
  WritePixels3(greys, LoadLe64(block) >> 16, destination, stride);
}

#if defined(__SSE2__)
template <>
void WriteOpaqueBc1<Sse2Code>(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  const __m128i opaque = _mm_set1_epi32(int(AlphaMask()));
  WritePixels2Sse2(_mm_or_si128(Bc1PaletteSse2(block, false), opaque), LoadLe32(block + 4),
                   destination, stride);
}

template <>
void WriteGrey<Sse2Code>(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  // Each value spread over the three colour bytes of a word; alpha 255.
  alignas(16) uint32_t greys[8];
  const __m128i values = Bc4ValuesSse2(block);
  const __m128i doubled = _mm_unpacklo_epi8(values, values);
  const __m128i opaque = _mm_set1_epi32(int(AlphaMask()));
  auto* out = reinterpret_cast<__m128i*>(greys);
  _mm_store_si128(out, _mm_or_si128(_mm_unpacklo_epi16(doubled, doubled), opaque));
  _mm_store_si128(out + 1, _mm_or_si128(_mm_unpackhi_epi16(doubled, doubled), opaque));
  uint64_t indices = LoadLe64(block) >> 16;
  for (int row = 0; row < 4; ++row, destination += stride, indices >>= 12) {
    const uint32_t pixels[4] = {greys[indices & 7], greys[indices >> 3 & 7],
                                greys[indices >> 6 & 7], greys[indices >> 9 & 7]};
    StoreRow(Sse2Code{}, destination, pixels);
  }
}

// Two rows of R, G, B as 32-bit lanes, each v * 255 + 0.5 cut to a byte as
// ConvertScaledYCoCg does: truncated, negatives to 0, above 255 to 255 (the
// packs saturate). Alpha is 255.
void StoreRgbRows(const __m128 (&rgb)[2][3], uint8_t* destination, ptrdiff_t stride) {
  auto lanes = [&](int channel) {
    return _mm_packs_epi32(_mm_cvttps_epi32(rgb[0][channel]), _mm_cvttps_epi32(rgb[1][channel]));
  };
  const __m128i redBlue = _mm_packus_epi16(lanes(0), lanes(2));
  const __m128i greenAlpha = _mm_packus_epi16(lanes(1), _mm_set1_epi16(255));
  const __m128i redGreen = _mm_unpacklo_epi8(redBlue, greenAlpha);
  const __m128i blueAlpha = _mm_unpackhi_epi8(redBlue, greenAlpha);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination),
                   _mm_unpacklo_epi16(redGreen, blueAlpha));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + stride),
                   _mm_unpackhi_epi16(redGreen, blueAlpha));
}

// What a scaled-YCoCg block's pixels are made of: co and cg of each of its
// four colours (the scale and divisions done once per colour rather than once
// per pixel) and y of each of its eight lumas.
struct YCoCgEntries {
  alignas(16) uint64_t chroma[4];  // co, cg
  alignas(16) float luma[8];
};

// y for every luma byte, evaluated by the compiler.
constexpr std::array<float, 256> kLumaOfByte = [] {
  std::array<float, 256> table{};
  for (int x = 0; x < 256; ++x) ScaleLuma(float(x), table[x]);
  return table;
}();

void MakeYCoCgEntries(const uint8_t* block, YCoCgEntries& entries) {
  const __m128i colours = Bc1PaletteSse2(block + 8, true);  // Co, Cg, scale per entry
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  const __m128 co = _mm_cvtepi32_ps(_mm_and_si128(colours, byteMask));
  const __m128 cg = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(colours, 8), byteMask));
  const __m128 code = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(colours, 16), byteMask));
  __m128 scaledCo, scaledCg;
  ScaleChroma(co, code, scaledCo);
  ScaleChroma(cg, code, scaledCg);
  _mm_store_ps(reinterpret_cast<float*>(entries.chroma), _mm_unpacklo_ps(scaledCo, scaledCg));
  _mm_store_ps(reinterpret_cast<float*>(entries.chroma + 2), _mm_unpackhi_ps(scaledCo, scaledCg));
  uint64_t values;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&values), Bc4ValuesSse2(block));
  for (float& y : entries.luma) {
    y = kLumaOfByte[values & 0xFF];
    values >>= 8;
  }
}

// Four pixels per register, each pixel's co, cg and y gathered from its entries.
void WriteYCoCgPixels(const YCoCgEntries& entries, const uint8_t* block, uint8_t* destination,
                      ptrdiff_t stride) {
  uint32_t colourIndices = LoadLe32(block + 12);
  uint64_t alphaIndices = LoadLe64(block) >> 16;
  const auto* chroma = reinterpret_cast<const double*>(entries.chroma);
  const float* luma = entries.luma;
  for (int rows = 0; rows < 4; rows += 2, destination += 2 * stride) {
    __m128 rgb[2][3];
    for (int r = 0; r < 2; ++r, colourIndices >>= 8, alphaIndices >>= 12) {
      const __m128 first = _mm_castpd_ps(
          _mm_loadh_pd(_mm_load_sd(&chroma[colourIndices & 3]), &chroma[colourIndices >> 2 & 3]));
      const __m128 second = _mm_castpd_ps(_mm_loadh_pd(_mm_load_sd(&chroma[colourIndices >> 4 & 3]),
                                                       &chroma[colourIndices >> 6 & 3]));
      const __m128 pixelCo = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
      const __m128 pixelCg = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
      const __m128 y = _mm_setr_ps(luma[alphaIndices & 7], luma[alphaIndices >> 3 & 7],
                                   luma[alphaIndices >> 6 & 7], luma[alphaIndices >> 9 & 7]);
      YCoCgToRgb(y, pixelCo, pixelCg, rgb[r]);
    }
    StoreRgbRows(rgb, destination, stride);
  }
}

template <>
void WriteScaledYCoCg<Sse2Code>(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
  WriteFromEntries<YCoCgEntries, MakeYCoCgEntries, WriteYCoCgPixels>(block, destination, stride);
}
#endif

// The format's writer, and its row of blocks written one after another.
template <BlockRgba8Writer kWrite, uint32_t kBlockBytes>
constexpr FormatCode OneByOne(TextureFormat format) {
  return {format, kBlockBytes, kWrite, WriteRowOneByOne<kBlockBytes, kWrite>};
}

// Where every table keeps `format`, kCodedFormats for an unknown one: a
// switch, as quick as the lookup of one block's writer must be.
constexpr size_t PlaceOf(TextureFormat format) {
  switch (format) {
    case TexFmtRgbDxt1:
      return 0;
    case TexFmtRgbaDxt5:
      return 1;
    case TexFmtYCoCgDxt5:
      return 2;
    case TexFmtAlphaRgtc1:
      return 3;
    case TexFmtRgbaBptcUnorm:
      return 4;
    case TexFmtRgbBptcSignedFloat:
      return 5;
    case TexFmtRgbBptcUnsignedFloat:
      return 6;
    default:
      return kCodedFormats;
  }
}

constexpr bool InPlace(const CodePath& path) {
  for (size_t place = 0; place < kCodedFormats; ++place) {
    if (PlaceOf(path.formats[place].format) != place) return false;
  }
  return true;
}

template <typename Code>
constexpr CodePath BaselinePath(const char* name) {
  return {name,
          {OneByOne<WriteOpaqueBc1<Code>, 8>(TexFmtRgbDxt1),
           OneByOne<WriteBc3<Code>, 16>(TexFmtRgbaDxt5),
           OneByOne<WriteScaledYCoCg<Code>, 16>(TexFmtYCoCgDxt5),
           OneByOne<WriteGrey<Code>, 8>(TexFmtAlphaRgtc1),
           OneByOne<WriteBc7<Code>, 16>(TexFmtRgbaBptcUnorm),
           OneByOne<WriteBc6h<Code, 1>, 16>(TexFmtRgbBptcSignedFloat),
           OneByOne<WriteBc6h<Code, 0>, 16>(TexFmtRgbBptcUnsignedFloat)},
          {DecodeBc1BlockIn<Code>, DecodeBc3BlockIn<Code>, DecodeBc4BlockIn<Code>,
           DecodeBc7BlockIn<Code>, DecodeBc6hBlockIn<Code>, DecodeBc6hBlockRgba8In<Code>}};
}

constexpr CodePath kPlainPath = BaselinePath<PlainCode>("plain");
static_assert(InPlace(kPlainPath));

#if defined(__SSE2__)
constexpr FormatCode& CodeToReplace(CodePath& path, TextureFormat format) {
  return path.formats[PlaceOf(format)];
}

// The rows of BC3 and scaled YCoCg make the entries of a few blocks ahead.
constexpr CodePath MakeSse2Path() {
  CodePath path = BaselinePath<Sse2Code>("SSE2");
  CodeToReplace(path, TexFmtRgbaDxt5).writeRow =
      WriteRowInBatches<16, Bc3Entries, MakeBc3Entries, WriteBc3Pixels>;
  CodeToReplace(path, TexFmtYCoCgDxt5).writeRow =
      WriteRowInBatches<16, YCoCgEntries, MakeYCoCgEntries, WriteYCoCgPixels>;
  return path;
}
constexpr CodePath kSse2Path = MakeSse2Path();
#endif

#if defined(ORVELLE_AVX2_WRITERS)
// The SSE2 path with the AVX2 writers of the formats built on BC1 colours.
constexpr CodePath MakeAvx2Path() {
  CodePath path = kSse2Path;
  path.name = "AVX2";
  CodeToReplace(path, TexFmtRgbDxt1) = {TexFmtRgbDxt1, 8, WriteOpaqueBc1Avx2,
                                        WriteOpaqueBc1RowAvx2};
  CodeToReplace(path, TexFmtRgbaDxt5) = {TexFmtRgbaDxt5, 16, WriteBc3Avx2, WriteBc3RowAvx2};
  CodeToReplace(path, TexFmtYCoCgDxt5) = {TexFmtYCoCgDxt5, 16, WriteScaledYCoCgAvx2,
                                          WriteScaledYCoCgRowAvx2};
  return path;
}
constexpr CodePath kAvx2Path = MakeAvx2Path();
static_assert(InPlace(kAvx2Path));

// The runtime's check includes the system's consent to the wide registers (XGETBV).
bool CpuHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}
#endif

// Narrowest first; those past `count` the processor cannot run.
struct RunnablePaths {
  const CodePath* paths[3];
  size_t count;
};

RunnablePaths FindRunnablePaths() {
  RunnablePaths runnable{{&kPlainPath}, 1};
#if defined(__SSE2__)
  runnable.paths[runnable.count++] = &kSse2Path;
#endif
#if defined(ORVELLE_AVX2_WRITERS)
  if (CpuHasAvx2()) runnable.paths[runnable.count++] = &kAvx2Path;
#endif
  return runnable;
}

const RunnablePaths& Runnable() {
  static const RunnablePaths runnable = FindRunnablePaths();
  return runnable;
}

// The writers ignore the blocks, so the row's step between them does not matter.
constexpr FormatCode kNoFormat = {0, 0, WriteZeros, WriteRowOneByOne<16, WriteZeros>};

}  // namespace

CodePathList RunnableCodePaths() { return {Runnable().paths, Runnable().count}; }

const CodePath& ActiveCodePath() {
  static const CodePath* const active = Runnable().paths[Runnable().count - 1];
  return *active;
}

const FormatCode& FindFormatCode(const CodePath& path, TextureFormat format) {
  const size_t place = PlaceOf(format);
  return place < kCodedFormats ? path.formats[place] : kNoFormat;
}

const FormatCode& FindFormatCode(TextureFormat format) {
  return FindFormatCode(ActiveCodePath(), format);
}

}  // namespace orvelle
