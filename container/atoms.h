// QuickTime atom headers, child search and header durations over a loaded movie atom.
#pragma once

#include <cstdint>

#include "base/byte_order.h"

namespace orvelle {

struct AtomHeader {
  uint32_t type;
  uint64_t length;        // whole atom, header included
  uint32_t headerLength;  // 8, or 16 with a 64-bit length
};

// Bytes the header starting with these 8 bytes occupies: 16 when a 64-bit length follows.
uint32_t AtomHeaderLength(const uint8_t* first8);

// Decodes the header at `bytes`, of which `available` bytes (at least 8) may be
// read, for an atom that may span at most `remaining` bytes (a size field of 0
// claims all of them). False when the header is cut short or the atom's length
// is below its header or beyond `remaining`.
bool DecodeAtomHeader(const uint8_t* bytes, uint64_t available, uint64_t remaining,
                      AtomHeader* header);

// A child atom inside the loaded movie buffer; valid while that buffer lives.
struct AtomView {
  uint32_t type;
  const uint8_t* data;  // first payload byte
  uint64_t length;      // payload length
};

// Steps to the child atom at `*position` of a range ending at `end`, both
// offsets into `buffer`, and advances the position past it. False when fewer
// bytes remain than a header needs or the child is invalid.
bool NextChildAtom(const uint8_t* buffer, uint64_t end, uint64_t* position, AtomView* child);

// The first direct child of type `type` among those in the given range; an
// invalid child ends the search.
bool FindChildAtom(const uint8_t* buffer, uint64_t start, uint64_t length, uint32_t type,
                   AtomView* view);

// The same search among the children of `parent`, itself a view into `buffer`.
bool FindChildAtom(const uint8_t* buffer, const AtomView& parent, uint32_t type,
                   AtomView* view);

// Sets `*seconds` from an "mvhd" or "mdhd" payload; leaves it untouched when
// the header is short, has no time scale, or gives no known duration.
void ReadMediaDuration(const AtomView& header, double* seconds);

}  // namespace orvelle
