#include "shell/thumbnail_provider.h"

#include <shlwapi.h>
#include <wrl/client.h>

#include "base/heap_ptr.h"
#include "core/thumbnail.h"
#include "shell/chaining_mark.h"
#include "shell/com_boundary.h"
#include "shell/interface_table.h"
#include "shell/module.h"
#include "shell/previous_handler.h"
#include "shell/status_hresult.h"
#include "shell/stream_adapter.h"
#include "shell/thumbnail_bitmap.h"

namespace orvelle {

using Microsoft::WRL::ComPtr;

namespace {

// One of this server's classes, named directly or through the TreatAs key that COM
// follows. Chaining from one of them to the other is a loop too.
bool IsThisServer(REFCLSID clsid) {
  if (SlotOfClass(clsid) != nullptr) return true;
  CLSID emulated;
  return SUCCEEDED(CoGetTreatAsClass(clsid, &emulated)) && SlotOfClass(emulated) != nullptr;
}

}  // namespace

CThumbnailProvider::CThumbnailProvider(const ThumbnailSlot& slot) : slot_(slot) { ModuleAddRef(); }

CThumbnailProvider::~CThumbnailProvider() {
  // Let go of the stream while the module still counts this object as alive.
  stream_.Reset();
  ModuleRelease();
}

IFACEMETHODIMP CThumbnailProvider::QueryInterface(REFIID riid, void** ppv) {
  // The first entry also answers for IUnknown.
  static const QITAB kInterfaces[] = {
      InterfaceEntry<CThumbnailProvider, IInitializeWithStream>(),
      InterfaceEntry<CThumbnailProvider, IThumbnailProvider>(),
      {nullptr, 0},
  };
  return QISearch(this, kInterfaces, riid, ppv);
}

IFACEMETHODIMP_(ULONG) CThumbnailProvider::AddRef() { return InterlockedIncrement(&refCount_); }

IFACEMETHODIMP_(ULONG) CThumbnailProvider::Release() {
  const LONG count = InterlockedDecrement(&refCount_);
  if (count == 0) delete this;
  return count;
}

IFACEMETHODIMP CThumbnailProvider::Initialize(IStream* pstm, DWORD grfMode) {
  return CatchAtComBoundary(E_FAIL, [&]() -> HRESULT {
    if (pstm == nullptr) return E_INVALIDARG;
    if (initialized_) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    stream_ = pstm;
    mode_ = grfMode;
    initialized_ = true;
    return S_OK;
  });
}

IFACEMETHODIMP CThumbnailProvider::GetThumbnail(UINT cx, HBITMAP* phbmp, WTS_ALPHATYPE* pdwAlpha) {
  if (phbmp != nullptr) *phbmp = nullptr;
  if (pdwAlpha != nullptr) *pdwAlpha = WTSAT_UNKNOWN;
  return CatchAtComBoundary(
      E_FAIL, [&] { return MakeThumbnail(cx, phbmp, pdwAlpha); },
      [&] {
        if (phbmp != nullptr) *phbmp = nullptr;
        if (pdwAlpha != nullptr) *pdwAlpha = WTSAT_UNKNOWN;
      });
}

HRESULT CThumbnailProvider::MakeThumbnail(UINT cx, HBITMAP* phbmp, WTS_ALPHATYPE* pdwAlpha) {
  if (phbmp == nullptr || pdwAlpha == nullptr) return E_POINTER;
  if (!initialized_ || stream_ == nullptr) return E_UNEXPECTED;
  if (cx == 0) return E_INVALIDARG;

  StreamAdapter adapter(stream_.Get());
  ByteSource source;
  if (!MakeByteSource(&adapter, &source)) return HRESULT_FROM_WIN32(ERROR_READ_FAULT);

  ProbeInfo info = {};
  const ThumbStatus probed = ProbeMovie(&source, &info);
  if (probed != ThumbOk) return ChainToPreviousHandler(StatusToHResult(probed), cx, phbmp, pdwAlpha);

  RgbaImage image = {};
  const ThumbStatus decoded = DecodeThumbnail(&source, cx, &image);
  if (decoded != ThumbOk) return StatusToHResult(decoded);
  const ReleasingPtr<RgbaImage, ReleaseImage> imageGuard(&image);

  HBITMAP bitmap = nullptr;
  const HRESULT made = CreateThumbnailBitmap(image, &bitmap);
  if (FAILED(made)) return made;
  *phbmp = bitmap;
  *pdwAlpha = WTSAT_ARGB;
  return S_OK;
}

HRESULT CThumbnailProvider::ChainToPreviousHandler(HRESULT failure, UINT cx, HBITMAP* phbmp,
                                                   WTS_ALPHATYPE* pdwAlpha) {
  // A route that leads back here (a TreatAs key, two handlers that saved each other, a
  // handler that asks the shell) would otherwise recurse until the stack overflows.
  const ChainingMark mark;
  if (!mark.entered()) return failure;
  CLSID previous;
  if (FAILED(FindPreviousHandler(slot_.clsid, &previous)) || IsThisServer(previous)) return failure;

  ComPtr<IInitializeWithStream> initializer;
  if (FAILED(CoCreateInstance(previous, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(initializer.GetAddressOf()))) ||
      initializer == nullptr) {
    return failure;
  }
  // The core has moved the stream; the other handler expects it at the start.
  LARGE_INTEGER start = {};
  if (FAILED(stream_->Seek(start, STREAM_SEEK_SET, nullptr))) return failure;
  if (FAILED(initializer->Initialize(stream_.Get(), mode_))) return failure;

  ComPtr<IThumbnailProvider> provider;
  const HRESULT queried = initializer->QueryInterface(IID_PPV_ARGS(provider.GetAddressOf()));
  initializer.Reset();
  if (FAILED(queried) || provider == nullptr) return failure;

  HBITMAP bitmap = nullptr;
  WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
  const HRESULT result = provider->GetThumbnail(cx, &bitmap, &alpha);
  provider.Reset();
  // COM leaves a failed call's outputs undefined: a handle left there may already be
  // freed and reused by someone else, so it is neither used nor deleted.
  if (FAILED(result)) return failure;
  // Success without a picture gives the shell nothing to draw or cache.
  if (bitmap == nullptr) return failure;
  *phbmp = bitmap;
  *pdwAlpha = alpha;
  return result;
}

}  // namespace orvelle
