// The frame stages against the memory-traffic floor, and whole thumbnails.
//  - BM_MemoryFloor: memset plus memcpy of a full-size 3840 x 2160 RGBA image,
//    the least that writing the image and reading it back can cost.
//  - BM_FrameAndDownscale: DecodeFrameToRgba then DownscaleRgba to 256 x 144
//    of a 3840 x 2160 Hap1 frame, the pair that the floor bounds.
//  - BM_Thumbnail: DecodeThumbnail at 256 of an in-memory movie, frames of
//    random blocks stored with Snappy as ffmpeg stores them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/downscale.h"
#include "core/thumbnail.h"
#include "tests/support/atom_builder.h"
#include "tests/support/golden_data.h"
#include "tests/support/hap_frame_builder.h"
#include "tests/support/memory_source.h"
#include "texture/frame_to_rgba.h"

namespace {

using orvelle::testing::Compress;
using orvelle::testing::Section;

constexpr uint32_t kUhdWidth = 3840;
constexpr uint32_t kUhdHeight = 2160;

std::vector<uint8_t> SnappyFrame(uint8_t formatNibble, orvelle::TextureFormat format,
                                 uint32_t width, uint32_t height) {
  const size_t blocks = size_t{(width + 3) / 4} * ((height + 3) / 4);
  return Section(0xB0 | formatNibble,
                 Compress(orvelle::testing::GoldenTexture(format, blocks, width)));
}

void ReportBytes(benchmark::State& state, uint64_t imageBytes) {
  state.counters["image GB/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * imageBytes / 1e9, benchmark::Counter::kIsRate);
}

void BM_MemoryFloor(benchmark::State& state) {
  const size_t bytes = size_t{kUhdWidth} * kUhdHeight * 4;
  std::vector<uint8_t> image(bytes, 1);
  std::vector<uint8_t> copy(bytes, 2);
  for (auto _ : state) {
    std::memset(image.data(), 3, bytes);
    std::memcpy(copy.data(), image.data(), bytes);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  ReportBytes(state, bytes);
}

void BM_FrameAndDownscale(benchmark::State& state) {
  const std::vector<uint8_t> frame =
      SnappyFrame(0xB, orvelle::TexFmtRgbDxt1, kUhdWidth, kUhdHeight);
  const uint64_t stride = uint64_t{kUhdWidth} * 4;
  std::vector<uint8_t> image(stride * kUhdHeight);
  for (auto _ : state) {
    if (orvelle::DecodeFrameToRgba(frame.data(), frame.size(), kUhdWidth, kUhdHeight, image.data(),
                                   stride) != orvelle::ThumbOk) {
      state.SkipWithError("decode failed");
      break;
    }
    uint8_t* thumbnail = nullptr;
    if (orvelle::DownscaleRgba(image.data(), kUhdWidth, kUhdHeight, 256, 144, &thumbnail) !=
        orvelle::ThumbOk) {
      state.SkipWithError("downscale failed");
      break;
    }
    benchmark::DoNotOptimize(thumbnail);
    free(thumbnail);
  }
  ReportBytes(state, stride * kUhdHeight);
}

struct Codec {
  const char* fourcc;
  uint8_t nibble;
  orvelle::TextureFormat format;
};

constexpr Codec kCodecs[] = {{"Hap1", 0xB, orvelle::TexFmtRgbDxt1},
                             {"Hap5", 0xE, orvelle::TexFmtRgbaDxt5},
                             {"HapY", 0xF, orvelle::TexFmtYCoCgDxt5},
                             {"Hap7", 0xC, orvelle::TexFmtRgbaBptcUnorm}};

// range(0): index into kCodecs; range(1): frame height, 1080 or 2160.
void BM_Thumbnail(benchmark::State& state) {
  const Codec& codec = kCodecs[state.range(0)];
  const auto height = static_cast<uint16_t>(state.range(1));
  const auto width = static_cast<uint16_t>(height * 16 / 9);
  orvelle::testing::HapMovie movie;
  movie.format = codec.fourcc;
  movie.width = width;
  movie.height = height;
  movie.samples = {SnappyFrame(codec.nibble, codec.format, width, height)};
  orvelle::testing::MemorySource file(orvelle::testing::BuildHapMovie(movie));
  const orvelle::ByteSource source = file.Source();
  state.SetLabel(codec.fourcc);
  for (auto _ : state) {
    orvelle::RgbaImage image{};
    if (orvelle::DecodeThumbnail(&source, 256, &image) != orvelle::ThumbOk) {
      state.SkipWithError("thumbnail failed");
      break;
    }
    benchmark::DoNotOptimize(image.pixels);
    orvelle::ReleaseImage(&image);
  }
  state.counters["MP/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * width * height / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_MemoryFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameAndDownscale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Thumbnail)
    ->ArgNames({"codec", "height"})
    ->ArgsProduct({{0, 1, 2, 3}, {1080, 2160}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
