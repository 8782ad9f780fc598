// GUID definitions, kept in a unit that needs only <guiddef.h>.
#include <guiddef.h>

#include "shell/server_clsid.h"

namespace orvelle {

// {EFB41CBF-F9DF-4A58-BBF0-C5A4A2DC1BE8}, generated once for Orvelle; never change it,
// or registrations made by earlier builds are orphaned.
const CLSID kServerClsid = {
    0xefb41cbf, 0xf9df, 0x4a58, {0xbb, 0xf0, 0xc5, 0xa4, 0xa2, 0xdc, 0x1b, 0xe8}};
// {888C5CFE-94F0-4F68-8364-EAE8BBC59512}, likewise fixed.
const CLSID kAviServerClsid = {
    0x888c5cfe, 0x94f0, 0x4f68, {0x83, 0x64, 0xea, 0xe8, 0xbb, 0xc5, 0x95, 0x12}};

}  // namespace orvelle

// mingw's libuuid lacks this interface identifier.
extern "C" const IID IID_IThumbnailProvider = {
    0xe357fccd, 0xa995, 0x4576, {0xb0, 0x1f, 0x23, 0x46, 0x30, 0x15, 0x4e, 0x96}};
