#include <gtest/gtest.h>

#include <vector>

#include "base/input_limits.h"
#include "core/thumbnail.h"
#include "tests/support/atom_builder.h"
#include "tests/support/hap_frame_builder.h"
#include "tests/support/memory_source.h"
#include "tests/support/random_bytes.h"
#include "tests/support/sparse_source.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {
namespace {

using testing::BuildHapMovie;
using testing::BuildMovie;
using testing::HapMovie;
using testing::MultiTexture;
using testing::RandomBytes;
using testing::Section;
using testing::MemorySource;
using testing::SparseSource;
using testing::TrackLayout;

// A plain BC1 frame of solid colour: both endpoints `rgb565`, every index 0.
std::vector<uint8_t> SolidBc1Frame(uint32_t blocks, uint16_t rgb565) {
  return Section(0xAB, testing::SolidBc1Blocks(blocks, rgb565));
}

struct Decoded {
  ThumbStatus status;
  RgbaImage image;
};

Decoded Decode(ByteSource source, uint32_t size) {
  Decoded result{ThumbOk, {7, 7, nullptr}};
  result.status = DecodeThumbnail(&source, size, &result.image);
  return result;
}

TEST(DecodeThumbnail, TakesTheMiddleSample) {
  // Sample i is solid red 8 * i (5-bit red i).
  for (uint32_t count : {1u, 2u, 5u}) {
    HapMovie movie;
    movie.width = 4;
    movie.height = 4;
    for (uint32_t i = 0; i < count; ++i) {
      movie.samples.push_back(SolidBc1Frame(1, static_cast<uint16_t>(i << 11)));
    }
    MemorySource file(BuildHapMovie(movie));
    Decoded decoded = Decode(file.Source(), 0);
    ASSERT_EQ(decoded.status, ThumbOk);
    const uint32_t middle = count / 2;
    EXPECT_EQ(decoded.image.pixels[0], (middle * 527 + 23) >> 6) << count << " samples";
    ReleaseImage(&decoded.image);
  }
}

TEST(DecodeThumbnail, FitsIntoTheRequestedSquareAndNeverEnlarges) {
  const struct {
    uint16_t width, height;
    uint32_t size, expectedWidth, expectedHeight;
  } cases[] = {
      {64, 32, 0, 64, 32},    {64, 32, 100, 64, 32}, {64, 32, 64, 64, 32},
      {64, 32, 16, 16, 8},    {32, 64, 16, 8, 16},   {64, 32, 48, 48, 24},
      {4000, 10, 100, 100, 1}, {10, 4000, 100, 1, 100},
  };
  for (const auto& c : cases) {
    HapMovie movie;
    movie.width = c.width;
    movie.height = c.height;
    movie.samples = {SolidBc1Frame(((c.width + 3) / 4) * ((c.height + 3) / 4), 0xFFFF)};
    MemorySource file(BuildHapMovie(movie));
    Decoded decoded = Decode(file.Source(), c.size);
    ASSERT_EQ(decoded.status, ThumbOk);
    EXPECT_EQ(decoded.image.width, c.expectedWidth) << c.width << "x" << c.height << " at " << c.size;
    EXPECT_EQ(decoded.image.height, c.expectedHeight) << c.width << "x" << c.height << " at " << c.size;
    ReleaseImage(&decoded.image);
  }
}

TEST(DecodeThumbnail, FullSizeImageIsTheConvertedFrameForEveryCodec) {
  const struct {
    const char* fourcc;
    std::vector<uint8_t> frame;
  } cases[] = {
      {"Hap1", Section(0xAB, RandomBytes(4 * 3 * 8, 1))},
      {"Hap5", Section(0xAE, RandomBytes(4 * 3 * 16, 2))},
      {"HapY", Section(0xAF, RandomBytes(4 * 3 * 16, 3))},
      {"HapM", MultiTexture({Section(0xAF, RandomBytes(4 * 3 * 16, 4)),
                                Section(0xA1, RandomBytes(4 * 3 * 8, 5))})},
      {"HapM", MultiTexture({Section(0xA1, RandomBytes(4 * 3 * 8, 6)),
                                Section(0xAF, RandomBytes(4 * 3 * 16, 7))})},
      {"HapA", Section(0xA1, RandomBytes(4 * 3 * 8, 8))},
      {"Hap7", Section(0xAC, RandomBytes(4 * 3 * 16, 9))},
      {"HapH", Section(0xA2, RandomBytes(4 * 3 * 16, 10))},
      {"HapH", Section(0xA3, RandomBytes(4 * 3 * 16, 11))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fourcc);
    HapMovie movie;
    movie.format = c.fourcc;
    movie.width = 15;
    movie.height = 10;
    movie.samples = {c.frame};
    MemorySource file(BuildHapMovie(movie));
    Decoded decoded = Decode(file.Source(), 0);
    ASSERT_EQ(decoded.status, ThumbOk);
    std::vector<uint8_t> expected(15 * 10 * 4);
    ASSERT_EQ(DecodeFrameToRgba(c.frame.data(), c.frame.size(), 15, 10, expected.data(), 60), ThumbOk);
    EXPECT_EQ(std::vector<uint8_t>(decoded.image.pixels, decoded.image.pixels + expected.size()),
              expected);
    ReleaseImage(&decoded.image);
  }
}

TEST(DecodeThumbnail, TracksThatCannotYieldAFrameAreBadData) {
  HapMovie noSamples;
  MemorySource empty(BuildHapMovie(noSamples));
  EXPECT_EQ(Decode(empty.Source(), 0).status, ThumbBadData);
  ProbeInfo info{};
  ByteSource source = empty.Source();
  EXPECT_EQ(ProbeMovie(&source, &info), ThumbOk);  // the probe does not look

  HapMovie zeroWidth;
  zeroWidth.width = 0;
  zeroWidth.samples = {SolidBc1Frame(8, 1)};
  MemorySource narrow(BuildHapMovie(zeroWidth));
  EXPECT_EQ(Decode(narrow.Source(), 0).status, ThumbBadData);

  HapMovie emptySample;
  emptySample.samples = {{}};
  MemorySource nothing(BuildHapMovie(emptySample));
  EXPECT_EQ(Decode(nothing.Source(), 0).status, ThumbBadData);
}

TEST(DecodeThumbnail, ConversionFailuresPassThroughAndLeaveTheImageCleared) {
  HapMovie movie;
  movie.width = 4;
  movie.height = 4;
  movie.samples = {MultiTexture({SolidBc1Frame(1, 0), Section(0xA1, RandomBytes(8, 1))})};
  MemorySource unsupported(BuildHapMovie(movie));
  Decoded decoded = Decode(unsupported.Source(), 0);
  EXPECT_EQ(decoded.status, ThumbUnsupported);
  EXPECT_EQ(decoded.image.width, 0u);
  EXPECT_EQ(decoded.image.pixels, nullptr);

  movie.samples = {Section(0xA4, RandomBytes(8, 2))};
  MemorySource bad(BuildHapMovie(movie));
  EXPECT_EQ(Decode(bad.Source(), 0).status, ThumbBadData);
}

TEST(DecodeThumbnail, RefusesOversizedFramesBeforeAllocatingThem) {
  // 65535 x 65535 would need 17 GB for the full-size image.
  for (uint16_t edge : {uint16_t{16385}, uint16_t{65535}}) {
    HapMovie movie;
    movie.width = edge;
    movie.height = edge;
    movie.samples = {SolidBc1Frame(1, 0)};
    MemorySource file(BuildHapMovie(movie));
    EXPECT_EQ(Decode(file.Source(), 0).status, ThumbInvalidArgument) << edge;
  }
}

TEST(DecodeThumbnail, ShortSampleReadIsAReadFailure) {
  HapMovie movie;
  movie.width = 4;
  movie.height = 4;
  movie.samples = {SolidBc1Frame(1, 0x1234)};
  MemorySource file(BuildHapMovie(movie));
  file.ShortenReadsOfLength(movie.samples[0].size(), 1);
  EXPECT_EQ(Decode(file.Source(), 0).status, ThumbReadFailed);
}

// A movie whose one sample of `sampleSize` bytes (a small frame, then zeros)
// ends `overhang` bytes past the end of the source.
SparseSource MovieWithLargeSample(uint32_t sampleSize, uint64_t overhang) {
  TrackLayout track;
  track.width = 4;
  track.height = 4;
  track.sampleSizes = {sampleSize};
  track.chunkOffsets = {1 << 20};
  std::vector<uint8_t> header = BuildMovie({track});
  SparseSource source(track.chunkOffsets[0] + sampleSize - overhang);
  source.Place(0, header);
  source.Place(track.chunkOffsets[0], SolidBc1Frame(1, 0xF800));
  return source;
}

TEST(DecodeThumbnail, SampleCapAndFileEnd) {
  SparseSource atCap = MovieWithLargeSample(kMaxSampleBytes, 0);
  Decoded decoded = Decode(atCap.Source(), 0);
  EXPECT_EQ(decoded.status, ThumbOk);
  ReleaseImage(&decoded.image);

  SparseSource pastCap = MovieWithLargeSample(kMaxSampleBytes + 1, 0);
  EXPECT_EQ(Decode(pastCap.Source(), 0).status, ThumbBadData);

  SparseSource pastEnd = MovieWithLargeSample(1000, 1);
  EXPECT_EQ(Decode(pastEnd.Source(), 0).status, ThumbBadData);
}

TEST(DecodeThumbnail, ArgumentChecksLeaveTheImageAlone) {
  MemorySource file(BuildHapMovie(HapMovie{}));
  ByteSource source = file.Source();
  RgbaImage image{3, 4, nullptr};
  EXPECT_EQ(DecodeThumbnail(nullptr, 0, &image), ThumbInvalidArgument);
  ByteSource noRead{source.context, nullptr, source.size};
  EXPECT_EQ(DecodeThumbnail(&noRead, 0, &image), ThumbInvalidArgument);
  EXPECT_EQ(DecodeThumbnail(&source, 0, nullptr), ThumbInvalidArgument);
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 4u);
}

TEST(ReleaseImage, IsHarmlessOnNullClearedAndReleasedImages) {
  ReleaseImage(nullptr);
  RgbaImage image{0, 0, nullptr};
  ReleaseImage(&image);
  image = RgbaImage{2, 2, static_cast<uint8_t*>(malloc(16))};
  ReleaseImage(&image);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.width, 0u);
  ReleaseImage(&image);
}

}  // namespace
}  // namespace orvelle
