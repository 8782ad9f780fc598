// Chooses the container reader from the first bytes of the file.
#include "container/parse_container.h"

#include "container/avi.h"
#include "container/movie.h"

namespace orvelle {

ThumbStatus ParseContainer(const ByteSource* source, TrackInfo* track) {
  if (source == nullptr || source->read == nullptr || track == nullptr) {
    return ThumbInvalidArgument;
  }
  uint8_t first[12];
  if (source->size >= sizeof first &&
      source->read(source->context, 0, first, sizeof first) == sizeof first &&
      IsAviSignature(first)) {
    return ParseAviMovie(*source, track);
  }
  return ParseMovie(source, track);
}

}  // namespace orvelle
