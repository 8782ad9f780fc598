// The entry of the container readers.
#pragma once

#include "container/track_info.h"

namespace orvelle {

// ParseMovie's contract for any container we read: an AVI file (told by its
// first bytes) goes to the AVI reader, every other file to ParseMovie. An AVI
// stream's frames become one-sample chunks of the tables.
ThumbStatus ParseContainer(const ByteSource* source, TrackInfo* track);

}  // namespace orvelle
