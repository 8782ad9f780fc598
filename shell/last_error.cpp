#include "shell/last_error.h"

namespace orvelle {

HRESULT LastErrorHResult() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace orvelle
