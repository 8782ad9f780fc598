// The file types whose thumbnail slot this server claims. A provider made for a stream
// cannot see the file's name, so each slot has a COM class of its own: the class a
// request arrives through tells which slot's displaced handler it goes back to.
#pragma once

#include <windows.h>

#include <string>

namespace orvelle {

struct ThumbnailSlot {
  const CLSID& clsid;           // this server's class registered in the slot
  const wchar_t* extension;     // ".mov"
  const wchar_t* savedValue;    // the value under kSavedHandlerKey holding the displaced handler
  const CLSID* defaultHandler;  // Windows' own handler for the type, or null when there is none
};

// The handler Windows itself uses for .mov when nothing else is registered.
extern const CLSID kDefaultMovThumbnailHandler;

extern const ThumbnailSlot kMovSlot;
extern const ThumbnailSlot kAviSlot;
constexpr size_t kSlotCount = 2;
extern const ThumbnailSlot* const kThumbnailSlots[kSlotCount];

// The slot served by one of this server's classes, or null for any other class.
const ThumbnailSlot* SlotOfClass(REFCLSID clsid);

// Whether registry text names any of this server's classes, in any letter case.
bool NamesServerClass(const std::wstring& text);

// "Software\Classes\" + ShellExKey(slot.extension): the slot under the per-user and
// machine-wide roots.
std::wstring ClassesShellExKey(const ThumbnailSlot& slot);

}  // namespace orvelle
