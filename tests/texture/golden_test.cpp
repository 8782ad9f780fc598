// Golden outputs: hashes of what every decoder produced before any speed work,
// over large fixed sets of generated blocks and frames. Faster code must give
// the very same bytes, so none of these constants may ever change.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/golden_data.h"
#include "tests/support/hap_frame_builder.h"
#include "texture/bc1_bc3_bc4.h"
#include "texture/bc6h.h"
#include "texture/bc7.h"
#include "texture/frame_to_rgba.h"
#include "texture/half_float.h"
#include "texture/srgb.h"

namespace orvelle {
namespace {

using testing::Compress;
using testing::Fnv1a;
using testing::GoldenTexture;
using testing::Instructions;
using testing::Le32Table;
using testing::MultiTexture;
using testing::Section;

constexpr size_t kBlocks = 1 << 16;
constexpr uint8_t kUntouched = 0xA5;  // fills each tile first, so stray writes show

std::string Hex(uint64_t value) {
  char text[19];
  std::snprintf(text, sizeof text, "0x%016" PRIX64, value);
  return text;
}

// Decodes every block of `blocks` into a tile of `tileBytes` pre-filled bytes
// and hashes the whole tile, untouched gaps included.
uint64_t HashTiles(const std::vector<uint8_t>& blocks, size_t blockBytes, size_t tileBytes,
                   const std::function<void(const uint8_t*, uint8_t*)>& decode) {
  std::vector<uint8_t> tile(tileBytes);
  uint64_t hash = Fnv1a(nullptr, 0);
  for (size_t offset = 0; offset < blocks.size(); offset += blockBytes) {
    std::fill(tile.begin(), tile.end(), kUntouched);
    decode(&blocks[offset], tile.data());
    hash = Fnv1a(tile.data(), tile.size(), hash);
  }
  return hash;
}

struct BlockCase {
  const char* name;
  TextureFormat blockSet;
  size_t tileBytes;
  std::function<void(const uint8_t*, uint8_t*)> decode;
  uint64_t expected;
};

uint16_t* Halves(uint8_t* tile) { return reinterpret_cast<uint16_t*>(tile); }
float* Floats(uint8_t* tile) { return reinterpret_cast<float*>(tile); }

// Every decoder at its natural stride and at one that leaves gaps between rows.
const std::vector<BlockCase>& BlockCases() {
  static const std::vector<BlockCase> cases = {
      {"Bc1", TexFmtRgbDxt1, 64,
       [](const uint8_t* b, uint8_t* t) { DecodeBc1Block(b, t, 16, false); }, 0xC3FE9A5FC4BE9BAF},
      {"Bc1Gaps", TexFmtRgbDxt1, 76,
       [](const uint8_t* b, uint8_t* t) { DecodeBc1Block(b, t, 20, false); }, 0x664A466AEFAD1DEC},
      {"Bc1FourColour", TexFmtRgbDxt1, 64,
       [](const uint8_t* b, uint8_t* t) { DecodeBc1Block(b, t, 16, true); }, 0x0BF7805B17338602},
      {"Bc4", TexFmtAlphaRgtc1, 16,
       [](const uint8_t* b, uint8_t* t) { DecodeBc4Block(b, t, 4, 1); }, 0x00AD7BF37C6E24A6},
      {"Bc4Gaps", TexFmtAlphaRgtc1, 49,
       [](const uint8_t* b, uint8_t* t) { DecodeBc4Block(b, t, 13, 3); }, 0xB3E30871B9DBBAB9},
      {"Bc3", TexFmtRgbaDxt5, 64, [](const uint8_t* b, uint8_t* t) { DecodeBc3Block(b, t, 16); },
       0x381D25CFE9784928},
      {"Bc3Gaps", TexFmtRgbaDxt5, 76,
       [](const uint8_t* b, uint8_t* t) { DecodeBc3Block(b, t, 20); }, 0xA3A67EE6DFE3556C},
      {"Bc7", TexFmtRgbaBptcUnorm, 64,
       [](const uint8_t* b, uint8_t* t) { DecodeBc7Block(b, t, 16); }, 0x82AC41A06E5B5F5E},
      {"Bc7Gaps", TexFmtRgbaBptcUnorm, 88,
       [](const uint8_t* b, uint8_t* t) { DecodeBc7Block(b, t, 24); }, 0x306BD21C16287349},
      {"Bc6hHalvesUnsigned", TexFmtRgbBptcUnsignedFloat, 96,
       [](const uint8_t* b, uint8_t* t) { DecodeBc6hBlock(b, Halves(t), 12, 0); },
       0x20A2E8520A01045A},
      {"Bc6hHalvesSigned", TexFmtRgbBptcSignedFloat, 96,
       [](const uint8_t* b, uint8_t* t) { DecodeBc6hBlock(b, Halves(t), 12, 1); },
       0xA96020F799A7E959},
      {"Bc6hHalvesGaps", TexFmtRgbBptcSignedFloat, 114,
       [](const uint8_t* b, uint8_t* t) { DecodeBc6hBlock(b, Halves(t), 15, 1); },
       0x737C8148C5E09908},
      {"Bc6hFloatsUnsigned", TexFmtRgbBptcUnsignedFloat, 192,
       [](const uint8_t* b, uint8_t* t) { DecodeBc6hBlockFloat(b, Floats(t), 12, 0); },
       0x2A6AF07D64901B4C},
      {"Bc6hFloatsSigned", TexFmtRgbBptcSignedFloat, 204,
       [](const uint8_t* b, uint8_t* t) { DecodeBc6hBlockFloat(b, Floats(t), 13, 1); },
       0x101564E2D7E27B4F},
      {"Bc6hRgba8Unsigned", TexFmtRgbBptcUnsignedFloat, 64,
       [](const uint8_t* b, uint8_t* t) { DecodeBc6hBlockRgba8(b, 0, t); }, 0xC7064FAA82784594},
      {"Bc6hRgba8Signed", TexFmtRgbBptcSignedFloat, 64,
       [](const uint8_t* b, uint8_t* t) { DecodeBc6hBlockRgba8(b, 1, t); }, 0x3C161BB6992EE177},
      {"YCoCgPixels", 0, 64,
       [](const uint8_t* b, uint8_t* t) {
         std::memcpy(t, b, 16);
         std::memcpy(t + 16, b, 16);
         std::memcpy(t + 32, b, 16);
         std::memcpy(t + 48, b, 16);
         ConvertScaledYCoCg(t);
       },
       0xC64BDA5C1CB4567D},
  };
  return cases;
}

TEST(GoldenBlocks, EveryDecoderKeepsItsOutput) {
  for (const BlockCase& c : BlockCases()) {
    const std::vector<uint8_t> blocks =
        GoldenTexture(c.blockSet, kBlocks, Fnv1a(c.name, std::strlen(c.name)));
    const size_t blockBytes = BytesPerBlock(c.blockSet) != 0 ? BytesPerBlock(c.blockSet) : 16;
    const uint64_t hash = HashTiles(blocks, blockBytes, c.tileBytes, c.decode);
    EXPECT_EQ(Hex(hash), Hex(c.expected)) << c.name;
  }
}

TEST(GoldenBlocks, DecodeBlockRgba8KeepsItsOutputForEveryFormat) {
  const struct {
    TextureFormat format;
    uint64_t expected;
  } cases[] = {{TexFmtRgbDxt1, 0x0451D181E87B4E3F},
               {TexFmtRgbaDxt5, 0x50FB529C34A732E8},
               {TexFmtYCoCgDxt5, 0xAA6B5E6D1E3DDFB4},
               {TexFmtAlphaRgtc1, 0x4E51F4CC24B0E61C},
               {TexFmtRgbaBptcUnorm, 0x7F19A03B84F4F43A},
               {TexFmtRgbBptcSignedFloat, 0x8FBFEAE22490E86B},
               {TexFmtRgbBptcUnsignedFloat, 0x69A3FF2CDC4D1ACB},
               {0x1234, 0xF8E3E56CE9222325}};
  for (const auto& c : cases) {
    const std::vector<uint8_t> blocks = GoldenTexture(c.format, kBlocks, c.format);
    const size_t blockBytes = BytesPerBlock(c.format) != 0 ? BytesPerBlock(c.format) : 16;
    const uint64_t hash = HashTiles(blocks, blockBytes, 64, [&](const uint8_t* b, uint8_t* t) {
      DecodeBlockRgba8(b, c.format, t);
    });
    EXPECT_EQ(Hex(hash), Hex(c.expected)) << "format " << c.format;
  }
}

TEST(GoldenBlocks, HalfWideningAndSrgbKeepTheirOutput) {
  uint64_t widened = Fnv1a(nullptr, 0);
  uint64_t mapped = Fnv1a(nullptr, 0);
  for (uint32_t h = 0; h <= 0xFFFF; ++h) {
    const float x = HalfToFloat(static_cast<uint16_t>(h));
    widened = Fnv1a(&x, sizeof x, widened);
    const float positive = x < 0.0f ? 0.0f : x;
    const uint8_t byte = EncodeSrgb8(positive / (positive + 1.0f));
    mapped = Fnv1a(&byte, 1, mapped);
  }
  // Every 1021st float bit pattern: the whole range, negatives, infinities and NaNs.
  uint64_t encoded = Fnv1a(nullptr, 0);
  for (uint64_t bits = 0; bits <= UINT32_MAX; bits += 1021) {
    float y;
    const auto pattern = static_cast<uint32_t>(bits);
    std::memcpy(&y, &pattern, sizeof y);
    const uint8_t byte = EncodeSrgb8(y);
    encoded = Fnv1a(&byte, 1, encoded);
  }
  EXPECT_EQ(Hex(widened), Hex(0xB0659868EC053145ull));
  EXPECT_EQ(Hex(mapped), Hex(0x5A6F1936D3DFC038ull));
  EXPECT_EQ(Hex(encoded), Hex(0x48453B57C04D165Aull));
}

// One frame of each layout the conversion walks, stored plainly, with Snappy
// or in two chunks, at sizes with and without partial edge blocks.
struct FrameCase {
  const char* name;
  uint32_t width, height;
  std::vector<uint8_t> frame;
  uint64_t expected;
};

size_t BlockCount(uint32_t width, uint32_t height) {
  return size_t{(width + 3) / 4} * ((height + 3) / 4);
}

std::vector<uint8_t> Texture(TextureFormat format, uint32_t width, uint32_t height, uint64_t seed) {
  return GoldenTexture(format, BlockCount(width, height), seed);
}

std::vector<uint8_t> TwoChunks(uint8_t formatNibble, const std::vector<uint8_t>& texture) {
  const std::vector<uint8_t> first(texture.begin(), texture.begin() + texture.size() / 2);
  const std::vector<uint8_t> second =
      Compress({texture.begin() + texture.size() / 2, texture.end()});
  const std::vector<uint8_t> tables =
      Instructions({CompressorNone, CompressorSnappy},
                   Le32Table({uint32_t(first.size()), uint32_t(second.size())}));
  return Section(0xC0 | formatNibble, testing::Concat({tables, first, second}));
}

std::vector<FrameCase> FrameCases() {
  const struct {
    const char* name;
    uint8_t nibble;
    TextureFormat format;
  } formats[] = {{"Bc1", 0xB, TexFmtRgbDxt1},
                 {"Bc3", 0xE, TexFmtRgbaDxt5},
                 {"YCoCg", 0xF, TexFmtYCoCgDxt5},
                 {"Bc4", 0x1, TexFmtAlphaRgtc1},
                 {"Bc7", 0xC, TexFmtRgbaBptcUnorm},
                 {"Bc6hU", 0x2, TexFmtRgbBptcUnsignedFloat},
                 {"Bc6hS", 0x3, TexFmtRgbBptcSignedFloat}};
  const uint32_t sizes[][2] = {{1030, 582}, {5, 3}, {4, 4}, {1, 1}, {17, 1}, {3, 9}};
  std::vector<FrameCase> cases;
  uint64_t seed = 1;
  for (const auto& f : formats) {
    for (const auto& size : sizes) {
      const std::vector<uint8_t> texture = Texture(f.format, size[0], size[1], seed++);
      std::vector<uint8_t> frame;
      switch (seed % 3) {
        case 0:
          frame = Section(0xA0 | f.nibble, texture);
          break;
        case 1:
          frame = Section(0xB0 | f.nibble, Compress(texture));
          break;
        default:
          frame = TwoChunks(f.nibble, texture);
          break;
      }
      cases.push_back({f.name, size[0], size[1], frame, 0});
    }
  }
  for (const uint8_t colour : {0xE, 0xF}) {
    const TextureFormat format = colour == 0xE ? TexFmtRgbaDxt5 : TexFmtYCoCgDxt5;
    for (const auto& size : sizes) {
      const std::vector<uint8_t> colourSection =
          Section(0xA0 | colour, Texture(format, size[0], size[1], seed++));
      const std::vector<uint8_t> alphaSection =
          Section(0xB1, Compress(Texture(TexFmtAlphaRgtc1, size[0], size[1], seed++)));
      cases.push_back({colour == 0xE ? "Bc3+Alpha" : "YCoCg+Alpha", size[0], size[1],
                       MultiTexture({colourSection, alphaSection}), 0});
      cases.push_back({colour == 0xE ? "Alpha+Bc3" : "Alpha+YCoCg", size[0], size[1],
                       MultiTexture({alphaSection, colourSection}), 0});
    }
  }
  return cases;
}

// In case order: the 42 single-texture frames, then 24 two-texture frames.
constexpr uint64_t kFrameHashes[] = {
    0xB41DB258B89C7E48ull, 0x3222A6DA73462BDAull, 0x32A3347D1E44724Dull, 0xDA237E31BA6DCAACull,
    0xD311ADFD02B05622ull, 0xA3C1442AFF938FA2ull, 0xB9BACC5589E4C742ull, 0xDBD9BA78A878A92Dull,
    0x12D7625FABB5D5CCull, 0x4A3825DA6A6B83D4ull, 0x86B5B572DDC47DA7ull, 0x815899180DD4FDA5ull,
    0x3A7ED30C9ECB9AFFull, 0x8F53A904E63E2026ull, 0x7AFA96BCFA1C8867ull, 0x16F7BB192BA224C2ull,
    0x0E96CEDF2D8A6A0Dull, 0x272015CDA98DC986ull, 0x91283A30136BC280ull, 0x227CFA8CD12A1E1Eull,
    0xC682181FFF01303Full, 0x64DB5AEF7A605916ull, 0x348F7D489E40E858ull, 0xEABBFD67AE7B81B2ull,
    0x2C90D6B8D0F20B9Cull, 0x4F74BC1ED220BC18ull, 0xAB12110B61F73A0Bull, 0xB210646C4DC2DEDAull,
    0x62B43F198E876E44ull, 0x431D3ECFFA95A840ull, 0xF1F775D75780B58Eull, 0xC6BA55FEC456036Aull,
    0xC98EAE0D91C19437ull, 0x075071D8E31F4047ull, 0xD7BB23DB9778D8C8ull, 0x091DE00E6EC6785Full,
    0xF74C5AF5F0D1EBF0ull, 0x041DD62A695B97ACull, 0x9612B85FA4202796ull, 0x9F1F02FABFE48F34ull,
    0x659BA5F2E7E2FA62ull, 0x2961D979451692F8ull, 0x4C819467D13FD145ull, 0x4C819467D13FD145ull,
    0xBCCF44489CE7E6EBull, 0xBCCF44489CE7E6EBull, 0x480D2796314C3545ull, 0x480D2796314C3545ull,
    0xC72DF62E6AB18655ull, 0xC72DF62E6AB18655ull, 0xDA1BEAC7ABFF1037ull, 0xDA1BEAC7ABFF1037ull,
    0x6C2F92F66189A660ull, 0x6C2F92F66189A660ull, 0x72CCCAA20678F311ull, 0x72CCCAA20678F311ull,
    0x29467AE22CE5F753ull, 0x29467AE22CE5F753ull, 0x9813ED6899371C42ull, 0x9813ED6899371C42ull,
    0x8683DC67A4A47953ull, 0x8683DC67A4A47953ull, 0xD8F1E4165CF31C4Aull, 0xD8F1E4165CF31C4Aull,
    0x7BC9CEF8441CF80Dull, 0x7BC9CEF8441CF80Dull,
};

TEST(GoldenFrames, DecodeFrameToRgbaKeepsItsOutput) {
  const std::vector<FrameCase> cases = FrameCases();
  std::string actual;
  for (size_t i = 0; i < cases.size(); ++i) {
    const FrameCase& c = cases[i];
    // Rows 12 bytes apart, so that writes between them show.
    const uint64_t stride = uint64_t{c.width} * 4 + 12;
    std::vector<uint8_t> image(stride * c.height, kUntouched);
    ASSERT_EQ(
        DecodeFrameToRgba(c.frame.data(), c.frame.size(), c.width, c.height, image.data(), stride),
        ThumbOk)
        << c.name;
    const uint64_t hash = Fnv1a(image);
    actual += Hex(hash) + ",\n";
    if (i < std::size(kFrameHashes)) {
      EXPECT_EQ(Hex(hash), Hex(kFrameHashes[i])) << c.name << " " << c.width << "x" << c.height;
    }
  }
  EXPECT_EQ(std::size(kFrameHashes), cases.size()) << actual;
}

}  // namespace
}  // namespace orvelle
