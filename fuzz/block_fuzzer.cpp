// Every block decoder on any 16 bytes: each must fill its whole tile, touch
// nothing between the tile's rows, and keep the value ranges of its format.
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "texture/bc1_bc3_bc4.h"
#include "texture/bc6h.h"
#include "texture/bc7.h"
#include "texture/code_paths.h"
#include "texture/frame_to_rgba.h"

namespace {

using namespace orvelle;
using fuzz::Expect;

constexpr size_t kRows = 4;

// Decodes into rows of `rowBytes` placed `rowStride` bytes apart, once over a
// buffer of zeros and once over ones: the rows must come out the same (every
// byte written) and the bytes between them untouched.
template <typename Decode>
std::vector<uint8_t> DecodeTile(size_t rowBytes, size_t rowStride, Decode decode) {
  std::vector<uint8_t> zeros(kRows * rowStride, 0x00);
  std::vector<uint8_t> ones(kRows * rowStride, 0xFF);
  decode(zeros.data());
  decode(ones.data());
  std::vector<uint8_t> tile;
  for (size_t at = 0; at < zeros.size(); ++at) {
    if (at % rowStride < rowBytes) {
      Expect(zeros[at] == ones[at], "every byte of the tile is written");
      tile.push_back(zeros[at]);
    } else {
      Expect(zeros[at] == 0x00 && ones[at] == 0xFF, "nothing written between rows");
    }
  }
  return tile;
}

void ExpectOpaque(const std::vector<uint8_t>& rgba, const char* what) {
  for (size_t k = 3; k < rgba.size(); k += 4) Expect(rgba[k] == 255, what);
}

void CheckBc1Bc3Bc4(const uint8_t* block) {
  for (bool fourColour : {false, true}) {
    DecodeTile(16, 24, [&](uint8_t* out) { DecodeBc1Block(block, out, 24, fourColour); });
  }
  DecodeTile(4, 7, [&](uint8_t* out) { DecodeBc4Block(block, out, 7, 1); });
  DecodeTile(16, 20, [&](uint8_t* out) { DecodeBc3Block(block, out, 20); });
}

void CheckBc7(const uint8_t* block) {
  const std::vector<uint8_t> rgba =
      DecodeTile(16, 28, [&](uint8_t* out) { DecodeBc7Block(block, out, 28); });
  // Modes 0 to 3 carry no alpha.
  if ((block[0] & 0x0F) != 0) ExpectOpaque(rgba, "BC7 modes without alpha are opaque");
}

// No NaN, no positive infinity, no negative zero; only signed blocks go negative.
void ExpectDisplayableHalves(const std::vector<uint8_t>& bytes, bool isSigned) {
  for (size_t i = 0; i < bytes.size(); i += 2) {
    const uint16_t half = static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8));
    const bool negative = (half & 0x8000) != 0;
    Expect(!negative || (isSigned && half != 0x8000), "a half's sign");
    Expect((half & 0x7FFF) <= 0x7BFF || half == 0xFC00, "a finite half, or negative infinity");
  }
}

void CheckBc6h(const uint8_t* block) {
  for (int isSigned : {0, 1}) {
    const std::vector<uint8_t> halves = DecodeTile(24, 32, [&](uint8_t* out) {
      DecodeBc6hBlock(block, reinterpret_cast<uint16_t*>(out), 16, isSigned);
    });
    ExpectDisplayableHalves(halves, isSigned != 0);
    DecodeTile(48, 64, [&](uint8_t* out) {
      DecodeBc6hBlockFloat(block, reinterpret_cast<float*>(out), 16, isSigned);
    });
    const std::vector<uint8_t> rgba =
        DecodeTile(16, 16, [&](uint8_t* out) { DecodeBc6hBlockRgba8(block, isSigned, out); });
    ExpectOpaque(rgba, "BC6H pixels are opaque");
  }
}

// Every format of the table, and one it lacks.
constexpr TextureFormat kNoFormat = 0x1234;
constexpr std::array<TextureFormat, kTextureFormatCount + 1> kFormats = [] {
  std::array<TextureFormat, kTextureFormatCount + 1> formats{};
  for (size_t i = 0; i < kTextureFormatCount; ++i) formats[i] = kTextureFormats[i].format;
  formats[kTextureFormatCount] = kNoFormat;
  return formats;
}();

void CheckFrameDispatch(const uint8_t* block) {
  for (TextureFormat format : kFormats) {
    const std::vector<uint8_t> rgba =
        DecodeTile(16, 16, [&](uint8_t* out) { DecodeBlockRgba8(block, format, out); });
    if (format == TexFmtRgbDxt1 || format == TexFmtYCoCgDxt5 || format == TexFmtAlphaRgtc1) {
      ExpectOpaque(rgba, "formats without alpha are opaque");
    }
    if (BytesPerBlock(format) == 0) {
      Expect(rgba == std::vector<uint8_t>(64, 0), "an unknown format decodes to zeros");
    }
  }
}

// Every path this processor runs gives the plain path's bytes, one block
// and a row of one block alike.
void CheckCodePathsAgree(const uint8_t* block) {
  const CodePathList paths = RunnableCodePaths();
  const CodePath& plain = **paths.begin();
  for (TextureFormat format : kFormats) {
    uint8_t expected[64];
    FindFormatCode(plain, format).writeBlock(block, expected, 16);
    for (const CodePath* path : paths) {
      uint8_t tile[64], row[64];
      FindFormatCode(*path, format).writeBlock(block, tile, 16);
      FindFormatCode(*path, format).writeRow(block, 1, row, 16);
      Expect(memcmp(tile, expected, 64) == 0 && memcmp(row, expected, 64) == 0,
             "every build of a writer gives the same bytes");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 16) return 0;
  // A block of its own, so that a read past its 16 bytes is caught.
  auto* block = static_cast<uint8_t*>(malloc(16));
  memcpy(block, data, 16);
  CheckBc1Bc3Bc4(block);
  CheckBc7(block);
  CheckBc6h(block);
  CheckFrameDispatch(block);
  CheckCodePathsAgree(block);
  free(block);
  return 0;
}
