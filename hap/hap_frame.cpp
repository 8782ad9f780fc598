// Hap frame layout: section headers, the texture format a section's type byte
// names, and the textures of a frame (one texture section, or a multi-texture
// container of texture sections placed back to back).
#include "hap/hap_frame.h"

#include "base/byte_order.h"

namespace orvelle {

HapStatus ReadSectionHeader(const uint8_t* bytes, uint64_t available, SectionHeader* header) {
  if (bytes == nullptr || header == nullptr) return HapBadArgument;
  if (available < 4) return HapBadFrame;

  // A 24-bit size of 0 announces the long form with a 32-bit size after the type byte.
  uint32_t size = LoadLe24(bytes);
  uint8_t headerLength = 4;
  if (size == 0) {
    if (available < 8) return HapBadFrame;
    size = LoadLe32(bytes + 4);
    headerLength = 8;
  }
  // 64-bit sum: a size near 2^32 must not wrap past the bound.
  if (uint64_t{headerLength} + size > available) return HapBadFrame;

  header->payloadSize = size;
  header->type = bytes[3];
  header->headerLength = headerLength;
  return HapOk;
}

namespace {

// Reads the section at `offset` inside a container payload, which must hold it
// whole, and moves `offset` past it.
HapStatus ReadContainedSection(const uint8_t* container, uint32_t containerSize, uint64_t* offset,
                               SectionHeader* header) {
  HapStatus status = ReadSectionHeader(container + *offset, containerSize - *offset, header);
  if (status == HapOk) *offset += uint64_t{header->headerLength} + header->payloadSize;
  return status;
}

}  // namespace

HapStatus GetTextureCount(const uint8_t* frame, uint32_t length, uint32_t* count) {
  if (frame == nullptr || count == nullptr) return HapBadArgument;
  SectionHeader top;
  HapStatus status = ReadSectionHeader(frame, length, &top);
  if (status != HapOk) return status;
  if (top.type != SectionMultiTexture) {
    *count = 1;
    return HapOk;
  }

  const uint8_t* container = frame + top.headerLength;
  uint32_t found = 0;
  for (uint64_t offset = 0; offset < top.payloadSize; ++found) {
    SectionHeader texture;
    status = ReadContainedSection(container, top.payloadSize, &offset, &texture);
    if (status != HapOk) return status;
  }
  *count = found;
  return HapOk;
}

HapStatus FindTextureSection(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                             const uint8_t** payload, uint32_t* payloadSize, uint8_t* type) {
  if (frame == nullptr || payload == nullptr || payloadSize == nullptr || type == nullptr) {
    return HapBadArgument;
  }
  *payload = nullptr;
  *payloadSize = 0;
  *type = 0;

  SectionHeader top;
  HapStatus status = ReadSectionHeader(frame, length, &top);
  if (status != HapOk) return status;
  const uint8_t* topPayload = frame + top.headerLength;
  if (top.type != SectionMultiTexture) {
    if (textureIndex != 0) return HapBadArgument;
    *payload = topPayload;
    *payloadSize = top.payloadSize;
    *type = top.type;
    return HapOk;
  }

  // Every section before the wanted one is validated on the way to it.
  uint64_t offset = 0;
  for (uint32_t index = 0;; ++index) {
    if (offset >= top.payloadSize) return HapBadArgument;
    const uint8_t* section = topPayload + offset;
    SectionHeader texture;
    status = ReadContainedSection(topPayload, top.payloadSize, &offset, &texture);
    if (status != HapOk) return status;
    if (index == textureIndex) {
      *payload = section + texture.headerLength;
      *payloadSize = texture.payloadSize;
      *type = texture.type;
      return HapOk;
    }
  }
}

HapStatus GetTextureFormat(const uint8_t* frame, uint32_t length, uint32_t textureIndex,
                           TextureFormat* format) {
  if (frame == nullptr || format == nullptr || textureIndex > kMaxTextureIndex) {
    return HapBadArgument;
  }
  const uint8_t* payload;
  uint32_t payloadSize;
  uint8_t type;
  HapStatus status = FindTextureSection(frame, length, textureIndex, &payload, &payloadSize, &type);
  if (status != HapOk) return status;
  *format = TextureFormatFromType(type & 0x0F);
  return *format == 0 ? HapBadFrame : HapOk;
}

}  // namespace orvelle
