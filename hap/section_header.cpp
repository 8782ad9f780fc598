#include "hap/hap_frame.h"
#include "hap/little_endian.h"

namespace orvelle {

HapStatus ReadSectionHeader(const uint8_t* bytes, uint64_t available, SectionHeader* header) {
  if (bytes == nullptr || header == nullptr) return HapBadArgument;
  if (available < 4) return HapBadFrame;

  // A 24-bit size of 0 announces the long form with a 32-bit size after the type byte.
  uint32_t size = ReadLe24(bytes);
  uint8_t headerLength = 4;
  if (size == 0) {
    if (available < 8) return HapBadFrame;
    size = ReadLe32(bytes + 4);
    headerLength = 8;
  }
  // 64-bit sum: a size near 2^32 must not wrap past the bound.
  if (uint64_t{headerLength} + size > available) return HapBadFrame;

  header->payloadSize = size;
  header->type = bytes[3];
  header->headerLength = headerLength;
  return HapOk;
}

}  // namespace orvelle
