#include "texture/bc1_bc3_bc4.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace orvelle {
namespace {

using Pixel = std::array<uint8_t, 4>;
using Tile = std::array<uint8_t, 64>;

// Pixel k takes index k & 3: entries 0, 1, 2, 3 along every row.
constexpr uint32_t kEachEntryPerRow = 0xE4E4E4E4;

std::array<uint8_t, 8> Bc1(uint16_t colour0, uint16_t colour1, uint32_t indices) {
  return {uint8_t(colour0), uint8_t(colour0 >> 8), uint8_t(colour1), uint8_t(colour1 >> 8),
          uint8_t(indices), uint8_t(indices >> 8), uint8_t(indices >> 16), uint8_t(indices >> 24)};
}

uint16_t Rgb565(uint32_t r, uint32_t g, uint32_t b) { return uint16_t(r << 11 | g << 5 | b); }

// Pixel k takes index k & 7 (the 48-bit index field spans bytes 2-7).
std::array<uint8_t, 8> Bc4EachEntry(uint8_t value0, uint8_t value1) {
  std::array<uint8_t, 8> block{value0, value1};
  uint64_t field = 0;
  for (unsigned k = 0; k < 16; ++k) field |= uint64_t{k & 7} << (3 * k);
  for (unsigned i = 0; i < 6; ++i) block[2 + i] = uint8_t(field >> (8 * i));
  return block;
}

// The four palette entries, read from pixels 0-3 of a kEachEntryPerRow block.
std::array<Pixel, 4> Bc1Palette(uint16_t colour0, uint16_t colour1, bool forceFourColour) {
  const auto block = Bc1(colour0, colour1, kEachEntryPerRow);
  Tile tile{};
  DecodeBc1Block(block.data(), tile.data(), 16, forceFourColour);
  std::array<Pixel, 4> palette;
  for (int i = 0; i < 4; ++i) std::memcpy(palette[i].data(), tile.data() + 4 * i, 4);
  return palette;
}

std::array<uint8_t, 8> Bc4Values(uint8_t value0, uint8_t value1) {
  const auto block = Bc4EachEntry(value0, value1);
  std::array<uint8_t, 16> out{};
  DecodeBc4Block(block.data(), out.data(), 4, 1);
  std::array<uint8_t, 8> values;
  std::memcpy(values.data(), out.data(), 8);
  return values;
}

// floor(numerator / denominator + 1/2), the exactly rounded rational value.
uint32_t RoundedRatio(uint32_t numerator, uint32_t denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

TEST(Bc1Block, WhiteToBlackFourColourPalette) {
  const auto palette = Bc1Palette(0xFFFF, 0x0000, false);
  EXPECT_EQ(palette[0], (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(palette[1], (Pixel{0, 0, 0, 255}));
  EXPECT_EQ(palette[2], (Pixel{170, 170, 170, 255}));
  EXPECT_EQ(palette[3], (Pixel{85, 85, 85, 255}));
}

TEST(Bc1Block, EqualColoursUseThreeColourModeWithTransparentBlack) {
  const uint16_t colour = Rgb565(3, 40, 17);
  const auto palette = Bc1Palette(colour, colour, false);
  EXPECT_EQ(palette[0], (Pixel{25, 162, 140, 255}));  // red 3 expands to 25, not 24
  EXPECT_EQ(palette[1], palette[0]);
  EXPECT_EQ(palette[2], palette[0]);
  EXPECT_EQ(palette[3], (Pixel{0, 0, 0, 0}));
}

TEST(Bc1Block, ThreeColourMidpointOfHalfStepRoundsUp) {
  // Colour 0 < colour 1 keeps three-colour mode; 255 * 31 / 62 = 127.5.
  const auto palette = Bc1Palette(Rgb565(0, 0, 0), Rgb565(31, 63, 31), false);
  EXPECT_EQ(palette[2], (Pixel{128, 128, 128, 255}));
}

TEST(Bc1Block, InterpolatesFromRawBitsNotFromExpandedEndpoints) {
  // Red 1 and 11 expand to 8 and 90; (2 * 8 + 90) / 3 would round to 35.
  const auto palette = Bc1Palette(Rgb565(1, 0, 0), Rgb565(11, 0, 0), true);
  EXPECT_EQ(palette[0][0], 8);
  EXPECT_EQ(palette[1][0], 90);
  EXPECT_EQ(palette[2][0], 36);
}

// Every endpoint pair of every channel against the exactly rounded rationals.
TEST(Bc1Block, EveryEntryIsTheRoundedRationalValue) {
  struct Channel {
    int index;
    uint32_t max;
    uint32_t shift;
  };
  for (const Channel channel : {Channel{0, 31, 11}, Channel{1, 63, 5}, Channel{2, 31, 0}}) {
    const uint32_t m = channel.max;
    for (uint32_t a = 0; a <= m; ++a) {
      for (uint32_t b = 0; b <= m; ++b) {
        const uint16_t colour0 = uint16_t(a << channel.shift);
        const uint16_t colour1 = uint16_t(b << channel.shift);
        const auto four = Bc1Palette(colour0, colour1, true);
        const int c = channel.index;
        ASSERT_EQ(four[0][c], RoundedRatio(255 * a, m)) << a;
        ASSERT_EQ(four[1][c], RoundedRatio(255 * b, m)) << b;
        ASSERT_EQ(four[2][c], RoundedRatio(255 * (2 * a + b), 3 * m)) << a << "," << b;
        ASSERT_EQ(four[3][c], RoundedRatio(255 * (a + 2 * b), 3 * m)) << a << "," << b;
        // The other channels are zero, so colour0 <= colour1 exactly when a <= b.
        if (a <= b) {
          const auto three = Bc1Palette(colour0, colour1, false);
          ASSERT_EQ(three[2][c], RoundedRatio(255 * (a + b), 2 * m)) << a << "," << b;
          ASSERT_EQ(three[3], (Pixel{0, 0, 0, 0}));
        } else {
          ASSERT_EQ(Bc1Palette(colour0, colour1, false), four) << a << "," << b;
        }
      }
    }
  }
}

TEST(Bc1Block, PixelsFollowTheIndexWordAndStride) {
  constexpr int32_t kStride = 20;
  const auto block = Bc1(0xFFFF, 0x0000, 0x1B1B1B1B);  // indices 3, 2, 1, 0 per row
  std::array<uint8_t, 3 * kStride + 16> buffer;
  buffer.fill(0xAA);
  DecodeBc1Block(block.data(), buffer.data(), kStride, false);
  const uint8_t grey[4] = {85, 170, 0, 255};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      const uint8_t* pixel = buffer.data() + row * kStride + 4 * column;
      EXPECT_EQ((Pixel{pixel[0], pixel[1], pixel[2], pixel[3]}),
                (Pixel{grey[column], grey[column], grey[column], 255}));
    }
    if (row < 3) {
      for (int gap = 16; gap < kStride; ++gap) EXPECT_EQ(buffer[row * kStride + gap], 0xAA);
    }
  }
}

TEST(Bc4Block, EightValueModeTruncates) {
  const auto values = Bc4Values(255, 0);
  const std::array<uint8_t, 8> expected = {255, 0, 218, 182, 145, 109, 72, 36};
  EXPECT_EQ(values, expected);
}

TEST(Bc4Block, EqualValuesUseSixValueModeWithZeroAnd255) {
  const std::array<uint8_t, 8> expected = {100, 100, 100, 100, 100, 100, 0, 255};
  EXPECT_EQ(Bc4Values(100, 100), expected);
  const std::array<uint8_t, 8> ramp = {0, 255, 51, 102, 153, 204, 0, 255};
  EXPECT_EQ(Bc4Values(0, 255), ramp);
}

TEST(Bc4Block, ContiguousBytesInPixelOrder) {
  const auto block = Bc4EachEntry(255, 0);
  std::array<uint8_t, 17> out;
  out.fill(0xAA);
  DecodeBc4Block(block.data(), out.data(), 4, 1);
  const uint8_t palette[8] = {255, 0, 218, 182, 145, 109, 72, 36};
  for (unsigned k = 0; k < 16; ++k) EXPECT_EQ(out[k], palette[k & 7]) << "pixel " << k;
  EXPECT_EQ(out[16], 0xAA);
}

TEST(Bc4Block, FillsOnlyTheAlphaBytesOfAnRgbaTile) {
  const auto block = Bc4EachEntry(255, 0);
  Tile tile;
  tile.fill(0xAA);
  DecodeBc4Block(block.data(), tile.data() + 3, 16, 4);
  const uint8_t palette[8] = {255, 0, 218, 182, 145, 109, 72, 36};
  for (unsigned k = 0; k < 16; ++k) {
    EXPECT_EQ((Pixel{tile[4 * k], tile[4 * k + 1], tile[4 * k + 2], tile[4 * k + 3]}),
              (Pixel{0xAA, 0xAA, 0xAA, palette[k & 7]}))
        << "pixel " << k;
  }
}

TEST(Bc3Block, ColourAlwaysInFourColourModeAlphaFromBc4) {
  // Colour 0 < colour 1 would be three-colour in BC1; here index 3 is two thirds on.
  std::array<uint8_t, 16> block;
  const auto alpha = Bc4EachEntry(255, 0);
  const auto colour = Bc1(Rgb565(1, 0, 0), Rgb565(11, 63, 31), kEachEntryPerRow);
  std::memcpy(block.data(), alpha.data(), 8);
  std::memcpy(block.data() + 8, colour.data(), 8);
  Tile tile{};
  DecodeBc3Block(block.data(), tile.data(), 16);
  const Pixel expected[8] = {{8, 0, 0, 255},    {90, 255, 255, 0},  {36, 85, 85, 218},
                             {63, 170, 170, 182}, {8, 0, 0, 145},   {90, 255, 255, 109},
                             {36, 85, 85, 72},  {63, 170, 170, 36}};
  for (unsigned k = 0; k < 16; ++k) {
    EXPECT_EQ((Pixel{tile[4 * k], tile[4 * k + 1], tile[4 * k + 2], tile[4 * k + 3]}),
              expected[k & 7])
        << "pixel " << k;
  }
}

}  // namespace
}  // namespace orvelle
