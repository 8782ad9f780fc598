// Mesa's software renderer as an independent decoder of compressed textures.
// libOSMesa is opened at run time, so the tests build without it and can skip
// with a reason when it is missing.
#pragma once

#include <cstdint>
#include <string>

namespace orvelle::testing {

// OpenGL enumerants the reference uses; the compressed formats are the Hap
// texture format codes.
constexpr uint32_t kGlRgb = 0x1907;
constexpr uint32_t kGlRgba = 0x1908;
constexpr uint32_t kGlUnsignedByte = 0x1401;
constexpr uint32_t kGlHalfFloat = 0x140B;
constexpr uint32_t kGlFloat = 0x1406;

class MesaReference {
 public:
  MesaReference();
  ~MesaReference();
  MesaReference(const MesaReference&) = delete;
  MesaReference& operator=(const MesaReference&) = delete;

  bool Available() const { return context_ != nullptr; }
  // Why the renderer could not be set up; empty when it is available.
  const std::string& Failure() const { return failure_; }

  // Uploads blockCount 16-byte blocks of `format` as one texture 4 x blockCount
  // pixels wide and 4 high, and reads it back as `pixelFormat` values of `type`,
  // rows tightly packed: block b's pixel (x, y) is pixel (4b + x, y) of `out`.
  // False, with Failure() set, when OpenGL reports an error.
  bool Decode(uint32_t format, const uint8_t* blocks, int blockCount, uint32_t pixelFormat,
              uint32_t type, void* out);

 private:
  struct Api;
  bool Load();

  void* library_ = nullptr;
  void* context_ = nullptr;
  Api* api_ = nullptr;
  uint8_t colorBuffer_[4 * 4 * 4] = {};
  std::string failure_;
};

}  // namespace orvelle::testing
