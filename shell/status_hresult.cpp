#include "shell/status_hresult.h"

#include "core/thumbnail.h"

namespace orvelle {

HRESULT StatusToHResult(int32_t status) {
  switch (status) {
    case ThumbOk:
      return S_OK;
    case ThumbReadFailed:
      return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    case ThumbUnsupported:
      return E_NOTIMPL;
    case ThumbOutOfMemory:
      return E_OUTOFMEMORY;
    case ThumbInvalidArgument:
      return E_INVALIDARG;
    default:  // ThumbBadFile, ThumbNoTrack, ThumbBadData and anything unknown
      return E_FAIL;
  }
}

}  // namespace orvelle
