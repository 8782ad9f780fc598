// Throughput of the block decoders over a 1920 x 1080 texture of random blocks,
// decoded straight into a full-size image, in megapixels per second on one core.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/texture_bench.h"
#include "tests/support/random_bytes.h"
#include "texture/bc1_bc3_bc4.h"
#include "texture/bc7.h"

namespace {

using namespace orvelle::bench;
using orvelle::testing::RandomBytes;

// BC7 blocks of the given mode, or of modes 0 to 7 in turn when mode is -1.
std::vector<uint8_t> RandomBc7Blocks(int mode) {
  std::vector<uint8_t> blocks = RandomBytes(16 * size_t{kBlockCount}, 7);
  for (int b = 0; b < kBlockCount; ++b) {
    const unsigned m = mode < 0 ? b % 8 : static_cast<unsigned>(mode);
    uint8_t& first = blocks[16 * size_t(b)];
    first = static_cast<uint8_t>((first << (m + 1)) | (1u << m));
  }
  return blocks;
}

// Calls decode(block, destination of the block's top-left pixel) for every block.
template <typename Decode>
void DecodeTexture(benchmark::State& state, const std::vector<uint8_t>& blocks, size_t blockBytes,
                   int bytesPerPixel, Decode decode) {
  std::vector<uint8_t> image(size_t{kWidth} * kHeight * bytesPerPixel);
  for (auto _ : state) {
    const uint8_t* block = blocks.data();
    for (int by = 0; by < kBlocksHigh; ++by) {
      uint8_t* row = image.data() + size_t(by) * 4 * kWidth * bytesPerPixel;
      for (int bx = 0; bx < kBlocksWide; ++bx, block += blockBytes) {
        decode(block, row + size_t(bx) * 4 * bytesPerPixel);
      }
    }
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  ReportPixels(state);
}

constexpr int32_t kRgbaStride = kWidth * 4;

void BM_Bc1(benchmark::State& state) {
  const auto blocks = RandomBytes(8 * size_t{kBlockCount}, 1);
  DecodeTexture(state, blocks, 8, 4, [](const uint8_t* block, uint8_t* out) {
    orvelle::DecodeBc1Block(block, out, kRgbaStride, false);
  });
}

void BM_Bc3(benchmark::State& state) {
  const auto blocks = RandomBytes(16 * size_t{kBlockCount}, 3);
  DecodeTexture(state, blocks, 16, 4, [](const uint8_t* block, uint8_t* out) {
    orvelle::DecodeBc3Block(block, out, kRgbaStride);
  });
}

void BM_Bc4(benchmark::State& state) {
  const auto blocks = RandomBytes(8 * size_t{kBlockCount}, 4);
  DecodeTexture(state, blocks, 8, 1, [](const uint8_t* block, uint8_t* out) {
    orvelle::DecodeBc4Block(block, out, kWidth, 1);
  });
}

void BM_Bc7(benchmark::State& state) {
  const auto blocks = RandomBc7Blocks(static_cast<int>(state.range(0)));
  DecodeTexture(state, blocks, 16, 4, [](const uint8_t* block, uint8_t* out) {
    orvelle::DecodeBc7Block(block, out, kRgbaStride);
  });
}

BENCHMARK(BM_Bc1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bc3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bc4)->Unit(benchmark::kMillisecond);
// -1: all eight modes mixed; 0 to 7: one mode throughout.
BENCHMARK(BM_Bc7)->DenseRange(-1, 7)->Unit(benchmark::kMillisecond);

}  // namespace
