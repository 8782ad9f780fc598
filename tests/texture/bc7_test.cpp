#include "texture/bc7.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "tests/texture/bc7_block_builder.h"
#include "texture/bptc_tables.h"

namespace orvelle {
namespace {

using testing::Bc7Block;
using testing::Bc7Fields;
using testing::PackBc7Block;
using Pixel = std::array<uint8_t, 4>;
using Tile = std::array<uint8_t, 64>;

// A full-range endpoint pair (0 to 255) interpolated at each weight of the tables.
constexpr uint8_t kRamp2[4] = {0, 84, 171, 255};
constexpr uint8_t kRamp3[8] = {0, 36, 72, 108, 147, 183, 219, 255};
constexpr uint8_t kRamp4[16] = {0, 16, 36, 52, 68, 84, 104, 120, 135, 151, 171, 187, 203, 219, 239, 255};

Tile Decode(const Bc7Block& block) {
  Tile tile;
  tile.fill(0xAA);
  DecodeBc7Block(block.data(), tile.data(), 16);
  return tile;
}

Pixel PixelAt(const Tile& tile, unsigned pixel) {
  return {tile[4 * pixel], tile[4 * pixel + 1], tile[4 * pixel + 2], tile[4 * pixel + 3]};
}

void ExpectPixels(const Tile& tile, const std::vector<std::pair<unsigned, Pixel>>& expected) {
  for (const auto& [pixel, value] : expected) {
    EXPECT_EQ(PixelAt(tile, pixel), value) << "pixel " << pixel;
  }
}

void SetEndpoint(Bc7Fields& f, unsigned e, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 0) {
  f.endpoints[e][0] = r;
  f.endpoints[e][1] = g;
  f.endpoints[e][2] = b;
  f.endpoints[e][3] = a;
}

TEST(Bc7PartitionTable, EveryRowHasOneAnchorPerSubsetAndPixelZeroAnchorsSubsetZero) {
  for (unsigned row = 0; row < 128; ++row) {
    const unsigned subsets = row < 64 ? 2 : 3;
    unsigned anchorsPerSubset[3] = {};
    unsigned pixelsPerSubset[3] = {};
    for (unsigned p = 0; p < 16; ++p) {
      const Bc7PartitionEntry entry = kBc7Partitions[row][p];
      ASSERT_EQ(entry & ~(kBc7AnchorFlag | kBc7SubsetMask), 0) << "row " << row;
      const unsigned subset = entry & kBc7SubsetMask;
      ASSERT_LT(subset, subsets) << "row " << row;
      ++pixelsPerSubset[subset];
      if (entry & kBc7AnchorFlag) ++anchorsPerSubset[subset];
    }
    EXPECT_EQ(kBc7Partitions[row][0], kBc7AnchorFlag) << "row " << row;
    for (unsigned s = 0; s < subsets; ++s) {
      EXPECT_EQ(anchorsPerSubset[s], 1u) << "row " << row << " subset " << s;
      EXPECT_GT(pixelsPerSubset[s], 0u) << "row " << row << " subset " << s;
    }
  }
}

TEST(Bc7Block, ReservedModeGivesTransparentBlackWhateverTheOtherBytes) {
  std::mt19937 rng(7);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(Decode(testing::RandomBc7Block(rng, 8)), Tile{});
  }
}

TEST(Bc7Block, Mode6AllZeroAndAllOneFields) {
  Bc7Block zeros{};
  zeros[0] = 0x40;
  EXPECT_EQ(Decode(zeros), Tile{});

  Bc7Block ones;
  ones.fill(0xFF);
  ones[0] = 0xC0;
  Tile white;
  white.fill(255);
  EXPECT_EQ(Decode(ones), white);
}

TEST(Bc7Block, Mode6FirstFieldIsFirstRedEndpointWithItsPbitBelow) {
  const Bc7Block block{0xC0, 0x3F};
  const Tile tile = Decode(block);
  for (unsigned p = 0; p < 16; ++p) EXPECT_EQ(PixelAt(tile, p), (Pixel{254, 0, 0, 0}));
}

TEST(Bc7Block, Mode6FourBitIndicesFollowTheWeightTable) {
  Bc7Fields f;
  f.mode = 6;
  SetEndpoint(f, 0, 0, 0, 0, 0);
  SetEndpoint(f, 1, 127, 127, 127, 127);
  f.pbits[1] = 1;
  for (unsigned p = 0; p < 16; ++p) f.primary[p] = static_cast<uint8_t>(p);
  const Tile tile = Decode(PackBc7Block(f));
  for (unsigned p = 0; p < 16; ++p) {
    const uint8_t v = kRamp4[p];
    EXPECT_EQ(PixelAt(tile, p), (Pixel{v, v, v, v})) << "pixel " << p;
  }
}

TEST(Bc7Block, ModesWithoutAlphaAreOpaque) {
  std::mt19937 rng(11);
  for (unsigned mode = 0; mode < 4; ++mode) {
    for (int i = 0; i < 500; ++i) {
      const Tile tile = Decode(testing::RandomBc7Block(rng, mode));
      for (unsigned p = 0; p < 16; ++p) ASSERT_EQ(tile[4 * p + 3], 255) << "mode " << mode;
    }
  }
}

// Three subsets, per-endpoint p-bits; anchors at pixels 0, 8 and 15 carry 2-bit indices.
TEST(Bc7Block, Mode0KnownAnswer) {
  Bc7Fields f;
  f.mode = 0;
  f.partition = 8;  // rows 0-1 subset 0, row 2 subset 1, row 3 subset 2
  SetEndpoint(f, 0, 1, 2, 3);
  SetEndpoint(f, 1, 15, 14, 13);
  SetEndpoint(f, 2, 4, 5, 6);
  SetEndpoint(f, 3, 7, 8, 9);
  SetEndpoint(f, 4, 10, 11, 12);
  SetEndpoint(f, 5, 0, 15, 3);
  const uint8_t pbits[6] = {1, 0, 0, 1, 1, 0};
  std::memcpy(f.pbits, pbits, 6);
  f.primary[1] = 7;
  f.primary[8] = 3;
  f.primary[9] = 7;
  f.primary[13] = 7;
  f.primary[15] = 3;
  ExpectPixels(Decode(PackBc7Block(f)), {{0, {24, 41, 57, 255}},
                                         {1, {247, 231, 214, 255}},
                                         {8, {90, 106, 123, 255}},
                                         {9, {123, 140, 156, 255}},
                                         {12, {173, 189, 206, 255}},
                                         {13, {0, 247, 49, 255}},
                                         {15, {100, 213, 140, 255}}});
}

// Two subsets sharing one p-bit each: 1 for both endpoints of subset 0, 0 for subset 1.
TEST(Bc7Block, Mode1KnownAnswer) {
  Bc7Fields f;
  f.mode = 1;
  f.partition = 13;  // rows 0-1 subset 0, rows 2-3 subset 1
  SetEndpoint(f, 0, 10, 20, 30);
  SetEndpoint(f, 1, 63, 0, 33);
  SetEndpoint(f, 2, 5, 40, 62);
  SetEndpoint(f, 3, 1, 2, 3);
  f.pbits[0] = 1;
  f.primary[1] = 7;
  f.primary[2] = 4;
  f.primary[9] = 7;
  f.primary[15] = 3;
  ExpectPixels(Decode(PackBc7Block(f)), {{0, {42, 82, 122, 255}},
                                         {1, {255, 2, 135, 255}},
                                         {2, {165, 36, 130, 255}},
                                         {8, {20, 161, 249, 255}},
                                         {9, {4, 8, 12, 255}},
                                         {15, {13, 96, 149, 255}}});
}

// Three subsets without p-bits; subset 2's anchor (pixel 3) precedes subset 1's (pixel 15).
TEST(Bc7Block, Mode2KnownAnswer) {
  Bc7Fields f;
  f.mode = 2;
  f.partition = 19;
  SetEndpoint(f, 0, 0, 31, 16);
  SetEndpoint(f, 1, 31, 0, 8);
  SetEndpoint(f, 2, 1, 2, 4);
  SetEndpoint(f, 3, 8, 16, 24);
  SetEndpoint(f, 4, 3, 7, 24);
  SetEndpoint(f, 5, 28, 12, 30);
  f.primary[1] = 2;
  f.primary[2] = 3;
  f.primary[3] = 1;
  f.primary[4] = 3;
  f.primary[12] = 3;
  ExpectPixels(Decode(PackBc7Block(f)), {{0, {0, 255, 132, 255}},
                                         {1, {171, 84, 88, 255}},
                                         {2, {231, 99, 247, 255}},
                                         {3, {92, 71, 214, 255}},
                                         {4, {255, 0, 66, 255}},
                                         {12, {66, 132, 198, 255}},
                                         {15, {8, 16, 33, 255}}});
}

// Partition 35 anchors subset 1 at pixel 8, not at its first pixel 2.
TEST(Bc7Block, Mode3KnownAnswer) {
  Bc7Fields f;
  f.mode = 3;
  f.partition = 35;
  SetEndpoint(f, 0, 127, 0, 64);
  SetEndpoint(f, 1, 0, 127, 1);
  SetEndpoint(f, 2, 100, 50, 25);
  SetEndpoint(f, 3, 33, 66, 99);
  const uint8_t pbits[4] = {1, 0, 0, 1};
  std::memcpy(f.pbits, pbits, 4);
  f.primary[1] = 3;
  f.primary[2] = 3;
  f.primary[3] = 2;
  f.primary[8] = 1;
  f.primary[10] = 2;
  ExpectPixels(Decode(PackBc7Block(f)), {{0, {255, 1, 129, 255}},
                                         {1, {0, 254, 2, 255}},
                                         {2, {67, 133, 199, 255}},
                                         {3, {111, 122, 150, 255}},
                                         {8, {156, 111, 99, 255}},
                                         {10, {84, 171, 44, 255}}});
}

// Two subsets with colour and alpha, per-endpoint p-bits.
TEST(Bc7Block, Mode7KnownAnswer) {
  Bc7Fields f;
  f.mode = 7;
  f.partition = 0;  // columns 0-1 subset 0, columns 2-3 subset 1
  SetEndpoint(f, 0, 31, 0, 10, 20);
  SetEndpoint(f, 1, 0, 31, 5, 31);
  SetEndpoint(f, 2, 16, 8, 4, 0);
  SetEndpoint(f, 3, 1, 2, 3, 15);
  const uint8_t pbits[4] = {0, 1, 1, 0};
  std::memcpy(f.pbits, pbits, 4);
  f.primary[1] = 3;
  f.primary[3] = 3;
  f.primary[4] = 1;
  f.primary[15] = 1;
  ExpectPixels(Decode(PackBc7Block(f)), {{0, {251, 0, 81, 162}},
                                         {1, {4, 255, 44, 255}},
                                         {2, {134, 69, 36, 4}},
                                         {3, {8, 16, 24, 121}},
                                         {4, {170, 84, 69, 193}},
                                         {15, {93, 52, 32, 42}}});
}

// Colour and alpha each run 0 to 255, so a channel shows the weight that drove it.
TEST(Bc7Block, Mode4IndexSelectorChoosesWhichIndicesDriveColour) {
  for (unsigned selector = 0; selector < 2; ++selector) {
    Bc7Fields f;
    f.mode = 4;
    f.selector = selector;
    SetEndpoint(f, 0, 0, 0, 0, 0);
    SetEndpoint(f, 1, 31, 31, 31, 63);
    for (unsigned p = 0; p < 16; ++p) {
      f.primary[p] = static_cast<uint8_t>(p & 3);
      f.secondary[p] = static_cast<uint8_t>(7 - (p & 7));
    }
    f.primary[0] = 1;  // anchors hold one bit fewer
    f.secondary[0] = 3;
    const Tile tile = Decode(PackBc7Block(f));
    for (unsigned p = 0; p < 16; ++p) {
      const uint8_t twoBit = kRamp2[f.primary[p]];
      const uint8_t threeBit = kRamp3[f.secondary[p]];
      const uint8_t colour = selector ? threeBit : twoBit;
      const uint8_t alpha = selector ? twoBit : threeBit;
      EXPECT_EQ(PixelAt(tile, p), (Pixel{colour, colour, colour, alpha}))
          << "selector " << selector << " pixel " << p;
    }
  }
}

// Unrotated, pixels 1-15 are (20, 84, 40, 0); swapping the endpoints before
// interpolating would give green 171 instead.
TEST(Bc7Block, Mode5RotationSwapsChannelsAfterInterpolation) {
  const Pixel rotated[4] = {{20, 84, 40, 0}, {0, 84, 40, 20}, {20, 0, 40, 84}, {20, 84, 0, 40}};
  // Pixel 0's alpha index is 1 bit shorter, so it uses index 1: alpha 171.
  const Pixel rotatedPixel0[4] = {
      {20, 84, 40, 171}, {171, 84, 40, 20}, {20, 171, 40, 84}, {20, 84, 171, 40}};
  for (unsigned rotation = 0; rotation < 4; ++rotation) {
    Bc7Fields f;
    f.mode = 5;
    f.rotation = rotation;
    SetEndpoint(f, 0, 10, 0, 20, 255);
    SetEndpoint(f, 1, 10, 127, 20, 0);
    for (unsigned p = 0; p < 16; ++p) {
      f.primary[p] = 1;
      f.secondary[p] = 3;
    }
    f.secondary[0] = 1;
    const Tile tile = Decode(PackBc7Block(f));
    EXPECT_EQ(PixelAt(tile, 0), rotatedPixel0[rotation]) << "rotation " << rotation;
    for (unsigned p = 1; p < 16; ++p) {
      EXPECT_EQ(PixelAt(tile, p), rotated[rotation]) << "rotation " << rotation << " pixel " << p;
    }
  }
}

TEST(Bc7Block, WiderStrideLeavesTheGapsUntouched) {
  constexpr int32_t kStride = 24;
  std::mt19937 rng(3);
  for (unsigned mode = 0; mode <= 8; ++mode) {
    const Bc7Block block = testing::RandomBc7Block(rng, mode);
    std::array<uint8_t, 3 * kStride + 16> buffer;
    buffer.fill(0xAA);
    DecodeBc7Block(block.data(), buffer.data(), kStride);
    const Tile packed = Decode(block);
    for (int row = 0; row < 4; ++row) {
      EXPECT_EQ(std::memcmp(buffer.data() + row * kStride, packed.data() + row * 16, 16), 0);
      if (row < 3) {
        for (int gap = 16; gap < kStride; ++gap) EXPECT_EQ(buffer[row * kStride + gap], 0xAA);
      }
    }
  }
}

}  // namespace
}  // namespace orvelle
