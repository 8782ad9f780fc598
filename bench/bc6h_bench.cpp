// BC6H decoding throughput over a 1920 x 1080 texture of random blocks of the
// 14 valid modes in turn, on one core, in megapixels per second: to half floats,
// and through the whole display mapping to RGBA8.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/texture_bench.h"
#include "tests/support/random_bytes.h"
#include "texture/bc6h.h"

namespace {

using namespace orvelle::bench;

constexpr uint8_t kModeCodes[14] = {0x00, 0x01, 0x02, 0x06, 0x0A, 0x0E, 0x12,
                                    0x16, 0x1A, 0x1E, 0x03, 0x07, 0x0B, 0x0F};

const std::vector<uint8_t>& RandomValidBlocks() {
  static const std::vector<uint8_t> blocks = [] {
    std::vector<uint8_t> bytes = orvelle::testing::RandomBytes(16 * size_t{kBlockCount}, 6);
    for (int b = 0; b < kBlockCount; ++b) {
      const uint8_t code = kModeCodes[b % 14];
      const uint8_t mask = code < 2 ? 0x03 : 0x1F;
      uint8_t& first = bytes[16 * size_t(b)];
      first = static_cast<uint8_t>((first & ~mask) | code);
    }
    return bytes;
  }();
  return blocks;
}

void BM_Bc6hToHalves(benchmark::State& state) {
  const int isSigned = static_cast<int>(state.range(0));
  const std::vector<uint8_t>& blocks = RandomValidBlocks();
  constexpr int32_t kRowHalves = 3 * kWidth;
  std::vector<uint16_t> image(size_t{kRowHalves} * kHeight);
  for (auto _ : state) {
    const uint8_t* block = blocks.data();
    for (int by = 0; by < kBlocksHigh; ++by) {
      uint16_t* row = image.data() + size_t(by) * 4 * kRowHalves;
      for (int bx = 0; bx < kBlocksWide; ++bx, block += 16) {
        orvelle::DecodeBc6hBlock(block, row + 12 * bx, kRowHalves, isSigned);
      }
    }
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  ReportPixels(state);
}

void BM_Bc6hToRgba8(benchmark::State& state) {
  const int isSigned = static_cast<int>(state.range(0));
  DecodeTilesIntoImage(state, RandomValidBlocks(), 16, [&](const uint8_t* block, uint8_t* tile) {
    orvelle::DecodeBc6hBlockRgba8(block, isSigned, tile);
  });
}

BENCHMARK(BM_Bc6hToHalves)->ArgName("signed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bc6hToRgba8)->ArgName("signed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
