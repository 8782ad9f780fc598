// What every code path is made of: BlockWriter<Code, format>, the writer of a
// format's blocks in build `Code`, and the path of a build made from its
// writers in the order of hap/texture_formats.h. Formats whose writer only
// calls the build's decoder have one writer for every build here; the others
// are written in each build's own file. A writer with a row writer of its own
// (Row) keeps it; the rows of the others are their blocks one after another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "hap/texture_formats.h"
#include "texture/bc1_bc3_bc4.h"
#include "texture/bc6h.h"
#include "texture/bc7.h"
#include "texture/block_rows.h"
#include "texture/code_paths.h"
#include "texture/instruction_sets.h"

namespace orvelle {

// Block(block, destination, stride), and optionally Row(blocks, count, destination, stride).
template <typename Code, TextureFormat kFormat>
struct BlockWriter;

inline void CopyTile(const uint8_t* tile, uint8_t* destination, ptrdiff_t stride) {
  for (int row = 0; row < 4; ++row) std::memcpy(destination + row * stride, tile + 16 * row, 16);
}

template <typename Code>
struct Bc3Writer {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    DecodeBc3BlockIn<Code>(block, destination, static_cast<int32_t>(stride));
  }
};
template <typename Code>
struct BlockWriter<Code, TexFmtRgbaDxt5> : Bc3Writer<Code> {};

template <typename Code>
struct BlockWriter<Code, TexFmtRgbaBptcUnorm> {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    DecodeBc7BlockIn<Code>(block, destination, static_cast<int32_t>(stride));
  }
};

template <typename Code, int kSigned>
struct Bc6hWriter {
  static void Block(const uint8_t* block, uint8_t* destination, ptrdiff_t stride) {
    uint8_t tile[64];
    DecodeBc6hBlockRgba8In<Code>(block, kSigned, tile);
    CopyTile(tile, destination, stride);
  }
};
template <typename Code>
struct BlockWriter<Code, TexFmtRgbBptcSignedFloat> : Bc6hWriter<Code, 1> {};
template <typename Code>
struct BlockWriter<Code, TexFmtRgbBptcUnsignedFloat> : Bc6hWriter<Code, 0> {};

// The writer's own row writer, or its blocks written one after another.
template <typename Writer, uint32_t kBlockBytes, typename = void>
struct RowWriterOf {
  static constexpr BlockRowWriter kRow = WriteRowOneByOne<kBlockBytes, Writer::Block>;
};
template <typename Writer, uint32_t kBlockBytes>
struct RowWriterOf<Writer, kBlockBytes, std::void_t<decltype(&Writer::Row)>> {
  static constexpr BlockRowWriter kRow = Writer::Row;
};

template <typename Code, TextureFormat kFormat>
constexpr FormatCode FormatCodeOf() {
  using Writer = BlockWriter<Code, kFormat>;
  constexpr uint32_t kBlockBytes = BytesPerBlock(kFormat);
  return {kFormat, kBlockBytes, Writer::Block, RowWriterOf<Writer, kBlockBytes>::kRow};
}

template <typename Code, size_t... kPlaces>
constexpr CodePath MakeCodePath(const char* name, std::index_sequence<kPlaces...>) {
  return {name,
          {FormatCodeOf<Code, kTextureFormats[kPlaces].format>()...},
          {DecodeBc1BlockIn<Code>, DecodeBc3BlockIn<Code>, DecodeBc4BlockIn<Code>,
           DecodeBc7BlockIn<Code>, DecodeBc6hBlockIn<Code>, DecodeBc6hBlockRgba8In<Code>}};
}

// The path of a decoder build: its writers of every format, and its decoders.
template <typename Code>
constexpr CodePath MakeCodePath(const char* name) {
  return MakeCodePath<Code>(name, std::make_index_sequence<kTextureFormatCount>());
}

// The writers of `kFormat` in `path` become those of build `Code`: for a path
// that has writers of its own for only some formats.
template <typename Code, TextureFormat kFormat>
constexpr void UseWriters(CodePath& path) {
  path.formats[TextureFormatPlace(kFormat)] = FormatCodeOf<Code, kFormat>();
}

// The path of each instruction set, from the file named for it. A path past
// the plain one is made from `narrower`, the widest runnable path below it,
// and is null where the build leaves its set out or the processor lacks it.
const CodePath& PlainCodePath();
const CodePath* Sse2CodePath(const CodePath& narrower);
const CodePath* Avx2CodePath(const CodePath& narrower);

}  // namespace orvelle
