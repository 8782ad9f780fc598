#include <gtest/gtest.h>

#include "base/heap_ptr.h"
#include "base/input_limits.h"
#include "hap/hap_texture.h"
#include "tests/support/hap_frame_builder.h"

namespace orvelle {
namespace {

using testing::Bytes;
using testing::Compress;
using testing::Concat;
using testing::LongSection;
using testing::Pattern;
using testing::Section;

constexpr uint8_t kUntouched = 0xEE;

struct Decoded {
  HapStatus status;
  Bytes bytes;  // the whole destination, kUntouched where nothing was written
  uint32_t length;
  TextureFormat format;
};

Decoded Decode(const Bytes& frame, uint32_t capacity, uint32_t index = 0) {
  Decoded result{HapOk, Bytes(capacity + 1, kUntouched), 0xDEAD, 0xDEAD};
  result.status = DecodeTexture(frame.data(), uint32_t(frame.size()), index, RunChunksSerially, nullptr,
                                result.bytes.data(), capacity, &result.length, &result.format);
  return result;
}

bool Untouched(const Bytes& bytes) {
  for (uint8_t byte : bytes) {
    if (byte != kUntouched) return false;
  }
  return true;
}

Bytes Prefix(const Bytes& bytes, size_t count) { return Bytes(bytes.begin(), bytes.begin() + count); }

// A whole section, plain or one Snappy stream: decoded into exactly its room
// or more, refused untouched with a byte less.
TEST(HapTexture, WholeSectionIsDecoded) {
  const Bytes dxt5 = Pattern(32, 5);
  const Bytes ycocg = Concat({Pattern(300, 1), Bytes(200, 0), Pattern(300, 1)});
  const struct {
    Bytes frame;
    Bytes texture;
    TextureFormat format;
  } cases[] = {
      {Section(0xAE, dxt5), dxt5, TexFmtRgbaDxt5},
      {Section(0xBF, Compress(ycocg)), ycocg, TexFmtYCoCgDxt5},
  };
  for (const auto& c : cases) {
    const uint32_t size = uint32_t(c.texture.size());
    Decoded exact = Decode(c.frame, size);
    ASSERT_EQ(exact.status, HapOk) << size;
    EXPECT_EQ(exact.length, size);
    EXPECT_EQ(exact.format, c.format);
    EXPECT_EQ(Prefix(exact.bytes, size), c.texture);
    EXPECT_EQ(exact.bytes[size], kUntouched);

    Decoded roomy = Decode(c.frame, size + 68);
    ASSERT_EQ(roomy.status, HapOk) << size;
    EXPECT_EQ(roomy.length, size);

    Decoded tight = Decode(c.frame, size - 1);
    EXPECT_EQ(tight.status, HapBufferTooSmall) << size;
    EXPECT_TRUE(Untouched(tight.bytes)) << size;
  }
}

TEST(HapTexture, UnreadableSnappySectionIsSnappysFailure) {
  const Bytes stream = Compress(Pattern(500, 3));
  const Bytes cases[] = {
      LongSection(0xBB, {}),                                  // no preamble at all
      Section(0xBB, {0x80, 0x80}),                            // preamble cut inside its varint
      Section(0xBB, Prefix(stream, stream.size() - 10)),      // body cut short
      Section(0xBB, Concat({{0x10}, {0xFF, 0xFF, 0xFF}})),    // 16 bytes announced, garbage body
  };
  for (const Bytes& frame : cases) {
    EXPECT_EQ(Decode(frame, 1000).status, HapInternalError);
  }
}

TEST(HapTexture, UnknownCompressorOrFormatIsBadFrame) {
  for (uint8_t compressor : {0x0, 0x9, 0xD, 0xF}) {
    Decoded decoded = Decode(Section(uint8_t(compressor << 4 | 0xB), Pattern(8, 0)), 8);
    EXPECT_EQ(decoded.status, HapBadFrame) << int(compressor);
    // The format is reported before the compressor is looked at.
    EXPECT_EQ(decoded.format, TexFmtRgbDxt1);
    EXPECT_TRUE(Untouched(decoded.bytes));
  }
  Decoded unknownFormat = Decode(Section(0xA4, Pattern(8, 0)), 8);
  EXPECT_EQ(unknownFormat.status, HapBadFrame);
  EXPECT_EQ(unknownFormat.format, 0u);
}

TEST(HapTexture, SecondTextureOfAContainer) {
  const Bytes alpha = Pattern(24, 9);
  const Bytes frame = Section(0x0D, Concat({Section(0xAF, Pattern(48, 1)), Section(0xB1, Compress(alpha))}));
  Decoded decoded = Decode(frame, 24, 1);
  ASSERT_EQ(decoded.status, HapOk);
  EXPECT_EQ(decoded.format, TexFmtAlphaRgtc1);
  EXPECT_EQ(Prefix(decoded.bytes, 24), alpha);
}

TEST(HapTexture, ServesTwoTexturesAtMost) {
  const Bytes texture = Section(0xAB, Pattern(8, 0));
  const Bytes frame = Section(0x0D, Concat({texture, texture, texture}));
  uint8_t out[8];
  TextureFormat format;
  EXPECT_EQ(DecodeTexture(frame.data(), uint32_t(frame.size()), 2, RunChunksSerially, nullptr, out, 8, nullptr,
                          &format),
            HapBadArgument);
  // The decoded length is the one optional output.
  EXPECT_EQ(DecodeTexture(frame.data(), uint32_t(frame.size()), 1, RunChunksSerially, nullptr, out, 8, nullptr,
                          &format),
            HapOk);
}

using Buffer = HeapPtr<uint8_t>;

Buffer ToBuffer(const Bytes& frame, uint32_t width, uint32_t height, TextureFormat* format,
                uint32_t index = 0) {
  return Buffer(DecodeTextureToBuffer(frame.data(), uint32_t(frame.size()), index, width, height, format));
}

TEST(HapTextureBuffer, HoldsTheWholeTexture) {
  const Bytes texture = Pattern(4 * 16, 3);  // 2 x 2 blocks of 16 bytes
  for (const Bytes& frame : {Section(0xAE, texture), Section(0xBE, Compress(texture))}) {
    TextureFormat format = 0;
    Buffer buffer = ToBuffer(frame, 8, 8, &format);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(format, TexFmtRgbaDxt5);
    EXPECT_EQ(Bytes(buffer.get(), buffer.get() + texture.size()), texture);
  }
}

TEST(HapTextureBuffer, ShortTextureIsZeroFilled) {
  const Bytes texture = Pattern(8, 3);  // one BC1 block for a 3 x 3 block image
  TextureFormat format = 0;
  Buffer buffer = ToBuffer(Section(0xAB, texture), 12, 12, &format);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(Bytes(buffer.get(), buffer.get() + 8), texture);
  EXPECT_EQ(Bytes(buffer.get() + 8, buffer.get() + 72), Bytes(64, 0));
}

TEST(HapTextureBuffer, NullOnAnyFailure) {
  const Bytes bc1 = Section(0xAB, Pattern(8, 0));
  TextureFormat format = 0x1234;
  EXPECT_EQ(ToBuffer(Section(0xAB, Pattern(16, 0)), 4, 4, &format), nullptr);  // texture too long
  EXPECT_EQ(ToBuffer(bc1, 0, 4, &format), nullptr);                             // no block
  EXPECT_EQ(ToBuffer(bc1, 4, 3, &format), nullptr);                             // no whole block
  EXPECT_EQ(ToBuffer(bc1, 4, 4, &format, 1), nullptr);                          // no such texture
  EXPECT_EQ(ToBuffer(Section(0xA4, Pattern(8, 0)), 4, 4, &format), nullptr);    // no format
  EXPECT_EQ(ToBuffer(Section(0xDB, Pattern(8, 0)), 4, 4, &format), nullptr);    // no compressor
  EXPECT_EQ(ToBuffer(Section(0xBB, {0x80}), 4, 4, &format), nullptr);           // bad Snappy
  EXPECT_EQ(format, 0x1234u);
  EXPECT_EQ(ToBuffer(bc1, 4, 4, nullptr), nullptr);
}

TEST(HapTextureBuffer, SizeCapIsInclusive) {
  // 16384 x 16384 of a 16-byte format is exactly 256 MiB; one more block row is too much.
  const Bytes frame = Section(0xAC, Pattern(16, 1));
  TextureFormat format = 0;
  EXPECT_EQ(ToBuffer(frame, kMaxFrameEdge, kMaxFrameEdge + 4, &format), nullptr);
  Buffer largest = ToBuffer(frame, kMaxFrameEdge, kMaxFrameEdge, &format);
  ASSERT_NE(largest, nullptr);
  EXPECT_EQ(format, TexFmtRgbaBptcUnorm);
  EXPECT_EQ(largest.get()[kMaxTextureBufferBytes - 1], 0);
}

}  // namespace
}  // namespace orvelle
