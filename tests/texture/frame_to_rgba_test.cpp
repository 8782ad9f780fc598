#include "texture/frame_to_rgba.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/input_limits.h"
#include "tests/support/hap_frame_builder.h"
#include "tests/support/random_bytes.h"
#include "texture/bc1_bc3_bc4.h"
#include "texture/bc6h.h"
#include "texture/bc7.h"

namespace orvelle {
namespace {

using testing::MultiTexture;
using testing::RandomBytes;
using testing::Section;

constexpr uint8_t kPlainBc1 = 0xAB, kPlainBc3 = 0xAE, kPlainYCoCg = 0xAF, kPlainBc4 = 0xA1,
                  kPlainBc7 = 0xAC, kPlainBc6hUnsigned = 0xA2, kPlainBc6hSigned = 0xA3;

struct Image {
  uint32_t width, height;
  uint64_t stride;
  std::vector<uint8_t> pixels;

  Image(uint32_t w, uint32_t h, uint64_t s, uint8_t fill = 0xCD)
      : width(w), height(h), stride(s), pixels(s * h, fill) {}
  ThumbStatus Decode(const std::vector<uint8_t>& frame) {
    return DecodeFrameToRgba(frame.data(), frame.size(), width, height, pixels.data(), stride);
  }
  const uint8_t* At(uint32_t x, uint32_t y) const { return &pixels[y * stride + x * 4]; }
};

// What the image must hold: each block decoded on its own, placed at its spot.
void ExpectBlocksPlaced(const Image& image, const std::vector<uint8_t>& texture, TextureFormat format,
                        const std::vector<uint8_t>* alphaPlane = nullptr) {
  const uint32_t across = (image.width + 3) / 4, bytes = BytesPerBlock(format);
  for (uint32_t y = 0; y < image.height; ++y) {
    for (uint32_t x = 0; x < image.width; ++x) {
      const uint32_t block = (y / 4) * across + x / 4, k = (y % 4) * 4 + x % 4;
      uint8_t decoded[64];
      DecodeBlockRgba8(&texture[block * bytes], format, decoded);
      if (alphaPlane != nullptr) {
        uint8_t alpha[16];
        DecodeBc4Block(&(*alphaPlane)[block * 8], alpha, 4, 1);
        decoded[4 * k + 3] = alpha[k];
      }
      ASSERT_EQ(std::vector<uint8_t>(image.At(x, y), image.At(x, y) + 4),
                std::vector<uint8_t>(decoded + 4 * k, decoded + 4 * k + 4))
          << "pixel " << x << "," << y;
    }
  }
}

TEST(DecodeFrameToRgba, RejectsArgumentsBeforeLookingAtTheFrame) {
  const std::vector<uint8_t> frame = Section(kPlainBc1, std::vector<uint8_t>(8));
  std::vector<uint8_t> out((kMaxFrameEdge + 1) * 4);
  EXPECT_EQ(DecodeFrameToRgba(nullptr, 12, 1, 1, out.data(), 4), ThumbInvalidArgument);
  EXPECT_EQ(DecodeFrameToRgba(frame.data(), 12, 1, 1, nullptr, 4), ThumbInvalidArgument);
  EXPECT_EQ(DecodeFrameToRgba(frame.data(), 12, 0, 1, out.data(), 4), ThumbInvalidArgument);
  EXPECT_EQ(DecodeFrameToRgba(frame.data(), 12, 1, 0, out.data(), 4), ThumbInvalidArgument);
  EXPECT_EQ(DecodeFrameToRgba(frame.data(), 12, kMaxFrameEdge + 1, 1, out.data(), (kMaxFrameEdge + 1) * 4),
            ThumbInvalidArgument);
  EXPECT_EQ(DecodeFrameToRgba(frame.data(), 12, 1, kMaxFrameEdge + 1, out.data(), 4), ThumbInvalidArgument);
  EXPECT_EQ(DecodeFrameToRgba(frame.data(), 12, 3, 1, out.data(), 11), ThumbInvalidArgument);
  EXPECT_EQ(DecodeFrameToRgba(frame.data(), 0, 1, 1, out.data(), 4), ThumbBadData);
}

TEST(DecodeFrameToRgba, AcceptsTheLargestEdge) {
  const std::vector<uint8_t> frame = Section(kPlainBc1, std::vector<uint8_t>(4096 * 8));
  Image image(kMaxFrameEdge, 1, kMaxFrameEdge * 4);
  EXPECT_EQ(image.Decode(frame), ThumbOk);
}

TEST(DecodeFrameToRgba, ClipsBlocksAtTheRightAndBottomEdges) {
  // 5 x 3 pixels: a 2 x 1 block grid of 16 texture bytes.
  const std::vector<uint8_t> texture = RandomBytes(16, 1);
  Image image(5, 3, 5 * 4 + 8);
  ASSERT_EQ(image.Decode(Section(kPlainBc1, texture)), ThumbOk);
  ExpectBlocksPlaced(image, texture, TexFmtRgbDxt1);
  for (uint32_t y = 0; y < 3; ++y) {
    for (size_t i = 20; i < 28; ++i) EXPECT_EQ(image.pixels[y * image.stride + i], 0xCD);
  }
}

TEST(DecodeFrameToRgba, DecodesEverySingleTextureFormat) {
  const struct {
    uint8_t type;
    TextureFormat format;
  } cases[] = {{kPlainBc1, TexFmtRgbDxt1},         {kPlainBc3, TexFmtRgbaDxt5},
               {kPlainYCoCg, TexFmtYCoCgDxt5},     {kPlainBc4, TexFmtAlphaRgtc1},
               {kPlainBc7, TexFmtRgbaBptcUnorm},   {kPlainBc6hUnsigned, TexFmtRgbBptcUnsignedFloat},
               {kPlainBc6hSigned, TexFmtRgbBptcSignedFloat}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    const std::vector<uint8_t> texture = RandomBytes(3 * 2 * BytesPerBlock(c.format), c.type);
    Image image(10, 7, 40);
    ASSERT_EQ(image.Decode(Section(c.type, texture)), ThumbOk);
    ExpectBlocksPlaced(image, texture, c.format);
  }
}

TEST(DecodeFrameToRgba, MergesTheAlphaPlaneInEitherTextureOrder) {
  for (const uint8_t colourType : {kPlainYCoCg, kPlainBc3}) {
    const TextureFormat colourFormat = colourType == kPlainYCoCg ? TexFmtYCoCgDxt5 : TexFmtRgbaDxt5;
    const std::vector<uint8_t> colour = RandomBytes(4 * 16, colourType);
    const std::vector<uint8_t> alpha = RandomBytes(4 * 8, 99);
    Image first(7, 6, 28), second(7, 6, 28);
    ASSERT_EQ(first.Decode(MultiTexture({Section(kPlainBc4, alpha),
                                            Section(colourType, colour)})),
              ThumbOk);
    ASSERT_EQ(second.Decode(MultiTexture({Section(colourType, colour),
                                             Section(kPlainBc4, alpha)})),
              ThumbOk);
    EXPECT_EQ(first.pixels, second.pixels);
    ExpectBlocksPlaced(first, colour, colourFormat, &alpha);
  }
}

TEST(DecodeFrameToRgba, UnsupportedPairsLeaveTheImageUntouched) {
  const std::vector<uint8_t> bc1 = Section(kPlainBc1, RandomBytes(8, 3));
  const std::vector<uint8_t> bc4 = Section(kPlainBc4, RandomBytes(8, 4));
  const std::vector<uint8_t> bc7 = Section(kPlainBc7, RandomBytes(16, 5));
  for (const auto& frame : {MultiTexture({bc1, bc4}), MultiTexture({bc4, bc4}),
                            MultiTexture({bc7, bc1})}) {
    Image image(4, 4, 16);
    EXPECT_EQ(image.Decode(frame), ThumbUnsupported);
    EXPECT_EQ(image.pixels, std::vector<uint8_t>(64, 0xCD));
  }
}

TEST(DecodeFrameToRgba, BadFramesAreBadData) {
  const std::vector<uint8_t> bc1 = Section(kPlainBc1, RandomBytes(8, 6));
  const std::vector<uint8_t> frames[] = {
      MultiTexture({bc1, bc1, bc1}),          // three textures
      MultiTexture({}),                       // none
      Section(0xA4, RandomBytes(8, 8)),       // no format
      {0x08, 0x00},                              // truncated header
      // A bad second texture wins over an unsupported pair.
      MultiTexture({bc1, Section(0xD1, RandomBytes(8, 9))}),
  };
  for (size_t i = 0; i < std::size(frames); ++i) {
    Image image(4, 4, 16);
    EXPECT_EQ(image.Decode(frames[i]), ThumbBadData) << "frame " << i;
    EXPECT_EQ(image.pixels, std::vector<uint8_t>(64, 0xCD));
  }
}

TEST(DecodeBlockRgba8, Bc1TransparentEntryComesOutOpaqueBlack) {
  // Equal colours: three-colour mode; every index 3.
  const uint8_t block[8] = {0x1F, 0x00, 0x1F, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
  uint8_t pixels[64];
  DecodeBlockRgba8(block, TexFmtRgbDxt1, pixels);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(std::vector<uint8_t>(pixels + 4 * k, pixels + 4 * k + 4),
              (std::vector<uint8_t>{0, 0, 0, 255}));
  }
}

TEST(DecodeBlockRgba8, SingleAlphaPlaneIsOpaqueGrey) {
  const uint8_t block[8] = {77, 77, 0, 0, 0, 0, 0, 0};
  uint8_t pixels[64];
  DecodeBlockRgba8(block, TexFmtAlphaRgtc1, pixels);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(std::vector<uint8_t>(pixels + 4 * k, pixels + 4 * k + 4),
              (std::vector<uint8_t>{77, 77, 77, 255}));
  }
}

TEST(DecodeBlockRgba8, UnknownFormatGivesZeroes) {
  uint8_t pixels[64];
  std::fill(std::begin(pixels), std::end(pixels), 0xEE);
  DecodeBlockRgba8(RandomBytes(16, 10).data(), 0x1234, pixels);
  EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + 64), std::vector<uint8_t>(64, 0));
}

TEST(ConvertScaledYCoCg, MatchesTheWorkedPixels) {
  uint8_t pixels[64] = {};
  const uint8_t inputs[2][4] = {{0, 0, 0, 255}, {128, 128, 255, 100}};
  const uint8_t expected[2][4] = {{255, 128, 255, 255}, {100, 100, 100, 255}};
  for (int k = 0; k < 16; ++k) std::copy(inputs[k % 2], inputs[k % 2] + 4, pixels + 4 * k);
  ConvertScaledYCoCg(pixels);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(std::vector<uint8_t>(pixels + 4 * k, pixels + 4 * k + 4),
              std::vector<uint8_t>(expected[k % 2], expected[k % 2] + 4))
        << "pixel " << k;
  }
}

}  // namespace
}  // namespace orvelle
