#include "container/atoms.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/atom_builder.h"

namespace orvelle {
namespace {

using testing::AtomSize;
using testing::AtomWriter;

bool FindIn(const std::vector<uint8_t>& bytes, const char (&type)[5], AtomView* view) {
  return FindChildAtom(bytes.data(), 0, bytes.size(), Fourcc(type), view);
}

TEST(AtomHeaderTest, SizeOneTakesTheLargeLengthAndNeedsSixteenBytes) {
  const std::vector<uint8_t> bytes =
      AtomWriter().Begin("mdat", AtomSize::Large).Zeros(4).End().Take();
  AtomHeader header;
  ASSERT_TRUE(DecodeAtomHeader(bytes.data(), 16, bytes.size(), &header));
  EXPECT_EQ(header.type, Fourcc("mdat"));
  EXPECT_EQ(header.length, 20u);
  EXPECT_EQ(header.headerLength, 16u);
  EXPECT_FALSE(DecodeAtomHeader(bytes.data(), 15, bytes.size(), &header));
  EXPECT_FALSE(DecodeAtomHeader(bytes.data(), 16, 19, &header));  // longer than its range
}

TEST(AtomHeaderTest, LengthsBelowTheHeaderAreInvalid) {
  AtomWriter w;
  w.U32(7).Type("free");
  const std::vector<uint8_t> small = w.Take();
  AtomHeader header;
  EXPECT_FALSE(DecodeAtomHeader(small.data(), 8, 100, &header));

  const std::vector<uint8_t> large = AtomWriter().U32(1).Type("free").U64(15).Take();
  EXPECT_FALSE(DecodeAtomHeader(large.data(), 16, 100, &header));
}

TEST(FindChildAtomTest, FindsTheFirstMatchingChild) {
  AtomWriter w;
  w.Atom("free", {1}).Atom("trak", {2, 3}).Atom("trak", {4});
  const std::vector<uint8_t> bytes = w.Take();
  AtomView view;
  ASSERT_TRUE(FindIn(bytes, "trak", &view));
  EXPECT_EQ(view.type, Fourcc("trak"));
  EXPECT_EQ(view.data, bytes.data() + 17);
  EXPECT_EQ(view.length, 2u);
  EXPECT_FALSE(FindIn(bytes, "moov", &view));
}

TEST(FindChildAtomTest, AnInvalidChildEndsTheSearch) {
  AtomWriter w;
  w.U32(4).Type("free").Atom("mdhd", {});
  const std::vector<uint8_t> bytes = w.Take();
  AtomView view;
  EXPECT_FALSE(FindIn(bytes, "mdhd", &view));
}

TEST(FindChildAtomTest, SearchesOnlyTheGivenRange) {
  AtomWriter w;
  w.Atom("free", {}).Atom("mdhd", {9});
  const std::vector<uint8_t> bytes = w.Take();
  AtomView view;
  // The second child is cut off by the range, and so invalid.
  EXPECT_FALSE(FindChildAtom(bytes.data(), 0, bytes.size() - 1, Fourcc("mdhd"), &view));
  EXPECT_FALSE(FindChildAtom(bytes.data(), 8, 7, Fourcc("mdhd"), &view));
  ASSERT_TRUE(FindChildAtom(bytes.data(), 8, 9, Fourcc("mdhd"), &view));
  EXPECT_EQ(view.data[0], 9);
}

TEST(FindChildAtomTest, SizeZeroAndLargeChildrenAreWalked) {
  AtomWriter w;
  w.Begin("free", AtomSize::Large).Zeros(3).End().Begin("mdhd", AtomSize::ToEnd).Zeros(5).End();
  const std::vector<uint8_t> bytes = w.Take();
  AtomView view;
  ASSERT_TRUE(FindIn(bytes, "mdhd", &view));
  EXPECT_EQ(view.length, 5u);

  // A large header cut short by the range's end stops the search.
  AtomWriter cut;
  cut.U32(1).Type("mdhd").U32(0);
  const std::vector<uint8_t> cutBytes = cut.Take();
  EXPECT_FALSE(FindIn(cutBytes, "mdhd", &view));
}

struct DurationCase {
  uint8_t version;
  uint32_t timeScale;
  uint64_t duration;
  double expected;  // -1: left untouched
};

void PrintTo(const DurationCase& c, std::ostream* os) {
  *os << "version " << int{c.version} << ", " << c.duration << "/" << c.timeScale;
}

class ReadMediaDurationTest : public ::testing::TestWithParam<DurationCase> {};

TEST_P(ReadMediaDurationTest, ReadsBothLayouts) {
  const DurationCase& c = GetParam();
  AtomWriter w;
  testing::WriteTimeHeader(w, "mdhd", c.timeScale, c.duration, c.version);
  const std::vector<uint8_t> bytes = w.Take();
  double seconds = -1;
  ReadMediaDuration(AtomView{Fourcc("mdhd"), bytes.data() + 8, bytes.size() - 8}, &seconds);
  EXPECT_EQ(seconds, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ReadMediaDurationTest,
    ::testing::Values(DurationCase{0, 600, 300, 0.5}, DurationCase{1, 1000, 5000000000, 5000000.0},
                      DurationCase{0, 600, 0xFFFFFFFF, -1}, DurationCase{1, 600, 0xFFFFFFFF, -1},
                      // A 64-bit all-ones duration is a number, not "unknown".
                      DurationCase{1, 1, UINT64_MAX, 18446744073709551616.0},
                      DurationCase{0, 0, 300, -1}, DurationCase{0, 600, 0, -1}),
    [](const ::testing::TestParamInfo<DurationCase>& info) {
      return "Version" + std::to_string(info.param.version) + "Case" + std::to_string(info.index);
    });

TEST(ReadMediaDurationTest, ShortPayloadsAreIgnored) {
  AtomWriter w;
  testing::WriteTimeHeader(w, "mdhd", 10, 20, 1);
  const std::vector<uint8_t> bytes = w.Take();
  double seconds = -1;
  ReadMediaDuration(AtomView{Fourcc("mdhd"), bytes.data() + 8, 31}, &seconds);
  EXPECT_EQ(seconds, -1);
  ReadMediaDuration(AtomView{Fourcc("mdhd"), bytes.data() + 8, 32}, &seconds);
  EXPECT_EQ(seconds, 2.0);

  const uint8_t version0[20] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 2};
  ReadMediaDuration(AtomView{Fourcc("mvhd"), version0, 19}, &seconds);
  EXPECT_EQ(seconds, 2.0);
  ReadMediaDuration(AtomView{Fourcc("mvhd"), version0, 20}, &seconds);
  EXPECT_EQ(seconds, 0.5);
  ReadMediaDuration(AtomView{Fourcc("mvhd"), version0, 3}, &seconds);
  EXPECT_EQ(seconds, 0.5);
}

}  // namespace
}  // namespace orvelle
