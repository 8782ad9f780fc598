// DecodeFrameToRgba with the image size taken from the input. Sizes outside
// the accepted range must be refused before anything is touched; accepted
// ones are kept small enough for a fast run.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/input_limits.h"
#include "fuzz/fuzz_input.h"
#include "texture/frame_to_rgba.h"

namespace {

using namespace orvelle;
using fuzz::Expect;

constexpr uint64_t kMaxPixels = 128 * 128;
constexpr uint8_t kUntouched = 0xA5;

bool InAcceptedRange(const fuzz::FrameInput& input) {
  return input.width != 0 && input.height != 0 && input.width <= kMaxFrameEdge &&
         input.height <= kMaxFrameEdge && input.padding != fuzz::kShortStride;
}

bool Untouched(const uint8_t* begin, const uint8_t* end) {
  uint8_t changed = 0;
  for (const uint8_t* p = begin; p < end; ++p) changed |= *p ^ kUntouched;
  return changed == 0;
}

// Whatever the frame, sizes out of range are refused without a write: the
// destination here is far too small for them.
void CheckRefused(const fuzz::FrameInput& input) {
  const uint64_t stride = uint64_t{input.width} * 4 - (input.padding == fuzz::kShortStride ? 1 : 0);
  uint8_t* destination = static_cast<uint8_t*>(malloc(1));
  Expect(DecodeFrameToRgba(input.frame, input.length, input.width, input.height, destination,
                           stride) == ThumbInvalidArgument,
         "sizes out of range are refused");
  free(destination);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FrameInput input;
  if (!fuzz::ParseFrameInput(data, size, &input)) return 0;
  if (!InAcceptedRange(input)) {
    CheckRefused(input);
    return 0;
  }
  // Fold the height so that wide frames (up to the 16384 edge) stay cheap.
  const uint32_t width = input.width;
  uint32_t height = input.height;
  if (uint64_t{width} * height > kMaxPixels) height = 1 + (height - 1) % (kMaxPixels / width);

  const uint64_t stride = uint64_t{width} * 4 + input.padding;
  const uint64_t bytes =
      (height - 1) * stride + uint64_t{width} * 4;  // exactly what may be written
  std::vector<uint8_t> image(bytes, kUntouched);
  const ThumbStatus status =
      DecodeFrameToRgba(input.frame, input.length, width, height, image.data(), stride);

  Expect(status == ThumbOk || status == ThumbBadData || status == ThumbUnsupported,
         "a frame status");
  // A failure writes nothing at all; a success nothing between the rows.
  const uint64_t rowBytes = status == ThumbOk ? uint64_t{width} * 4 : 0;
  for (uint64_t row = 0; row < height; ++row) {
    const uint64_t end = row + 1 < height ? (row + 1) * stride : bytes;
    Expect(Untouched(image.data() + row * stride + rowBytes, image.data() + end),
           "nothing written outside the image");
  }
  return 0;
}
