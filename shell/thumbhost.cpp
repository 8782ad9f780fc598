// orvelle-thumbhost FILE OUT.bmp [SIZE]: asks the thumbnail handler registered for FILE's
// extension (.mov, .avi, ...) for FILE's thumbnail the way Explorer does, bypassing
// Explorer's thumbnail cache, and writes what it gets as a 32-bit top-down BMP.
#include <windows.h>
#include <objbase.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>
#include <wrl/client.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "shell/registry_access.h"
#include "shell/registry_paths.h"
#include "shell/scoped_handles.h"
#include "shell/top_down_dib.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kDefaultSize = 256;

// Explorer's view of the extension's slot: the per-user classes override the merged root.
bool FindSlotHandler(const wchar_t* extension, CLSID* handler) {
  const std::wstring slotKey = orvelle::ShellExKey(extension);
  std::wstring text;
  if (!orvelle::ReadRegString(HKEY_CURRENT_USER, L"Software\\Classes\\" + slotKey, nullptr,
                              orvelle::kValueReadBytes, &text) &&
      !orvelle::ReadRegString(HKEY_CLASSES_ROOT, slotKey, nullptr, orvelle::kValueReadBytes,
                              &text)) {
    return false;
  }
  return SUCCEEDED(CLSIDFromString(text.c_str(), handler));
}

HRESULT AskHandler(REFCLSID handler, const wchar_t* file, UINT size, HBITMAP* bitmap,
                   WTS_ALPHATYPE* alpha) {
  ComPtr<IInitializeWithStream> initializer;
  HRESULT hr = CoCreateInstance(handler, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(initializer.GetAddressOf()));
  if (FAILED(hr)) return hr;
  ComPtr<IStream> stream;
  hr = SHCreateStreamOnFileEx(file, STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE,
                              nullptr, stream.GetAddressOf());
  if (FAILED(hr)) return hr;
  hr = initializer->Initialize(stream.Get(), STGM_READ);
  if (FAILED(hr)) return hr;
  ComPtr<IThumbnailProvider> provider;
  hr = initializer.As(&provider);
  if (FAILED(hr)) return hr;
  return provider->GetThumbnail(size, bitmap, alpha);
}

// Pixels of any bitmap as 32-bit B, G, R, A rows, top to bottom.
bool ReadPixels(HBITMAP bitmap, LONG* width, LONG* height, std::vector<BYTE>* pixels) {
  BITMAP header = {};
  if (GetObjectW(bitmap, sizeof header, &header) == 0 || header.bmWidth <= 0 || header.bmHeight <= 0) {
    return false;
  }
  *width = header.bmWidth;
  *height = header.bmHeight;
  pixels->assign(static_cast<size_t>(*width) * *height * 4, 0);
  BITMAPINFO info = orvelle::TopDownDibInfo(*width, *height);
  const orvelle::ScopedDc dc(CreateCompatibleDC(nullptr));
  return GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(*height), pixels->data(), &info,
                   DIB_RGB_COLORS) == *height;
}

bool WriteBmp(const wchar_t* path, LONG width, LONG height, const std::vector<BYTE>& pixels) {
  BITMAPINFOHEADER info = orvelle::TopDownDibInfo(width, height).bmiHeader;
  info.biSizeImage = static_cast<DWORD>(pixels.size());
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;

  FILE* out = _wfopen(path, L"wb");
  if (out == nullptr) return false;
  const bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
                       fwrite(pixels.data(), pixels.size(), 1, out) == 1;
  return fclose(out) == 0 && written;
}

int Run(const wchar_t* file, const wchar_t* output, UINT size) {
  const wchar_t* extension = PathFindExtensionW(file);
  CLSID handler;
  if (*extension == L'\0' || !FindSlotHandler(extension, &handler)) {
    fprintf(stderr, "no thumbnail handler is registered for %ls\n", file);
    return 1;
  }
  HBITMAP made = nullptr;
  WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
  const HRESULT hr = AskHandler(handler, file, size, &made, &alpha);
  printf("hr=0x%08lX alpha=%d\n", static_cast<unsigned long>(hr), static_cast<int>(alpha));
  // What a failed call leaves in its output is not a handle of ours to free.
  if (FAILED(hr) || made == nullptr) return 1;
  const orvelle::ScopedBitmap bitmap(made);

  LONG width = 0;
  LONG height = 0;
  std::vector<BYTE> pixels;
  if (!ReadPixels(bitmap.get(), &width, &height, &pixels) ||
      !WriteBmp(output, width, height, pixels)) {
    fprintf(stderr, "cannot write the bitmap to %ls\n", output);
    return 1;
  }
  printf("size=%ldx%ld\n", width, height);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  UINT size = kDefaultSize;
  if (argc == 4) {
    wchar_t* end = nullptr;
    const unsigned long parsed = wcstoul(argv[3], &end, 10);
    size = (*end == L'\0' && parsed > 0 && parsed <= 0xFFFF) ? static_cast<UINT>(parsed) : 0;
  }
  if (argc < 3 || argc > 4 || size == 0) {
    fprintf(stderr, "usage: orvelle-thumbhost FILE OUT.bmp [SIZE]\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const int result = Run(argv[1], argv[2], size);
  CoUninitialize();
  return result;
}
