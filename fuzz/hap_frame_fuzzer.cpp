// The Hap frame decoder on any frame: counting, locating and extracting
// textures, with chunks run in order and in reverse.
#include <sanitizer/asan_interface.h>

#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "hap/hap_texture.h"

namespace {

using namespace orvelle;
using fuzz::Expect;

// A legal runner that takes the chunks last to first: results must not depend
// on the order.
void RunChunksBackwards(ChunkWork work, ChunkRecord* records, uint32_t count, void* /*context*/) {
  for (uint32_t i = count; i > 0; --i) work(records, i - 1);
}

struct Decoded {
  HapStatus status;
  uint32_t length;
  TextureFormat format;
  uint8_t* bytes;
};

Decoded Decode(const fuzz::HapFrameInput& input, uint32_t index, ChunkRunner runner) {
  // Exactly the capacity, so that a write past it is caught.
  Decoded decoded{HapOk, 0, 0, static_cast<uint8_t*>(malloc(input.capacity))};
  decoded.status = DecodeTexture(input.frame, input.length, index, runner, nullptr, decoded.bytes,
                                 input.capacity, &decoded.length, &decoded.format);
  return decoded;
}

// The count and the search agree: every counted texture is found, inside the
// frame, and no other.
void CheckLocatedSection(const fuzz::HapFrameInput& input, uint32_t index) {
  uint32_t count = 0;
  const HapStatus counted = GetTextureCount(input.frame, input.length, &count);
  const uint8_t* payload;
  uint32_t payloadSize;
  uint8_t type;
  const HapStatus found =
      FindTextureSection(input.frame, input.length, index, &payload, &payloadSize, &type);
  if (counted == HapOk)
    Expect(found == (index < count ? HapOk : HapBadArgument), "count and search agree");
  if (found != HapOk) return;
  Expect(payload >= input.frame && payload + payloadSize <= input.frame + input.length,
         "a located section lies inside the frame");
}

void CheckTexture(const fuzz::HapFrameInput& input, uint32_t index) {
  CheckLocatedSection(input, index);
  Decoded forwards = Decode(input, index, RunChunksSerially);
  Decoded backwards = Decode(input, index, RunChunksBackwards);
  Expect(forwards.status == backwards.status, "chunk order does not change the status");
  if (forwards.status == HapOk) {
    Expect(forwards.length <= input.capacity, "decoded length within capacity");
    Expect(forwards.length == backwards.length &&
               memcmp(forwards.bytes, backwards.bytes, forwards.length) == 0,
           "chunk order does not change the bytes");
    TextureFormat format = 0;
    Expect(GetTextureFormat(input.frame, input.length, index, &format) == HapOk &&
               format == forwards.format,
           "a decoded texture has a format");
  }
  free(forwards.bytes);
  free(backwards.bytes);

  TextureFormat format = 0;
  uint8_t* buffer = DecodeTextureToBuffer(input.frame, input.length, index, input.paddedWidth,
                                          input.paddedHeight, &format);
  if (buffer == nullptr) return;
  const uint64_t size =
      uint64_t{input.paddedWidth / 4} * (input.paddedHeight / 4) * BytesPerBlock(format);
  Expect(size != 0 && __asan_region_is_poisoned(buffer, size) == nullptr,
         "the buffer holds the whole texture");
  free(buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::HapFrameInput input;
  if (!fuzz::ParseHapFrameInput(data, size, &input)) return 0;
  for (uint32_t index = 0; index <= kMaxTextureIndex; ++index) CheckTexture(input, index);
  return 0;
}
