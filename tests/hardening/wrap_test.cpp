// Sums over values from a file that would wrap around: each must be refused,
// never wrapped into a small, plausible number.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/thumbnail.h"
#include "tests/support/atom_builder.h"
#include "tests/support/codec_frames.h"
#include "tests/support/memory_source.h"
#include "texture/frame_to_rgba.h"

namespace orvelle {
namespace {

using testing::AtomWriter;
using testing::Bytes;
using testing::MemorySource;

ThumbStatus Probe(Bytes bytes) {
  MemorySource file(std::move(bytes));
  const ByteSource source = file.Source();
  return ProbeMovie(&source, nullptr);
}

TEST(WrappingSums, ATopLevelLengthThatWouldWrapTheScanBackToTheStartEndsIt) {
  AtomWriter w;
  w.Begin("ftyp").Type("qt  ").U32(0).Type("qt  ").End();
  // Offset 20 plus this length is 2^64: a wrapped offset of 0 would rescan forever.
  w.U32(1).Type("free").U64(0 - w.size());
  testing::WriteMovieAtom(w, {});
  EXPECT_EQ(Probe(w.Take()), ThumbNoTrack);
}

TEST(WrappingSums, AChildLengthThatWouldWrapEndsTheWalk) {
  testing::TrackLayout track;
  track.sampleSizes = {12};
  track.chunkOffsets = {0};
  AtomWriter w;
  w.Begin("moov");
  testing::WriteTimeHeader(w, "mvhd", 600, 600);
  // Its position plus its length is 2^64: a wrapped walk would start over.
  w.U32(1).Type("free").U64(0 - w.payloadSize());
  testing::WriteTrack(w, track);
  w.End();
  EXPECT_EQ(Probe(w.Take()), ThumbNoTrack);
}

TEST(WrappingSums, ASampleWhoseEndWouldWrapIsBadData) {
  // Offset 2^64 - 16 plus 32 bytes wraps to 16, inside the file; reading at
  // the real offset would instead fail as a short read.
  testing::TrackLayout track;
  track.width = 4;
  track.height = 4;
  track.sampleSizes = {32};
  track.chunkOffsets = {UINT64_MAX - 15};
  track.co64 = true;
  MemorySource file(testing::BuildMovie({track}));
  const ByteSource source = file.Source();
  RgbaImage image{};
  EXPECT_EQ(DecodeThumbnail(&source, 0, &image), ThumbBadData);
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(WrappingSums, AFrameLengthBeyondThirtyTwoBitsIsNotTruncated) {
  // 2^32 + 12 would be a valid 12-byte frame if cut to 32 bits. Nothing past
  // the 12 real bytes is read: the length is refused first.
  const Bytes frame = testing::CodecFrame("Hap1", 4, 4, testing::Storage::Plain);
  std::vector<uint8_t> image(4 * 4 * 4);
  EXPECT_EQ(
      DecodeFrameToRgba(frame.data(), (uint64_t{1} << 32) + frame.size(), 4, 4, image.data(), 16),
      ThumbBadData);
}

}  // namespace
}  // namespace orvelle
