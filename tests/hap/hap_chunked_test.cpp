#include <gtest/gtest.h>

#include <vector>

#include "hap/chunked_texture.h"
#include "hap/hap_texture.h"
#include "tests/support/hap_frame_builder.h"

namespace orvelle {
namespace {

using testing::Bytes;
using testing::Compress;
using testing::Concat;
using testing::Header;
using testing::Instructions;
using testing::Le32;
using testing::Le32Table;
using testing::Pattern;
using testing::Section;

constexpr uint8_t kUntouched = 0xEE;
constexpr uint8_t kPlain = 0x0A;
constexpr uint8_t kSnappy = 0x0B;

struct Decoded {
  HapStatus status;
  Bytes bytes;  // the whole destination, kUntouched where nothing was written
  uint32_t length;
};

Decoded Decode(const Bytes& frame, uint32_t capacity, ChunkRunner runner = RunChunksSerially,
               void* context = nullptr) {
  Decoded result{HapOk, Bytes(capacity, kUntouched), 0xDEAD};
  TextureFormat format = 0;
  result.status = DecodeTexture(frame.data(), uint32_t(frame.size()), 0, runner, context, result.bytes.data(),
                                capacity, &result.length, &format);
  if (result.status == HapOk) result.bytes.resize(result.length);
  return result;
}

bool Untouched(const Bytes& bytes) { return bytes == Bytes(bytes.size(), kUntouched); }

// A chunked BC1 texture section.
Bytes Chunked(const Bytes& instructions, const Bytes& chunkData) {
  return Section(0xCB, Concat({instructions, chunkData}));
}

TEST(HapChunked, TwoPlainChunks) {
  const Bytes data = Pattern(16, 0x40);
  const Bytes frame = Concat({{0x26, 0x00, 0x00, 0xCB},
                              {0x12, 0x00, 0x00, 0x01},
                              {0x02, 0x00, 0x00, 0x02, 0x0A, 0x0A},
                              {0x08, 0x00, 0x00, 0x03, 0x08, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00},
                              data});
  ASSERT_EQ(frame.size(), 42u);
  EXPECT_EQ(Chunked(Instructions({kPlain, kPlain}, Le32Table({8, 8})), data), frame);

  Decoded decoded = Decode(frame, 16);
  ASSERT_EQ(decoded.status, HapOk);
  EXPECT_EQ(decoded.bytes, data);
}

TEST(HapChunked, MixedChunksBackToBack) {
  const Bytes a = Pattern(16, 1), b = Pattern(700, 2), c = Pattern(5, 3);
  const Bytes packedB = Compress(b);
  const Bytes frame =
      Chunked(Instructions({kPlain, kSnappy, kPlain}, Le32Table({16, uint32_t(packedB.size()), 5})),
              Concat({a, packedB, c}));
  Decoded decoded = Decode(frame, 1000);
  ASSERT_EQ(decoded.status, HapOk);
  EXPECT_EQ(decoded.bytes, Concat({a, b, c}));
}

TEST(HapChunked, OffsetTablePlacesChunksAnywhere) {
  const Bytes a = Pattern(300, 1), b = Pattern(9, 2), c = Pattern(40, 3);
  const Bytes packedA = Compress(a), packedC = Compress(c);
  // Stored as: gap, c, a, gap, b.
  const uint32_t offsetC = 3, offsetA = offsetC + uint32_t(packedC.size());
  const uint32_t offsetB = offsetA + uint32_t(packedA.size()) + 2;
  const Bytes stored = Concat({Bytes(3, 0xFF), packedC, packedA, Bytes(2, 0xFF), b});
  const Bytes frame = Chunked(Instructions({kSnappy, kPlain, kSnappy},
                                           Le32Table({uint32_t(packedA.size()), 9, uint32_t(packedC.size())}),
                                           Le32Table({offsetA, offsetB, offsetC})),
                              stored);
  Decoded decoded = Decode(frame, 400);
  ASSERT_EQ(decoded.status, HapOk);
  EXPECT_EQ(decoded.bytes, Concat({a, b, c}));
}

TEST(HapChunked, TablesAreReadTheirOwnWay) {
  const Bytes data = Pattern(16, 7);
  // Unknown sub-sections are skipped, and a later size table replaces an earlier one.
  const Bytes instructions = Section(
      0x01, Concat({Section(0x07, {1, 2, 3}), Section(0x03, Le32Table({4, 4})), Section(0x02, {kPlain, kPlain}),
                    Section(0x03, Le32Table({8, 8}))}));
  Decoded decoded = Decode(Chunked(instructions, data), 16);
  ASSERT_EQ(decoded.status, HapOk);
  EXPECT_EQ(decoded.bytes, data);

  // Tables with no entries describe no chunk: an empty texture.
  Decoded empty = Decode(Chunked(Instructions({}, {}, {}), Pattern(8, 0)), 8);
  ASSERT_EQ(empty.status, HapOk);
  EXPECT_EQ(empty.length, 0u);
}

// Everything here is found before any chunk is decoded, so nothing is written.
TEST(HapChunked, MalformedInstructionsAndTables) {
  const Bytes sixteen = Pattern(16, 0);
  const Bytes sizes88 = Le32Table({8, 8});
  struct Case {
    const char* name;
    Bytes section;
    HapStatus status;
  };
  const Case cases[] = {
      {"instructions of another type", Chunked(Section(0x02, {kPlain}), sixteen), HapBadFrame},
      {"empty instructions", Chunked(Section(0x01, {}), sixteen), HapBadFrame},
      {"instructions longer than the section", Chunked(Header(0x01, 40), sixteen), HapBadFrame},
      {"instructions header cut short", Section(0xCB, {0x05, 0x00}), HapBadFrame},
      {"table past the end of the instructions",
       Chunked(Section(0x01, Concat({Section(0x02, {kPlain}), Header(0x03, 8), Le32(8)})), sixteen), HapBadFrame},
      {"only unknown sub-sections", Chunked(Section(0x01, Section(0x07, {1, 2, 3})), sixteen), HapBadFrame},
      {"no size table", Chunked(Section(0x01, Section(0x02, {kPlain})), sixteen), HapBadFrame},
      {"no compressor table", Chunked(Section(0x01, Section(0x03, Le32(8))), sixteen), HapBadFrame},
      {"4 compressors, 3 sizes", Chunked(Instructions(Bytes(4, kPlain), Le32Table({4, 4, 4})), sixteen),
       HapBadFrame},
      {"3 offsets for 2 chunks", Chunked(Instructions({kPlain, kPlain}, sizes88, Le32Table({0, 8, 8})), sixteen),
       HapBadFrame},
      {"empty compressor table", Chunked(Instructions({}, sizes88), sixteen), HapBadFrame},
      {"size table under one entry", Chunked(Instructions({kPlain}, {8, 0, 0}), sixteen), HapBadFrame},
      {"empty offset table",
       Chunked(Section(0x01, Concat({Section(0x02, {kPlain, kPlain}), Section(0x03, sizes88), Section(0x04, {})})),
               sixteen),
       HapBadFrame},
      {"size table replaced by an empty one",
       Chunked(Section(0x01, Concat({Section(0x02, {kPlain, kPlain}), Section(0x03, sizes88), Section(0x03, {})})),
               sixteen),
       HapBadFrame},
      {"chunks longer than the section", Chunked(Instructions({kPlain, kPlain}, Le32Table({8, 9})), sixteen),
       HapBadFrame},
      {"chunk size wrapping 32 bits",
       Chunked(Instructions({kPlain, kPlain}, Le32Table({8, 0xFFFFFFF8})), sixteen), HapBadFrame},
      {"offset past the section",
       Chunked(Instructions({kPlain, kPlain}, sizes88, Le32Table({0, 9})), sixteen), HapBadFrame},
      {"offset plus size wrapping 32 bits",
       Chunked(Instructions({kPlain, kPlain}, Le32Table({8, 0xFFFFFFF8}), Le32Table({0, 8})), sixteen),
       HapBadFrame},
      {"unreadable preamble of a later chunk",
       Chunked(Instructions({kPlain, kSnappy}, Le32Table({8, 2})), Concat({Pattern(8, 0), {0x80, 0x80}})),
       HapBadFrame},
      {"more than the capacity", Chunked(Instructions({kPlain, kPlain}, Le32Table({8, 9})), Pattern(17, 0)),
       HapBufferTooSmall},
      {"Snappy chunk announcing more than the capacity",
       Chunked(Instructions({kSnappy}, Le32Table({5})), Concat({{17}, Pattern(4, 0)})), HapBufferTooSmall},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Decoded decoded = Decode(c.section, 16);
    EXPECT_EQ(decoded.status, c.status);
    EXPECT_TRUE(Untouched(decoded.bytes));
  }
}

TEST(HapChunked, FailingChunkIsReportedAfterTheOthersRan) {
  const Bytes a = Pattern(8, 1), c = Pattern(8, 3);
  const Bytes badCompressor =
      Chunked(Instructions({kPlain, 0x0C, kPlain}, Le32Table({8, 8, 8})), Concat({a, Pattern(8, 2), c}));
  Decoded decoded = Decode(badCompressor, 24);
  EXPECT_EQ(decoded.status, HapBadFrame);
  EXPECT_EQ(Bytes(decoded.bytes.begin(), decoded.bytes.begin() + 8), a);
  EXPECT_EQ(Bytes(decoded.bytes.begin() + 16, decoded.bytes.end()), c);

  // A readable preamble in front of a corrupt body.
  const Bytes corrupt = Concat({{8}, {0xFF, 0xFF, 0xFF}});
  EXPECT_EQ(Decode(Chunked(Instructions({kPlain, kSnappy}, Le32Table({8, 4})), Concat({a, corrupt})), 16).status,
            HapBadFrame);
}

struct RunnerLog {
  int calls = 0;
  uint32_t count = 0;
  std::vector<uint32_t> order;
};

// Runs the chunks last to first, as a parallel runner might.
void RunBackwards(ChunkWork work, ChunkRecord* records, uint32_t count, void* context) {
  auto* log = static_cast<RunnerLog*>(context);
  ++log->calls;
  log->count = count;
  EXPECT_EQ(work, &DecodeChunk);
  for (uint32_t i = count; i-- > 0;) {
    log->order.push_back(i);
    work(records, i);
  }
}

TEST(HapChunked, RunnerGetsEveryChunkAndTheContext) {
  const Bytes a = Pattern(8, 1), b = Pattern(50, 2), c = Pattern(8, 3);
  const Bytes packedB = Compress(b);
  const Bytes frame = Chunked(Instructions({kPlain, kSnappy, kPlain}, Le32Table({8, uint32_t(packedB.size()), 8})),
                              Concat({a, packedB, c}));
  RunnerLog log;
  Decoded decoded = Decode(frame, 66, RunBackwards, &log);
  ASSERT_EQ(decoded.status, HapOk);
  EXPECT_EQ(decoded.bytes, Concat({a, b, c}));
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.count, 3u);
  EXPECT_EQ(log.order, (std::vector<uint32_t>{2, 1, 0}));
}

TEST(HapChunked, SingleChunkSkipsTheRunner) {
  const Bytes data = Pattern(8, 1);
  RunnerLog log;
  Decoded decoded = Decode(Chunked(Instructions({kPlain}, Le32Table({8})), data), 8, RunBackwards, &log);
  ASSERT_EQ(decoded.status, HapOk);
  EXPECT_EQ(decoded.bytes, data);
  EXPECT_EQ(log.calls, 0);
}

// Runs every chunk, then has chunk 3 fail as well, with a status of its own.
void RunBackwardsFailingChunk3(ChunkWork work, ChunkRecord* records, uint32_t count, void* context) {
  RunBackwards(work, records, count, context);
  records[3].result = HapInternalError;
}

TEST(HapChunked, FirstFailureInIndexOrderWins) {
  const Bytes frame =
      Chunked(Instructions({kPlain, 0x0C, kPlain, kPlain}, Le32Table({4, 4, 4, 4})), Pattern(16, 0));
  RunnerLog log;
  EXPECT_EQ(Decode(frame, 16, RunBackwardsFailingChunk3, &log).status, HapBadFrame);
}

// Records every batch the runner is handed, then runs it in order.
void RunLogged(ChunkWork work, ChunkRecord* records, uint32_t count, void* context) {
  auto* log = static_cast<RunnerLog*>(context);
  ++log->calls;
  log->order.push_back(count);
  for (uint32_t i = 0; i < count; ++i) work(records, i);
}

TEST(HapChunked, ChunksBeyondOneBatchAreDecodedABatchAtATime) {
  // Two full batches and one chunk more, 4 bytes each.
  const uint32_t count = 2 * kChunksPerBatch + 1;
  Bytes compressors(count, kPlain), sizes;
  for (uint32_t i = 0; i < count; ++i) sizes = Concat({sizes, Le32(4)});
  const Bytes data = Pattern(uint64_t{count} * 4, 9);
  RunnerLog log;
  Decoded decoded =
      Decode(Chunked(Instructions(compressors, sizes), data), count * 4, RunLogged, &log);
  ASSERT_EQ(decoded.status, HapOk);
  EXPECT_EQ(decoded.bytes, data);
  // The last chunk alone skips the runner.
  EXPECT_EQ(log.order, (std::vector<uint32_t>{kChunksPerBatch, kChunksPerBatch}));

  // A failure at the start of a later batch, or in the lone last chunk, is found.
  for (const uint32_t bad : {kChunksPerBatch, count - 1}) {
    Bytes badCompressors = compressors;
    badCompressors[bad] = 0x0C;
    EXPECT_EQ(Decode(Chunked(Instructions(badCompressors, sizes), data), count * 4).status,
              HapBadFrame)
        << bad;
  }
}

void SkipLastChunk(ChunkWork work, ChunkRecord* records, uint32_t count, void*) {
  for (uint32_t i = 0; i + 1 < count; ++i) work(records, i);
}

TEST(HapChunked, ChunkLeftUndoneByTheRunnerIsAFailure) {
  const Bytes frame = Chunked(Instructions({kPlain, kPlain}, Le32Table({8, 8})), Pattern(16, 0));
  EXPECT_NE(Decode(frame, 16, SkipLastChunk).status, HapOk);
}

TEST(HapChunkWork, DecodesOneRecord) {
  DecodeChunk(nullptr, 0);  // must do nothing

  const Bytes plain = Pattern(12, 4);
  const Bytes packed = Compress(plain);
  const Bytes corrupt = Concat({{12}, {0xFF, 0xFF, 0xFF}});
  Bytes out(12, kUntouched);
  auto record = [&](uint8_t compressor, const Bytes& source, uint64_t destinationSize) {
    return ChunkRecord{HapOk, compressor, source.data(), source.size(), out.data(), destinationSize};
  };
  ChunkRecord records[] = {
      record(kSnappy, packed, 12),
      record(kSnappy, packed, 11),  // range shorter than the stream announces
      record(kSnappy, corrupt, 12),
      record(0x0C, plain, 12),
  };
  const HapStatus expected[] = {HapOk, HapInternalError, HapBadFrame, HapBadFrame};
  for (uint32_t i = 0; i < 4; ++i) {
    out.assign(12, kUntouched);
    DecodeChunk(records, i);
    EXPECT_EQ(records[i].result, expected[i]) << i;
    if (i == 0) {
      EXPECT_EQ(out, plain);
    } else if (i != 2) {  // a corrupt stream may leave partial bytes behind
      EXPECT_TRUE(Untouched(out)) << i;
    }
  }
}

}  // namespace
}  // namespace orvelle
