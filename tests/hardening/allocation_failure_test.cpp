// Every allocation that a decode makes is made to fail in turn: each failure
// must give the right status and leave nothing allocated. The allocations are
// learnt from a clean run, so that none of their order or count is written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
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

// The sizes of the allocations counted, in order.
std::vector<uint64_t> SizesOf(const AllocationCount& count) {
  std::vector<uint64_t> sizes;
  for (uint32_t n = 1; n <= count.attempted; ++n) sizes.push_back(testing::AllocationSize(n));
  return sizes;
}

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

// The frame decoder's allocations for `frame` come one after another in a
// decode: the one run of their sizes among the decode's, as [first, end).
std::pair<size_t, size_t> FrameDecoderRun(const Bytes& frame, const std::vector<uint64_t>& decode) {
  std::vector<uint8_t> image(kFrameBytes);
  ArmAllocations(0);
  EXPECT_EQ(DecodeFrameToRgba(frame.data(), frame.size(), kWidth, kHeight, image.data(), kWidth * 4),
            ThumbOk);
  const std::vector<uint64_t> run = SizesOf(DisarmAllocations());
  const auto first = std::search(decode.begin(), decode.end(), run.begin(), run.end());
  EXPECT_NE(first, decode.end());
  EXPECT_TRUE(first == decode.end() ||
              std::search(first + 1, decode.end(), run.begin(), run.end()) == decode.end());
  const size_t at = first - decode.begin();
  return {at, at + run.size()};
}

// The pipeline's own allocations run out of memory; the frame decoder's make
// the frame undecodable. The image is allocated once: the whole frame at full
// size, only the band of rows a thumbnail is made from when shrinking.
void ExpectEveryDecodeFailureClean(MemorySource& file, uint32_t requestedSize,
                                   const Bytes& middleFrame) {
  const Outcome clean = DecodeFailingAt(file, requestedSize, 0);
  ASSERT_EQ(clean.status, ThumbOk);
  EXPECT_EQ(clean.count.live, 0u);
  const std::vector<uint64_t> sizes = SizesOf(clean.count);
  const bool shrinking = requestedSize != 0;
  EXPECT_EQ(std::count(sizes.begin(), sizes.end(), shrinking ? kBandBytes : kFrameBytes), 1);
  EXPECT_EQ(std::count(sizes.begin(), sizes.end(), kFrameBytes), shrinking ? 0 : 1);
  const auto [first, end] = FrameDecoderRun(middleFrame, sizes);
  for (uint32_t n = 1; n <= sizes.size(); ++n) {
    const bool inDecoder = n > first && n <= end;
    const Outcome failed = DecodeFailingAt(file, requestedSize, n);
    EXPECT_EQ(failed.status, inDecoder ? ThumbBadData : ThumbOutOfMemory)
        << "allocation " << n << " of " << sizes.size();
    EXPECT_TRUE(failed.cleared) << "allocation " << n;
    EXPECT_EQ(failed.count.live, 0u) << "allocation " << n;
  }
}

// The probe allocates only the container's buffers, so every failure is out
// of memory. Returns how many allocations it makes.
uint32_t ExpectEveryProbeFailureClean(MemorySource& file) {
  const ByteSource source = file.Source();
  ArmAllocations(0);
  EXPECT_EQ(ProbeMovie(&source, nullptr), ThumbOk);
  const AllocationCount clean = DisarmAllocations();
  EXPECT_EQ(clean.live, 0u);
  const uint32_t allocations = clean.attempted;
  for (uint32_t n = 1; n <= allocations; ++n) {
    ArmAllocations(n);
    EXPECT_EQ(ProbeMovie(&source, nullptr), ThumbOutOfMemory) << "allocation " << n;
    EXPECT_EQ(DisarmAllocations().live, 0u) << "allocation " << n;
  }
  return allocations;
}

// Every codec in every storage.
TEST(AllocationFailure, EveryAllocationOfEveryCodecFailsWithItsStatusAndLeaksNothing) {
  for (const char* fourcc : testing::kHapFourccs) {
    for (const Storage storage : testing::kStorages) {
      SCOPED_TRACE(std::string(fourcc) + " " + testing::StorageName(storage));
      HapMovie movie;
      movie.format = fourcc;
      movie.width = kWidth;
      movie.height = kHeight;
      movie.samplesPerChunk = 2;  // two chunks and two sample-to-chunk runs
      for (uint8_t seed = 1; seed <= 3; ++seed)
        movie.samples.push_back(CodecFrame(fourcc, kWidth, kHeight, storage, seed));
      MemorySource file(testing::BuildHapMovie(movie));

      ExpectEveryProbeFailureClean(file);
      ExpectEveryDecodeFailureClean(file, kShrunk, movie.samples[1]);
      ExpectEveryDecodeFailureClean(file, 0, movie.samples[1]);
    }
  }
}

TEST(AllocationFailure, AConstantSampleSizeTrackHasNoSizeTable) {
  const Bytes frame = CodecFrame("Hap1", kWidth, kHeight, Storage::Plain);
  HapMovie sized;
  sized.width = kWidth;
  sized.height = kHeight;
  sized.samples = {frame, frame, frame};
  MemorySource withSizes(testing::BuildHapMovie(sized));
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

  EXPECT_EQ(ExpectEveryProbeFailureClean(source), ExpectEveryProbeFailureClean(withSizes) - 1);
  ExpectEveryDecodeFailureClean(source, kShrunk, frame);
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
    ExpectEveryProbeFailureClean(file);
    ExpectEveryDecodeFailureClean(file, kShrunk, avi.samples[1]);
  }
}

TEST(AllocationFailure, FrameDecoderFailuresAreBadDataAndWriteNothing) {
  // Two chunked textures: a buffer and chunk records for each.
  const Bytes frame = CodecFrame("HapM", 8, 8, Storage::Chunked);
  constexpr uint8_t kUntouched = 0xEE;
  uint32_t allocations = 1;  // learnt from the clean run, n = 0
  for (uint32_t n = 0; n <= allocations; ++n) {
    std::vector<uint8_t> image(8 * 8 * 4, kUntouched);
    ArmAllocations(n);
    const ThumbStatus status =
        DecodeFrameToRgba(frame.data(), frame.size(), 8, 8, image.data(), 8 * 4);
    const AllocationCount count = DisarmAllocations();
    EXPECT_EQ(count.live, 0u) << "allocation " << n;
    if (n == 0) {
      ASSERT_EQ(status, ThumbOk);
      allocations = count.attempted;
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
