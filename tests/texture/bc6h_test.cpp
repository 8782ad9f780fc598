// Known-answer tests of the BC6H decoder and its display mapping. The random
// cross-check against Mesa lives in bc6h_mesa_test.cpp.
#include "texture/bc6h.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "texture/half_float.h"

namespace orvelle {
namespace {

using Block = std::array<uint8_t, 16>;
using Halves = std::array<uint16_t, 48>;
using Pixels = std::array<uint8_t, 64>;

// Writes the low `count` bits of value into the block from bit `pos` upward.
void PutBits(Block& block, int pos, int count, uint32_t value) {
  for (int i = 0; i < count; ++i) {
    const int bit = pos + i;
    if ((value >> i) & 1u) block[bit / 8] |= uint8_t(1u << (bit % 8));
  }
}

Halves DecodeHalves(const Block& block, bool isSigned) {
  Halves halves;
  halves.fill(0xBEEF);
  DecodeBc6hBlock(block.data(), halves.data(), 12, isSigned);
  return halves;
}

Pixels DecodePixels(const Block& block, bool isSigned) {
  Pixels pixels;
  pixels.fill(0x5A);
  DecodeBc6hBlockRgba8(block.data(), isSigned, pixels.data());
  return pixels;
}

void ExpectEveryPixel(const Halves& halves, uint16_t r, uint16_t g, uint16_t b) {
  for (int pixel = 0; pixel < 16; ++pixel) {
    SCOPED_TRACE(pixel);
    EXPECT_EQ(halves[3 * pixel], r);
    EXPECT_EQ(halves[3 * pixel + 1], g);
    EXPECT_EQ(halves[3 * pixel + 2], b);
  }
}

void ExpectEveryPixel(const Pixels& pixels, uint8_t r, uint8_t g, uint8_t b) {
  for (int pixel = 0; pixel < 16; ++pixel) {
    SCOPED_TRACE(pixel);
    EXPECT_EQ(pixels[4 * pixel], r);
    EXPECT_EQ(pixels[4 * pixel + 1], g);
    EXPECT_EQ(pixels[4 * pixel + 2], b);
    EXPECT_EQ(pixels[4 * pixel + 3], 255);
  }
}

Block RandomBlock(std::mt19937& rng) {
  Block block;
  for (uint8_t& byte : block) byte = uint8_t(rng());
  return block;
}

// A one-region block with 16-bit endpoints (mode 14, code 01111), both
// endpoints equal and every index 0, so that each pixel decodes, unsigned, to
// the given halves. Mode 14 keeps the top six endpoint bits reversed.
Block FlatUnsignedBlock(uint16_t r, uint16_t g, uint16_t b) {
  Block block{};
  PutBits(block, 0, 5, 0x0F);
  const uint16_t halves[3] = {r, g, b};
  for (int c = 0; c < 3; ++c) {
    // The endpoint t whose (t * 31) >> 6 is the half.
    const uint32_t t = (64u * halves[c] + 30u) / 31u;
    PutBits(block, 5 + 10 * c, 10, t & 0x3FF);
    for (int i = 0; i < 6; ++i) PutBits(block, 39 + 10 * c + i, 1, (t >> (15 - i)) & 1u);
  }
  return block;
}

TEST(Bc6hBlock, ReservedModesDecodeToZero) {
  std::mt19937 rng(19);
  for (uint32_t code : {19u, 23u, 27u, 31u}) {
    for (int trial = 0; trial < 8; ++trial) {
      Block block = RandomBlock(rng);
      block[0] = uint8_t((block[0] & 0xE0) | code);
      for (bool isSigned : {false, true}) {
        SCOPED_TRACE(testing::Message() << "code " << code << " signed " << isSigned);
        ExpectEveryPixel(DecodeHalves(block, isSigned), 0, 0, 0);
        ExpectEveryPixel(DecodePixels(block, isSigned), 0, 0, 0);
      }
    }
  }
}

// Mode 11 (code 00011) with only the top bit of the 10-bit base red set: 512.
TEST(Bc6hBlock, BaseRedOfMode11) {
  const Block block{0x03, 0x40};
  ExpectEveryPixel(DecodeHalves(block, false), 0x3E0F, 0, 0);  // 1.5146484375
  ExpectEveryPixel(DecodePixels(block, false), 204, 0, 0);
  ExpectEveryPixel(DecodeHalves(block, true), 0xFBFF, 0, 0);  // -65504
  ExpectEveryPixel(DecodePixels(block, true), 0, 0, 0);
}

// Every mode, reached by its code, with the top bit of each base component set
// at the place the mode's layout puts it: 2^(p-1) for precision p, which is
// negative once sign-extended.
struct TopBitCase {
  int mode;  // the standard's number, 1 to 14
  uint32_t code;
  int codeBits;
  int redBit, greenBit, blueBit;  // block positions of the three top bits
  uint16_t unsignedHalf;
  uint16_t signedHalf;
};

void PrintTo(const TopBitCase& c, std::ostream* os) { *os << "mode " << c.mode; }

class Bc6hModeTest : public testing::TestWithParam<TopBitCase> {};

TEST_P(Bc6hModeTest, BaseTopBitsDecode) {
  const TopBitCase& c = GetParam();
  Block block{};
  PutBits(block, 0, c.codeBits, c.code);
  for (int bit : {c.redBit, c.greenBit, c.blueBit}) PutBits(block, bit, 1, 1);
  // Every index is 0, so pixel 0 shows the base endpoint.
  const Halves u = DecodeHalves(block, false);
  EXPECT_EQ(u[0], c.unsignedHalf);
  EXPECT_EQ(u[1], c.unsignedHalf);
  EXPECT_EQ(u[2], c.unsignedHalf);
  const Halves s = DecodeHalves(block, true);
  EXPECT_EQ(s[0], c.signedHalf);
  EXPECT_EQ(s[1], c.signedHalf);
  EXPECT_EQ(s[2], c.signedHalf);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, Bc6hModeTest,
    testing::Values(TopBitCase{1, 0x00, 2, 14, 24, 34, 0x3E0F, 0xFBFF},
                    TopBitCase{2, 0x01, 2, 11, 21, 31, 0x3E7C, 0xFBFF},
                    TopBitCase{3, 0x02, 5, 40, 49, 59, 0x3E07, 0xFBFF},
                    TopBitCase{4, 0x06, 5, 39, 50, 59, 0x3E07, 0xFBFF},
                    TopBitCase{5, 0x0A, 5, 39, 49, 60, 0x3E07, 0xFBFF},
                    TopBitCase{6, 0x0E, 5, 13, 23, 33, 0x3E1F, 0xFBFF},
                    TopBitCase{7, 0x12, 5, 12, 22, 32, 0x3E3E, 0xFBFF},
                    TopBitCase{8, 0x16, 5, 12, 22, 32, 0x3E3E, 0xFBFF},
                    TopBitCase{9, 0x1A, 5, 12, 22, 32, 0x3E3E, 0xFBFF},
                    TopBitCase{10, 0x1E, 5, 10, 20, 30, 0x3EF8, 0xFBFF},
                    TopBitCase{11, 0x03, 5, 14, 24, 34, 0x3E0F, 0xFBFF},
                    TopBitCase{12, 0x07, 5, 44, 54, 64, 0x3E07, 0xFBFF},
                    // Modes 13 and 14 store the top bits reversed: the first is the highest.
                    TopBitCase{13, 0x0B, 5, 43, 53, 63, 0x3E03, 0xFBFF},
                    TopBitCase{14, 0x0F, 5, 39, 49, 59, 0x3E00, 0xFC00}),
    [](const testing::TestParamInfo<TopBitCase>& info) {
      return "Mode" + std::to_string(info.param.mode);
    });

TEST(Bc6hBlock, AllOnesEndpointsGiveTheLargestHalf) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 8; ++trial) {
    // Mode 11 stores both 10-bit endpoints whole; any indices interpolate between equals.
    Block block = RandomBlock(rng);
    block[0] = 0x03;
    PutBits(block, 5, 30, 0x3FFFFFFF);
    PutBits(block, 35, 30, 0x3FFFFFFF);
    ExpectEveryPixel(DecodeHalves(block, false), 0x7BFF, 0x7BFF, 0x7BFF);
    ExpectEveryPixel(DecodePixels(block, false), 255, 255, 255);
  }
}

// Mode 14, signed, base red 0x8000 = -32768: the one way to reach -infinity.
TEST(Bc6hBlock, SixteenBitSignedEndpointReachesNegativeInfinity) {
  Block block{0x0F};
  PutBits(block, 39, 1, 1);
  ExpectEveryPixel(DecodeHalves(block, true), 0xFC00, 0, 0);
  ExpectEveryPixel(DecodePixels(block, true), 0, 0, 0);
  ExpectEveryPixel(DecodeHalves(block, false), 0x3E00, 0, 0);
  ExpectEveryPixel(DecodePixels(block, false), 203, 0, 0);
}

// Mode 14, signed: base 0 and a red delta of -1, pixel 1 at weight 64
// interpolates to -1, which scales to a zero that must not keep its sign.
TEST(Bc6hBlock, SignedZeroIsPositive) {
  Block block{0x0F};
  PutBits(block, 35, 4, 0xF);
  PutBits(block, 68, 4, 0xF);
  const Halves halves = DecodeHalves(block, true);
  EXPECT_EQ(halves[3], 0x0000);
}

// Mode 11, signed: red -512 clamps to 0 while green +256 keeps its value.
TEST(Bc6hBlock, NegativeChannelClampsAlone) {
  Block block{0x03};
  PutBits(block, 14, 1, 1);
  PutBits(block, 23, 1, 1);
  ExpectEveryPixel(DecodeHalves(block, true), 0xFBFF, 0x3E1F, 0);
  ExpectEveryPixel(DecodePixels(block, true), 0, 204, 0);
}

TEST(Bc6hBlock, WritesOnlyItsRowsAtTheGivenStride) {
  std::mt19937 rng(3);
  const Block block = RandomBlock(rng);
  const Halves packed = DecodeHalves(block, true);

  constexpr int kStride = 17;
  uint16_t halves[4 * kStride];
  for (uint16_t& h : halves) h = 0xBEEF;
  DecodeBc6hBlock(block.data(), halves, kStride, 1);
  float floats[4 * kStride];
  for (float& f : floats) f = -7.0f;
  DecodeBc6hBlockFloat(block.data(), floats, kStride, 1);

  for (int y = 0; y < 4; ++y) {
    for (int i = 0; i < kStride; ++i) {
      SCOPED_TRACE(testing::Message() << "row " << y << " element " << i);
      if (i < 12) {
        EXPECT_EQ(halves[y * kStride + i], packed[y * 12 + i]);
        EXPECT_EQ(floats[y * kStride + i], HalfToFloat(packed[y * 12 + i]));
      } else {
        EXPECT_EQ(halves[y * kStride + i], 0xBEEF);
        EXPECT_EQ(floats[y * kStride + i], -7.0f);
      }
    }
  }
}

// Linear values through x / (x + 1) and sRGB, each on all three channels.
TEST(Bc6hBlock, DisplayMappingOfExactValues) {
  struct Case {
    uint16_t half;
    uint8_t byte;
  };
  const Case cases[] = {
      {0x0000, 0},   {0x3400, 124},  // 0.25
      {0x3C00, 188},                 // 1.0 maps to 0.5
      {0x4000, 213}, {0x4400, 231}, {0x4900, 245},  // 2, 4, 10
      {0x5640, 254}, {0x63D0, 255}, {0x7BFF, 255},  // 100, 1000, 65504
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "half 0x" << std::hex << c.half);
    const Block block = FlatUnsignedBlock(c.half, c.half, c.half);
    ExpectEveryPixel(DecodeHalves(block, false), c.half, c.half, c.half);
    ExpectEveryPixel(DecodePixels(block, false), c.byte, c.byte, c.byte);
  }
}

// Unsigned halves have no sign, infinity or NaN; signed ones no +infinity,
// NaN or -0.0; a negative channel always ends as byte 0.
TEST(Bc6hBlock, RandomBlocksStayInRange) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 2000; ++trial) {
    const Block block = RandomBlock(rng);
    const Halves halves = DecodeHalves(block, false);
    for (uint16_t h : halves) ASSERT_LE(h, 0x7BFF);
    const Halves signedHalves = DecodeHalves(block, true);
    const Pixels pixels = DecodePixels(block, true);
    for (int i = 0; i < 48; ++i) {
      const uint16_t h = signedHalves[i];
      ASSERT_TRUE((h & 0x7FFF) <= 0x7C00 && h != 0x7C00 && h != 0x8000) << std::hex << h;
      if (h & 0x8000) {
        ASSERT_EQ(pixels[4 * (i / 3) + i % 3], 0);
      }
    }
  }
}

}  // namespace
}  // namespace orvelle
