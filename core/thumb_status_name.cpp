#include "core/thumbnail.h"

namespace orvelle {

const char* ThumbStatusName(int32_t status) {
  switch (status) {
    case ThumbOk: return "ThumbOk";
    case ThumbReadFailed: return "ThumbReadFailed";
    case ThumbBadFile: return "ThumbBadFile";
    case ThumbNoTrack: return "ThumbNoTrack";
    case ThumbBadData: return "ThumbBadData";
    case ThumbUnsupported: return "ThumbUnsupported";
    case ThumbOutOfMemory: return "ThumbOutOfMemory";
    case ThumbInvalidArgument: return "ThumbInvalidArgument";
  }
  return "ThumbUnknown";
}

}  // namespace orvelle
