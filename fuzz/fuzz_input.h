// Input layouts of the fuzzers that take parameters besides the bytes under
// test: a short prefix chooses them and the rest is the frame. The seed writer
// encodes its seeds with the same functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace orvelle::fuzz {

// A broken expectation is a finding like any crash: report it and stop.
inline void Expect(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "expectation failed: %s\n", what);
  std::abort();
}

inline uint32_t Le16(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8); }

inline void PutLe16(std::vector<uint8_t>* out, uint32_t value) {
  out->push_back(static_cast<uint8_t>(value));
  out->push_back(static_cast<uint8_t>(value >> 8));
}

inline std::vector<uint8_t> WithPrefix(std::vector<uint8_t> prefix,
                                       const std::vector<uint8_t>& frame) {
  prefix.insert(prefix.end(), frame.begin(), frame.end());
  return prefix;
}

// hap_frame_fuzzer: destination capacity (3 bytes, little-endian), then the
// padded image for DecodeTextureToBuffer in blocks less one (a byte across, a
// byte down, so at most 1024 x 1024 pixels), then the frame.
struct HapFrameInput {
  uint32_t capacity;
  uint32_t paddedWidth;
  uint32_t paddedHeight;
  const uint8_t* frame;
  uint32_t length;
};

constexpr size_t kHapFramePrefix = 5;

inline bool ParseHapFrameInput(const uint8_t* data, size_t size, HapFrameInput* input) {
  if (size < kHapFramePrefix || size - kHapFramePrefix > UINT32_MAX) return false;
  *input = {data[0] | (uint32_t{data[1]} << 8) | (uint32_t{data[2]} << 16),
            4 * (uint32_t{data[3]} + 1), 4 * (uint32_t{data[4]} + 1), data + kHapFramePrefix,
            static_cast<uint32_t>(size - kHapFramePrefix)};
  return true;
}

// `width` and `height` in pixels, multiples of 4 up to 1024.
inline std::vector<uint8_t> EncodeHapFrameInput(uint32_t capacity, uint32_t width, uint32_t height,
                                                const std::vector<uint8_t>& frame) {
  return WithPrefix({static_cast<uint8_t>(capacity), static_cast<uint8_t>(capacity >> 8),
                     static_cast<uint8_t>(capacity >> 16), static_cast<uint8_t>(width / 4 - 1),
                     static_cast<uint8_t>(height / 4 - 1)},
                    frame);
}

// frame_to_rgba_fuzzer: width and height (2 bytes each, little-endian, taken
// as they are), then the row padding in bytes (0xFF: a stride one byte short
// of a row), then the frame.
struct FrameInput {
  uint32_t width;
  uint32_t height;
  uint8_t padding;
  const uint8_t* frame;
  uint64_t length;
};

constexpr size_t kFramePrefix = 5;
constexpr uint8_t kShortStride = 0xFF;

inline bool ParseFrameInput(const uint8_t* data, size_t size, FrameInput* input) {
  if (size < kFramePrefix) return false;
  *input = {Le16(data), Le16(data + 2), data[4], data + kFramePrefix, size - kFramePrefix};
  return true;
}

inline std::vector<uint8_t> EncodeFrameInput(uint32_t width, uint32_t height, uint8_t padding,
                                             const std::vector<uint8_t>& frame) {
  std::vector<uint8_t> prefix;
  PutLe16(&prefix, width);
  PutLe16(&prefix, height);
  prefix.push_back(padding);
  return WithPrefix(prefix, frame);
}

// downscale_fuzzer: source width and height (2 bytes each, little-endian),
// target width and height (a byte each), then the source's pixel bytes,
// repeated as often as the source needs.
struct DownscaleInput {
  uint32_t sourceWidth;
  uint32_t sourceHeight;
  uint32_t targetWidth;
  uint32_t targetHeight;
  const uint8_t* pixels;
  size_t length;
};

constexpr size_t kDownscalePrefix = 6;

inline bool ParseDownscaleInput(const uint8_t* data, size_t size, DownscaleInput* input) {
  if (size < kDownscalePrefix) return false;
  *input = {Le16(data), Le16(data + 2),          data[4],
            data[5],    data + kDownscalePrefix, size - kDownscalePrefix};
  return true;
}

inline std::vector<uint8_t> EncodeDownscaleInput(uint32_t sourceWidth, uint32_t sourceHeight,
                                                 uint8_t targetWidth, uint8_t targetHeight,
                                                 const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> prefix;
  PutLe16(&prefix, sourceWidth);
  PutLe16(&prefix, sourceHeight);
  prefix.push_back(targetWidth);
  prefix.push_back(targetHeight);
  return WithPrefix(prefix, pixels);
}

}  // namespace orvelle::fuzz
