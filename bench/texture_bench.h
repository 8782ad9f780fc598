// The 1920 x 1080 texture that the block benchmarks decode, and the
// megapixels-per-second counter they report.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace orvelle::bench {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kBlocksWide = kWidth / 4;
constexpr int kBlocksHigh = kHeight / 4;
constexpr int kBlockCount = kBlocksWide * kBlocksHigh;
constexpr size_t kRgbaRowBytes = 4 * size_t{kWidth};

// One texture decoded per iteration.
inline void ReportPixels(benchmark::State& state) {
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                         benchmark::Counter::kIsRate);
}

// Decodes every block into a 64-byte tile with decodeTile(block, tile) and
// stores the tile into a full-size RGBA image, as the frame conversion stores
// the blocks on the image's edges.
template <typename DecodeTile>
void DecodeTilesIntoImage(benchmark::State& state, const std::vector<uint8_t>& blocks,
                          size_t blockBytes, DecodeTile decodeTile) {
  std::vector<uint8_t> image(kRgbaRowBytes * kHeight);
  for (auto _ : state) {
    const uint8_t* block = blocks.data();
    for (int by = 0; by < kBlocksHigh; ++by) {
      uint8_t* row = image.data() + size_t(by) * 4 * kRgbaRowBytes;
      for (int bx = 0; bx < kBlocksWide; ++bx, block += blockBytes) {
        uint8_t tile[64];
        decodeTile(block, tile);
        for (int y = 0; y < 4; ++y) {
          std::memcpy(row + y * kRgbaRowBytes + 16 * bx, tile + 16 * y, 16);
        }
      }
    }
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  ReportPixels(state);
}

}  // namespace orvelle::bench
