// The QuickTime movie reader: the movie atom and its first Hap video track.
#pragma once

#include "container/track_info.h"

namespace orvelle {

// Fills `track` with the first acceptable Hap video track of a QuickTime movie.
// On success the record holds the tables; on failure nothing stays allocated.
ThumbStatus ParseMovie(const ByteSource* source, TrackInfo* track);

}  // namespace orvelle
