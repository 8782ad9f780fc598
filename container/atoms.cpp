#include "container/atoms.h"

namespace orvelle {

namespace {

// The 32-bit duration that stands for "unknown" in both header layouts.
constexpr uint64_t kUnknownDuration = 0xFFFFFFFF;

}  // namespace

uint32_t AtomHeaderLength(const uint8_t* first8) {
  return LoadBe32(first8) == 1 ? 16 : 8;
}

bool DecodeAtomHeader(const uint8_t* bytes, uint64_t available, uint64_t remaining,
                      AtomHeader* header) {
  const uint32_t size = LoadBe32(bytes);
  header->type = LoadBe32(bytes + 4);
  header->headerLength = AtomHeaderLength(bytes);
  if (available < header->headerLength) return false;
  if (size == 1) {
    header->length = LoadBe64(bytes + 8);
  } else if (size == 0) {
    header->length = remaining;
  } else {
    header->length = size;
  }
  return header->length >= header->headerLength && header->length <= remaining;
}

bool NextChildAtom(const uint8_t* buffer, uint64_t end, uint64_t* position, AtomView* child) {
  if (end - *position < 8) return false;
  const uint64_t remaining = end - *position;
  AtomHeader header;
  if (!DecodeAtomHeader(buffer + *position, remaining, remaining, &header)) return false;
  child->type = header.type;
  child->data = buffer + *position + header.headerLength;
  child->length = header.length - header.headerLength;
  *position += header.length;
  return true;
}

bool FindChildAtom(const uint8_t* buffer, uint64_t start, uint64_t length, uint32_t type,
                   AtomView* view) {
  const uint64_t end = start + length;
  uint64_t position = start;
  AtomView child;
  while (NextChildAtom(buffer, end, &position, &child)) {
    if (child.type == type) {
      *view = child;
      return true;
    }
  }
  return false;
}

bool FindChildAtom(const uint8_t* buffer, const AtomView& parent, uint32_t type,
                   AtomView* view) {
  return FindChildAtom(buffer, static_cast<uint64_t>(parent.data - buffer), parent.length, type,
                       view);
}

void ReadMediaDuration(const AtomView& header, double* seconds) {
  if (header.length < 4) return;
  const bool version1 = header.data[0] == 1;
  if (header.length < (version1 ? 32u : 20u)) return;
  const uint32_t timeScale = LoadBe32(header.data + (version1 ? 20 : 12));
  const uint64_t duration =
      version1 ? LoadBe64(header.data + 24) : LoadBe32(header.data + 16);
  if (timeScale == 0 || duration == 0 || duration == kUnknownDuration) return;
  *seconds = static_cast<double>(duration) / static_cast<double>(timeScale);
}

}  // namespace orvelle
