#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "hap/hap_frame.h"
#include "tests/support/hap_frame_builder.h"

namespace orvelle {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Header;
using testing::LongSection;
using testing::Pattern;
using testing::Section;

const Bytes kBlock = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};

// One plain BC1 block as a whole frame.
const Bytes kPlainFrame = Concat({{0x08, 0x00, 0x00, 0xAB}, kBlock});
// The same texture inside a multi-texture container.
const Bytes kContainerFrame = Concat({{0x0C, 0x00, 0x00, 0x0D, 0x08, 0x00, 0x00, 0xAB}, kBlock});

struct Found {
  HapStatus status;
  const uint8_t* payload;
  uint32_t size;
  uint8_t type;
};

Found Find(const Bytes& frame, uint32_t index) {
  Found found{HapOk, nullptr, 0xDEAD, 0xEE};
  found.status = FindTextureSection(frame.data(), uint32_t(frame.size()), index, &found.payload,
                                    &found.size, &found.type);
  return found;
}

uint32_t Count(const Bytes& frame, HapStatus expected = HapOk) {
  uint32_t count = 0xDEAD;
  EXPECT_EQ(GetTextureCount(frame.data(), uint32_t(frame.size()), &count), expected);
  return count;
}

HapStatus Format(const Bytes& frame, uint32_t index, TextureFormat* format) {
  return GetTextureFormat(frame.data(), uint32_t(frame.size()), index, format);
}

TEST(HapSectionHeader, ReadsBothFormsAndRejectsWhatDoesNotFit) {
  struct Case {
    const char* name;
    Bytes bytes;
    uint64_t available;
    HapStatus status;
    uint32_t size;
    uint8_t headerLength;
  };
  const Case cases[] = {
      {"short form", {0x08, 0x00, 0x00, 0xAB}, 12, HapOk, 8, 4},
      {"24-bit size, byte 0 lowest", {0x03, 0x02, 0x01, 0xBE}, 4 + 0x010203, HapOk, 0x010203, 4},
      {"long form", {0x00, 0x00, 0x00, 0xAB, 0x05, 0x00, 0x00, 0x00}, 13, HapOk, 5, 8},
      {"long form, empty payload", {0x00, 0x00, 0x00, 0xAB, 0, 0, 0, 0}, 8, HapOk, 0, 8},
      {"32-bit size, byte 4 lowest", {0, 0, 0, 0xAB, 0x04, 0x03, 0x02, 0x01}, 8 + 0x01020304, HapOk,
       0x01020304, 8},
      {"nothing available", {0x08, 0x00, 0x00, 0xAB}, 0, HapBadFrame, 0, 0},
      {"3 bytes available", {0x08, 0x00, 0x00, 0xAB}, 3, HapBadFrame, 0, 0},
      {"long form cut short", {0x00, 0x00, 0x00, 0xAB, 0, 0, 0, 0}, 7, HapBadFrame, 0, 0},
      {"payload one byte short", {0x08, 0x00, 0x00, 0xAB}, 11, HapBadFrame, 0, 0},
      {"size that would wrap 32 bits", {0, 0, 0, 0xAB, 0xF8, 0xFF, 0xFF, 0xFF}, 100, HapBadFrame, 0, 0},
      {"largest size, all but one byte there", {0, 0, 0, 0xAB, 0xFF, 0xFF, 0xFF, 0xFF}, 0x100000006,
       HapBadFrame, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SectionHeader header{};
    ASSERT_EQ(ReadSectionHeader(c.bytes.data(), c.available, &header), c.status);
    if (c.status != HapOk) continue;
    EXPECT_EQ(header.payloadSize, c.size);
    EXPECT_EQ(header.headerLength, c.headerLength);
    EXPECT_EQ(header.type, c.bytes[3]);
  }
}

TEST(HapTextureFormat, NibblesAndBlockSizes) {
  const TextureFormat byNibble[16] = {0, TexFmtAlphaRgtc1, TexFmtRgbBptcUnsignedFloat, TexFmtRgbBptcSignedFloat,
                                      0, 0, 0, 0, 0, 0, 0, TexFmtRgbDxt1, TexFmtRgbaBptcUnorm, 0, TexFmtRgbaDxt5,
                                      TexFmtYCoCgDxt5};
  for (uint8_t nibble = 0; nibble < 16; ++nibble) {
    const TextureFormat format = TextureFormatFromType(nibble);
    EXPECT_EQ(format, byNibble[nibble]) << int(nibble);
    const bool eightByteBlocks = format == TexFmtRgbDxt1 || format == TexFmtAlphaRgtc1;
    EXPECT_EQ(BytesPerBlock(format), format == 0 ? 0u : eightByteBlocks ? 8u : 16u) << int(nibble);
  }
}

TEST(HapFrameLayout, PlainFrameHoldsOneTexture) {
  EXPECT_EQ(Count(kPlainFrame), 1u);

  Found found = Find(kPlainFrame, 0);
  ASSERT_EQ(found.status, HapOk);
  EXPECT_EQ(found.payload, kPlainFrame.data() + 4);
  EXPECT_EQ(found.size, 8u);
  EXPECT_EQ(found.type, 0xAB);

  TextureFormat format = 0;
  EXPECT_EQ(Format(kPlainFrame, 0, &format), HapOk);
  EXPECT_EQ(format, TexFmtRgbDxt1);

  found = Find(kPlainFrame, 1);
  EXPECT_EQ(found.status, HapBadArgument);
  EXPECT_EQ(found.payload, nullptr);
  EXPECT_EQ(found.size, 0u);
  EXPECT_EQ(found.type, 0);
  EXPECT_EQ(Format(kPlainFrame, 1, &format), HapBadArgument);
}

TEST(HapFrameLayout, ContainerHoldsItsTexturesInOrder) {
  EXPECT_EQ(Count(kContainerFrame), 1u);
  Found found = Find(kContainerFrame, 0);
  ASSERT_EQ(found.status, HapOk);
  EXPECT_EQ(found.payload, kContainerFrame.data() + 8);
  EXPECT_EQ(found.size, 8u);
  EXPECT_EQ(found.type, 0xAB);

  // BC1, a long-form BC4 and a BC7 section.
  const Bytes frame = Section(0x0D, Concat({Section(0xAB, Pattern(8, 1)), LongSection(0xB1, Pattern(5, 2)),
                                            Section(0xCC, Pattern(3, 3))}));
  EXPECT_EQ(Count(frame), 3u);
  found = Find(frame, 1);
  ASSERT_EQ(found.status, HapOk);
  EXPECT_EQ(found.payload, frame.data() + 4 + 12 + 8);
  EXPECT_EQ(found.size, 5u);
  EXPECT_EQ(found.type, 0xB1);
  found = Find(frame, 2);
  ASSERT_EQ(found.status, HapOk);
  EXPECT_EQ(found.type, 0xCC);
  EXPECT_EQ(Find(frame, 3).status, HapBadArgument);

  TextureFormat format = 0;
  EXPECT_EQ(Format(frame, 1, &format), HapOk);
  EXPECT_EQ(format, TexFmtAlphaRgtc1);
  // Only a colour texture and an alpha texture are served.
  EXPECT_EQ(Format(frame, 2, &format), HapBadArgument);
}

TEST(HapFrameLayout, EmptyContainerHasNoTexture) {
  const Bytes frame = LongSection(0x0D, {});
  EXPECT_EQ(Count(frame), 0u);
  EXPECT_EQ(Find(frame, 0).status, HapBadArgument);
  TextureFormat format = 0;
  EXPECT_EQ(Format(frame, 0, &format), HapBadArgument);
}

TEST(HapFrameLayout, SectionsMustLieInsideTheContainer) {
  // The second section claims 9 bytes where the container holds 8; the
  // trailing bytes of the frame must not make up for it.
  const Bytes frame = Concat(
      {Header(0x0D, 12 + 12), Section(0xAB, kBlock), Header(0xAB, 9), kBlock, Pattern(16, 9)});
  EXPECT_EQ(Find(frame, 0).status, HapOk);
  EXPECT_EQ(Find(frame, 1).status, HapBadFrame);
  Count(frame, HapBadFrame);
  TextureFormat format = 0;
  EXPECT_EQ(Format(frame, 1, &format), HapBadFrame);

  // A truncated header at the container's end.
  const Bytes cut = Section(0x0D, Concat({Section(0xAB, kBlock), {0x08, 0x00}}));
  Count(cut, HapBadFrame);
  EXPECT_EQ(Find(cut, 1).status, HapBadFrame);
}

TEST(HapFrameLayout, TruncatedFramesAreBad) {
  for (uint32_t length = 0; length < kPlainFrame.size(); ++length) {
    SCOPED_TRACE(length);
    // Exactly `length` bytes on the heap, so that the sanitizer sees a read beyond them.
    std::unique_ptr<uint8_t[]> frame(new uint8_t[length]);
    std::copy_n(kPlainFrame.begin(), length, frame.get());
    uint32_t count;
    const uint8_t* payload;
    uint32_t size;
    uint8_t type;
    TextureFormat format;
    EXPECT_EQ(GetTextureCount(frame.get(), length, &count), HapBadFrame);
    EXPECT_EQ(FindTextureSection(frame.get(), length, 0, &payload, &size, &type), HapBadFrame);
    EXPECT_EQ(GetTextureFormat(frame.get(), length, 0, &format), HapBadFrame);
  }
}

TEST(HapFrameLayout, BytesAfterTheTopSectionAreIgnored) {
  for (const Bytes& frame : {kPlainFrame, kContainerFrame}) {
    const Bytes padded = Concat({frame, Pattern(40, 0xF0)});
    EXPECT_EQ(Count(padded), 1u);
    Found plain = Find(frame, 0);
    Found extended = Find(padded, 0);
    ASSERT_EQ(extended.status, HapOk);
    EXPECT_EQ(extended.payload - padded.data(), plain.payload - frame.data());
    EXPECT_EQ(extended.size, plain.size);
    EXPECT_EQ(extended.type, plain.type);
  }
}

TEST(HapFrameLayout, FormatComesFromTheLowNibbleOnly) {
  TextureFormat format = 0;
  // An unknown compressor nibble is left for decoding to reject.
  EXPECT_EQ(Format(Section(0x9B, kBlock), 0, &format), HapOk);
  EXPECT_EQ(format, TexFmtRgbDxt1);

  format = 0x1234;
  EXPECT_EQ(Format(Section(0xA4, kBlock), 0, &format), HapBadFrame);
  EXPECT_EQ(format, 0u);
  // A frame whose only section names no format still counts as one texture.
  EXPECT_EQ(Count(Section(0xA4, kBlock)), 1u);

  // Containers do not nest: an inner 0x0D is a texture section naming no format.
  const Bytes nested = Section(0x0D, kContainerFrame);
  EXPECT_EQ(Count(nested), 1u);
  EXPECT_EQ(Format(nested, 0, &format), HapBadFrame);
}

}  // namespace
}  // namespace orvelle
