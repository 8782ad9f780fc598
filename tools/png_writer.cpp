#include "tools/png_writer.h"

#include <png.h>

#include <cstdlib>
#include <cstring>

#include "tools/output_file.h"

namespace orvelle {
namespace {

// The encoded file, grown as libpng hands over its bytes.
struct PngBuffer {
  uint8_t* data = nullptr;
  size_t size = 0;
  size_t capacity = 0;
};

void AppendToBuffer(png_structp png, png_bytep bytes, png_size_t length) {
  auto* buffer = static_cast<PngBuffer*>(png_get_io_ptr(png));
  if (length > buffer->capacity - buffer->size) {
    size_t capacity = buffer->capacity == 0 ? 64 * 1024 : buffer->capacity;
    while (length > capacity - buffer->size) {
      if (capacity > SIZE_MAX / 2) png_error(png, "PNG too large");
      capacity *= 2;
    }
    void* grown = std::realloc(buffer->data, capacity);
    if (grown == nullptr) png_error(png, "out of memory");
    buffer->data = static_cast<uint8_t*>(grown);
    buffer->capacity = capacity;
  }
  std::memcpy(buffer->data + buffer->size, bytes, length);
  buffer->size += length;
}

void FlushNothing(png_structp) {}

// libpng reports errors by longjmp; this frame owns nothing that needs unwinding,
// and the buffer, which the caller owns, stays valid for it to free.
bool EncodeTo(PngBuffer* buffer, const RgbaImage& image) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, buffer, AppendToBuffer, FlushNothing);
  // A thumbnailer's file is read once, then re-encoded by the desktop's cache:
  // encoding time counts for more than size. The fastest deflate and one cheap
  // filter take about half the time of the defaults for a few percent more bytes.
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t stride = size_t{image.width} * 4;
  for (uint32_t y = 0; y < image.height; ++y) {
    png_write_row(png, image.pixels + y * stride);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const RgbaImage& image, const char* path) {
  PngBuffer buffer;
  const bool written = EncodeTo(&buffer, image) && WriteOutputFile(path, buffer.data, buffer.size);
  std::free(buffer.data);
  return written;
}

}  // namespace orvelle
