// The SSE2 and the plain C++ builds of every decoder, and the AVX2 builds of
// the opaque BC1, BC3 and scaled-YCoCg writers, must give the same bytes: over
// the golden block sets, and exhaustively where the vector arithmetic differs
// in form from the plain one (the BC1 and BC4 palettes, the YCoCg entries).
#include "texture/code_paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "tests/support/golden_data.h"
#include "texture/bc1_bc3_bc4.h"
#include "texture/bc6h.h"
#include "texture/bc7.h"
#include "texture/cpu_features.h"

namespace orvelle {
namespace {

using testing::GoldenTexture;

constexpr size_t kBlocks = 1 << 16;

using TileDecoder = std::function<void(const uint8_t* block, uint8_t* tile)>;

// Decodes every block into two pre-filled tiles, one per build, and compares
// them whole; stops at the first difference.
void ExpectSameTiles(const std::vector<uint8_t>& blocks, size_t blockBytes, const TileDecoder& fast,
                     const TileDecoder& plain, const char* name, size_t tileBytes = 64) {
  std::vector<uint8_t> fastTile(tileBytes), plainTile(tileBytes);
  for (size_t offset = 0; offset < blocks.size(); offset += blockBytes) {
    std::fill(fastTile.begin(), fastTile.end(), 0xA5);
    std::fill(plainTile.begin(), plainTile.end(), 0xA5);
    fast(&blocks[offset], fastTile.data());
    plain(&blocks[offset], plainTile.data());
    ASSERT_EQ(fastTile, plainTile) << name << ", block " << offset / blockBytes;
  }
}

// Without SSE2 both builds are the plain one and the comparisons below prove nothing.
TEST(CodePaths, Sse2BuildIsInUse) { EXPECT_TRUE(kSse2Build); }

// The public opaque BC1, BC3 and scaled-YCoCg writers are the AVX2 ones
// exactly where the processor has AVX2.
TEST(CodePaths, Avx2WritersAreTakenWhereThereIsAvx2) {
  for (const TextureFormat format : {TexFmtRgbDxt1, TexFmtRgbaDxt5, TexFmtYCoCgDxt5}) {
    const bool distinct = FindBlockRgba8Writer(format) != sse2::FindBlockRgba8Writer(format);
    EXPECT_EQ(distinct, CpuHasAvx2()) << format;
  }
  if (!CpuHasAvx2()) GTEST_SKIP() << "no AVX2 here: the AVX2 writers are not compared";
}

TEST(CodePaths, Bc1Bc3Bc4DecodersAgreeOnTheGoldenBlocks) {
  const std::vector<uint8_t> bc1 = GoldenTexture(TexFmtRgbDxt1, kBlocks, 1);
  const std::vector<uint8_t> bc3 = GoldenTexture(TexFmtRgbaDxt5, kBlocks, 3);
  const std::vector<uint8_t> bc4 = GoldenTexture(TexFmtAlphaRgtc1, kBlocks, 4);
  for (const bool force : {false, true}) {
    ExpectSameTiles(
        bc1, 8, [&](const uint8_t* b, uint8_t* t) { DecodeBc1Block(b, t, 16, force); },
        [&](const uint8_t* b, uint8_t* t) { portable::DecodeBc1Block(b, t, 16, force); }, "BC1");
  }
  ExpectSameTiles(
      bc3, 16, [](const uint8_t* b, uint8_t* t) { DecodeBc3Block(b, t, 16); },
      [](const uint8_t* b, uint8_t* t) { portable::DecodeBc3Block(b, t, 16); }, "BC3");
  ExpectSameTiles(
      bc4, 8, [](const uint8_t* b, uint8_t* t) { DecodeBc4Block(b, t + 1, 12, 3); },
      [](const uint8_t* b, uint8_t* t) { portable::DecodeBc4Block(b, t + 1, 12, 3); }, "BC4");
}

// Every pair of 5- and 6-bit channel values, in both palette modes.
TEST(CodePaths, Bc1PalettesAgreeOnEveryChannelPair) {
  std::vector<uint8_t> blocks;
  for (uint32_t a = 0; a < 64; ++a) {
    for (uint32_t b = 0; b < 64; ++b) {
      const uint32_t c0 = (a & 31) << 11 | a << 5 | (a & 31);
      const uint32_t c1 = (b & 31) << 11 | b << 5 | ((b + 7) & 31);
      // Indices 0, 1, 2, 3 in every row, so that each entry shows.
      blocks.insert(blocks.end(), {uint8_t(c0), uint8_t(c0 >> 8), uint8_t(c1), uint8_t(c1 >> 8),
                                   0xE4, 0xE4, 0xE4, 0xE4});
    }
  }
  for (const bool force : {false, true}) {
    ExpectSameTiles(
        blocks, 8, [&](const uint8_t* b, uint8_t* t) { DecodeBc1Block(b, t, 16, force); },
        [&](const uint8_t* b, uint8_t* t) { portable::DecodeBc1Block(b, t, 16, force); },
        "BC1 channels");
  }
}

TEST(CodePaths, Bc4ValuesAgreeOnEveryEndpointPair) {
  std::vector<uint8_t> blocks;
  for (uint32_t e = 0; e < 65536; ++e) {
    // Indices 0 to 7 over the first eight pixels and again over the last eight.
    blocks.insert(blocks.end(), {uint8_t(e), uint8_t(e >> 8), 0x88, 0xC6, 0xFA, 0x88, 0xC6, 0xFA});
  }
  ExpectSameTiles(
      blocks, 8, [](const uint8_t* b, uint8_t* t) { DecodeBc4Block(b, t, 4, 1); },
      [](const uint8_t* b, uint8_t* t) { portable::DecodeBc4Block(b, t, 4, 1); }, "BC4 values");
}

TEST(CodePaths, Bc7DecodersAgreeOnTheGoldenBlocks) {
  const std::vector<uint8_t> blocks = GoldenTexture(TexFmtRgbaBptcUnorm, kBlocks, 7);
  ExpectSameTiles(
      blocks, 16, [](const uint8_t* b, uint8_t* t) { DecodeBc7Block(b, t, 20); },
      [](const uint8_t* b, uint8_t* t) { portable::DecodeBc7Block(b, t, 20); }, "BC7", 76);
}

TEST(CodePaths, Bc6hHalvesAgreeOnTheGoldenBlocks) {
  for (const int isSigned : {0, 1}) {
    const TextureFormat format = isSigned ? TexFmtRgbBptcSignedFloat : TexFmtRgbBptcUnsignedFloat;
    const std::vector<uint8_t> blocks = GoldenTexture(format, kBlocks, 6 + isSigned);
    // Rows of 13 halves: one between rows stays untouched.
    auto halves = [](uint8_t* tile) { return reinterpret_cast<uint16_t*>(tile); };
    ExpectSameTiles(
        blocks, 16,
        [&](const uint8_t* b, uint8_t* t) { DecodeBc6hBlock(b, halves(t), 13, isSigned); },
        [&](const uint8_t* b, uint8_t* t) {
          portable::DecodeBc6hBlock(b, halves(t), 13, isSigned);
        },
        "BC6H halves", 2 * 52);
  }
}

// The fast YCoCg writer divides through tables and per palette entry: every
// BC4 endpoint pair (each luma value) and every pair of colour endpoints.
TEST(CodePaths, ScaledYCoCgAgreesOnEveryLumaAndChromaPair) {
  std::vector<uint8_t> blocks;
  for (uint32_t e = 0; e < 65536; ++e) {
    const uint32_t a = e & 63, b = (e >> 6) & 63;
    const uint32_t c0 = (a & 31) << 11 | a << 5 | ((a + 3) & 31);
    const uint32_t c1 = (b & 31) << 11 | b << 5 | ((b + 9) & 31);
    blocks.insert(blocks.end(),
                  {uint8_t(e), uint8_t(e >> 8), 0x88, 0xC6, 0xFA, 0x88, 0xC6, 0xFA, uint8_t(c0),
                   uint8_t(c0 >> 8), uint8_t(c1), uint8_t(c1 >> 8), 0xE4, 0x1B, 0xE4, 0x1B});
  }
  const BlockRgba8Writer plain = portable::FindBlockRgba8Writer(TexFmtYCoCgDxt5);
  for (const BlockRgba8Writer fast :
       {FindBlockRgba8Writer(TexFmtYCoCgDxt5), sse2::FindBlockRgba8Writer(TexFmtYCoCgDxt5)}) {
    ExpectSameTiles(
        blocks, 16, [&](const uint8_t* b, uint8_t* t) { fast(b, t, 16); },
        [&](const uint8_t* b, uint8_t* t) { plain(b, t, 16); }, "scaled YCoCg");
  }
}

TEST(CodePaths, BlockRgba8WritersAgreeOnTheGoldenBlocks) {
  for (const TextureFormat format :
       {TexFmtRgbDxt1, TexFmtRgbaDxt5, TexFmtYCoCgDxt5, TexFmtAlphaRgtc1, TexFmtRgbaBptcUnorm,
        TexFmtRgbBptcSignedFloat, TexFmtRgbBptcUnsignedFloat}) {
    const std::vector<uint8_t> blocks = GoldenTexture(format, kBlocks, format + 1);
    const BlockRgba8Writer plain = portable::FindBlockRgba8Writer(format);
    for (const BlockRgba8Writer fast :
         {FindBlockRgba8Writer(format), sse2::FindBlockRgba8Writer(format)}) {
      ExpectSameTiles(
          blocks, BytesPerBlock(format), [&](const uint8_t* b, uint8_t* t) { fast(b, t, 16); },
          [&](const uint8_t* b, uint8_t* t) { plain(b, t, 16); }, "RGBA8 writer");
    }
  }
}

// Rows written at once (in batches, or by the AVX2 writers) equal their blocks
// written one by one by the plain writers, for every length up to past two batches.
TEST(CodePaths, BlockRowsAgreeWithSingleBlocks) {
  using RowWriter = void (*)(TextureFormat, const uint8_t*, uint32_t, uint8_t*, ptrdiff_t);
  constexpr uint32_t kMostBlocks = 19;
  constexpr ptrdiff_t kStride = 16 * kMostBlocks + 8;  // the bytes past each row stay untouched
  for (const TextureFormat format :
       {TexFmtRgbDxt1, TexFmtRgbaDxt5, TexFmtYCoCgDxt5, TexFmtAlphaRgtc1, TexFmtRgbaBptcUnorm,
        TexFmtRgbBptcSignedFloat, TexFmtRgbBptcUnsignedFloat}) {
    const size_t blockBytes = BytesPerBlock(format);
    const std::vector<uint8_t> blocks = GoldenTexture(format, kMostBlocks, format + 2);
    const BlockRgba8Writer plain = portable::FindBlockRgba8Writer(format);
    for (uint32_t count = 1; count <= kMostBlocks; ++count) {
      std::vector<uint8_t> expected(4 * kStride, 0xA5);
      for (uint32_t i = 0; i < count; ++i) {
        plain(&blocks[i * blockBytes], &expected[16 * i], kStride);
      }
      for (const RowWriter writeRow : {&WriteBlockRow, &sse2::WriteBlockRow}) {
        std::vector<uint8_t> row(4 * kStride, 0xA5);
        writeRow(format, blocks.data(), count, row.data(), kStride);
        ASSERT_EQ(row, expected) << "format " << format << ", " << count << " blocks";
      }
    }
  }
}

}  // namespace
}  // namespace orvelle
