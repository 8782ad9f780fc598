// Block decoding to RGBA8 over a whole 1920 x 1080 texture of random blocks,
// in megapixels per second on one core:
//  - BM_DecodeBlockRgba8: one block at a time into the block buffer, then
//    stored into the full-size image as the frame conversion stores edge blocks;
//  - BM_DecodeFrameToRgba: the whole frame (a plain texture section), as the
//    frame conversion walks it, rows of blocks written straight into the image;
//  - BM_WriteRowsOnPath: the texture's rows of blocks written straight into
//    the image by each code path this processor runs, which shows what each
//    path gains over the narrower ones.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/texture_bench.h"
#include "tests/support/golden_data.h"
#include "tests/support/hap_frame_builder.h"
#include "texture/code_paths.h"
#include "texture/frame_to_rgba.h"

namespace {

using namespace orvelle::bench;

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
      orvelle::testing::GoldenTexture(format, size_t{kBlockCount}, 8);
  DecodeTilesIntoImage(state, blocks, blockBytes, [&](const uint8_t* block, uint8_t* tile) {
    orvelle::DecodeBlockRgba8(block, format, tile);
  });
}

void BM_DecodeFrameToRgba(benchmark::State& state) {
  const auto format = static_cast<orvelle::TextureFormat>(state.range(0));
  state.SetLabel(FormatName(format));
  const uint8_t nibble = static_cast<uint8_t>(state.range(1));
  const std::vector<uint8_t> frame = orvelle::testing::Section(
      0xA0 | nibble, orvelle::testing::GoldenTexture(format, size_t{kBlockCount}, 8));
  std::vector<uint8_t> image(kRgbaRowBytes * kHeight);
  for (auto _ : state) {
    if (orvelle::DecodeFrameToRgba(frame.data(), frame.size(), kWidth, kHeight, image.data(),
                                   kRgbaRowBytes) != orvelle::ThumbOk) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  ReportPixels(state);
}

void BM_WriteRowsOnPath(benchmark::State& state) {
  const orvelle::CodePathList paths = orvelle::RunnableCodePaths();
  if (static_cast<size_t>(state.range(0)) >= paths.count) {
    state.SkipWithError("this processor does not run the path");
    return;
  }
  const orvelle::CodePath& path = *paths.paths[state.range(0)];
  const auto format = static_cast<orvelle::TextureFormat>(state.range(1));
  state.SetLabel(std::string(path.name) + " " + FormatName(format));
  const orvelle::FormatCode& code = orvelle::FindFormatCode(path, format);
  const std::vector<uint8_t> blocks =
      orvelle::testing::GoldenTexture(format, size_t{kBlockCount}, 8);
  std::vector<uint8_t> image(kRgbaRowBytes * kHeight);
  for (auto _ : state) {
    for (int by = 0; by < kBlocksHigh; ++by) {
      code.writeRow(blocks.data() + size_t(by) * kBlocksWide * code.bytesPerBlock, kBlocksWide,
                    image.data() + size_t(by) * 4 * kRgbaRowBytes, kRgbaRowBytes);
    }
    benchmark::DoNotOptimize(image.data());
    benchmark::ClobberMemory();
  }
  ReportPixels(state);
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

// Path 0 is the plain one, 1 SSE2, 2 AVX2 (where the processor has it).
BENCHMARK(BM_WriteRowsOnPath)
    ->ArgNames({"path", "format"})
    ->ArgsProduct({{0, 1, 2},
                   {orvelle::TexFmtRgbDxt1, orvelle::TexFmtRgbaDxt5, orvelle::TexFmtYCoCgDxt5,
                    orvelle::TexFmtAlphaRgtc1, orvelle::TexFmtRgbaBptcUnorm,
                    orvelle::TexFmtRgbBptcUnsignedFloat, orvelle::TexFmtRgbBptcSignedFloat}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
