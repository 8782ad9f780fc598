// The COM object the shell asks for one .mov or .avi file's thumbnail.
#pragma once

#include <windows.h>
#include <propsys.h>
#include <thumbcache.h>
#include <wrl/client.h>

#include "shell/thumbnail_slot.h"

namespace orvelle {

// IInitializeWithStream is the primary interface and doubles as IUnknown.
class CThumbnailProvider final : public IInitializeWithStream, public IThumbnailProvider {
 public:
  // `slot`: the slot whose class made this provider; files it cannot read go to the
  // handler displaced from that slot.
  explicit CThumbnailProvider(const ThumbnailSlot& slot);
  CThumbnailProvider(const CThumbnailProvider&) = delete;
  CThumbnailProvider& operator=(const CThumbnailProvider&) = delete;

  // IUnknown
  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  IFACEMETHODIMP_(ULONG) AddRef() override;
  IFACEMETHODIMP_(ULONG) Release() override;

  // IInitializeWithStream
  IFACEMETHODIMP Initialize(IStream* pstm, DWORD grfMode) override;

  // IThumbnailProvider
  IFACEMETHODIMP GetThumbnail(UINT cx, HBITMAP* phbmp, WTS_ALPHATYPE* pdwAlpha) override;

 private:
  ~CThumbnailProvider();

  HRESULT MakeThumbnail(UINT cx, HBITMAP* phbmp, WTS_ALPHATYPE* pdwAlpha);
  // Hands the request to the handler that held the slot before this server;
  // returns `failure` unless that handler delivers a thumbnail.
  HRESULT ChainToPreviousHandler(HRESULT failure, UINT cx, HBITMAP* phbmp, WTS_ALPHATYPE* pdwAlpha);

  const ThumbnailSlot& slot_;
  volatile LONG refCount_ = 1;
  Microsoft::WRL::ComPtr<IStream> stream_;
  DWORD mode_ = 0;  // only handed on to the previous handler
  bool initialized_ = false;
};

}  // namespace orvelle
