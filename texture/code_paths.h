// Which code decodes the blocks, as data: one table per instruction set (a
// code path), each giving, per texture format in the order of
// hap/texture_formats.h, the bytes of a block, the writer of one block into
// 8-bit R, G, B, A rows and the writer of a row of blocks, and the block
// decoders that the public decoders (DecodeBc1Block and the rest) call. The
// widest path the processor runs is chosen once, on first use; every path gives
// the same bytes, which the tests and the block fuzzer check by going through
// all the paths this processor runs.
//
// Why each path is kept (what each gains over the narrower ones, per format,
// is BM_WriteRowsOnPath's output in bench/block_rgba8_bench):
// - plain: the reference the others are held to, and the only path of a
//   build whose compiler targets none of the instruction sets below.
// - SSE2: the baseline of every x86-64, faster than the plain path on every
//   format, most on scaled YCoCg.
// - AVX2: writers of its own only for the formats built on BC1 colours, where
//   it gains most over SSE2; the other formats keep the SSE2 writers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hap/texture_formats.h"

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

// The block decoders of one path, with the public decoders' arguments.
struct BlockDecoders {
  void (*bc1)(const uint8_t* block, uint8_t* destination, int32_t rowStride, bool forceFourColour);
  void (*bc3)(const uint8_t* block, uint8_t* destination, int32_t rowStride);
  void (*bc4)(const uint8_t* block, uint8_t* destination, int32_t rowStride, int32_t pixelStep);
  void (*bc7)(const uint8_t* block, uint8_t* destination, int32_t rowStride);
  void (*bc6hHalves)(const uint8_t* block, uint16_t* halves, int32_t rowStride, int isSigned);
  void (*bc6hRgba8)(const uint8_t* block, int isSigned, uint8_t* rgba);
};

struct CodePath {
  const char* name;
  FormatCode formats[kTextureFormatCount];
  BlockDecoders decoders;
};

// The path this processor runs fastest.
const CodePath& ActiveCodePath();

// Every path this processor runs, the plain one first and the active one last.
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

// The same on the active path.
const FormatCode& FindFormatCode(TextureFormat format);

}  // namespace orvelle
