// Which code decodes the blocks, as data: one table per instruction set, each
// giving, per texture format, the bytes of a block, the writer of one block
// into 8-bit R, G, B, A rows and the writer of a row of blocks, with the block
// decoders the writers are made of. The widest table the processor runs is
// chosen once, on first use; every table gives the same bytes, which the tests
// and the block fuzzer check by going through all the tables this processor runs.
//
// Why each table is kept. Milliseconds of one core to write the rows of a
// 1920 x 1080 texture of random blocks (BM_WriteRowsOnPath, CPU time, median
// of five, on the development machine, an x86-64 with AVX2):
//
//              BC1   BC3  YCoCg   BC4   BC7  BC6H u  BC6H s
//   plain     1.58  2.66  12.7   2.08  6.74   12.4    18.3
//   SSE2      0.69  1.58   2.99  1.05  3.28    6.69    8.35
//   AVX2      0.43  0.69   1.53     (the SSE2 writers)
//
// - plain: the reference the others are held to, and the build for a
//   compiler that does not target SSE2.
// - SSE2: the baseline of every x86-64, at 0.6 of the plain time (BC3) down
//   to a quarter of it (scaled YCoCg).
// - AVX2: writers of its own only for the formats built on BC1 colours, 1.6
//   (BC1) to 2.3 (BC3) times as fast as the SSE2 ones; the other formats keep
//   the SSE2 writers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hap/hap_frame.h"

namespace orvelle {

// One block written `stride` bytes per row: into DecodeBlockRgba8's 64-byte
// buffer, or into the image itself for blocks that lie wholly inside it.
using BlockRgba8Writer = void (*)(const uint8_t* block, uint8_t* destination, ptrdiff_t stride);

// `count` consecutive blocks, their pixels each 16 bytes to the right of the last.
using BlockRowWriter = void (*)(const uint8_t* blocks, uint32_t count, uint8_t* destination,
                                ptrdiff_t stride);

struct FormatCode {
  TextureFormat format;
  uint32_t bytesPerBlock;
  BlockRgba8Writer writeBlock;
  BlockRowWriter writeRow;
};

// The block decoders of one build, with the public decoders' arguments.
struct BlockDecoders {
  void (*bc1)(const uint8_t* block, uint8_t* destination, int32_t rowStride, bool forceFourColour);
  void (*bc3)(const uint8_t* block, uint8_t* destination, int32_t rowStride);
  void (*bc4)(const uint8_t* block, uint8_t* destination, int32_t rowStride, int32_t pixelStep);
  void (*bc7)(const uint8_t* block, uint8_t* destination, int32_t rowStride);
  void (*bc6hHalves)(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned);
  void (*bc6hRgba8)(const uint8_t* block, int isSigned, uint8_t* rgba);
};

constexpr size_t kCodedFormats = 7;

struct CodePath {
  const char* name;
  FormatCode formats[kCodedFormats];
  BlockDecoders decoders;
};

// The table this processor runs fastest.
const CodePath& ActiveCodePath();

// Every table this processor runs, the plain one first and the active one last.
struct CodePathList {
  const CodePath* const* paths;
  size_t count;
  const CodePath* const* begin() const { return paths; }
  const CodePath* const* end() const { return paths + count; }
};
CodePathList RunnableCodePaths();

// The code of `format` on `path`; an unknown format's has 0 bytes per block
// and writers that store zeros.
const FormatCode& FindFormatCode(const CodePath& path, TextureFormat format);

// The same on the active table.
const FormatCode& FindFormatCode(TextureFormat format);

}  // namespace orvelle
