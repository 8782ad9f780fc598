#include "shell/thumbnail_slot.h"

#include "shell/clsid_text.h"
#include "shell/registry_paths.h"
#include "shell/server_clsid.h"

namespace orvelle {

// {9DBD2C50-62AD-11D0-B806-00C04FD706EC}
const CLSID kDefaultMovThumbnailHandler = {
    0x9dbd2c50, 0x62ad, 0x11d0, {0xb8, 0x06, 0x00, 0xc0, 0x4f, 0xd7, 0x06, 0xec}};

const ThumbnailSlot kMovSlot = {kServerClsid, L".mov", L"PreviousMovHandler",
                                &kDefaultMovThumbnailHandler};
// Windows' video handler is reached through the .avi registration itself, which the
// saved and machine-wide values cover; the .mov default is no .avi handler.
const ThumbnailSlot kAviSlot = {kAviServerClsid, L".avi", L"PreviousAviHandler", nullptr};
const ThumbnailSlot* const kThumbnailSlots[kSlotCount] = {&kMovSlot, &kAviSlot};

const ThumbnailSlot* SlotOfClass(REFCLSID clsid) {
  for (const ThumbnailSlot* slot : kThumbnailSlots) {
    if (IsEqualCLSID(clsid, slot->clsid)) return slot;
  }
  return nullptr;
}

bool NamesServerClass(const std::wstring& text) {
  for (const ThumbnailSlot* slot : kThumbnailSlots) {
    std::wstring clsidText;
    if (FormatClsid(slot->clsid, &clsidText) && NamesClass(text, clsidText, slot->clsid)) {
      return true;
    }
  }
  return false;
}

std::wstring ClassesShellExKey(const ThumbnailSlot& slot) {
  return L"Software\\Classes\\" + ShellExKey(slot.extension);
}

}  // namespace orvelle
