#include "shell/previous_handler.h"

#include <objbase.h>

#include <string>

#include "shell/clsid_text.h"
#include "shell/registry_access.h"
#include "shell/registry_paths.h"

namespace orvelle {

namespace {

// A stored handler is usable when it parses and names a class other than `self` and
// this server's own.
bool TakeHandler(const std::wstring& text, const std::wstring& selfText, REFCLSID self,
                 CLSID* out) {
  CLSID parsed;
  if (NamesClass(text, selfText, self) || NamesServerClass(text) ||
      FAILED(CLSIDFromString(text.c_str(), &parsed))) {
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
  const ThumbnailSlot* served = SlotOfClass(self);
  const ThumbnailSlot& slot = served != nullptr ? *served : kMovSlot;

  std::wstring text;
  if (ReadRegString(HKEY_CURRENT_USER, kSavedHandlerKey, slot.savedValue, kValueReadBytes, &text) &&
      TakeHandler(text, selfText, self, out)) {
    return S_OK;
  }
  if (ReadRegString(HKEY_LOCAL_MACHINE, ClassesShellExKey(slot), nullptr, kValueReadBytes, &text) &&
      TakeHandler(text, selfText, self, out)) {
    return S_OK;
  }
  if (slot.defaultHandler == nullptr || IsEqualCLSID(self, *slot.defaultHandler)) return E_FAIL;
  *out = *slot.defaultHandler;
  return S_OK;
}

}  // namespace orvelle
