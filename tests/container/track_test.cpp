#include "container/track.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "container/codec_kind.h"
#include "tests/support/atom_builder.h"

namespace orvelle {
namespace {

using testing::AtomWriter;

constexpr uint32_t kCap = 16777216;

// The result of ParseTrack on one built track atom, its tables freed at scope end.
struct TrackResult {
  TrackOutcome outcome;
  TrackInfo info = {};
};

using WriteAtoms = std::function<void(AtomWriter&)>;

// The sample table of a two-sample Hap track, less any child named `omitted`.
void SampleTableWithout(AtomWriter& w, const std::string& omitted) {
  if (omitted != "stsd") testing::WriteSampleDescription(w, "Hap1", 64, 32);
  if (omitted != "stsz") testing::WriteSampleSizes(w, 0, 0, {5, 6});
  if (omitted != "stsc") testing::WriteSampleToChunk(w, {{1, 2, 1}});
  if (omitted != "stco") testing::WriteChunkOffsets(w, {40}, false);
}

void StandardSampleTable(AtomWriter& w) { SampleTableWithout(w, ""); }

// Parses a track atom: "mdia" holding `mediaChildren` then "minf"/"stbl" holding `sampleTable`.
void ParseBuiltTrack(TrackResult* result, const WriteAtoms& sampleTable = StandardSampleTable,
                     const WriteAtoms& mediaChildren = [](AtomWriter& w) {
                       testing::WriteHandler(w, "vide");
                     }) {
  AtomWriter w;
  w.Begin("trak").Begin("mdia");
  mediaChildren(w);
  w.Begin("minf").Begin("stbl");
  sampleTable(w);
  w.End().End().End().End();
  const std::vector<uint8_t> bytes = w.Take();
  const AtomView trak{Fourcc("trak"), bytes.data() + 8, bytes.size() - 8};
  result->outcome = ParseTrack(bytes.data(), trak, &result->info);
}

TEST(ParseTrackTest, AMissingOrShortHandlerCountsAsVideo) {
  const WriteAtoms handlers[] = {
      [](AtomWriter&) {},
      [](AtomWriter& w) {  // 11 bytes
        w.Begin("hdlr").U32(0).Type("mhlr").U8('s').U8('o').U8('u').End();
      },
  };
  for (const WriteAtoms& handler : handlers) {
    TrackResult track;
    ParseBuiltTrack(&track, StandardSampleTable, handler);
    EXPECT_EQ(track.outcome, TrackAccepted);
  }
}

TEST(ParseTrackTest, OtherHandlersAreTurnedDownBeforeTheCodec) {
  TrackResult audio;
  ParseBuiltTrack(
      &audio, [](AtomWriter& w) { testing::WriteSampleDescription(w, "sowt", 0, 0); },
      [](AtomWriter& w) { testing::WriteHandler(w, "soun"); });
  EXPECT_EQ(audio.outcome, TrackRejected);
  EXPECT_EQ(audio.info.fourcc, 0u);
}

TEST(ParseTrackTest, ASampleTableUnderAnotherNameOrNoMediaRejects) {
  AtomWriter w;
  w.Begin("trak").Begin("mdia").Begin("minf").Begin("free");
  StandardSampleTable(w);
  w.End().End().End().End();
  const std::vector<uint8_t> bytes = w.Take();
  TrackInfo info = {};
  EXPECT_EQ(ParseTrack(bytes.data(), AtomView{0, bytes.data() + 8, bytes.size() - 8}, &info),
            TrackRejected);
  EXPECT_EQ(ParseTrack(bytes.data(), AtomView{0, bytes.data() + 16, bytes.size() - 16}, &info),
            TrackRejected);
}

// "stsd" with `entryCount` entries, the first declaring `entrySize` bytes, and
// `payload` bytes in all (at least 44).
WriteAtoms SampleDescription(uint32_t entryCount, uint32_t entrySize, uint32_t payload) {
  return [=](AtomWriter& w) {
    w.Begin("stsd").U32(0).U32(entryCount).U32(entrySize).Type("Hap5").Zeros(24);
    w.U16(320).U16(240).Zeros(payload - 44).End();
    SampleTableWithout(w, "stsd");
  };
}

TEST(ParseTrackTest, ChecksTheFirstSampleDescriptionEntry) {
  struct Case {
    uint32_t entryCount, entrySize, payload;
    TrackOutcome expected;
  };
  for (const Case& c : {Case{1, 32, 44, TrackAccepted}, Case{1, 31, 44, TrackRejected},
                        Case{0, 86, 94, TrackRejected}, Case{1, 86, 94, TrackAccepted},
                        Case{1, 87, 94, TrackRejected}}) {
    TrackResult track;
    ParseBuiltTrack(&track, SampleDescription(c.entryCount, c.entrySize, c.payload));
    EXPECT_EQ(track.outcome, c.expected) << c.entryCount << " " << c.entrySize << " " << c.payload;
    if (c.expected == TrackAccepted) {
      EXPECT_EQ(track.info.codecKind, CodecKindHap5);
      EXPECT_EQ(track.info.width, 320u);
      EXPECT_EQ(track.info.height, 240u);
    }
  }
}

TEST(ParseTrackTest, OnlyTheFirstSampleDescriptionDecides) {
  TrackResult track;
  ParseBuiltTrack(&track, [](AtomWriter& w) {
    w.Begin("stsd").U32(0).U32(2);
    w.U32(36).Type("avc1").Zeros(24).U16(8).U16(8);
    w.U32(36).Type("Hap1").Zeros(24).U16(8).U16(8).End();
  });
  EXPECT_EQ(track.outcome, TrackNotHap);
  EXPECT_EQ(track.info.fourcc, Fourcc("avc1"));
}

TEST(ParseTrackTest, AConstantSampleSizeNeedsNoTable) {
  TrackResult track;
  ParseBuiltTrack(&track, [](AtomWriter& w) {
    testing::WriteSampleDescription(w, "HapM", 8, 8);
    w.Begin("stsz").U32(0).U32(1000).U32(kCap).End();  // no table follows
    testing::WriteSampleToChunk(w, {{1, 1, 1}});
    testing::WriteChunkOffsets(w, {0}, true);
  });
  ASSERT_EQ(track.outcome, TrackAccepted);
  EXPECT_EQ(track.info.sampleCount, kCap);
  EXPECT_EQ(track.info.constantSampleSize, 1000u);
  EXPECT_EQ(track.info.sampleSizes, nullptr);
}

// "stsz" with `count` per-sample sizes, all zero.
WriteAtoms ZeroSizeTable(uint32_t count) {
  return [count](AtomWriter& w) {
    testing::WriteSampleDescription(w, "Hap1", 8, 8);
    w.Begin("stsz").U32(0).U32(0).U32(count).Zeros(uint64_t{count} * 4).End();
    testing::WriteSampleToChunk(w, {{1, 1, 1}});
    testing::WriteChunkOffsets(w, {0}, false);
  };
}

TEST(ParseTrackTest, TheSampleCountIsCapped) {
  TrackResult atCap;
  ParseBuiltTrack(&atCap, ZeroSizeTable(kCap));
  ASSERT_EQ(atCap.outcome, TrackAccepted);
  EXPECT_EQ(atCap.info.sampleCount, kCap);
  EXPECT_NE(atCap.info.sampleSizes, nullptr);
}

// Each sample table that turns the track down.
TEST(ParseTrackTest, MalformedSampleTablesReject) {
  const auto without = [](const char* omitted) {
    return [omitted](AtomWriter& w) { SampleTableWithout(w, omitted); };
  };
  const struct { const char* what; WriteAtoms table; } cases[] = {
      {"no stsd", without("stsd")},
      {"no stsz", without("stsz")},
      {"no stsc", without("stsc")},
      {"no stco", without("stco")},
      {"width and height outside a 43-byte stsd",
       [](AtomWriter& w) {
         w.Begin("stsd").U32(0).U32(1).U32(32).Type("Hap1").Zeros(27).End();
         SampleTableWithout(w, "stsd");
       }},
      {"per-sample sizes not all present",
       [](AtomWriter& w) {
         testing::WriteSampleDescription(w, "Hap1", 8, 8);
         w.Begin("stsz").U32(0).U32(0).U32(3).U32(1).U32(2).Zeros(3).End();
         testing::WriteSampleToChunk(w, {{1, 1, 1}});
         testing::WriteChunkOffsets(w, {0}, false);
       }},
      {"a sample count past the cap", ZeroSizeTable(kCap + 1)},
      {"an stsc 4 bytes short",
       [](AtomWriter& w) {
         testing::WriteSampleDescription(w, "Hap1", 8, 8);
         testing::WriteSampleSizes(w, 4, 1, {});
         w.Begin("stsc").U32(0).U32(2).U32(1).U32(1).U32(1).U32(2).U32(1).End();
         testing::WriteChunkOffsets(w, {0}, false);
       }},
  };
  for (const auto& c : cases) {
    TrackResult track;
    ParseBuiltTrack(&track, c.table);
    EXPECT_EQ(track.outcome, TrackRejected) << c.what;
  }
}

TEST(ParseTrackTest, PrefersStcoAndWidensItWithoutSign) {
  TrackResult track;
  ParseBuiltTrack(&track, [](AtomWriter& w) {
    testing::WriteSampleDescription(w, "Hap1", 8, 8);
    testing::WriteSampleSizes(w, 4, 2, {});
    testing::WriteSampleToChunk(w, {{1, 1, 1}});
    testing::WriteChunkOffsets(w, {1, 2}, true);
    testing::WriteChunkOffsets(w, {0xFFFFFFFF}, false);
  });
  ASSERT_EQ(track.outcome, TrackAccepted);
  ASSERT_EQ(track.info.chunkCount, 1u);
  EXPECT_EQ(track.info.chunkOffsets.get()[0], 4294967295u);
}

TEST(ParseTrackTest, EmptyChunkTablesAreAccepted) {
  TrackResult track;
  ParseBuiltTrack(&track, [](AtomWriter& w) {
    testing::WriteSampleDescription(w, "Hap1", 0, 0);
    testing::WriteSampleSizes(w, 0, 0, {});
    testing::WriteSampleToChunk(w, {});
    testing::WriteChunkOffsets(w, {}, true);
  });
  ASSERT_EQ(track.outcome, TrackAccepted);
  EXPECT_EQ(track.info.sampleToChunk, nullptr);
  EXPECT_EQ(track.info.chunkOffsets, nullptr);
  EXPECT_EQ(track.info.sampleSizes, nullptr);
}

// A chunk offset payload with `count` entries of `entryBytes` zero bytes, `missing` short.
std::vector<uint8_t> OffsetPayload(uint32_t count, uint32_t entryBytes, uint32_t missing = 0) {
  return AtomWriter().U32(0).U32(count).Zeros(uint64_t{count} * entryBytes - missing).Take();
}

TrackOutcome CopyOffsets(const std::vector<uint8_t>& payload, bool wide, TrackInfo* track) {
  return CopyChunkOffsets(AtomView{0, payload.data(), payload.size()}, wide, track);
}

TEST(CopyChunkOffsetsTest, TheCountIsCappedAndTheTableMustBePresent) {
  TrackResult atCap;
  EXPECT_EQ(CopyOffsets(OffsetPayload(kCap, 4), false, &atCap.info), TrackAccepted);
  EXPECT_EQ(atCap.info.chunkCount, kCap);

  const struct { const char* what; std::vector<uint8_t> payload; bool wide; } refused[] = {
      {"past the cap", OffsetPayload(kCap + 1, 4), false},
      {"a table a byte short", OffsetPayload(3, 8, 1), true},
      {"no count", std::vector<uint8_t>(7), false},
  };
  for (const auto& c : refused) {
    TrackResult track;
    EXPECT_EQ(CopyOffsets(c.payload, c.wide, &track.info), TrackRejected) << c.what;
    EXPECT_EQ(track.info.chunkOffsets, nullptr) << c.what;
  }
}

TEST(CopyChunkOffsetsTest, ReadsSixtyFourBitOffsets) {
  const std::vector<uint8_t> payload =
      AtomWriter().U32(0).U32(2).U64(0x123456789ABCDEF0).U64(UINT64_MAX).Take();
  TrackResult track;
  ASSERT_EQ(CopyOffsets(payload, true, &track.info), TrackAccepted);
  EXPECT_EQ(track.info.chunkOffsets.get()[0], 0x123456789ABCDEF0u);
  EXPECT_EQ(track.info.chunkOffsets.get()[1], UINT64_MAX);
}

TEST(CodecKindTest, EachFormatCodeNamesItsKind) {
  const char formats[][5] = {"Hap1", "Hap5", "HapY", "HapM", "HapA", "Hap7", "HapH"};
  for (uint32_t kind = 1; kind <= 7; ++kind) {
    EXPECT_EQ(CodecKindFromFourcc(Fourcc(formats[kind - 1])), kind) << formats[kind - 1];
  }
  EXPECT_EQ(CodecKindFromFourcc(Fourcc("hap1")), CodecKindNone);  // case matters
}

}  // namespace
}  // namespace orvelle
