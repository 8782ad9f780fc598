// The size caps, reached without huge files: sources and tables that read as
// zeros except for the few bytes a test places.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <vector>

#include "container/atoms.h"
#include "container/track.h"
#include "base/input_limits.h"
#include "core/thumbnail.h"
#include "tests/support/atom_builder.h"
#include "tests/support/codec_frames.h"
#include "tests/support/memory_source.h"
#include "tests/support/sparse_source.h"

namespace orvelle {
namespace {

using testing::AtomWriter;
using testing::Bytes;
using testing::CodecFrame;
using testing::SparseSource;
using testing::Storage;
using testing::TrackLayout;


// Memory that reads as zeros and costs nothing until written, for tables whose
// entries need no particular value.
class ZeroPages {
 public:
  explicit ZeroPages(size_t size)
      : size_(size),
        data_(static_cast<uint8_t*>(mmap(nullptr, size, PROT_READ | PROT_WRITE,
                                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))) {}
  ~ZeroPages() {
    if (data_ != MAP_FAILED) munmap(data_, size_);
  }
  ZeroPages(const ZeroPages&) = delete;
  ZeroPages& operator=(const ZeroPages&) = delete;

  bool ok() const { return data_ != MAP_FAILED; }
  uint8_t* data() const { return data_; }

 private:
  size_t size_;
  uint8_t* data_;
};

void PutBigEndian32(uint8_t* p, uint32_t value) {
  for (int i = 3; i >= 0; --i, value >>= 8) p[i] = static_cast<uint8_t>(value);
}

struct Track {
  TrackInfo info = {};
};

// Parses a track whose sample-to-chunk table has `count` zero entries. Only
// the bytes before the table are written; the enclosing atoms' sizes are
// grown to hold it.
TrackOutcome ParseTrackWithRuns(uint32_t count, Track* track) {
  AtomWriter w;
  std::vector<uint64_t> enclosing;
  for (const char* type : {"trak", "mdia", "minf", "stbl"}) {
    enclosing.push_back(w.size());
    w.Begin(type);
    if (std::strcmp(type, "mdia") == 0) testing::WriteHandler(w, "vide");
  }
  testing::WriteSampleDescription(w, "Hap1", 8, 8);
  testing::WriteSampleSizes(w, 12, 1, {});
  testing::WriteChunkOffsets(w, {0}, false);
  enclosing.push_back(w.size());
  w.Begin("stsc").U32(0).U32(count).End();
  w.End().End().End().End();
  const Bytes head = w.Take();

  const uint64_t table = uint64_t{count} * 12;
  ZeroPages pages(head.size() + table);
  if (!pages.ok()) return TrackOutOfMemory;
  std::memcpy(pages.data(), head.data(), head.size());
  for (uint64_t at : enclosing) {
    PutBigEndian32(pages.data() + at,
                   LoadBe32(head.data() + at) + static_cast<uint32_t>(table));
  }
  const AtomView trak{Fourcc("trak"), pages.data() + 8, head.size() + table - 8};
  return ParseTrack(pages.data(), trak, &track->info);
}

// The tests take the caps from the header; this pins the values users are promised.
static_assert(kMaxMovieAtom == 64 << 20 && kMaxAviHeaderList == 64 << 20 &&
              kMaxTableEntries == 16777216 && kMaxSampleBytes == 128 << 20 &&
              kMaxFrameEdge == 16384 && kMaxTextureBufferBytes == 256 << 20);

TEST(TableCap, SampleToChunkRuns) {
  Track atCap;
  ASSERT_EQ(ParseTrackWithRuns(kMaxTableEntries, &atCap), TrackAccepted);
  EXPECT_EQ(atCap.info.sampleToChunkCount, kMaxTableEntries);
  EXPECT_EQ(atCap.info.sampleToChunk.get()[kMaxTableEntries - 1].firstChunk, 0u);

  Track pastCap;
  EXPECT_EQ(ParseTrackWithRuns(kMaxTableEntries + 1, &pastCap), TrackRejected);
  EXPECT_EQ(pastCap.info.sampleToChunk, nullptr);
}

TEST(TableCap, SixtyFourBitChunkOffsets) {
  for (const uint32_t count : {kMaxTableEntries, kMaxTableEntries + 1}) {
    ZeroPages payload(8 + uint64_t{count} * 8);
    ASSERT_TRUE(payload.ok());
    PutBigEndian32(payload.data() + 4, count);
    Track track;
    const TrackOutcome outcome = CopyChunkOffsets(
        AtomView{Fourcc("co64"), payload.data(), 8 + uint64_t{count} * 8}, true, &track.info);
    if (count == kMaxTableEntries) {
      EXPECT_EQ(outcome, TrackAccepted);
      EXPECT_EQ(track.info.chunkCount, kMaxTableEntries);
    } else {
      EXPECT_EQ(outcome, TrackRejected);
      EXPECT_EQ(track.info.chunkOffsets, nullptr);
    }
  }
}

// A movie of `count` samples of one constant size in one chunk, all zeros but
// the middle one, which is a real frame: nearly 200 MB that are never stored.
SparseSource MovieOfConstantSizeSamples(uint32_t count) {
  const Bytes frame = CodecFrame("Hap1", 4, 4, Storage::Plain);
  TrackLayout track;
  track.width = 4;
  track.height = 4;
  track.constantSampleSize = static_cast<uint32_t>(frame.size());
  track.sampleCount = count;
  track.sampleToChunk = {{1, count, 1}};
  track.chunkOffsets = {4096};
  SparseSource source(track.chunkOffsets[0] + uint64_t{count} * frame.size());
  source.Place(0, testing::BuildMovie({track}));
  source.Place(track.chunkOffsets[0] + uint64_t{count / 2} * frame.size(), frame);
  return source;
}

TEST(TableCap, ThePipelineDecodesTheMiddleOfTheLargestTrack) {
  SparseSource atCap = MovieOfConstantSizeSamples(kMaxTableEntries);
  const ByteSource source = atCap.Source();
  ProbeInfo info{};
  ASSERT_EQ(ProbeMovie(&source, &info), ThumbOk);
  EXPECT_EQ(info.sampleCount, kMaxTableEntries);
  // Any other sample is zeros, which no frame decoder accepts.
  RgbaImage image{};
  EXPECT_EQ(DecodeThumbnail(&source, 0, &image), ThumbOk);
  ReleaseImage(&image);

  SparseSource pastCap = MovieOfConstantSizeSamples(kMaxTableEntries + 1);
  const ByteSource tooMany = pastCap.Source();
  EXPECT_EQ(ProbeMovie(&tooMany, nullptr), ThumbNoTrack);
}

ThumbStatus DecodeFrameOfSize(uint16_t width, uint16_t height, RgbaImage* image) {
  testing::HapMovie movie;
  movie.width = width;
  movie.height = height;
  movie.samples = {CodecFrame("Hap1", width, height, Storage::Plain)};
  testing::MemorySource file(testing::BuildHapMovie(movie));
  const ByteSource source = file.Source();
  return DecodeThumbnail(&source, 256, image);
}

TEST(FrameEdgeCap, TheLongestEdgeDecodesAndOneMoreIsRefused) {
  RgbaImage wide{};
  ASSERT_EQ(DecodeFrameOfSize(kMaxFrameEdge, 4, &wide), ThumbOk);
  EXPECT_EQ(wide.width, 256u);
  EXPECT_EQ(wide.height, 1u);
  ReleaseImage(&wide);

  RgbaImage tall{};
  ASSERT_EQ(DecodeFrameOfSize(4, kMaxFrameEdge, &tall), ThumbOk);
  EXPECT_EQ(tall.width, 1u);
  EXPECT_EQ(tall.height, 256u);
  ReleaseImage(&tall);

  RgbaImage refused{};
  EXPECT_EQ(DecodeFrameOfSize(kMaxFrameEdge + 1, 4, &refused), ThumbInvalidArgument);
  EXPECT_EQ(DecodeFrameOfSize(4, kMaxFrameEdge + 1, &refused), ThumbInvalidArgument);
  EXPECT_EQ(refused.pixels, nullptr);
}

TEST(MovieAtomCap, ASixtyFourBitLengthFarPastTheCapIsABadFile) {
  // A one-terabyte file whose movie atom claims all of it: refused before any
  // allocation, which would have failed as out of memory.
  SparseSource file(uint64_t{1} << 40);
  file.Place(0, AtomWriter().U32(1).Type("moov").U64(uint64_t{1} << 40).Take());
  const ByteSource source = file.Source();
  EXPECT_EQ(ProbeMovie(&source, nullptr), ThumbBadFile);
}

}  // namespace
}  // namespace orvelle
