#include "shell/class_factory.h"

#include <shlwapi.h>

#include "shell/com_boundary.h"
#include "shell/interface_table.h"
#include "shell/module.h"
#include "shell/thumbnail_provider.h"

namespace orvelle {

namespace {

// Makes an object with count 1 and hands out the requested interface; a failed query
// destroys the object in the same call.
template <typename Object>
HRESULT CreateAndQuery(const ThumbnailSlot& slot, REFIID riid, void** ppv) {
  return CatchAtComBoundary(E_OUTOFMEMORY, [&] {
    Object* object = new Object(slot);
    const HRESULT result = object->QueryInterface(riid, ppv);
    object->Release();
    return result;
  });
}

}  // namespace

CClassFactory::CClassFactory(const ThumbnailSlot& slot) : slot_(slot) { ModuleAddRef(); }

CClassFactory::~CClassFactory() { ModuleRelease(); }

IFACEMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
  static const QITAB kInterfaces[] = {
      InterfaceEntry<CClassFactory, IClassFactory>(),
      {nullptr, 0},
  };
  return QISearch(this, kInterfaces, riid, ppv);
}

IFACEMETHODIMP_(ULONG) CClassFactory::AddRef() { return InterlockedIncrement(&refCount_); }

IFACEMETHODIMP_(ULONG) CClassFactory::Release() {
  const LONG count = InterlockedDecrement(&refCount_);
  if (count == 0) delete this;
  return count;
}

IFACEMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return CreateAndQuery<CThumbnailProvider>(slot_, riid, ppv);
}

IFACEMETHODIMP CClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ModuleAddRef();
  } else {
    ModuleRelease();
  }
  return S_OK;
}

}  // namespace orvelle

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  const orvelle::ThumbnailSlot* slot = orvelle::SlotOfClass(rclsid);
  if (slot == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
  return orvelle::CreateAndQuery<orvelle::CClassFactory>(*slot, riid, ppv);
}
