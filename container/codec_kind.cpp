#include "container/codec_kind.h"

#include "container/atoms.h"

namespace orvelle {

namespace {

struct CodecFourcc {
  HapCodecKind kind;
  uint32_t fourcc;
};

constexpr CodecFourcc kCodecs[] = {
    {CodecKindHap1, Fourcc("Hap1")}, {CodecKindHap5, Fourcc("Hap5")},
    {CodecKindHapY, Fourcc("HapY")}, {CodecKindHapM, Fourcc("HapM")},
    {CodecKindHapA, Fourcc("HapA")}, {CodecKindHap7, Fourcc("Hap7")},
    {CodecKindHapH, Fourcc("HapH")},
};

}  // namespace

HapCodecKind CodecKindFromFourcc(uint32_t fourcc) {
  for (const CodecFourcc& codec : kCodecs) {
    if (codec.fourcc == fourcc) return codec.kind;
  }
  return CodecKindNone;
}

}  // namespace orvelle
