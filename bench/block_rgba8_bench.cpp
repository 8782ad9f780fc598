// DecodeBlockRgba8 over a whole 1920 x 1080 texture of random blocks, each
// block then stored into a full-size RGBA image as the frame conversion does,
// in megapixels per second on one core.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/golden_data.h"
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
