#include <gtest/gtest.h>

#include <algorithm>

#include "base/input_limits.h"
#include "container/atoms.h"
#include "container/movie.h"
#include "container/read_ahead.h"
#include "tests/container/parsed_track.h"
#include "tests/support/atom_builder.h"
#include "tests/support/memory_source.h"

namespace orvelle {
namespace {

using testing::AtomSize;
using testing::AtomWriter;
using testing::MemorySource;
using testing::ParsedTrack;
using testing::TrackLayout;

constexpr uint64_t kWindow = ReadAhead::kWindowBytes;

TrackLayout HapTrack(const char* format = "Hap1", uint16_t width = 64) {
  TrackLayout track;
  track.format = format;
  track.width = width;
  track.sampleSizes = {10, 20};
  track.chunkOffsets = {100, 200};
  return track;
}

TrackLayout AudioTrack() {
  TrackLayout track = HapTrack("sowt");
  track.handler = "soun";
  return track;
}

// A parse whose result must be a cleared record.
void ExpectFailure(std::vector<uint8_t> bytes, ThumbStatus expected) {
  ParsedTrack track;
  track.info.width = 99;  // the parse clears it first
  EXPECT_EQ(testing::ParseBytes(std::move(bytes), &track), expected);
  EXPECT_EQ(track.info.width, 0u);
  EXPECT_EQ(track.info.sampleSizes, nullptr);
  EXPECT_EQ(track.info.chunkOffsets, nullptr);
  EXPECT_EQ(track.info.sampleToChunk, nullptr);
}

TEST(ParseMovieTest, NullArgumentsAreRefused) {
  MemorySource memory(testing::BuildMovie({HapTrack()}));
  ByteSource source = memory.Source();
  TrackInfo track = {};
  EXPECT_EQ(ParseMovie(nullptr, &track), ThumbInvalidArgument);
  EXPECT_EQ(ParseMovie(&source, nullptr), ThumbInvalidArgument);
  source.read = nullptr;
  EXPECT_EQ(ParseMovie(&source, &track), ThumbInvalidArgument);
}

TEST(ParseMovieTest, CopiesTheTrackAndItsTables) {
  TrackLayout layout = HapTrack("HapY", 640);
  layout.height = 360;
  layout.sampleToChunk = {{1, 1, 7}, {2, 1, 8}};
  ParsedTrack track;
  ASSERT_EQ(testing::ParseBytes(testing::BuildMovie({layout}), &track), ThumbOk);
  const TrackInfo& info = track.info;
  EXPECT_EQ(info.codecKind, 3u);
  EXPECT_EQ(info.fourcc, Fourcc("HapY"));
  EXPECT_EQ(info.width, 640u);
  EXPECT_EQ(info.height, 360u);
  EXPECT_EQ(info.sampleCount, 2u);
  EXPECT_EQ(info.constantSampleSize, 0u);
  ASSERT_NE(info.sampleSizes, nullptr);
  EXPECT_EQ(info.sampleSizes.get()[1], 20u);
  ASSERT_EQ(info.chunkCount, 2u);
  EXPECT_EQ(info.chunkOffsets.get()[1], 200u);
  ASSERT_EQ(info.sampleToChunkCount, 2u);
  EXPECT_EQ(info.sampleToChunk.get()[1].firstChunk, 2u);
  EXPECT_EQ(info.sampleToChunk.get()[1].sampleDescriptionIndex, 8u);
}

// A source whose read number `index`, asked at `offset`, delivers only 7 bytes:
// too few for any header that starts there.
MemorySource SevenBytesAt(std::vector<uint8_t> bytes, uint64_t index, uint64_t offset) {
  MemorySource source(std::move(bytes));
  const uint64_t asked = std::min<uint64_t>(source.bytes().size() - offset, kWindow);
  source.ShortenRead(index, asked - 7);
  return source;
}

TEST(ParseMovieTest, ShortHeaderReadsEndTheScan) {
  ParsedTrack track;
  MemorySource first = SevenBytesAt(testing::BuildMovie({HapTrack()}), 0, 0);
  ByteSource source = first.Source();
  EXPECT_EQ(ParseMovie(&source, &track.info), ThumbBadFile);

  // Media data past the first window: the movie atom's header needs a second read.
  AtomWriter skipped;
  skipped.Begin("mdat").Zeros(kWindow).End();
  testing::WriteMovieAtom(skipped, {HapTrack()});
  MemorySource second = SevenBytesAt(skipped.Take(), 1, kWindow + 8);
  source = second.Source();
  EXPECT_EQ(ParseMovie(&source, &track.info), ThumbNoTrack);

  // A large header whose first 8 bytes end the window: its 16 bytes are read
  // again from its start.
  AtomWriter w;
  w.Begin("free").Zeros(kWindow - 16).End();
  w.Begin("mdat", AtomSize::Large).Zeros(8).End();
  testing::WriteMovieAtom(w, {HapTrack()});
  const std::vector<uint8_t> straddling = w.Take();
  ParsedTrack found;
  EXPECT_EQ(testing::ParseBytes(straddling, &found), ThumbOk);
  MemorySource large = SevenBytesAt(straddling, 1, kWindow - 8);
  source = large.Source();
  EXPECT_EQ(ParseMovie(&source, &track.info), ThumbNoTrack);

  // What a short read did deliver still serves the headers inside it.
  MemorySource shortWindow(testing::BuildMovie({HapTrack()}));
  shortWindow.ShortenRead(0, 1);
  source = shortWindow.Source();
  ParsedTrack fromShortWindow;
  EXPECT_EQ(ParseMovie(&source, &fromShortWindow.info), ThumbOk);
}

TEST(ParseMovieTest, TinyAtomsAreReadAWindowAtATime) {
  constexpr uint64_t kTinyAtoms = 16 * kWindow / 8;
  AtomWriter w;
  for (uint64_t i = 0; i < kTinyAtoms; ++i) w.U32(8).Type("free");
  const std::vector<uint8_t> tinyAtoms = w.Take();
  MemorySource noMovie(tinyAtoms);
  ByteSource source = noMovie.Source();
  ParsedTrack track;
  EXPECT_EQ(ParseMovie(&source, &track.info), ThumbNoTrack);
  EXPECT_EQ(noMovie.reads(), 16u);

  AtomWriter withMovie;
  withMovie.Bytes(tinyAtoms);
  testing::WriteMovieAtom(withMovie, {HapTrack("Hap5")});
  MemorySource movie(withMovie.Take());
  source = movie.Source();
  ASSERT_EQ(ParseMovie(&source, &track.info), ThumbOk);
  EXPECT_EQ(track.info.codecKind, 2u);
  EXPECT_EQ(movie.reads(), 16u + 2);  // the windows, one at the movie atom, its payload
}

TEST(ParseMovieTest, AShortMovieAtomReadFailsWithoutLeaking) {
  MemorySource memory(testing::BuildMovie({HapTrack()}));
  memory.ShortenRead(1, 1);  // the window holding both headers, then the movie atom
  const ByteSource source = memory.Source();
  ParsedTrack track;
  EXPECT_EQ(ParseMovie(&source, &track.info), ThumbReadFailed);
  EXPECT_EQ(memory.reads(), 2u);
}

TEST(ParseMovieTest, SkipsLargeMediaDataWithoutReadingIt) {
  AtomWriter w;
  w.Begin("ftyp").Type("qt  ").End();
  w.Begin("mdat", AtomSize::Large).Zeros(100000).End();
  testing::WriteMovieAtom(w, {HapTrack()});
  MemorySource memory(w.Take());
  const uint64_t moovSize = memory.bytes().size() - 12 - 100016;
  const ByteSource source = memory.Source();
  ParsedTrack track;
  ASSERT_EQ(ParseMovie(&source, &track.info), ThumbOk);
  // A window from the start, one from the moov header to the end, the moov payload.
  EXPECT_EQ(memory.reads(), 3u);
  EXPECT_EQ(memory.bytesDelivered(), kWindow + moovSize + (moovSize - 8));
}

TEST(ParseMovieTest, AMovieAtomOfSizeZeroRunsToTheEnd) {
  AtomWriter w;
  w.Begin("ftyp").End().Begin("moov", AtomSize::ToEnd);
  testing::WriteTrack(w, HapTrack());
  w.End();
  ParsedTrack track;
  EXPECT_EQ(testing::ParseBytes(w.Take(), &track), ThumbOk);
}

// A movie atom padded with a "free" child to exactly `payload` bytes.
std::vector<uint8_t> MovieOfPayload(uint64_t payload) {
  AtomWriter w;
  w.Begin("moov");
  testing::WriteTimeHeader(w, "mvhd", 600, 600);
  testing::WriteTrack(w, HapTrack());
  const uint64_t padding = payload - w.payloadSize() - 8;
  w.Begin("free").Zeros(padding).End().End();
  return w.Take();
}

TEST(ParseMovieTest, TheMovieAtomMayHoldUpTo64MiB) {
  ParsedTrack track;
  EXPECT_EQ(testing::ParseBytes(MovieOfPayload(kMaxMovieAtom), &track), ThumbOk);

  MemorySource memory(MovieOfPayload(kMaxMovieAtom + 1));
  const ByteSource source = memory.Source();
  ParsedTrack tooLarge;
  EXPECT_EQ(ParseMovie(&source, &tooLarge.info), ThumbBadFile);
  EXPECT_EQ(memory.bytesDelivered(), kWindow);  // the headers' window; never loaded
}

TEST(ParseMovieTest, TakesTheFirstAcceptableTrack) {
  const struct { std::vector<TrackLayout> tracks; uint32_t codecKind, width; } cases[] = {
      {{AudioTrack(), HapTrack("Hap5", 1), HapTrack("HapA", 2)}, 2, 1},
      {{HapTrack("avc1"), HapTrack("Hap7")}, 6, 64},
  };
  for (const auto& c : cases) {
    ParsedTrack track;
    ASSERT_EQ(testing::ParseBytes(testing::BuildMovie(c.tracks), &track), ThumbOk);
    EXPECT_EQ(track.info.codecKind, c.codecKind);
    EXPECT_EQ(track.info.width, c.width);
  }
}

TEST(ParseMovieTest, ATrackWithoutItsOwnDurationTakesTheMovies) {
  TrackLayout timed = HapTrack();
  timed.timeScale = 25;
  timed.duration = 10;
  // The movie's duration in a time scale of 600, and the track's in seconds.
  const struct { TrackLayout track; uint32_t movieDuration; double seconds; } cases[] = {{HapTrack(), 1500, 2.5}, {timed, 1500, 0.4}, {HapTrack(), 0xFFFFFFFF, 0.0}};
  for (const auto& c : cases) {
    ParsedTrack track;
    ASSERT_EQ(testing::ParseBytes(testing::BuildMovie({c.track}, 600, c.movieDuration), &track),
              ThumbOk);
    EXPECT_EQ(track.info.duration, c.seconds);
  }
}

// Each file the reader refuses leaves a cleared record.
TEST(ParseMovieTest, RefusedFiles) {
  AtomWriter malformedChild;
  malformedChild.Begin("moov").U32(4).Type("free");
  testing::WriteTrack(malformedChild, HapTrack());
  malformedChild.End();
  AtomWriter twoMovieAtoms;
  testing::WriteMovieAtom(twoMovieAtoms, {AudioTrack()});
  testing::WriteMovieAtom(twoMovieAtoms, {HapTrack()});
  const struct { const char* what; std::vector<uint8_t> bytes; ThumbStatus status; } cases[] = {
      {"shorter than a header", std::vector<uint8_t>(7), ThumbBadFile},
      {"an atom shorter than its header", AtomWriter().U32(4).Type("moov").Take(), ThumbBadFile},
      {"a first atom claiming more than the source holds",
       AtomWriter().U32(100).Type("ftyp").Zeros(8).Take(), ThumbBadFile},
      {"an empty movie atom", AtomWriter().Atom("ftyp", {}).Atom("moov", {}).Take(), ThumbBadFile},
      // A scan that passed an atom ends with no track.
      {"a bad header after an atom", AtomWriter().Atom("ftyp", {1, 2}).U32(4).Type("moov").Take(),
       ThumbNoTrack},
      {"valid atoms, then a fragment too short for a header",
       AtomWriter().Atom("ftyp", {}).Atom("mdat", {1}).Zeros(7).Take(), ThumbNoTrack},
      {"no track", testing::BuildMovie({}), ThumbNoTrack},
      {"no Hap track", testing::BuildMovie({AudioTrack(), HapTrack("avc1")}), ThumbNoTrack},
      {"a malformed child ending the walk before the Hap track", malformedChild.Take(),
       ThumbNoTrack},
      {"the Hap track in a second movie atom: only the first is examined", twoMovieAtoms.Take(),
       ThumbNoTrack},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectFailure(c.bytes, c.status);
  }
}

}  // namespace
}  // namespace orvelle
