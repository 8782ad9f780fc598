#include "shell/previous_handler.h"

#include <objbase.h>

#include <string>

#include "shell/registry_access.h"

namespace orvelle {

// {9DBD2C50-62AD-11D0-B806-00C04FD706EC}
const CLSID DefaultMovThumbnailHandler = {
    0x9dbd2c50, 0x62ad, 0x11d0, {0xb8, 0x06, 0x00, 0xc0, 0x4f, 0xd7, 0x06, 0xec}};

namespace {

// A stored handler is usable when it parses and names a class other than `self`.
bool TakeHandler(const std::wstring& text, const std::wstring& selfText, REFCLSID self,
                 CLSID* out) {
  CLSID parsed;
  if (NamesClass(text, selfText, self) || FAILED(CLSIDFromString(text.c_str(), &parsed))) {
    return false;
  }
  *out = parsed;
  return true;
}

}  // namespace

HRESULT FindPreviousHandler(REFCLSID self, CLSID* out) {
  if (out == nullptr) return E_POINTER;
  *out = CLSID_NULL;
  std::wstring selfText;
  if (!FormatClsid(self, &selfText)) return E_UNEXPECTED;

  std::wstring text;
  if (ReadRegString(HKEY_CURRENT_USER, SavedHandlerKey, SavedHandlerValue, ValueReadBytes, &text) &&
      TakeHandler(text, selfText, self, out)) {
    return S_OK;
  }
  if (ReadRegString(HKEY_LOCAL_MACHINE, ClassesMovShellExKey(), nullptr, ValueReadBytes, &text) &&
      TakeHandler(text, selfText, self, out)) {
    return S_OK;
  }
  if (IsEqualCLSID(self, DefaultMovThumbnailHandler)) return E_FAIL;
  *out = DefaultMovThumbnailHandler;
  return S_OK;
}

}  // namespace orvelle
