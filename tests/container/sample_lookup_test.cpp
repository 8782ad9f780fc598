#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "container/track_info.h"
#include "tests/container/parsed_track.h"
#include "tests/support/atom_builder.h"

namespace orvelle {
namespace {

// A heap copy of a table, as the readers hold it; null when empty.
template <typename T>
HeapPtr<T> HeapCopy(const std::vector<T>& table) {
  if (table.empty()) return nullptr;
  HeapPtr<T> copy = AllocateArray<T>(table.size());
  std::copy(table.begin(), table.end(), copy.get());
  return copy;
}

// A track over copies of the test's tables.
struct Tables {
  std::vector<SampleToChunkEntry> runs;
  std::vector<uint64_t> chunks;
  std::vector<uint32_t> sizes;  // empty: every sample has `constantSize` bytes
  uint32_t constantSize = 0;
  uint32_t sampleCount = 0;  // 0: as many as there are sizes

  TrackInfo Track() {
    TrackInfo track = {};
    track.sampleCount = sampleCount != 0 ? sampleCount : static_cast<uint32_t>(sizes.size());
    track.constantSampleSize = constantSize;
    track.sampleSizes = HeapCopy(sizes);
    track.chunkOffsets = HeapCopy(chunks);
    track.chunkCount = static_cast<uint32_t>(chunks.size());
    track.sampleToChunk = HeapCopy(runs);
    track.sampleToChunkCount = static_cast<uint32_t>(runs.size());
    return track;
  }
};

struct Location {
  ThumbStatus status;
  uint64_t offset;
  uint32_t size;
};

Location Locate(Tables tables, uint32_t sample) {
  const TrackInfo track = tables.Track();
  Location where = {ThumbOk, 7, 7};
  where.status = LocateSample(&track, sample, &where.offset, &where.size);
  return where;
}

void ExpectAt(const Location& where, uint64_t offset, uint32_t size) {
  EXPECT_EQ(where.status, ThumbOk);
  EXPECT_EQ(where.offset, offset);
  EXPECT_EQ(where.size, size);
}

void ExpectFailure(const Location& where, ThumbStatus status) {
  EXPECT_EQ(where.status, status);
  EXPECT_EQ(where.offset, 7u);  // neither result written
  EXPECT_EQ(where.size, 7u);
}

TEST(LocateSampleTest, OneSamplePerChunk) {
  ExpectAt(Locate({{{1, 1, 1}}, {1000, 2000, 3000}, {10, 20, 30}}, 2), 3000, 30);
}

TEST(LocateSampleTest, SumsTheSizesBeforeTheSampleInItsChunk) {
  const Tables tables{{{1, 3, 1}}, {1000}, {10, 20, 30}};
  ExpectAt(Locate(tables, 0), 1000, 10);
  ExpectAt(Locate(tables, 2), 1030, 30);
}

TEST(LocateSampleTest, ConstantSizesMultiply) {
  ExpectAt(Locate({{{1, 4, 1}}, {1000, 5000}, {}, 100, 8}, 5), 5100, 100);
}

TEST(LocateSampleTest, WalksSeveralRuns) {
  const Tables tables{{{1, 2, 1}, {3, 1, 1}}, {100, 200, 300, 400}, {}, 10, 6};
  const uint64_t expected[] = {100, 110, 200, 210, 300, 400};
  for (uint32_t sample = 0; sample < 6; ++sample) {
    ExpectAt(Locate(tables, sample), expected[sample], 10);
  }
}

TEST(LocateSampleTest, ARunStartingWhereTheNextStartsCoversNothing) {
  ExpectAt(Locate({{{1, 5, 1}, {1, 2, 1}}, {100, 200}, {}, 10, 4}, 2), 200, 10);
}

TEST(LocateSampleTest, RefusesBadArguments) {
  Tables tables{{{1, 1, 1}}, {100}, {5}};
  TrackInfo track = tables.Track();
  uint64_t offset = 0;
  uint32_t size = 0;
  EXPECT_EQ(LocateSample(nullptr, 0, &offset, &size), ThumbInvalidArgument);
  EXPECT_EQ(LocateSample(&track, 0, nullptr, &size), ThumbInvalidArgument);
  EXPECT_EQ(LocateSample(&track, 0, &offset, nullptr), ThumbInvalidArgument);
  ExpectFailure(Locate(tables, 1), ThumbInvalidArgument);
}

TEST(LocateSampleTest, BrokenTablesAreBadData) {
  ExpectFailure(Locate({{{1, 1, 1}}, {}, {5}}, 0), ThumbBadData);  // no chunks
  ExpectFailure(Locate({{}, {100}, {5}}, 0), ThumbBadData);        // no runs
  ExpectFailure(Locate({{{0, 1, 1}}, {100}, {5}}, 0), ThumbBadData);
  ExpectFailure(Locate({{{1, 0, 1}}, {100}, {5}}, 0), ThumbBadData);
  ExpectFailure(Locate({{{2, 1, 1}, {1, 1, 1}}, {100, 200}, {5, 5}}, 0), ThumbBadData);
  // More samples than the runs describe.
  ExpectFailure(Locate({{{1, 1, 1}}, {100, 200}, {5, 5, 5}}, 2), ThumbBadData);
  // A run reaching past the last chunk before the sample is found.
  ExpectFailure(Locate({{{1, 1, 1}, {5, 1, 1}}, {100, 200}, {5, 5, 5}}, 2), ThumbBadData);
}

TEST(LocateSampleTest, EntriesAfterTheSampleAreNotChecked) {
  ExpectAt(Locate({{{1, 2, 1}, {3, 0, 1}, {0, 1, 1}}, {100, 200}, {}, 10, 4}, 3), 210, 10);
}

TEST(LocateSampleTest, SampleCountsPastThirtyTwoBitsDoNotWrap) {
  // Chunk 2 holds samples 1 to 2^32 - 1; a 32-bit running count would wrap to 0
  // there and place sample 2 in chunk 3.
  ExpectAt(Locate({{{1, 1, 1}, {2, 0xFFFFFFFF, 1}}, {100, 200, 300}, {10, 20, 30}}, 2), 220, 30);
  ExpectAt(Locate({{{1, 0x80000000, 1}}, {0, 1000}, {}, 1, 0xFFFFFFFF}, 0xFFFFFFFE),
           uint64_t{1000} + 0x7FFFFFFE, 1);
}

TEST(LocateSampleTest, OffsetsPastSixtyFourBitsAreBadData) {
  ExpectAt(Locate({{{1, 2, 1}}, {UINT64_MAX - 100}, {}, 100, 2}, 1), UINT64_MAX, 100);
  ExpectFailure(Locate({{{1, 2, 1}}, {UINT64_MAX - 99}, {}, 100, 2}, 1), ThumbBadData);
  ExpectFailure(Locate({{{1, 2, 1}}, {UINT64_MAX - 5}, {10, 1}}, 1), ThumbBadData);
  ExpectFailure(Locate({{{1, 3, 1}}, {UINT64_MAX - 5}, {UINT32_MAX, UINT32_MAX, 1}}, 2),
                ThumbBadData);
}

// Built movies, parsed and looked up: each sample must be found where it was stored.
void ExpectSamplesFound(const testing::HapMovie& movie) {
  const std::vector<uint8_t> bytes = testing::BuildHapMovie(movie);
  testing::ParsedTrack track;
  ASSERT_EQ(testing::ParseBytes(bytes, &track), ThumbOk);
  ASSERT_EQ(track.info.sampleCount, movie.samples.size());
  for (uint32_t i = 0; i < movie.samples.size(); ++i) {
    uint64_t offset = 0;
    uint32_t size = 0;
    ASSERT_EQ(LocateSample(&track.info, i, &offset, &size), ThumbOk) << i;
    ASSERT_EQ(size, movie.samples[i].size()) << i;
    ASSERT_LE(offset + size, bytes.size()) << i;
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + size),
              movie.samples[i])
        << i;
  }
}

TEST(LocateSampleTest, FindsEverySampleOfBuiltMovies) {
  testing::HapMovie movie;
  for (uint8_t i = 0; i < 7; ++i) movie.samples.push_back(std::vector<uint8_t>(3 + i * 5, i));
  for (bool co64 : {false, true}) {
    for (uint32_t perChunk : {1u, 3u, 7u, 9u}) {
      SCOPED_TRACE(::testing::Message() << "co64 " << co64 << ", per chunk " << perChunk);
      movie.co64 = co64;
      movie.samplesPerChunk = perChunk;
      ExpectSamplesFound(movie);
    }
  }
}

}  // namespace
}  // namespace orvelle
