// The list of code paths, the choice among them and the lookup of a format's
// writers; the paths themselves are in the files named for their builds.
#include "texture/code_paths.h"

#include <cstring>
#include <iterator>

#include "texture/block_rows.h"
#include "texture/code_path_builder.h"

namespace orvelle {
namespace {

using WiderCodePath = const CodePath* (*)(const CodePath& narrower);

// Every path past the plain one, narrowest first.
constexpr WiderCodePath kWiderCodePaths[] = {Sse2CodePath, Avx2CodePath};

// The plain path first; `count` of them this processor runs.
struct RunnablePaths {
  const CodePath* paths[1 + std::size(kWiderCodePaths)];
  size_t count;
};

RunnablePaths FindRunnablePaths() {
  RunnablePaths runnable{{&PlainCodePath()}, 1};
  for (const WiderCodePath wider : kWiderCodePaths) {
    const CodePath* path = wider(*runnable.paths[runnable.count - 1]);
    if (path != nullptr) runnable.paths[runnable.count++] = path;
  }
  return runnable;
}

const RunnablePaths& Runnable() {
  static const RunnablePaths runnable = FindRunnablePaths();
  return runnable;
}

void WriteZeros(const uint8_t*, uint8_t* destination, ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row) std::memset(destination + row * stride, 0, 16);
}

// The writers ignore the blocks, so the row's step between them does not matter.
constexpr FormatCode kNoFormat = {0, 0, WriteZeros, WriteRowOneByOne<16, WriteZeros>};

}  // namespace

CodePathList RunnableCodePaths() { return {Runnable().paths, Runnable().count}; }

const CodePath& ActiveCodePath() {
  static const CodePath* const active = Runnable().paths[Runnable().count - 1];
  return *active;
}

const FormatCode& FindFormatCode(const CodePath& path, TextureFormat format) {
  const size_t place = TextureFormatPlace(format);
  return place < kTextureFormatCount ? path.formats[place] : kNoFormat;
}

const FormatCode& FindFormatCode(TextureFormat format) {
  return FindFormatCode(ActiveCodePath(), format);
}

}  // namespace orvelle
