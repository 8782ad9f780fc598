// Cross-check of the BC6H decoder against Mesa's software renderer over random
// blocks of every mode code, signed and unsigned.
//
// The one legitimate difference: where interpolation gives -1 in a signed
// block, the scaled magnitude is 0 and Mesa keeps the sign (0x8000, -0.0),
// while our decoder, like Direct3D's reference, returns +0.0. Both are zero.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "hap/hap_frame.h"
#include "tests/texture/mesa_reference.h"
#include "texture/bc6h.h"

namespace orvelle {
namespace {

using testing::MesaReference;

constexpr int kBlocksPerCode = 512;

// The 14 mode codes, then the four reserved ones (on which Mesa also gives zeros).
constexpr uint32_t kModeCodes[] = {0x00, 0x01, 0x02, 0x06, 0x0A, 0x0E, 0x12, 0x16, 0x1A,
                                   0x1E, 0x03, 0x07, 0x0B, 0x0F, 0x13, 0x17, 0x1B, 0x1F};

uint32_t FloatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

// Half the blocks are uniformly random; the other half are built from bytes
// 0x00, 0xFF or random, so that all-zero and all-one fields (the clamps of
// unquantisation, wrapping deltas) come up often.
std::vector<uint8_t> RandomBlocks(uint32_t code, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> blocks(16 * kBlocksPerCode);
  for (int b = 0; b < kBlocksPerCode; ++b) {
    for (int i = 0; i < 16; ++i) {
      uint8_t byte = uint8_t(rng());
      if (b % 2 == 1) {
        const uint32_t pick = rng() % 3;
        byte = pick == 0 ? 0x00 : pick == 1 ? 0xFF : byte;
      }
      blocks[16 * b + i] = byte;
    }
    const uint8_t modeMask = code < 2 ? 0x03 : 0x1F;
    blocks[16 * b] = uint8_t((blocks[16 * b] & ~modeMask) | code);
  }
  return blocks;
}

class Bc6hMesaTest : public ::testing::TestWithParam<std::tuple<bool, uint32_t>> {
 protected:
  static void SetUpTestSuite() { mesa_ = new MesaReference(); }
  static void TearDownTestSuite() {
    delete mesa_;
    mesa_ = nullptr;
  }
  void SetUp() override {
    if (!mesa_->Available()) {
      GTEST_SKIP() << "Mesa's off-screen renderer is unavailable (" << mesa_->Failure()
                   << "); scripts/setup.sh installs libosmesa6";
    }
  }
  static MesaReference* mesa_;
};

MesaReference* Bc6hMesaTest::mesa_ = nullptr;

TEST_P(Bc6hMesaTest, HalvesAndFloatsMatch) {
  const bool isSigned = std::get<0>(GetParam());
  const uint32_t code = std::get<1>(GetParam());
  const std::vector<uint8_t> blocks = RandomBlocks(code, code * 2 + isSigned);
  const uint32_t format = isSigned ? TexFmtRgbBptcSignedFloat : TexFmtRgbBptcUnsignedFloat;

  // Mesa's image is 4 * kBlocksPerCode pixels wide: one row holds 12 values per block.
  constexpr int kRowValues = 12 * kBlocksPerCode;
  std::vector<uint16_t> mesaHalves(4 * kRowValues);
  std::vector<float> mesaFloats(4 * kRowValues);
  ASSERT_TRUE(mesa_->Decode(format, blocks.data(), kBlocksPerCode, testing::kGlRgb,
                            testing::kGlHalfFloat, mesaHalves.data()))
      << mesa_->Failure();
  ASSERT_TRUE(mesa_->Decode(format, blocks.data(), kBlocksPerCode, testing::kGlRgb,
                            testing::kGlFloat, mesaFloats.data()))
      << mesa_->Failure();

  // Decoded straight into Mesa's layout, which the row stride allows.
  std::vector<uint16_t> halves(4 * kRowValues);
  std::vector<float> floats(4 * kRowValues);
  for (int b = 0; b < kBlocksPerCode; ++b) {
    DecodeBc6hBlock(&blocks[16 * b], &halves[12 * b], kRowValues, isSigned);
    DecodeBc6hBlockFloat(&blocks[16 * b], &floats[12 * b], kRowValues, isSigned);
  }

  int signedZeros = 0;
  for (int at = 0; at < 4 * kRowValues; ++at) {
    const int b = (at % kRowValues) / 12;
    const uint32_t oursFloat = FloatBits(floats[at]);
    if (isSigned && mesaHalves[at] == 0x8000 && halves[at] == 0) {
      EXPECT_EQ(FloatBits(mesaFloats[at]), 0x80000000u);
      EXPECT_EQ(oursFloat, 0u);
      ++signedZeros;
      continue;
    }
    ASSERT_EQ(halves[at], mesaHalves[at])
        << "block " << b << " row " << at / kRowValues << " value " << at % 12 << " bytes "
        << ::testing::PrintToString(std::vector<uint8_t>(&blocks[16 * b], &blocks[16 * b + 16]));
    ASSERT_EQ(oursFloat, FloatBits(mesaFloats[at])) << "block " << b;
  }
  RecordProperty("MesaSignedZeros", signedZeros);
}

INSTANTIATE_TEST_SUITE_P(
    EveryModeCode, Bc6hMesaTest,
    ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kModeCodes)),
    [](const ::testing::TestParamInfo<std::tuple<bool, uint32_t>>& info) {
      const uint32_t code = std::get<1>(info.param);
      return std::string(std::get<0>(info.param) ? "Signed" : "Unsigned") + "Code" +
             std::to_string(code);
    });

}  // namespace
}  // namespace orvelle
