#include "tests/texture/mesa_reference.h"

#include <dlfcn.h>

// Mesa keeps a few allocations for the life of the process; they are its own,
// not the decoders' under test.
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa.so\n"; }

namespace orvelle::testing {
namespace {

constexpr uint32_t kGlTexture2d = 0x0DE1;
constexpr uint32_t kGlPackAlignment = 0x0D05;
constexpr uint32_t kGlNoError = 0;

using GlEnum = uint32_t;
using ProcAddress = void (*)();

}  // namespace

struct MesaReference::Api {
  void* (*createContextExt)(GlEnum, int, int, int, void*);
  unsigned char (*makeCurrent)(void*, void*, GlEnum, int, int);
  void (*destroyContext)(void*);
  ProcAddress (*getProcAddress)(const char*);
  void (*genTextures)(int, uint32_t*);
  void (*deleteTextures)(int, const uint32_t*);
  void (*bindTexture)(GlEnum, uint32_t);
  void (*pixelStorei)(GlEnum, int);
  void (*compressedTexImage2D)(GlEnum, int, GlEnum, int, int, int, int, const void*);
  void (*getTexImage)(GlEnum, int, GlEnum, GlEnum, void*);
  GlEnum (*getError)();
};

namespace {

template <typename Fn>
bool Resolve(void* library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(library, name));
  return fn != nullptr;
}

template <typename Fn>
bool ResolveGl(ProcAddress (*getProcAddress)(const char*), const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(getProcAddress(name));
  return fn != nullptr;
}

}  // namespace

MesaReference::MesaReference() {
  if (!Load()) return;
  context_ = api_->createContextExt(kGlRgba, 0, 0, 0, nullptr);
  if (context_ == nullptr) {
    failure_ = "OSMesaCreateContextExt failed";
    return;
  }
  if (!api_->makeCurrent(context_, colorBuffer_, kGlUnsignedByte, 4, 4)) {
    failure_ = "OSMesaMakeCurrent failed";
    api_->destroyContext(context_);
    context_ = nullptr;
    return;
  }
  // Resolved only now: Mesa hands out GL entry points for a current context.
  Api& a = *api_;
  if (!ResolveGl(a.getProcAddress, "glGenTextures", a.genTextures) ||
      !ResolveGl(a.getProcAddress, "glDeleteTextures", a.deleteTextures) ||
      !ResolveGl(a.getProcAddress, "glBindTexture", a.bindTexture) ||
      !ResolveGl(a.getProcAddress, "glPixelStorei", a.pixelStorei) ||
      !ResolveGl(a.getProcAddress, "glCompressedTexImage2D", a.compressedTexImage2D) ||
      !ResolveGl(a.getProcAddress, "glGetTexImage", a.getTexImage) ||
      !ResolveGl(a.getProcAddress, "glGetError", a.getError)) {
    failure_ = "an OpenGL entry point is missing";
    api_->destroyContext(context_);
    context_ = nullptr;
  }
}

MesaReference::~MesaReference() {
  if (context_ != nullptr) api_->destroyContext(context_);
  delete api_;
  // libOSMesa stays loaded: Mesa's drivers are not made to be unloaded.
}

bool MesaReference::Load() {
  library_ = dlopen("libOSMesa.so.8", RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    const char* error = dlerror();
    failure_ = error != nullptr ? error : "dlopen(libOSMesa.so.8) failed";
    return false;
  }
  api_ = new Api{};
  if (!Resolve(library_, "OSMesaCreateContextExt", api_->createContextExt) ||
      !Resolve(library_, "OSMesaMakeCurrent", api_->makeCurrent) ||
      !Resolve(library_, "OSMesaDestroyContext", api_->destroyContext) ||
      !Resolve(library_, "OSMesaGetProcAddress", api_->getProcAddress)) {
    failure_ = "libOSMesa lacks an OSMesa entry point";
    return false;
  }
  return true;
}

bool MesaReference::Decode(uint32_t format, const uint8_t* blocks, int blockCount,
                           uint32_t pixelFormat, uint32_t type, void* out) {
  if (!Available()) return false;
  const Api& a = *api_;
  uint32_t texture = 0;
  a.genTextures(1, &texture);
  a.bindTexture(kGlTexture2d, texture);
  a.pixelStorei(kGlPackAlignment, 1);
  a.compressedTexImage2D(kGlTexture2d, 0, format, 4 * blockCount, 4, 0, 16 * blockCount, blocks);
  a.getTexImage(kGlTexture2d, 0, pixelFormat, type, out);
  const GlEnum error = a.getError();
  a.deleteTextures(1, &texture);
  if (error != kGlNoError) {
    failure_ = "OpenGL error " + std::to_string(error);
    return false;
  }
  return true;
}

}  // namespace orvelle::testing
