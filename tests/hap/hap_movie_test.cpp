// Frames of movies made by ffmpeg's Hap encoder, cut out by ffmpeg itself so
// that the container reader is not involved.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "hap/hap_texture.h"

namespace orvelle {
namespace {

using Bytes = std::vector<uint8_t>;

// The first video frame of a sample movie, as stored.
Bytes FirstFrame(const std::string& movie) {
  std::filesystem::create_directories(ORVELLE_HAP_FRAME_DIR);
  // One file per process, since test cases run side by side.
  const std::string out = std::string(ORVELLE_HAP_FRAME_DIR) + "/" + movie + "." + std::to_string(getpid());
  const std::string command = "ffmpeg -nostdin -v error -y -i '" + std::string(ORVELLE_MOVIE_DIR) + "/" + movie +
                              "' -map 0:v:0 -frames:v 1 -c copy -f data '" + out + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream file(out, std::ios::binary);
  Bytes frame{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::filesystem::remove(out);
  return frame;
}

struct FreeDeleter {
  void operator()(uint8_t* p) const { free(p); }
};

struct Movie {
  const char* name;
  uint32_t width, height;
  TextureFormat format;
  // High nibble of the texture section's type. ffmpeg chunks only Snappy
  // output: asked for plain chunks, it stores the texture whole.
  uint8_t compressor;
};

void PrintTo(const Movie& movie, std::ostream* out) { *out << movie.name; }

uint32_t TextureSize(const Movie& movie) {
  return movie.width / 4 * (movie.height / 4) * BytesPerBlock(movie.format);
}

class HapMovieFrame : public ::testing::TestWithParam<Movie> {};

TEST_P(HapMovieFrame, DecodesToAWholeTexture) {
  const Movie& movie = GetParam();
  const Bytes frame = FirstFrame(movie.name);
  ASSERT_FALSE(frame.empty());
  const uint32_t length = uint32_t(frame.size());

  uint32_t count = 0;
  ASSERT_EQ(GetTextureCount(frame.data(), length, &count), HapOk);
  EXPECT_EQ(count, 1u);
  const uint8_t* payload;
  uint32_t payloadSize;
  uint8_t type = 0;
  ASSERT_EQ(FindTextureSection(frame.data(), length, 0, &payload, &payloadSize, &type), HapOk);
  EXPECT_EQ(type >> 4, movie.compressor);

  const uint32_t size = TextureSize(movie);
  Bytes texture(size);
  uint32_t decoded = 0;
  TextureFormat format = 0;
  ASSERT_EQ(DecodeTexture(frame.data(), length, 0, RunChunksSerially, nullptr, texture.data(), size, &decoded,
                          &format),
            HapOk);
  EXPECT_EQ(decoded, size);
  EXPECT_EQ(format, movie.format);
  EXPECT_EQ(DecodeTexture(frame.data(), length, 0, RunChunksSerially, nullptr, texture.data(), size - 1,
                          &decoded, &format),
            HapBufferTooSmall);

  format = 0;
  std::unique_ptr<uint8_t, FreeDeleter> buffer(
      DecodeTextureToBuffer(frame.data(), length, 0, movie.width, movie.height, &format));
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(format, movie.format);
  EXPECT_EQ(Bytes(buffer.get(), buffer.get() + size), texture);
}

INSTANTIATE_TEST_SUITE_P(
    Ffmpeg, HapMovieFrame,
    ::testing::Values(Movie{"hap1_640x360.mov", 640, 360, TexFmtRgbDxt1, CompressorSnappy},
                      Movie{"hap5_320x240.mov", 320, 240, TexFmtRgbaDxt5, CompressorSnappy},
                      Movie{"hapy_480x272.mov", 480, 272, TexFmtYCoCgDxt5, CompressorSnappy},
                      Movie{"hap1_plain_256x144.mov", 256, 144, TexFmtRgbDxt1, CompressorNone},
                      Movie{"hap1_chunks4_640x360.mov", 640, 360, TexFmtRgbDxt1, CompressorChunked},
                      Movie{"hap5_chunks16_320x240.mov", 320, 240, TexFmtRgbaDxt5, CompressorChunked},
                      Movie{"hapy_plain_chunks4_320x180.mov", 320, 180, TexFmtYCoCgDxt5, CompressorNone}),
    [](const ::testing::TestParamInfo<Movie>& info) {
      std::string name = info.param.name;
      return name.substr(0, name.find('.'));
    });

// The encoder's block compression does not depend on how the result is
// packaged, so a chunked and a whole-stream frame must give the same texture.
TEST(HapMovieFrames, ChunkedAndUnchunkedAgree) {
  const Bytes whole = FirstFrame("hap1_640x360.mov");
  const Bytes chunked = FirstFrame("hap1_chunks4_640x360.mov");
  TextureFormat format = 0;
  std::unique_ptr<uint8_t, FreeDeleter> a(
      DecodeTextureToBuffer(whole.data(), uint32_t(whole.size()), 0, 640, 360, &format));
  std::unique_ptr<uint8_t, FreeDeleter> b(
      DecodeTextureToBuffer(chunked.data(), uint32_t(chunked.size()), 0, 640, 360, &format));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  const size_t size = 640 / 4 * (360 / 4) * 8;
  EXPECT_EQ(Bytes(a.get(), a.get() + size), Bytes(b.get(), b.get() + size));
}

}  // namespace
}  // namespace orvelle
