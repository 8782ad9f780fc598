// Movies written by ffmpeg: the track is found and every sample lies where its
// Hap section header says it ends.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "container/track_info.h"
#include "tests/container/parsed_track.h"

namespace orvelle {
namespace {

// Fails the test outright when the movie was not made (the make_movies test
// makes them), rather than going on with no bytes.
void ReadMovie(const std::string& name, std::vector<uint8_t>* bytes) {
  const std::string path = std::string(ORVELLE_MOVIE_DIR) + "/" + name;
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file.good()) << path << " is missing: tests/movies/make_movies.sh makes it";
  bytes->assign(std::istreambuf_iterator<char>(file), {});
  ASSERT_FALSE(bytes->empty()) << path << " is empty";
}

// Length of the Hap section at the start of a sample, header included: a 24-bit
// little-endian size, or 0 there and a 32-bit size after the type byte.
uint64_t HapSectionLength(const uint8_t* sample) {
  const uint32_t shortSize = sample[0] | (sample[1] << 8) | (sample[2] << 16);
  if (shortSize != 0) return uint64_t{shortSize} + 4;
  const uint64_t longSize =
      sample[4] | (sample[5] << 8) | (sample[6] << 16) | (uint64_t{sample[7]} << 24);
  return longSize + 8;
}

struct MovieCase {
  const char* name;
  uint32_t codecKind;
  uint32_t width;
  uint32_t height;
  uint32_t frames = 10;  // at 25 per second
};

void PrintTo(const MovieCase& c, std::ostream* os) { *os << c.name; }

class FfmpegMovieTest : public ::testing::TestWithParam<MovieCase> {};

TEST_P(FfmpegMovieTest, FindsTheTrackAndEverySample) {
  const MovieCase& movie = GetParam();
  std::vector<uint8_t> bytes;
  ASSERT_NO_FATAL_FAILURE(ReadMovie(movie.name, &bytes));
  testing::ParsedTrack track;
  ASSERT_EQ(testing::ParseAnyContainer(bytes, &track), ThumbOk);
  EXPECT_EQ(track.info.codecKind, movie.codecKind);
  EXPECT_EQ(track.info.width, movie.width);
  EXPECT_EQ(track.info.height, movie.height);
  EXPECT_DOUBLE_EQ(track.info.duration, movie.frames / 25.0);
  ASSERT_EQ(track.info.sampleCount, movie.frames);
  for (uint32_t i = 0; i < track.info.sampleCount; ++i) {
    uint64_t offset = 0;
    uint32_t size = 0;
    ASSERT_EQ(LocateSample(&track.info, i, &offset, &size), ThumbOk) << i;
    ASSERT_GE(size, 8u) << i;
    ASSERT_LE(offset + size, bytes.size()) << i;
    EXPECT_EQ(HapSectionLength(&bytes[offset]), size) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Movies, FfmpegMovieTest,
                         ::testing::Values(MovieCase{"hap1_640x360.mov", 1, 640, 360},
                                           MovieCase{"hap5_320x240.mov", 2, 320, 240},
                                           MovieCase{"hapy_480x272.mov", 3, 480, 272},
                                           MovieCase{"hap1_640x360.avi", 1, 640, 360},
                                           MovieCase{"hap5_320x240.avi", 2, 320, 240},
                                           MovieCase{"hapy_480x272.avi", 3, 480, 272},
                                           MovieCase{"hap1_chunks4_640x360.avi", 1, 640, 360},
                                           MovieCase{"hapy_plain_chunks4_320x180.avi", 3, 320, 180},
                                           MovieCase{"hap1_1frame_160x96.avi", 1, 160, 96, 1},
                                           MovieCase{"hap5_2frames_160x96.avi", 2, 160, 96, 2},
                                           MovieCase{"hapy_30frames_160x96.avi", 3, 160, 96, 30},
                                           MovieCase{"hap1_audio_320x240.avi", 1, 320, 240}),
                         [](const ::testing::TestParamInfo<MovieCase>& info) {
                           // "hap1" for a QuickTime movie, "hap1_640x360_avi" for an AVI file.
                           std::string name = info.param.name;
                           const size_t dot = name.find('.');
                           if (name.compare(dot, 4, ".mov") == 0) return name.substr(0, 4);
                           name[dot] = '_';
                           return name;
                         });

TEST(FfmpegMovieTest, AnH264MovieHasNoHapTrack) {
  std::vector<uint8_t> mov, avi;
  ASSERT_NO_FATAL_FAILURE(ReadMovie("h264_320x240.mov", &mov));
  ASSERT_NO_FATAL_FAILURE(ReadMovie("h264_320x240.avi", &avi));
  testing::ParsedTrack track;
  EXPECT_EQ(testing::ParseBytes(std::move(mov), &track), ThumbNoTrack);
  testing::ParsedTrack aviTrack;
  EXPECT_EQ(testing::ParseAnyContainer(std::move(avi), &aviTrack), ThumbNoTrack);
}

TEST(FfmpegMovieTest, ACutMovieAtomIsNoTrack) {
  std::vector<uint8_t> bytes;
  ASSERT_NO_FATAL_FAILURE(ReadMovie("hap1_640x360.mov", &bytes));
  bytes.pop_back();  // the movie atom comes last and now runs past the end
  testing::ParsedTrack track;
  EXPECT_EQ(testing::ParseBytes(std::move(bytes), &track), ThumbNoTrack);
}

}  // namespace
}  // namespace orvelle
