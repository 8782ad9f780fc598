// Test-only previous .mov thumbnail handler; see standin_handler.h.
#include "tests/windows/standin_handler.h"

#include <objbase.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>

#include <iterator>
#include <new>
#include <string>

#include "shell/scoped_handles.h"
#include "shell/top_down_dib.h"

namespace {

HINSTANCE module = nullptr;
standin::Mode mode = standin::Mode::Draws;
HBITMAP strayHandle = nullptr;

const wchar_t* const SlotKey =
    L"Software\\Classes\\.mov\\ShellEx\\{E357FCCD-A995-4576-B01F-234630154E96}";

// One class per slot, told apart by the marker in their pixels.
struct StandInClass {
  const CLSID& clsid;
  const wchar_t* clsidText;
  const wchar_t* slotKey;
  BYTE marker;
};
const StandInClass Classes[] = {
    {standin::Clsid, standin::ClsidText, SlotKey, standin::Marker},
    {standin::AviClsid, standin::AviClsidText,
     L"Software\\Classes\\.avi\\ShellEx\\{E357FCCD-A995-4576-B01F-234630154E96}",
     standin::AviMarker},
};

std::wstring ClassKey(const StandInClass& standInClass) {
  return std::wstring(L"Software\\Classes\\CLSID\\") + standInClass.clsidText;
}

// The .mov handler in effect, found as the shell finds it: the user's slot, else the
// machine's.
bool FindShellHandler(CLSID* clsid) {
  wchar_t text[64] = {};
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    DWORD size = sizeof text;
    if (RegGetValueW(root, SlotKey, nullptr, RRF_RT_REG_SZ, nullptr, text, &size) ==
        ERROR_SUCCESS) {
      return SUCCEEDED(CLSIDFromString(text, clsid));
    }
  }
  return false;
}

// Asks the .mov handler in effect for a thumbnail of `stream`, as a handler that relies on
// the shell does.
HRESULT AskTheShell(IStream* stream, UINT cx, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
  CLSID clsid;
  if (!FindShellHandler(&clsid)) return E_FAIL;
  IInitializeWithStream* initializer = nullptr;
  HRESULT result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IInitializeWithStream,
                                    reinterpret_cast<void**>(&initializer));
  if (FAILED(result)) return result;
  LARGE_INTEGER start = {};
  IThumbnailProvider* provider = nullptr;
  if (SUCCEEDED(result = stream->Seek(start, STREAM_SEEK_SET, nullptr)) &&
      SUCCEEDED(result = initializer->Initialize(stream, STGM_READ)) &&
      SUCCEEDED(result = initializer->QueryInterface(__uuidof(IThumbnailProvider),
                                                     reinterpret_cast<void**>(&provider)))) {
    result = provider->GetThumbnail(cx, bitmap, alpha);
    provider->Release();
  }
  initializer->Release();
  return result;
}

class Handler final : public IInitializeWithStream, public IThumbnailProvider {
 public:
  explicit Handler(BYTE marker) : marker_(marker) {}

  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IInitializeWithStream)) {
      *ppv = static_cast<IInitializeWithStream*>(this);
    } else if (IsEqualIID(riid, __uuidof(IThumbnailProvider))) {
      *ppv = static_cast<IThumbnailProvider*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  IFACEMETHODIMP_(ULONG) Release() override {
    const LONG count = InterlockedDecrement(&refs_);
    if (count == 0) delete this;
    return count;
  }

  IFACEMETHODIMP Initialize(IStream* stream, DWORD mode) override {
    if (stream == nullptr) return E_INVALIDARG;
    if (stream_ != nullptr) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    LARGE_INTEGER none = {};
    ULARGE_INTEGER position = {};
    if (FAILED(stream->Seek(none, STREAM_SEEK_CUR, &position))) return E_FAIL;
    BYTE first = 0;
    ULONG read = 0;
    if (FAILED(stream->Read(&first, 1, &read)) || read != 1) return E_FAIL;
    pixel_ = {marker_, position.QuadPart == 0 ? standin::Rewound : standin::NotRewound,
              static_cast<BYTE>(mode), first};
    stream->AddRef();  // held like a real handler would, until destruction
    stream_ = stream;
    return S_OK;
  }

  IFACEMETHODIMP GetThumbnail(UINT cx, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override {
    if (bitmap == nullptr || alpha == nullptr) return E_POINTER;
    *bitmap = nullptr;
    *alpha = WTSAT_UNKNOWN;
    if (stream_ == nullptr) return E_UNEXPECTED;
    switch (mode) {
      case standin::Mode::Draws:
        return Draw(bitmap, alpha);
      case standin::Mode::SucceedsWithoutBitmap:
        return S_OK;
      case standin::Mode::FailsLeavingAHandle:
        *bitmap = strayHandle;
        return E_FAIL;
      case standin::Mode::AsksTheShell:
        return AskTheShell(stream_, cx, bitmap, alpha);
    }
    return E_UNEXPECTED;
  }

 private:
  ~Handler() {
    if (stream_ != nullptr) stream_->Release();
  }

  HRESULT Draw(HBITMAP* bitmap, WTS_ALPHATYPE* alpha) const {
    const BITMAPINFO info = orvelle::TopDownDibInfo(standin::Width, standin::Height);
    void* bits = nullptr;
    orvelle::ScopedBitmap made(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!made || bits == nullptr) return E_OUTOFMEMORY;
    auto* out = static_cast<BYTE*>(bits);
    for (LONG i = 0; i < standin::Width * standin::Height; ++i, out += 4) {
      for (int c = 0; c < 4; ++c) out[c] = pixel_.bytes[c];
    }
    *bitmap = made.release();
    *alpha = static_cast<WTS_ALPHATYPE>(standin::AlphaType);
    return standin::Result;
  }

  struct Pixel {
    BYTE bytes[4];
  };
  const BYTE marker_;
  volatile LONG refs_ = 1;
  IStream* stream_ = nullptr;
  Pixel pixel_ = {};
};

class Factory final : public IClassFactory {
 public:
  explicit Factory(BYTE marker) : marker_(marker) {}

  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // A static object: the module is never unloaded while the test runs.
  IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
  IFACEMETHODIMP_(ULONG) Release() override { return 1; }
  IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    Handler* handler = new (std::nothrow) Handler(marker_);
    if (handler == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = handler->QueryInterface(riid, ppv);
    handler->Release();
    return result;
  }
  IFACEMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  const BYTE marker_;
};

Factory factories[] = {Factory(standin::Marker), Factory(standin::AviMarker)};

bool SetString(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
  return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_SZ, value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) module = instance;
  return TRUE;
}

extern "C" void WINAPI SetStandInMode(standin::Mode newMode, HBITMAP stray) {
  mode = newMode;
  strayHandle = stray;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  for (size_t i = 0; i < std::size(Classes); ++i) {
    if (IsEqualCLSID(clsid, Classes[i].clsid)) return factories[i].QueryInterface(riid, ppv);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Machine-wide, so that Wine's COM (which reads only machine-wide classes) and
// HKEY_CLASSES_ROOT both see it as the handler in effect before Orvelle.
extern "C" HRESULT WINAPI DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  if (GetModuleFileNameW(module, path, MAX_PATH) == 0) return E_FAIL;
  for (const StandInClass& standInClass : Classes) {
    const std::wstring classKey = ClassKey(standInClass);
    const std::wstring serverKey = classKey + L"\\InprocServer32";
    if (!SetString(classKey.c_str(), nullptr, L"Orvelle test stand-in thumbnail handler") ||
        !SetString(serverKey.c_str(), nullptr, path) ||
        !SetString(serverKey.c_str(), L"ThreadingModel", L"Apartment") ||
        !SetString(standInClass.slotKey, nullptr, standInClass.clsidText)) {
      return E_FAIL;
    }
  }
  return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  for (const StandInClass& standInClass : Classes) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey(standInClass).c_str());
    wchar_t slot[64] = {};
    DWORD size = sizeof slot;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, standInClass.slotKey, nullptr, RRF_RT_REG_SZ, nullptr,
                     slot, &size) == ERROR_SUCCESS &&
        StrCmpIW(slot, standInClass.clsidText) == 0) {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, standInClass.slotKey);
    }
  }
  return S_OK;
}
