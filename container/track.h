// Turns one track atom of a loaded movie into a TrackInfo, if it is a Hap video track.
#pragma once

#include <cstdint>

#include "container/atoms.h"
#include "container/track_info.h"

namespace orvelle {

enum TrackOutcome : int32_t {
  TrackAccepted = 1,
  TrackRejected = 0,     // malformed or not video: try the next track
  TrackNotHap = -1,      // a video track of another codec
  TrackOutOfMemory = -2, // a table could not be allocated: give up
};

// Fills the cleared `track` from the "trak" payload `trak` inside `movie`. Tables
// allocated stay in the record whatever the outcome, until it goes.
TrackOutcome ParseTrack(const uint8_t* movie, const AtomView& trak, TrackInfo* track);

// Copies an "stco" (32-bit) or "co64" (64-bit) payload into the chunk offset table.
TrackOutcome CopyChunkOffsets(const AtomView& table, bool wide, TrackInfo* track);

}  // namespace orvelle
