// Public interface of the Orvelle core: a byte stream in, an RGBA thumbnail out.
#pragma once

#include <cstdint>

// ByteSource and ThumbStatus, declared for the users of this header too.
#include "base/thumb_types.h"

namespace orvelle {

// Pixels are R, G, B, A bytes, rows top to bottom, row stride width * 4.
struct RgbaImage {
  uint32_t width;
  uint32_t height;
  uint8_t* pixels;
};

struct ProbeInfo {
  uint32_t codecKind;  // HapCodecKind, 1 to 7
  uint32_t fourcc;     // the track's big-endian format code, such as 'Hap1'
  uint32_t width;
  uint32_t height;
  uint32_t sampleCount;
  double duration;  // seconds
};

// Whether the source is a movie with an acceptable Hap video track; `info` may be null.
ThumbStatus ProbeMovie(const ByteSource* source, ProbeInfo* info);

// The middle frame of the movie's Hap track, fitted into a square of
// `requestedSize` pixels with its aspect ratio kept (0: full size; never
// enlarged). On ThumbOk the caller owns the image and passes it to ReleaseImage.
ThumbStatus DecodeThumbnail(const ByteSource* source, uint32_t requestedSize, RgbaImage* image);

// Frees the pixels and clears the record; null and cleared records are fine.
void ReleaseImage(RgbaImage* image);

// The constant's name ("ThumbBadData"), or "ThumbUnknown" for any other value.
const char* ThumbStatusName(int32_t status);

}  // namespace orvelle
