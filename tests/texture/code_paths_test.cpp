// Every code path this processor runs (each instruction set's build of the
// decoders and RGBA8 writers) must give the same bytes as the plain one: over
// the golden block sets, and exhaustively where the vector arithmetic differs
// in form from the plain one (the BC1 and BC4 palettes, the YCoCg entries).
// On a processor with the plain path alone they compare it with itself.
#include "texture/code_paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "tests/support/golden_data.h"

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

const CodePath& PlainPath() { return **RunnableCodePaths().begin(); }

// The paths held to the plain one's bytes: all but the plain one.
std::vector<const CodePath*> FastPaths() {
  const CodePathList all = RunnableCodePaths();
  return std::vector<const CodePath*>(all.begin() + 1, all.end());
}

// Calls check(path's decoders, plain decoders, name) for every fast path.
void ForEachFastPath(
    const std::function<void(const BlockDecoders&, const BlockDecoders&, const char*)>& check) {
  for (const CodePath* path : FastPaths()) {
    SCOPED_TRACE(path->name);
    check(path->decoders, PlainPath().decoders, path->name);
  }
}

// The plain path first, the active one last, each named once.
TEST(CodePaths, PlainPathComesFirstAndTheActiveOneLast) {
  const CodePathList paths = RunnableCodePaths();
  ASSERT_GE(paths.count, 1u);
  EXPECT_STREQ(PlainPath().name, "plain");
  EXPECT_EQ(&ActiveCodePath(), paths.paths[paths.count - 1]);
  for (size_t i = 1; i < paths.count; ++i) {
    for (size_t j = 0; j < i; ++j) EXPECT_STRNE(paths.paths[i]->name, paths.paths[j]->name);
  }
}

// A path is kept for the writers it brings: each differs from the one below
// it in the writers of some format.
TEST(CodePaths, EveryWiderPathBringsWritersOfItsOwn) {
  const CodePathList paths = RunnableCodePaths();
  for (size_t i = 1; i < paths.count; ++i) {
    size_t replaced = 0;
    for (const TextureFormatRow& row : kTextureFormats) {
      const FormatCode& wide = FindFormatCode(*paths.paths[i], row.format);
      const FormatCode& narrow = FindFormatCode(*paths.paths[i - 1], row.format);
      replaced += wide.writeBlock != narrow.writeBlock || wide.writeRow != narrow.writeRow;
    }
    EXPECT_GT(replaced, 0u) << paths.paths[i]->name;
  }
}

// Every path knows every format, with the block size that the frame decoder
// sizes its buffers by; the active one answers FindFormatCode.
TEST(CodePaths, EveryPathHoldsEveryFormat) {
  for (const CodePath* path : RunnableCodePaths()) {
    for (const TextureFormatRow& row : kTextureFormats) {
      const FormatCode& code = FindFormatCode(*path, row.format);
      EXPECT_EQ(code.format, row.format) << path->name;
      EXPECT_EQ(code.bytesPerBlock, row.bytesPerBlock) << path->name << ", " << row.format;
    }
    EXPECT_EQ(FindFormatCode(*path, 0x1234).bytesPerBlock, 0u);
  }
  EXPECT_EQ(&FindFormatCode(TexFmtRgbDxt1), &FindFormatCode(ActiveCodePath(), TexFmtRgbDxt1));
}

TEST(CodePaths, Bc1Bc3Bc4DecodersAgreeOnTheGoldenBlocks) {
  const std::vector<uint8_t> bc1 = GoldenTexture(TexFmtRgbDxt1, kBlocks, 1);
  const std::vector<uint8_t> bc3 = GoldenTexture(TexFmtRgbaDxt5, kBlocks, 3);
  const std::vector<uint8_t> bc4 = GoldenTexture(TexFmtAlphaRgtc1, kBlocks, 4);
  ForEachFastPath([&](const BlockDecoders& fast, const BlockDecoders& plain, const char*) {
    for (const bool force : {false, true}) {
      ExpectSameTiles(
          bc1, 8, [&](const uint8_t* b, uint8_t* t) { fast.bc1(b, t, 16, force); },
          [&](const uint8_t* b, uint8_t* t) { plain.bc1(b, t, 16, force); }, "BC1");
    }
    ExpectSameTiles(
        bc3, 16, [&](const uint8_t* b, uint8_t* t) { fast.bc3(b, t, 16); },
        [&](const uint8_t* b, uint8_t* t) { plain.bc3(b, t, 16); }, "BC3");
    ExpectSameTiles(
        bc4, 8, [&](const uint8_t* b, uint8_t* t) { fast.bc4(b, t + 1, 12, 3); },
        [&](const uint8_t* b, uint8_t* t) { plain.bc4(b, t + 1, 12, 3); }, "BC4");
  });
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
  ForEachFastPath([&](const BlockDecoders& fast, const BlockDecoders& plain, const char*) {
    for (const bool force : {false, true}) {
      ExpectSameTiles(
          blocks, 8, [&](const uint8_t* b, uint8_t* t) { fast.bc1(b, t, 16, force); },
          [&](const uint8_t* b, uint8_t* t) { plain.bc1(b, t, 16, force); }, "BC1 channels");
    }
  });
}

TEST(CodePaths, Bc4ValuesAgreeOnEveryEndpointPair) {
  std::vector<uint8_t> blocks;
  for (uint32_t e = 0; e < 65536; ++e) {
    // Indices 0 to 7 over the first eight pixels and again over the last eight.
    blocks.insert(blocks.end(), {uint8_t(e), uint8_t(e >> 8), 0x88, 0xC6, 0xFA, 0x88, 0xC6, 0xFA});
  }
  ForEachFastPath([&](const BlockDecoders& fast, const BlockDecoders& plain, const char*) {
    ExpectSameTiles(
        blocks, 8, [&](const uint8_t* b, uint8_t* t) { fast.bc4(b, t, 4, 1); },
        [&](const uint8_t* b, uint8_t* t) { plain.bc4(b, t, 4, 1); }, "BC4 values");
  });
}

TEST(CodePaths, Bc7DecodersAgreeOnTheGoldenBlocks) {
  const std::vector<uint8_t> blocks = GoldenTexture(TexFmtRgbaBptcUnorm, kBlocks, 7);
  ForEachFastPath([&](const BlockDecoders& fast, const BlockDecoders& plain, const char*) {
    ExpectSameTiles(
        blocks, 16, [&](const uint8_t* b, uint8_t* t) { fast.bc7(b, t, 20); },
        [&](const uint8_t* b, uint8_t* t) { plain.bc7(b, t, 20); }, "BC7", 76);
  });
}

TEST(CodePaths, Bc6hHalvesAgreeOnTheGoldenBlocks) {
  for (const int isSigned : {0, 1}) {
    const TextureFormat format = isSigned ? TexFmtRgbBptcSignedFloat : TexFmtRgbBptcUnsignedFloat;
    const std::vector<uint8_t> blocks = GoldenTexture(format, kBlocks, 6 + isSigned);
    // Rows of 13 halves: one between rows stays untouched.
    auto halves = [](uint8_t* tile) { return reinterpret_cast<uint16_t*>(tile); };
    ForEachFastPath([&](const BlockDecoders& fast, const BlockDecoders& plain, const char*) {
      ExpectSameTiles(
          blocks, 16,
          [&](const uint8_t* b, uint8_t* t) { fast.bc6hHalves(b, halves(t), 13, isSigned); },
          [&](const uint8_t* b, uint8_t* t) { plain.bc6hHalves(b, halves(t), 13, isSigned); },
          "BC6H halves", 2 * 52);
    });
  }
}

// The fast YCoCg writers divide through tables and per palette entry: every
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
  const BlockRgba8Writer plain = FindFormatCode(PlainPath(), TexFmtYCoCgDxt5).writeBlock;
  for (const CodePath* path : FastPaths()) {
    const BlockRgba8Writer fast = FindFormatCode(*path, TexFmtYCoCgDxt5).writeBlock;
    ExpectSameTiles(
        blocks, 16, [&](const uint8_t* b, uint8_t* t) { fast(b, t, 16); },
        [&](const uint8_t* b, uint8_t* t) { plain(b, t, 16); }, path->name);
  }
}

TEST(CodePaths, BlockRgba8WritersAgreeOnTheGoldenBlocks) {
  for (const TextureFormatRow& row : kTextureFormats) {
    const TextureFormat format = row.format;
    const std::vector<uint8_t> blocks = GoldenTexture(format, kBlocks, format + 1);
    const BlockRgba8Writer plain = FindFormatCode(PlainPath(), format).writeBlock;
    for (const CodePath* path : FastPaths()) {
      const BlockRgba8Writer fast = FindFormatCode(*path, format).writeBlock;
      ExpectSameTiles(
          blocks, BytesPerBlock(format), [&](const uint8_t* b, uint8_t* t) { fast(b, t, 16); },
          [&](const uint8_t* b, uint8_t* t) { plain(b, t, 16); }, path->name);
    }
  }
}

// The BC6H writers' decoders in the paths give the writers' bytes.
TEST(CodePaths, Bc6hRgba8DecodersAgreeOnTheGoldenBlocks) {
  for (const int isSigned : {0, 1}) {
    const TextureFormat format = isSigned ? TexFmtRgbBptcSignedFloat : TexFmtRgbBptcUnsignedFloat;
    const std::vector<uint8_t> blocks = GoldenTexture(format, kBlocks, 9 + isSigned);
    ForEachFastPath([&](const BlockDecoders& fast, const BlockDecoders& plain, const char*) {
      ExpectSameTiles(
          blocks, 16, [&](const uint8_t* b, uint8_t* t) { fast.bc6hRgba8(b, isSigned, t); },
          [&](const uint8_t* b, uint8_t* t) { plain.bc6hRgba8(b, isSigned, t); }, "BC6H RGBA8");
    });
  }
}

// Rows written at once (in batches, or by wider writers) equal their blocks
// written one by one by the plain writers, for every length up to past two
// batches, on every path, the plain one included.
TEST(CodePaths, BlockRowsAgreeWithSingleBlocks) {
  constexpr uint32_t kMostBlocks = 19;
  constexpr ptrdiff_t kStride = 16 * kMostBlocks + 8;  // the bytes past each row stay untouched
  for (const TextureFormatRow& row : kTextureFormats) {
    const TextureFormat format = row.format;
    const size_t blockBytes = BytesPerBlock(format);
    const std::vector<uint8_t> blocks = GoldenTexture(format, kMostBlocks, format + 2);
    const BlockRgba8Writer plain = FindFormatCode(PlainPath(), format).writeBlock;
    for (uint32_t count = 1; count <= kMostBlocks; ++count) {
      std::vector<uint8_t> expected(4 * kStride, 0xA5);
      for (uint32_t i = 0; i < count; ++i) {
        plain(&blocks[i * blockBytes], &expected[16 * i], kStride);
      }
      for (const CodePath* path : RunnableCodePaths()) {
        std::vector<uint8_t> row(4 * kStride, 0xA5);
        FindFormatCode(*path, format).writeRow(blocks.data(), count, row.data(), kStride);
        ASSERT_EQ(row, expected) << path->name << ", format " << format << ", " << count
                                 << " blocks";
      }
    }
  }
}

}  // namespace
}  // namespace orvelle
