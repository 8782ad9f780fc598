#include "container/parse_container.h"
#include "core/thumbnail.h"

namespace orvelle {

ThumbStatus ProbeMovie(const ByteSource* source, ProbeInfo* info) {
  if (source == nullptr || source->read == nullptr) return ThumbInvalidArgument;
  TrackInfo track;
  const ThumbStatus status = ParseContainer(source, &track);
  if (status != ThumbOk) return status;
  if (info != nullptr) {
    *info = {track.codecKind, track.width, track.height, track.sampleCount, track.duration};
  }
  ReleaseTrackTables(&track);
  return ThumbOk;
}

}  // namespace orvelle
