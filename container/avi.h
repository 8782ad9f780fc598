// Reads the first Hap video stream of an AVI file.
#pragma once

#include <cstdint>

#include "container/track_info.h"

namespace orvelle {

// Whether a file's first 12 bytes open an AVI file: "RIFF", a size, "AVI ".
bool IsAviSignature(const uint8_t* first12);

// ParseMovie's contract for an AVI file: clears `track`, then fills it with the
// first video stream whose compression is a Hap format code, one sample per
// frame. On failure nothing stays allocated and the record stays cleared.
ThumbStatus ParseAviMovie(const ByteSource& source, TrackInfo* track);

}  // namespace orvelle
