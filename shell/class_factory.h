// The server's front door: the class object that makes thumbnail providers.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "shell/thumbnail_slot.h"

namespace orvelle {

class CClassFactory final : public IClassFactory {
 public:
  // Makes providers for `slot`.
  explicit CClassFactory(const ThumbnailSlot& slot);
  CClassFactory(const CClassFactory&) = delete;
  CClassFactory& operator=(const CClassFactory&) = delete;

  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  IFACEMETHODIMP_(ULONG) AddRef() override;
  IFACEMETHODIMP_(ULONG) Release() override;
  IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  // Unbalanced calls are the caller's fault; the count is not clamped.
  IFACEMETHODIMP LockServer(BOOL lock) override;

 private:
  ~CClassFactory();

  const ThumbnailSlot& slot_;
  volatile LONG refCount_ = 1;
};

}  // namespace orvelle

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
