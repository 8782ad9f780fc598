// The whole pipeline over a file held in memory: probe, decode a small
// thumbnail, check it against the full frame shrunk afterwards, release it.
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/downscale.h"
#include "base/input_limits.h"
#include "core/thumbnail.h"
#include "fuzz/fuzz_input.h"

namespace {

using namespace orvelle;
using fuzz::Expect;

constexpr uint32_t kThumbnailEdge = 32;
// Larger frames decode the same way, only slower; the edge limit itself is
// reached: edges beyond 16384 are refused before any pixel is decoded.
constexpr uint64_t kMaxDecodedPixels = 512 * 512;

struct Memory {
  const uint8_t* data;
  size_t size;
};

uint64_t ReadMemory(void* context, uint64_t offset, void* destination, uint64_t length) {
  const auto* memory = static_cast<const Memory*>(context);
  if (offset >= memory->size) return 0;
  const uint64_t count = std::min<uint64_t>(length, memory->size - offset);
  std::memcpy(destination, memory->data + offset, count);
  return count;
}

bool TooSlowToDecode(const ProbeInfo& info) {
  return info.width <= kMaxFrameEdge && info.height <= kMaxFrameEdge &&
         uint64_t{info.width} * info.height > kMaxDecodedPixels;
}

void ExpectThumbnailSize(const ProbeInfo& info, const RgbaImage& image) {
  if (info.width <= kThumbnailEdge && info.height <= kThumbnailEdge) {
    Expect(image.width == info.width && image.height == info.height, "small frame kept as is");
    return;
  }
  Expect(std::max(image.width, image.height) == kThumbnailEdge, "longer edge fitted");
  Expect(image.width >= 1 && image.height >= 1, "no empty edge");
}

// A frame shrunk while it is decoded must come out as the full frame shrunk
// afterwards.
void ExpectSameAsShrinkingTheFullFrame(const ByteSource& source, const RgbaImage& thumbnail) {
  RgbaImage full{};
  Expect(DecodeThumbnail(&source, 0, &full) == ThumbOk, "the full frame decodes as well");
  uint8_t* shrunk = nullptr;
  Expect(DownscaleRgba(full.pixels, full.width, full.height, thumbnail.width, thumbnail.height,
                       &shrunk) == ThumbOk,
         "the full frame shrinks");
  Expect(
      std::memcmp(shrunk, thumbnail.pixels, uint64_t{thumbnail.width} * thumbnail.height * 4) == 0,
      "shrinking while decoding changes no pixel");
  std::free(shrunk);
  ReleaseImage(&full);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Memory memory{data, size};
  const ByteSource source{&memory, ReadMemory, size};

  ProbeInfo info{};
  const ThumbStatus probed = ProbeMovie(&source, &info);
  if (probed == ThumbOk && TooSlowToDecode(info)) return 0;

  RgbaImage image{7, 7, nullptr};
  const ThumbStatus decoded = DecodeThumbnail(&source, kThumbnailEdge, &image);
  // Both parse the same container, so they fail alike.
  if (probed != ThumbOk) Expect(decoded == probed, "decode fails as the probe did");
  if (decoded != ThumbOk) {
    Expect(image.width == 0 && image.height == 0 && image.pixels == nullptr,
           "failure clears the image");
    return 0;
  }
  ExpectThumbnailSize(info, image);
  Expect(
      __asan_region_is_poisoned(image.pixels, uint64_t{image.width} * image.height * 4) == nullptr,
      "the pixel buffer is as large as the image");
  if (info.width > kThumbnailEdge || info.height > kThumbnailEdge)
    ExpectSameAsShrinkingTheFullFrame(source, image);
  ReleaseImage(&image);
  return 0;
}
