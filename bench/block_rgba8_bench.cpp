// Block decoding to RGBA8 over a whole 1920 x 1080 texture of random blocks,
// in megapixels per second on one core:
//  - BM_DecodeBlockRgba8: one block at a time into the block buffer, then
//    stored into the full-size image as the frame conversion stores edge blocks;
//  - BM_DecodeFrameToRgba: the whole frame (a plain texture section), as the
//    frame conversion walks it, rows of blocks written straight into the image.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/golden_data.h"
#include "tests/support/hap_frame_builder.h"
#include "texture/frame_to_rgba.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kBlocksWide = kWidth / 4;
constexpr int kBlocksHigh = kHeight / 4;
constexpr size_t kRowBytes = 4 * size_t{kWidth};

const char* FormatName(orvelle::TextureFormat format) {
  switch (format) {
    case orvelle::TexFmtRgbDxt1:
      return "BC1";
    case orvelle::TexFmtRgbaDxt5:
      return "BC3";
    case orvelle::TexFmtYCoCgDxt5:
      return "scaled YCoCg";
    case orvelle::TexFmtAlphaRgtc1:
      return "BC4";
    case orvelle::TexFmtRgbaBptcUnorm:
      return "BC7";
    case orvelle::TexFmtRgbBptcUnsignedFloat:
      return "BC6H unsigned";
    default:
      return "BC6H signed";
  }
}

void BM_DecodeBlockRgba8(benchmark::State& state) {
  const auto format = static_cast<orvelle::TextureFormat>(state.range(0));
  state.SetLabel(FormatName(format));
  const size_t blockBytes = orvelle::BytesPerBlock(format);
  // BC7 and BC6H blocks cycle through every mode, the reserved ones included.
  const std::vector<uint8_t> blocks =
      orvelle::testing::GoldenTexture(format, size_t{kBlocksWide} * kBlocksHigh, 8);
  std::vector<uint8_t> image(kRowBytes * kHeight);
  for (auto _ : state) {
    const uint8_t* block = blocks.data();
    for (int by = 0; by < kBlocksHigh; ++by) {
      uint8_t* row = image.data() + size_t(by) * 4 * kRowBytes;
      for (int bx = 0; bx < kBlocksWide; ++bx, block += blockBytes) {
        uint8_t tile[64];
        orvelle::DecodeBlockRgba8(block, format, tile);
        for (int y = 0; y < 4; ++y) std::memcpy(row + y * kRowBytes + 16 * bx, tile + 16 * y, 16);
      }
    }
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_DecodeFrameToRgba(benchmark::State& state) {
  const auto format = static_cast<orvelle::TextureFormat>(state.range(0));
  state.SetLabel(FormatName(format));
  const uint8_t nibble = static_cast<uint8_t>(state.range(1));
  const std::vector<uint8_t> frame = orvelle::testing::Section(
      0xA0 | nibble,
      orvelle::testing::GoldenTexture(format, size_t{kBlocksWide} * kBlocksHigh, 8));
  std::vector<uint8_t> image(kRowBytes * kHeight);
  for (auto _ : state) {
    if (orvelle::DecodeFrameToRgba(frame.data(), frame.size(), kWidth, kHeight, image.data(),
                                   kRowBytes) != orvelle::ThumbOk) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  state.counters["MP/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_DecodeFrameToRgba)
    ->ArgNames({"format", "type"})
    ->Args({orvelle::TexFmtRgbDxt1, 0xB})
    ->Args({orvelle::TexFmtRgbaDxt5, 0xE})
    ->Args({orvelle::TexFmtYCoCgDxt5, 0xF})
    ->Args({orvelle::TexFmtAlphaRgtc1, 0x1})
    ->Args({orvelle::TexFmtRgbaBptcUnorm, 0xC})
    ->Args({orvelle::TexFmtRgbBptcUnsignedFloat, 0x2})
    ->Args({orvelle::TexFmtRgbBptcSignedFloat, 0x3})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_DecodeBlockRgba8)
    ->ArgName("format")
    ->Arg(orvelle::TexFmtRgbDxt1)
    ->Arg(orvelle::TexFmtRgbaDxt5)
    ->Arg(orvelle::TexFmtYCoCgDxt5)
    ->Arg(orvelle::TexFmtAlphaRgtc1)
    ->Arg(orvelle::TexFmtRgbaBptcUnorm)
    ->Arg(orvelle::TexFmtRgbBptcUnsignedFloat)
    ->Arg(orvelle::TexFmtRgbBptcSignedFloat)
    ->Unit(benchmark::kMillisecond);

}  // namespace
