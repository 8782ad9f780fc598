// Every allocation that a decode makes is made to fail in turn: each failure
// must give the status named for that allocation and leave nothing allocated.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "core/thumbnail.h"
#include "hap/hap_texture.h"
#include "tests/hardening/failing_malloc.h"
#include "tests/support/atom_builder.h"
#include "tests/support/codec_frames.h"
#include "tests/support/memory_source.h"
#include "tests/support/riff_builder.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {
namespace {

using testing::AllocationCount;
using testing::ArmAllocations;
using testing::Bytes;
using testing::CodecFrame;
using testing::DisarmAllocations;
using testing::HapMovie;
using testing::MemorySource;
using testing::Storage;

constexpr uint16_t kWidth = 40;
constexpr uint16_t kHeight = 24;
constexpr uint32_t kShrunk = 16;  // a requested size that makes the pipeline downscale
constexpr uint64_t kFrameBytes = uint64_t{kWidth} * kHeight * 4;
// Shrunk to 16 x 10, a box is at most 3 rows: the band holds 3 + 16 of the 24 rows.
constexpr uint64_t kBandBytes = uint64_t{kWidth} * 19 * 4;

// The allocations of one decode, in the order they are made: the pipeline's
// first (movie atom, track tables, sample, then the image: the whole frame at
// full size, only the band of rows a thumbnail is made from when shrinking),
// then the frame decoder's (per texture its buffer, and chunk records when it
// is chunked), and the shrunk thumbnail last.
struct AllocationPlan {
  uint32_t pipelineBefore;
  uint32_t frameDecoder;
  uint32_t pipelineAfter;
  uint64_t imageBytes;  // the last allocation before the frame decoder's

  uint32_t total() const { return pipelineBefore + frameDecoder + pipelineAfter; }

  // The pipeline's own allocations run out of memory; the frame decoder's
  // make the frame undecodable.
  ThumbStatus StatusWhenFailing(uint32_t n) const {
    return n > pipelineBefore && n <= pipelineBefore + frameDecoder ? ThumbBadData
                                                                    : ThumbOutOfMemory;
  }
};

struct Outcome {
  ThumbStatus status;
  bool cleared;  // the image record empty after the call
  AllocationCount count;
};

Outcome DecodeFailingAt(MemorySource& file, uint32_t requestedSize, uint32_t failAt) {
  const ByteSource source = file.Source();
  RgbaImage image{};
  ArmAllocations(failAt);
  const ThumbStatus status = DecodeThumbnail(&source, requestedSize, &image);
  const bool cleared = image.width == 0 && image.height == 0 && image.pixels == nullptr;
  ReleaseImage(&image);
  return {status, cleared, DisarmAllocations()};
}

// A clean decode must make exactly the planned allocations; then each is failed in turn.
void ExpectEveryDecodeFailureClean(MemorySource& file, uint32_t requestedSize,
                                   const AllocationPlan& plan) {
  const Outcome clean = DecodeFailingAt(file, requestedSize, 0);
  ASSERT_EQ(clean.status, ThumbOk);
  ASSERT_EQ(clean.count.attempted, plan.total());
  EXPECT_EQ(clean.count.live, 0u);
  EXPECT_EQ(testing::AllocationSize(plan.pipelineBefore), plan.imageBytes);
  for (uint32_t n = 1; n <= plan.total(); ++n) {
    const Outcome failed = DecodeFailingAt(file, requestedSize, n);
    EXPECT_EQ(failed.status, plan.StatusWhenFailing(n))
        << "allocation " << n << " of " << plan.total();
    EXPECT_TRUE(failed.cleared) << "allocation " << n;
    EXPECT_EQ(failed.count.live, 0u) << "allocation " << n;
  }
}

// The probe allocates only the container's buffers, so every failure is out of memory.
void ExpectEveryProbeFailureClean(MemorySource& file, uint32_t allocations) {
  const ByteSource source = file.Source();
  ArmAllocations(0);
  ASSERT_EQ(ProbeMovie(&source, nullptr), ThumbOk);
  ASSERT_EQ(DisarmAllocations().attempted, allocations);
  for (uint32_t n = 1; n <= allocations; ++n) {
    ArmAllocations(n);
    EXPECT_EQ(ProbeMovie(&source, nullptr), ThumbOutOfMemory) << "allocation " << n;
    EXPECT_EQ(DisarmAllocations().live, 0u) << "allocation " << n;
  }
}

bool IsTwoTexture(const char* fourcc) { return std::strcmp(fourcc, "HapM") == 0; }

struct CodecCase {
  const char* fourcc;
  Storage storage;
};

std::string CaseName(const CodecCase& c) {
  return std::string(c.fourcc) + "_" + testing::StorageName(c.storage);
}

// Keeps the test names that CTest lists free of addresses.
void PrintTo(const CodecCase& c, std::ostream* out) { *out << CaseName(c); }

std::vector<CodecCase> AllCodecCases() {
  std::vector<CodecCase> cases;
  for (const char* fourcc : testing::kHapFourccs) {
    for (Storage storage : testing::kStorages) cases.push_back({fourcc, storage});
  }
  return cases;
}

class CodecAllocationFailure : public ::testing::TestWithParam<CodecCase> {};

TEST_P(CodecAllocationFailure, EveryAllocationFailsWithItsStatusAndLeaksNothing) {
  const auto [fourcc, storage] = GetParam();
  HapMovie movie;
  movie.format = fourcc;
  movie.width = kWidth;
  movie.height = kHeight;
  movie.samplesPerChunk = 2;  // two chunks and two sample-to-chunk runs
  for (uint8_t seed = 1; seed <= 3; ++seed)
    movie.samples.push_back(CodecFrame(fourcc, kWidth, kHeight, storage, seed));
  MemorySource file(testing::BuildHapMovie(movie));

  // Movie atom, sample sizes, sample-to-chunk runs, chunk offsets.
  constexpr uint32_t kContainer = 4;
  // Then the sample and the image or its band.
  constexpr uint32_t kPipelineBefore = kContainer + 2;
  const uint32_t frameDecoder =
      (IsTwoTexture(fourcc) ? 2 : 1) * (storage == Storage::Chunked ? 2 : 1);

  ExpectEveryProbeFailureClean(file, kContainer);
  ExpectEveryDecodeFailureClean(file, kShrunk, {kPipelineBefore, frameDecoder, 1, kBandBytes});
  ExpectEveryDecodeFailureClean(file, 0, {kPipelineBefore, frameDecoder, 0, kFrameBytes});
}

INSTANTIATE_TEST_SUITE_P(Codecs, CodecAllocationFailure, ::testing::ValuesIn(AllCodecCases()),
                         [](const auto& info) { return CaseName(info.param); });

TEST(AllocationFailure, AConstantSampleSizeTrackHasNoSizeTable) {
  const Bytes frame = CodecFrame("Hap1", kWidth, kHeight, Storage::Plain);
  testing::TrackLayout track;
  track.width = kWidth;
  track.height = kHeight;
  track.constantSampleSize = static_cast<uint32_t>(frame.size());
  track.sampleCount = 3;
  track.sampleToChunk = {{1, 3, 1}};
  track.co64 = true;
  // The samples follow the movie atom; a placeholder offset gives its length.
  track.chunkOffsets = {0};
  track.chunkOffsets = {testing::BuildMovie({track}).size()};
  Bytes file = testing::BuildMovie({track});
  for (int i = 0; i < 3; ++i) file.insert(file.end(), frame.begin(), frame.end());
  MemorySource source(file);

  ExpectEveryProbeFailureClean(source, 3);
  ExpectEveryDecodeFailureClean(source, kShrunk, {5, 1, 1, kBandBytes});
}

TEST(AllocationFailure, AviFilesWithEveryKindOfIndex) {
  for (const testing::AviIndex index : {testing::AviIndex::Relative, testing::AviIndex::OpenDml,
                                        testing::AviIndex::None}) {
    testing::HapAvi avi;
    avi.width = kWidth;
    avi.height = kHeight;
    avi.index = index;
    for (uint8_t seed = 1; seed <= 3; ++seed)
      avi.samples.push_back(CodecFrame("Hap1", kWidth, kHeight, Storage::Plain, seed));
    MemorySource file(testing::BuildHapAvi(avi));
    // Header list, frame offsets, frame sizes, the one sample-to-chunk run.
    ExpectEveryProbeFailureClean(file, 4);
    ExpectEveryDecodeFailureClean(file, kShrunk, {6, 1, 1, kBandBytes});
  }
}

TEST(AllocationFailure, FrameDecoderFailuresAreBadDataAndWriteNothing) {
  // Two chunked textures: a buffer and chunk records for each.
  const Bytes frame = CodecFrame("HapM", 8, 8, Storage::Chunked);
  constexpr uint32_t kAllocations = 4;
  constexpr uint8_t kUntouched = 0xEE;
  for (uint32_t n = 0; n <= kAllocations; ++n) {
    std::vector<uint8_t> image(8 * 8 * 4, kUntouched);
    ArmAllocations(n);
    const ThumbStatus status =
        DecodeFrameToRgba(frame.data(), frame.size(), 8, 8, image.data(), 8 * 4);
    const AllocationCount count = DisarmAllocations();
    EXPECT_EQ(count.live, 0u) << "allocation " << n;
    if (n == 0) {
      EXPECT_EQ(status, ThumbOk);
      EXPECT_EQ(count.attempted, kAllocations);
    } else {
      EXPECT_EQ(status, ThumbBadData) << "allocation " << n;
      EXPECT_EQ(image, std::vector<uint8_t>(image.size(), kUntouched)) << "allocation " << n;
    }
  }
}

TEST(AllocationFailure, ChunkRecordsThatCannotBeAllocatedAreAnInternalError) {
  const Bytes frame = CodecFrame("Hap1", 8, 8, Storage::Chunked);
  std::vector<uint8_t> texture(32);
  TextureFormat format = 0;
  ArmAllocations(1);
  const HapStatus status =
      DecodeTexture(frame.data(), static_cast<uint32_t>(frame.size()), 0, RunChunksSerially,
                    nullptr, texture.data(), 32, nullptr, &format);
  const AllocationCount count = DisarmAllocations();
  EXPECT_EQ(status, HapInternalError);
  EXPECT_EQ(count.attempted, 1u);
  EXPECT_EQ(count.live, 0u);
}

}  // namespace
}  // namespace orvelle
