// AVI files built in code, one for each layout that real files use and each
// fault that the reader must survive: the outcome, and where every frame is.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "container/atoms.h"
#include "container/parse_container.h"
#include "tests/container/parsed_track.h"
#include "tests/support/memory_source.h"
#include "tests/support/riff_builder.h"

namespace orvelle {
namespace {

using testing::AviIndex;
using testing::HapAvi;
using Bytes = std::vector<uint8_t>;

// Frames of odd and even sizes with distinct bytes; the container never looks inside.
HapAvi Avi(AviIndex index, uint32_t frames = 3, const char* format = "Hap1") {
  HapAvi avi;
  avi.format = format;
  avi.index = index;
  for (uint32_t i = 0; i < frames; ++i) avi.samples.push_back(Bytes(5 + 2 * i + i % 2, 0x10 + i));
  return avi;
}

size_t Find(const Bytes& bytes, const char* fourcc) {
  return std::search(bytes.begin(), bytes.end(), fourcc, fourcc + 4) - bytes.begin();
}

void PutLe32(Bytes* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i, value >>= 8) (*bytes)[at + i] = static_cast<uint8_t>(value);
}

constexpr int kPastTheEnd = -1;  // an expected frame that the index places past the file's end

struct AviCase {
  const char* name;
  std::function<HapAvi()> layout;
  std::function<void(Bytes*)> damage;  // applied to the built file, or null
  ThumbStatus status;
  std::vector<int> frames;  // which built frames the track holds, in order
  uint32_t codecKind = 1;
  uint32_t height = 32;
};

void PrintTo(const AviCase& c, std::ostream* os) { *os << c.name; }

const AviCase kCases[] = {
    {"Idx1", [] { return Avi(AviIndex::Relative); }, nullptr, ThumbOk, {0, 1, 2}},
    {"Idx1AbsoluteTopDown",
     [] {
       HapAvi avi = Avi(AviIndex::Absolute, 3, "HapM");
       avi.height = -32;
       return avi;
     },
     nullptr,
     ThumbOk,
     {0, 1, 2},
     4},
    {"Idx1AudioFirstInRecGroups",
     [] {
       HapAvi avi = Avi(AviIndex::Relative, 4, "HapA");
       avi.audioFirst = avi.recGroups = true;
       return avi;
     },
     nullptr,
     ThumbOk,
     {0, 1, 2, 3},
     5},
    {"OpenDmlOnlyAcrossAvixExtensions",
     [] {
       HapAvi avi = Avi(AviIndex::OpenDml, 5, "Hap7");
       avi.audioFirst = true;
       avi.framesPerRiff = 2;
       return avi;
     },
     nullptr,
     ThumbOk,
     {0, 1, 2, 3, 4},
     6},
    {"NoIndexScansEveryMovieList",
     [] {
       HapAvi avi = Avi(AviIndex::None, 5, "HapH");
       avi.audioFirst = avi.recGroups = true;
       avi.framesPerRiff = 2;
       return avi;
     },
     nullptr,
     ThumbOk,
     {0, 1, 2, 3, 4},
     7},
    {"Idx1CoversTheFirstRiffOnly",
     [] {
       HapAvi avi = Avi(AviIndex::Relative, 5);
       avi.framesPerRiff = 2;
       return avi;
     },
     nullptr,
     ThumbOk,
     {0, 1}},
    {"NoFrames", [] { return Avi(AviIndex::Relative, 0); }, nullptr, ThumbOk, {}},
    {"NotHap", [] { return Avi(AviIndex::Relative, 3, "H264"); }, nullptr, ThumbNoTrack, {}},
    {"TruncatedIdx1IsScannedAround",
     [] { return Avi(AviIndex::Relative); },
     [](Bytes* b) { b->resize(b->size() - 8); },
     ThumbOk,
     {0, 1, 2}},
    {"RecordingCutInItsLastFrame",
     [] { return Avi(AviIndex::None); },
     [](Bytes* b) { b->resize(b->size() - 3); },
     ThumbOk,
     {0, 1}},
    {"RiffSizeZeroReachesTheEnd",
     [] { return Avi(AviIndex::Relative); },
     [](Bytes* b) { PutLe32(b, 4, 0); },
     ThumbOk,
     {0, 1, 2}},
    {"Idx1EntryPastTheEnd",
     [] { return Avi(AviIndex::Relative); },
     [](Bytes* b) { PutLe32(b, Find(*b, "idx1") + 8 + 16 + 8, 0x7FFFFFF0); },
     ThumbOk,
     {0, kPastTheEnd, 2}},
    {"StandardIndexPastTheEnd",
     [] { return Avi(AviIndex::OpenDml); },
     [](Bytes* b) { PutLe32(b, Find(*b, "indx") + 8 + 24, static_cast<uint32_t>(b->size())); },
     ThumbNoTrack,
     {}},
    {"StandardIndexOfTheWrongType",
     [] { return Avi(AviIndex::OpenDml); },
     [](Bytes* b) { (*b)[Find(*b, "ix00") + 8 + 3] = 0; },
     ThumbNoTrack,
     {}},
    {"NoHeaderList",
     [] { return Avi(AviIndex::Relative); },
     [](Bytes* b) { std::copy_n("JUNK", 4, b->begin() + Find(*b, "LIST")); },
     ThumbNoTrack,
     {}},
    {"EmptyHeaderList",
     [] { return Avi(AviIndex::Relative); },
     [](Bytes* b) {
       const size_t list = Find(*b, "LIST");
       PutLe32(b, list + 4, 4);                         // the list type alone
       std::copy_n("JUNK", 4, b->begin() + list + 12);  // its chunks then skipped at the top
     },
     ThumbBadFile,
     {}},
};

class AviReaderTest : public ::testing::TestWithParam<AviCase> {};

TEST_P(AviReaderTest, FindsTheFramesOrFailsAsExpected) {
  const AviCase& c = GetParam();
  const HapAvi avi = c.layout();
  Bytes bytes = testing::BuildHapAvi(avi);
  if (c.damage) c.damage(&bytes);
  testing::ParsedTrack track;
  ASSERT_EQ(testing::ParseAnyContainer(bytes, &track), c.status);
  const TrackInfo& info = track.info;
  if (c.status != ThumbOk) {
    EXPECT_EQ(info.chunkOffsets, nullptr);
    EXPECT_EQ(info.sampleCount, 0u);
    return;
  }
  EXPECT_EQ(info.codecKind, c.codecKind);
  EXPECT_EQ(info.fourcc, LoadBe32(reinterpret_cast<const uint8_t*>(avi.format)));
  EXPECT_EQ(info.width, 64u);
  EXPECT_EQ(info.height, c.height);
  EXPECT_DOUBLE_EQ(info.duration, avi.samples.size() / 25.0);
  ASSERT_EQ(info.sampleCount, c.frames.size());
  for (uint32_t i = 0; i < info.sampleCount; ++i) {
    uint64_t offset = 0;
    uint32_t size = 0;
    ASSERT_EQ(LocateSample(&info, i, &offset, &size), ThumbOk) << i;
    if (c.frames[i] == kPastTheEnd) {
      EXPECT_GT(offset, bytes.size()) << i;
      continue;
    }
    const Bytes& frame = avi.samples[c.frames[i]];
    ASSERT_EQ(size, frame.size()) << i;
    ASSERT_LE(offset + size, bytes.size()) << i;
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), bytes.begin() + offset)) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, AviReaderTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AviReaderTest, HeadersComeThroughOneWindow) {
  testing::MemorySource file(testing::BuildHapAvi(Avi(AviIndex::Relative)));
  const ByteSource source = file.Source();
  testing::ParsedTrack track;
  ASSERT_EQ(ParseContainer(&source, &track.info), ThumbOk);
  EXPECT_EQ(file.reads(), 3u);  // the first bytes, the window, the header list
}

TEST(AviReaderTest, AShortHeaderListReadFailsWithoutLeaking) {
  testing::MemorySource file(testing::BuildHapAvi(Avi(AviIndex::Relative)));
  file.ShortenRead(2, 1);
  const ByteSource source = file.Source();
  testing::ParsedTrack track;
  EXPECT_EQ(ParseContainer(&source, &track.info), ThumbReadFailed);
  EXPECT_EQ(track.info.chunkOffsets, nullptr);
}

}  // namespace
}  // namespace orvelle
