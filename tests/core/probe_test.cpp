#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/thumbnail.h"
#include "tests/support/atom_builder.h"
#include "tests/support/memory_source.h"

namespace orvelle {
namespace {

using testing::MemorySource;

ThumbStatus Probe(std::vector<uint8_t> bytes, ProbeInfo* info) {
  MemorySource memory(std::move(bytes));
  const ByteSource source = memory.Source();
  return ProbeMovie(&source, info);
}

testing::HapMovie ThreeFrames() {
  testing::HapMovie movie;
  movie.format = "HapH";
  movie.width = 1920;
  movie.height = 1080;
  movie.samples = {{1, 2, 3}, {4, 5}, {6}};
  return movie;
}

TEST(ProbeMovieTest, ReportsTheTrack) {
  ProbeInfo info = {};
  ASSERT_EQ(Probe(testing::BuildHapMovie(ThreeFrames()), &info), ThumbOk);
  EXPECT_EQ(info.codecKind, 7u);
  EXPECT_EQ(info.fourcc, 0x48617048u);  // 'HapH'
  EXPECT_EQ(info.width, 1920u);
  EXPECT_EQ(info.height, 1080u);
  EXPECT_EQ(info.sampleCount, 3u);
  EXPECT_DOUBLE_EQ(info.duration, 0.12);
}

TEST(ProbeMovieTest, InfoIsOptional) {
  EXPECT_EQ(Probe(testing::BuildHapMovie(ThreeFrames()), nullptr), ThumbOk);
}

TEST(ProbeMovieTest, DoesNotJudgeFrameSizeOrSampleCount) {
  testing::TrackLayout empty;
  empty.width = 0;
  ProbeInfo info = {};
  ASSERT_EQ(Probe(testing::BuildMovie({empty}), &info), ThumbOk);
  EXPECT_EQ(info.width, 0u);
  EXPECT_EQ(info.sampleCount, 0u);
}

TEST(ProbeMovieTest, RefusesAMissingSource) {
  ProbeInfo info = {};
  EXPECT_EQ(ProbeMovie(nullptr, &info), ThumbInvalidArgument);
  const ByteSource noReader = {nullptr, nullptr, 100};
  EXPECT_EQ(ProbeMovie(&noReader, &info), ThumbInvalidArgument);
}

TEST(ProbeMovieTest, PassesContainerFailuresOnUnchanged) {
  ProbeInfo info = {};
  EXPECT_EQ(Probe(std::vector<uint8_t>(7), &info), ThumbBadFile);
  EXPECT_EQ(Probe(testing::AtomWriter().Atom("ftyp", {}).Atom("mdat", {1}).Take(), &info),
            ThumbNoTrack);
  testing::TrackLayout audio;
  audio.handler = "soun";
  EXPECT_EQ(Probe(testing::BuildMovie({audio}), &info), ThumbNoTrack);

  MemorySource shortMovie(testing::BuildHapMovie(ThreeFrames()));
  // The first bytes (which choose the reader), the window holding every header,
  // then the movie atom.
  shortMovie.ShortenRead(2, 1);
  const ByteSource source = shortMovie.Source();
  EXPECT_EQ(ProbeMovie(&source, &info), ThumbReadFailed);
}

TEST(ThumbStatusNameTest, NamesEveryStatus) {
  const char* names[] = {"ThumbInvalidArgument", "ThumbOutOfMemory", "ThumbUnsupported",
                         "ThumbBadData",         "ThumbNoTrack",     "ThumbBadFile",
                         "ThumbReadFailed",      "ThumbOk"};
  for (int32_t status = -7; status <= 0; ++status) {
    EXPECT_EQ(std::string(ThumbStatusName(status)), names[status + 7]);
  }
  EXPECT_EQ(std::string(ThumbStatusName(1)), "ThumbUnknown");
  EXPECT_EQ(std::string(ThumbStatusName(-8)), "ThumbUnknown");
  EXPECT_EQ(std::string(ThumbStatusName(INT32_MIN)), "ThumbUnknown");
}

}  // namespace
}  // namespace orvelle
