// The caps on AVI files, reached on sources that synthesise their content:
// index entries and scanned chunks at 16,777,216, the header list at 64 MiB.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/input_limits.h"
#include "core/thumbnail.h"
#include "tests/support/codec_frames.h"
#include "tests/support/riff_builder.h"
#include "tests/support/sparse_source.h"

namespace orvelle {
namespace {

using testing::AviIndex;
using testing::Bytes;
using testing::SparseSource;


Bytes Le32(uint64_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

uint32_t GetLe32(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

// Adds `grown` to the size field at `at`.
void Grow(Bytes* bytes, size_t at, uint64_t grown) {
  const Bytes size = Le32(GetLe32(*bytes, at) + grown);
  std::copy(size.begin(), size.end(), bytes->begin() + at);
}

Bytes Concat(std::vector<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A one-frame AVI whose last chunk is its movie list.
struct OneFrame {
  Bytes file;
  Bytes frame;
  size_t moviSize;    // offset of the movie list's size field
  size_t frameChunk;  // offset of the frame's chunk, from the 'movi' list type
  std::string text;

  explicit OneFrame(AviIndex index) {
    testing::HapAvi avi;
    avi.width = 4;
    avi.height = 4;
    avi.index = index;
    frame = testing::CodecFrame("Hap1", 4, 4, testing::Storage::Plain);
    avi.samples = {frame};
    file = testing::BuildHapAvi(avi);
    text.assign(file.begin(), file.end());
    moviSize = text.find("movi") - 4;
    frameChunk = text.find("00dc", moviSize) - moviSize - 4;
  }
};

struct Outcome {
  ThumbStatus probed;
  uint32_t samples;
  ThumbStatus decoded;
};

Outcome ProbeAndDecode(SparseSource& file) {
  const ByteSource source = file.Source();
  ProbeInfo info{};
  const ThumbStatus probed = ProbeMovie(&source, &info);
  RgbaImage image{};
  const ThumbStatus decoded = DecodeThumbnail(&source, 0, &image);
  ReleaseImage(&image);
  return {probed, info.sampleCount, decoded};
}

// An idx1 of `entries` entries after the movie list, each of the one frame.
SparseSource LegacyIndexOf(uint32_t entries) {
  OneFrame built(AviIndex::None);
  const uint64_t length = uint64_t{entries} * 16;
  Grow(&built.file, 4, 8 + length);
  SparseSource source(built.file.size() + 8 + length);
  source.Place(0, Concat({built.file, {'i', 'd', 'x', '1'}, Le32(length)}));
  source.PlaceRepeated(
      built.file.size() + 8,
      Concat({{'0', '0', 'd', 'c'}, Le32(0x10), Le32(built.frameChunk), Le32(built.frame.size())}),
      entries);
  return source;
}

// An OpenDML standard index, which ends the file, of `entries` entries of the one frame.
SparseSource StandardIndexOf(uint32_t entries) {
  OneFrame built(AviIndex::OpenDml);
  const size_t ix = built.text.find("ix00");
  const uint64_t grown = (uint64_t{entries} - 1) * 8;
  for (const size_t size : {size_t{4}, built.moviSize, ix + 4}) Grow(&built.file, size, grown);
  const Bytes count = Le32(entries);
  std::copy(count.begin(), count.end(), built.file.begin() + ix + 12);
  SparseSource source(built.file.size() + grown);
  source.Place(0, built.file);
  source.PlaceRepeated(built.file.size() - 8, Bytes(built.file.end() - 8, built.file.end()),
                       entries);
  return source;
}

// A movie list whose frame is followed by `chunks` empty junk chunks.
SparseSource JunkAfterTheFrame(uint32_t chunks) {
  OneFrame built(AviIndex::None);
  const uint64_t grown = uint64_t{chunks} * 8;
  Grow(&built.file, 4, grown);
  Grow(&built.file, built.moviSize, grown);
  SparseSource source(built.file.size() + grown);
  source.Place(0, built.file);
  source.PlaceRepeated(built.file.size(), {'J', 'U', 'N', 'K', 0, 0, 0, 0}, chunks);
  return source;
}

TEST(AviCaps, IndexEntriesAndScannedChunks) {
  const struct {
    const char* name;
    SparseSource (*build)(uint32_t);
    uint32_t atCap;  // the argument that reaches the cap
    uint32_t samplesAtCap;
  } kCases[] = {
      {"idx1 entries", LegacyIndexOf, kMaxTableEntries, kMaxTableEntries},
      {"standard index entries", StandardIndexOf, kMaxTableEntries, kMaxTableEntries},
      {"chunks scanned", JunkAfterTheFrame, kMaxTableEntries - 1, 1},  // the frame is one of them
  };
  for (const auto& c : kCases) {
    SparseSource atCap = c.build(c.atCap);
    const Outcome reached = ProbeAndDecode(atCap);
    EXPECT_EQ(reached.probed, ThumbOk) << c.name;
    EXPECT_EQ(reached.samples, c.samplesAtCap) << c.name;
    EXPECT_EQ(reached.decoded, ThumbOk) << c.name;

    SparseSource pastCap = c.build(c.atCap + 1);
    const Outcome refused = ProbeAndDecode(pastCap);
    EXPECT_EQ(refused.probed, ThumbNoTrack) << c.name;
    EXPECT_EQ(refused.decoded, ThumbNoTrack) << c.name;
  }
}

// The header list padded by a junk chunk to a body of `length` bytes after
// its list type.
SparseSource HeaderListOf(uint64_t length) {
  OneFrame built(AviIndex::None);
  const size_t hdrlSize = built.text.find("hdrl") - 4;
  const size_t hdrlEnd = hdrlSize + 4 + GetLe32(built.file, hdrlSize);
  const uint64_t junk = length - (GetLe32(built.file, hdrlSize) - 4) - 8;
  const uint64_t grown = 8 + junk + junk % 2;
  Grow(&built.file, 4, grown);
  Grow(&built.file, hdrlSize, 8 + junk);
  SparseSource source(built.file.size() + grown);
  source.Place(0, Bytes(built.file.begin(), built.file.begin() + hdrlEnd));
  source.Place(hdrlEnd, Concat({{'J', 'U', 'N', 'K'}, Le32(junk)}));
  source.Place(hdrlEnd + grown, Bytes(built.file.begin() + hdrlEnd, built.file.end()));
  return source;
}

TEST(AviCaps, TheHeaderListMayHoldUpTo64MiB) {
  SparseSource atCap = HeaderListOf(kMaxAviHeaderList);
  const Outcome reached = ProbeAndDecode(atCap);
  EXPECT_EQ(reached.probed, ThumbOk);
  EXPECT_EQ(reached.samples, 1u);
  EXPECT_EQ(reached.decoded, ThumbOk);

  SparseSource pastCap = HeaderListOf(kMaxAviHeaderList + 1);
  EXPECT_EQ(ProbeAndDecode(pastCap).probed, ThumbBadFile);
}

}  // namespace
}  // namespace orvelle
