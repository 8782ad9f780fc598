// Golden outputs of the pipeline: hashes of the thumbnails that the code gave
// before any speed work, for generated movies of every codec, and of the
// downscaler over shapes that reach each of its paths. They must never change.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/downscale.h"
#include "core/thumbnail.h"
#include "tests/support/atom_builder.h"
#include "tests/support/golden_data.h"
#include "tests/support/hap_frame_builder.h"
#include "tests/support/memory_source.h"

namespace orvelle {
namespace {

using testing::BuildHapMovie;
using testing::Compress;
using testing::Fnv1a;
using testing::GoldenBytes;
using testing::GoldenTexture;
using testing::HapMovie;
using testing::MemorySource;
using testing::MultiTexture;
using testing::Section;

std::string Hex(uint64_t value) {
  char text[19];
  std::snprintf(text, sizeof text, "0x%016" PRIX64, value);
  return text;
}

struct Codec {
  const char* fourcc;
  uint8_t colourType;  // texture section type byte
  TextureFormat colourFormat;
  bool alphaPlane;  // a second, BC4 texture
};

constexpr Codec kCodecs[] = {
    {"Hap1", 0xAB, TexFmtRgbDxt1, false},
    {"Hap5", 0xBE, TexFmtRgbaDxt5, false},
    {"HapY", 0xAF, TexFmtYCoCgDxt5, false},
    {"HapM", 0xBF, TexFmtYCoCgDxt5, true},
    {"HapA", 0xA1, TexFmtAlphaRgtc1, false},
    {"Hap7", 0xBC, TexFmtRgbaBptcUnorm, false},
    {"HapH", 0xA2, TexFmtRgbBptcUnsignedFloat, false},
    {"HapH", 0xB3, TexFmtRgbBptcSignedFloat, false},
};

std::vector<uint8_t> Frame(const Codec& codec, uint32_t width, uint32_t height, uint64_t seed) {
  const size_t blocks = size_t{(width + 3) / 4} * ((height + 3) / 4);
  std::vector<uint8_t> colour = GoldenTexture(codec.colourFormat, blocks, seed);
  if (codec.colourType >> 4 == 0xB) colour = Compress(colour);
  const std::vector<uint8_t> colourSection = Section(codec.colourType, colour);
  if (!codec.alphaPlane) return colourSection;
  return MultiTexture(
      {colourSection, Section(0xA1, GoldenTexture(TexFmtAlphaRgtc1, blocks, seed + 1))});
}

// In codec order, the sizes of kShapes for each codec.
constexpr uint64_t kThumbnailHashes[] = {
    0x214532C5617F35F4ull, 0x33D9B8E80C6B6358ull, 0xF8944EA1A9D18EADull, 0xAA941545CA19D649ull,
    0xA663800F451F69F1ull, 0x0C32EB6BE97BBB8Full, 0xF4B3EF79082DF265ull, 0x380177E98FFA13A0ull,
    0x3F68C6EF40B20310ull, 0xF1632062DF41731Full, 0xB11B170568776D3Cull, 0x3DF153BAE32A9AFBull,
    0x02A092A2E93577BEull, 0xD06050921EE96049ull, 0xDAEC18485129F581ull, 0x09C84682412B7BC8ull,
    0xF23FCDC0613D1311ull, 0xFBC423971F1E3864ull, 0xAB12CC4262D51C13ull, 0x44929CC941B63081ull,
    0xA56ECA698B141636ull, 0x447FB1A0F2322231ull, 0xEF6D5DEF2815156Full, 0xA24DBE00BD156953ull,
    0x63D37D9A872879C3ull, 0xB225DC3DADA190A7ull, 0x4642A444181FB0C5ull, 0x06043F35A6006214ull,
    0xC3003DD3C07506D7ull, 0x3AB6D12A992DC625ull, 0x6E2CDAC9F04B9F00ull, 0x76BDBA960CE8B45Full,
    0xE6F596D5D28DBACEull, 0xD3DEA5583853086Full, 0x5C6348E2A6BDA001ull, 0xF55B97D4A0593FD5ull,
    0x747BEB15091C639Eull, 0xA83D14828AB72520ull, 0xBAFF84E70F30A4DAull, 0xFFA4B507B245EBB3ull,
};

TEST(GoldenThumbnails, EveryCodecKeepsItsThumbnails) {
  const struct {
    uint16_t width, height;
    uint32_t size;
  } kShapes[] = {{1280, 720, 256}, {333, 187, 100}, {90, 2000, 128}, {64, 48, 0}, {64, 48, 256}};
  std::string actual;
  size_t index = 0;
  uint64_t seed = 1;
  for (const Codec& codec : kCodecs) {
    for (const auto& shape : kShapes) {
      // Three samples, so the middle one is not the first or the last.
      HapMovie movie;
      movie.format = codec.fourcc;
      movie.width = shape.width;
      movie.height = shape.height;
      for (int i = 0; i < 3; ++i)
        movie.samples.push_back(Frame(codec, shape.width, shape.height, seed++));
      MemorySource file(BuildHapMovie(movie));
      const ByteSource source = file.Source();
      RgbaImage image{};
      ASSERT_EQ(DecodeThumbnail(&source, shape.size, &image), ThumbOk) << codec.fourcc;
      const uint64_t hash = Fnv1a(image.pixels, size_t{image.width} * image.height * 4,
                                  Fnv1a(&image.width, 4, Fnv1a(&image.height, 4)));
      ReleaseImage(&image);
      actual += Hex(hash) + ",\n";
      if (index < std::size(kThumbnailHashes)) {
        EXPECT_EQ(Hex(hash), Hex(kThumbnailHashes[index]))
            << codec.fourcc << " " << shape.width << "x" << shape.height << " at " << shape.size;
      }
      ++index;
    }
  }
  EXPECT_EQ(std::size(kThumbnailHashes), index) << actual;
}

TEST(GoldenThumbnails, DownscaleRgbaKeepsItsOutput) {
  const struct {
    uint32_t width, height, targetWidth, targetHeight;
    uint64_t expected;
  } cases[] = {
      {1920, 1080, 256, 144, 0x396829CAE289DFA4ull},  // the common thumbnail
      {1920, 1080, 1, 1, 0x45887237ADDA2D51ull},      // one box of the whole image
      {7, 5, 3, 2, 0x8FD054A6C9C68AA8ull},
      {5, 5, 5, 5, 0x934F359ABAFC1366ull},
      {3, 1, 2, 1, 0xAF2FC611C9347AC3ull},
      {2, 600, 1, 1, 0x9E069EAD2BA6FC0Bull},    // boxes taller than 257 rows
      {1, 70000, 1, 3, 0x81802DA19399F905ull},  // and far taller
      {9000, 2, 3, 1, 0x7B1445B49DDFB69Full},   // boxes wider than thousands of pixels
      {20000, 3, 7, 2, 0x481BCBBA2C065A12ull},
      {16384, 2, 1, 1, 0x45879B37ADD8BFFCull},
      {10, 10, 25, 17, 0x0606311B0C9E8C8Eull},   // enlarging repeats pixels
      {10, 1000, 40, 3, 0x79217BBAA88F9EDDull},  // enlarging across, shrinking down
      {0, 5, 3, 2, 0x81D23FD7003C2305ull},
      {5, 0, 2, 2, 0x88201FB960FF6465ull},  // empty sources give zero pixels
  };
  uint64_t seed = 100;
  for (const auto& c : cases) {
    const std::vector<uint8_t> source = GoldenBytes(size_t{c.width} * c.height * 4 + 1, seed++);
    uint8_t* target = nullptr;
    ASSERT_EQ(
        DownscaleRgba(source.data(), c.width, c.height, c.targetWidth, c.targetHeight, &target),
        ThumbOk);
    const uint64_t hash = Fnv1a(target, size_t{c.targetWidth} * c.targetHeight * 4);
    free(target);
    EXPECT_EQ(Hex(hash), Hex(c.expected))
        << c.width << "x" << c.height << " to " << c.targetWidth << "x" << c.targetHeight;
  }
}

}  // namespace
}  // namespace orvelle
