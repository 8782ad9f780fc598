// A Hap AVI file gives the thumbnail that a QuickTime movie of the same
// frames gives, whatever index it carries, and fails as such a movie does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/thumbnail.h"
#include "tests/support/atom_builder.h"
#include "tests/support/codec_frames.h"
#include "tests/support/memory_source.h"
#include "tests/support/riff_builder.h"

namespace orvelle {
namespace {

using testing::AviIndex;
using testing::Bytes;
using testing::CodecFrame;
using testing::MemorySource;

struct Thumbnail {
  ThumbStatus status;
  uint32_t width = 0, height = 0;
  Bytes pixels;
};

Thumbnail Decode(Bytes file, uint32_t size) {
  MemorySource memory(std::move(file));
  const ByteSource source = memory.Source();
  RgbaImage image{};
  Thumbnail result{DecodeThumbnail(&source, size, &image), image.width, image.height, {}};
  if (image.pixels != nullptr) {
    result.pixels.assign(image.pixels, image.pixels + uint64_t{image.width} * image.height * 4);
  }
  ReleaseImage(&image);
  return result;
}

TEST(AviThumbnail, EveryCodecAndIndexGivesTheQuickTimeThumbnail) {
  constexpr uint16_t kWidth = 70, kHeight = 42;
  uint8_t seed = 1;
  for (const char* fourcc : testing::kHapFourccs) {
    testing::HapMovie movie;
    movie.format = fourcc;
    movie.width = kWidth;
    movie.height = kHeight;
    for (int i = 0; i < 5; ++i, ++seed) {
      movie.samples.push_back(
          CodecFrame(fourcc, kWidth, kHeight, testing::kStorages[seed % 3], seed));
    }
    for (const uint32_t size : {0u, 32u}) {
      const Thumbnail expected = Decode(testing::BuildHapMovie(movie), size);
      ASSERT_EQ(expected.status, ThumbOk) << fourcc;
      for (const AviIndex index :
           {AviIndex::Relative, AviIndex::Absolute, AviIndex::OpenDml, AviIndex::None}) {
        testing::HapAvi avi;
        avi.format = fourcc;
        avi.width = kWidth;
        avi.height = index == AviIndex::Absolute ? -kHeight : kHeight;
        avi.samples = movie.samples;
        avi.index = index;
        avi.audioFirst = index != AviIndex::Relative;
        avi.framesPerRiff = index == AviIndex::OpenDml || index == AviIndex::None ? 2 : 0;
        const Thumbnail actual = Decode(testing::BuildHapAvi(avi), size);
        ASSERT_EQ(actual.status, ThumbOk) << fourcc << " index " << static_cast<int>(index);
        EXPECT_EQ(actual.width, expected.width);
        EXPECT_EQ(actual.height, expected.height);
        EXPECT_TRUE(actual.pixels == expected.pixels)
            << fourcc << " index " << static_cast<int>(index) << " size " << size;
      }
    }
  }
}

TEST(AviThumbnail, FailsAsAMovieWithTheSameFaultFails) {
  const Bytes frame = CodecFrame("Hap1", 8, 8, testing::Storage::Plain);
  testing::HapAvi avi;
  avi.width = 8;
  avi.height = 8;
  EXPECT_EQ(Decode(testing::BuildHapAvi(avi), 0).status, ThumbBadData);  // no frames

  // The middle frame's index entry reaches a byte past the end of the file:
  // refused before the sample is read.
  avi.samples = {frame, frame, frame};
  Bytes file = testing::BuildHapAvi(avi);
  const std::string text(file.begin(), file.end());
  const size_t middleEntry = text.find("idx1") + 8 + 16;
  const uint64_t pastEnd = file.size() + 1 - frame.size() - 8 - text.find("movi");
  for (int i = 0; i < 4; ++i) file[middleEntry + 8 + i] = static_cast<uint8_t>(pastEnd >> (8 * i));
  MemorySource memory(file);
  const ByteSource source = memory.Source();
  RgbaImage image{};
  EXPECT_EQ(DecodeThumbnail(&source, 0, &image), ThumbBadData);
  EXPECT_EQ(memory.reads(), 3u);  // the first bytes, the window, the header list
}

}  // namespace
}  // namespace orvelle
