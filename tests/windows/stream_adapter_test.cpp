#include "shell/stream_adapter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/windows/fake_stream.h"

namespace orvelle {
namespace {

using testing::FakeStream;

static_assert(kMaxStreamRead == 0x10000000, "the published largest single read");

std::vector<BYTE> Counting(size_t count) {
  std::vector<BYTE> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<BYTE>(i);
  return bytes;
}

TEST(StreamReadAt, ReadsAtTheOffsetWhereverTheStreamStood) {
  FakeStream stream(Counting(100));
  StreamAdapter adapter(&stream);
  BYTE out[4] = {};
  EXPECT_EQ(StreamReadAt(&adapter, 40, out, 4), 4u);
  EXPECT_EQ(out[0], 40);
  EXPECT_EQ(out[3], 43);
  EXPECT_EQ(StreamReadAt(&adapter, 10, out, 4), 4u);  // backwards: every read seeks
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(StreamReadAt(&adapter, 98, out, 4), 2u);  // past the end: what exists
  EXPECT_EQ(StreamReadAt(&adapter, 100, out, 4), 0u);
  EXPECT_EQ(StreamReadAt(&adapter, 5, out, 0), 0u);
  EXPECT_EQ(stream.refs(), 1);  // borrowed, never held
}

TEST(StreamReadAt, AShortReadIsReturnedWithoutASecondAttempt) {
  FakeStream stream(Counting(100));
  stream.LimitReads(3);
  StreamAdapter adapter(&stream);
  BYTE out[10] = {};
  EXPECT_EQ(StreamReadAt(&adapter, 0, out, 10), 3u);
  EXPECT_EQ(stream.readSizes(), std::vector<ULONG>{10});
}

TEST(StreamReadAt, FailuresDeliverNothingMoreAndLiesAreHeldToTheRequest) {
  BYTE out[8] = {};
  {
    FakeStream failing(Counting(100));
    failing.FailRead(0);  // and claims to have delivered everything
    StreamAdapter adapter(&failing);
    EXPECT_EQ(StreamReadAt(&adapter, 0, out, 8), 0u);
  }
  {
    FakeStream unseekable(Counting(100));
    unseekable.FailSeek();
    StreamAdapter adapter(&unseekable);
    EXPECT_EQ(StreamReadAt(&adapter, 0, out, 8), 0u);
    EXPECT_TRUE(unseekable.readSizes().empty());
  }
  {
    FakeStream boasting(Counting(100));
    boasting.OverstateReads(1000);
    StreamAdapter adapter(&boasting);
    EXPECT_EQ(StreamReadAt(&adapter, 0, out, 8), 8u);
  }
  {
    FakeStream stream(Counting(100));
    StreamAdapter adapter(&stream);
    EXPECT_EQ(StreamReadAt(&adapter, uint64_t{1} << 63, out, 8), 0u);  // not a stream position
    EXPECT_EQ(StreamReadAt(nullptr, 0, out, 8), 0u);
    EXPECT_EQ(StreamReadAt(&adapter, 0, nullptr, 8), 0u);
    StreamAdapter empty(nullptr);
    EXPECT_EQ(StreamReadAt(&empty, 0, out, 8), 0u);
    EXPECT_TRUE(stream.readSizes().empty());
  }
}

TEST(StreamReadAt, SplitsLargeRequestsIntoReadsOfAtMost256MiB) {
  const uint64_t request = 2 * kMaxStreamRead + 5;
  // Address space only: the fake stream copies nothing, so nothing is committed.
  void* reserved = VirtualAlloc(nullptr, request, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_NE(reserved, nullptr);
  FakeStream stream;
  stream.SetVirtual(true);
  stream.SetReportedSize(uint64_t{1} << 40);
  StreamAdapter adapter(&stream);

  EXPECT_EQ(StreamReadAt(&adapter, 7, reserved, request), request);
  const std::vector<ULONG> expectedSizes = {kMaxStreamRead, kMaxStreamRead, 5};
  EXPECT_EQ(stream.readSizes(), expectedSizes);
  auto* base = static_cast<const BYTE*>(reserved);
  const std::vector<const void*> expectedTargets = {base, base + kMaxStreamRead, base + 2 * kMaxStreamRead};
  EXPECT_EQ(stream.readTargets(), expectedTargets);
  EXPECT_EQ(stream.position(), 7 + request);
  VirtualFree(reserved, 0, MEM_RELEASE);
}

TEST(MakeByteSource, TakesTheSizeFromStatOrFails) {
  FakeStream stream(Counting(10));
  stream.SetReportedSize(uint64_t{5} << 32);
  StreamAdapter adapter(&stream);
  ByteSource source = {};
  ASSERT_TRUE(MakeByteSource(&adapter, &source));
  EXPECT_EQ(source.context, &adapter);
  EXPECT_EQ(source.size, uint64_t{5} << 32);
  BYTE out[2] = {};
  EXPECT_EQ(source.read(source.context, 3, out, 2), 2u);
  EXPECT_EQ(out[0], 3);

  FakeStream failing(Counting(10));
  failing.FailStat();
  StreamAdapter failingAdapter(&failing);
  EXPECT_FALSE(MakeByteSource(&failingAdapter, &source));
  EXPECT_FALSE(MakeByteSource(&adapter, nullptr));
}

}  // namespace
}  // namespace orvelle
