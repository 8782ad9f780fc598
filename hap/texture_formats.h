// The texture formats a Hap frame can name, in one table: each format's code,
// the low nibble of the section type that names it, and the bytes of one 4x4
// block. Whatever else is kept per format (the writers of each code path) is
// kept in this table's order, so a new format is one more row.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvelle {

// Block format of a texture, by its graphics-API constant.
using TextureFormat = uint32_t;
constexpr TextureFormat TexFmtRgbDxt1 = 0x83F0;
constexpr TextureFormat TexFmtRgbaDxt5 = 0x83F3;
constexpr TextureFormat TexFmtYCoCgDxt5 = 0x01;
constexpr TextureFormat TexFmtAlphaRgtc1 = 0x8DBB;
constexpr TextureFormat TexFmtRgbaBptcUnorm = 0x8E8C;
constexpr TextureFormat TexFmtRgbBptcSignedFloat = 0x8E8E;
constexpr TextureFormat TexFmtRgbBptcUnsignedFloat = 0x8E8F;

struct TextureFormatRow {
  TextureFormat format;
  uint8_t typeNibble;
  uint32_t bytesPerBlock;
};

inline constexpr TextureFormatRow kTextureFormats[] = {
    {TexFmtRgbDxt1, 0xB, 8},
    {TexFmtRgbaDxt5, 0xE, 16},
    {TexFmtYCoCgDxt5, 0xF, 16},
    {TexFmtAlphaRgtc1, 0x1, 8},
    {TexFmtRgbaBptcUnorm, 0xC, 16},
    {TexFmtRgbBptcSignedFloat, 0x3, 16},
    {TexFmtRgbBptcUnsignedFloat, 0x2, 16},
};

constexpr size_t kTextureFormatCount = sizeof kTextureFormats / sizeof kTextureFormats[0];

// The row of `format`, or kTextureFormatCount for a format the table lacks.
constexpr size_t TextureFormatPlace(TextureFormat format) {
  size_t place = 0;
  while (place < kTextureFormatCount && kTextureFormats[place].format != format) ++place;
  return place;
}

// Bytes of one 4x4 block of `format`: 8, 16, or 0 for anything else.
constexpr uint32_t BytesPerBlock(TextureFormat format) {
  const size_t place = TextureFormatPlace(format);
  return place < kTextureFormatCount ? kTextureFormats[place].bytesPerBlock : 0;
}

// The format named by the low nibble of a type byte, 0 when it names none.
constexpr TextureFormat TextureFormatFromType(uint8_t lowNibble) {
  for (const TextureFormatRow& row : kTextureFormats) {
    if (row.typeNibble == lowNibble) return row.format;
  }
  return 0;
}

}  // namespace orvelle
