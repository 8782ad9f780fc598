// The stand-in for the .mov and .avi thumbnail handlers that Orvelle displaces: a
// test-only COM server that registers machine-wide, one class in each slot, and answers
// every request with one known bitmap. Its pixels report what it saw at Initialize, so
// tests can check how it was called: bytes B, G, R, A = Marker (AviMarker for the .avi
// class), Rewound or NotRewound (stream position 0 or not), the low byte of the mode, and
// the stream's first byte read from where it stood.
// SetStandInMode makes it misbehave as handlers met in the field do.
#pragma once

#include <windows.h>

namespace standin {

// {82E4C09E-46F5-45A9-9CF9-80434BA040DE}
constexpr CLSID Clsid = {0x82e4c09e, 0x46f5, 0x45a9, {0x9c, 0xf9, 0x80, 0x43, 0x4b, 0xa0, 0x40, 0xde}};
constexpr const wchar_t* ClsidText = L"{82E4C09E-46F5-45A9-9CF9-80434BA040DE}";
// {453CD4DB-668A-45E4-A6B1-C7FC496D67AE}, the class in the .avi slot.
constexpr CLSID AviClsid = {
    0x453cd4db, 0x668a, 0x45e4, {0xa6, 0xb1, 0xc7, 0xfc, 0x49, 0x6d, 0x67, 0xae}};
constexpr const wchar_t* AviClsidText = L"{453CD4DB-668A-45E4-A6B1-C7FC496D67AE}";

constexpr LONG Width = 48;
constexpr LONG Height = 32;
constexpr BYTE Marker = 0x5A;
constexpr BYTE AviMarker = 0xA5;
constexpr BYTE Rewound = 0xC0;
constexpr BYTE NotRewound = 0x01;
// A success code other than S_OK, to show it is passed on unchanged.
constexpr HRESULT Result = S_FALSE;
constexpr int AlphaType = 1;  // WTSAT_RGB

enum class Mode : int {
  Draws,                  // the known bitmap, Result and AlphaType
  SucceedsWithoutBitmap,  // S_OK with no bitmap
  FailsLeavingAHandle,    // E_FAIL with the handle given to SetStandInMode left in the output
  AsksTheShell,           // whatever the .mov handler in effect gives for the same stream
};
// The export "SetStandInMode"; the mode holds for every instance until changed.
using SetModeFn = void(WINAPI*)(Mode mode, HBITMAP strayHandle);

}  // namespace standin
