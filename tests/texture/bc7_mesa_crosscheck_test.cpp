// Mesa's BPTC decoder is a second, independent implementation: every byte it
// reads back must equal ours.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/texture/bc7_block_builder.h"
#include "tests/texture/mesa_reference.h"
#include "texture/bc7.h"

namespace orvelle {
namespace {

constexpr uint32_t kGlCompressedRgbaBptcUnorm = 0x8E8C;
// One upload is a row of blocks; at Mesa's widest texture (16384 pixels) the
// renderer leaks, which fails sanitizer builds, so stay well below it.
constexpr int kBlocksPerUpload = 2048;
constexpr int kUploadsPerMode = 4;  // each partition of a mode some 128 times over

// Mode 8 is the reserved one (first byte zero): transparent black in both.
TEST(Bc7MesaCrossCheck, RandomBlocksOfEveryModeMatchMesa) {
  testing::MesaReference mesa;
  if (!mesa.Available()) GTEST_SKIP() << "Mesa's OSMesa renderer is unavailable: " << mesa.Failure();

  std::mt19937 rng(20240601);
  std::vector<uint8_t> blocks(16 * kBlocksPerUpload);
  std::vector<uint8_t> reference(64 * kBlocksPerUpload);
  const size_t rowBytes = 16 * kBlocksPerUpload;
  int mismatches = 0;
  for (unsigned mode = 0; mode <= 8; ++mode) {
    for (int upload = 0; upload < kUploadsPerMode; ++upload) {
      for (int b = 0; b < kBlocksPerUpload; ++b) {
        const testing::Bc7Block block = testing::RandomBc7Block(rng, mode);
        std::memcpy(blocks.data() + 16 * b, block.data(), 16);
      }
      ASSERT_TRUE(mesa.Decode(kGlCompressedRgbaBptcUnorm, blocks.data(), kBlocksPerUpload,
                              testing::kGlRgba, testing::kGlUnsignedByte, reference.data()))
          << mesa.Failure();

      for (int b = 0; b < kBlocksPerUpload; ++b) {
        uint8_t tile[64];
        DecodeBc7Block(blocks.data() + 16 * b, tile, 16);
        for (int row = 0; row < 4; ++row) {
          const bool same =
              std::memcmp(tile + 16 * row, reference.data() + row * rowBytes + 16 * b, 16) == 0;
          EXPECT_TRUE(same) << "mode " << mode << " upload " << upload << " block " << b
                            << " row " << row;
          if (!same && ++mismatches == 10) FAIL() << "giving up after 10 mismatching rows";
        }
      }
    }
  }
}

}  // namespace
}  // namespace orvelle
