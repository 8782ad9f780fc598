#include <windows.h>
#include <propsys.h>
#include <thumbcache.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "shell/server_clsid.h"
#include "tests/windows/dll_under_test.h"
#include "tests/windows/standin_handler.h"

namespace orvelle {
namespace {

using ClassFactory = testing::OrvelleDll;

// A stand-in outer object; aggregation must be refused before it is ever called.
IUnknown* const SomeOuter = reinterpret_cast<IUnknown*>(static_cast<uintptr_t>(0x1000));

TEST_F(ClassFactory, AnswersOnlyToItsOwnClass) {
  EXPECT_EQ(CanUnloadNow(), S_OK);  // right after load
  void* object = SomeOuter;
  EXPECT_EQ(GetClassObject(standin::Clsid, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(GetClassObject(kServerClsid, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

// One class per thumbnail slot, both made by the same factory and provider code.
TEST_F(ClassFactory, AnswersToTheClassOfEachSlot) {
  for (const CLSID* clsid : {&kServerClsid, &kAviServerClsid}) {
    void* object = SomeOuter;
    EXPECT_EQ(GetClassObject(*clsid, IID_IThumbnailProvider, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassObject(*clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IThumbnailProvider* provider = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IThumbnailProvider,
                                      reinterpret_cast<void**>(&provider)),
              S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(provider->Release(), 0u);
    EXPECT_EQ(CanUnloadNow(), S_OK);
  }
}

TEST_F(ClassFactory, AFactoryForAnotherInterfaceIsDestroyedAtOnce) {
  void* object = SomeOuter;
  EXPECT_EQ(GetClassObject(kServerClsid, IID_IThumbnailProvider, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, ALiveFactoryKeepsTheModuleLoaded) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassObject(kServerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(factory));
  EXPECT_EQ(unknown->Release(), 1u);  // the caller held the only reference
  void* other = SomeOuter;
  EXPECT_EQ(factory->QueryInterface(IID_IStream, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, CreateInstanceRefusesAggregationAndDestroysWhatItCannotHandOut) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassObject(kServerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  void* object = SomeOuter;
  EXPECT_EQ(factory->CreateInstance(SomeOuter, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  object = SomeOuter;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);  // no provider outlived its failed creation
}

TEST_F(ClassFactory, LockServerHoldsTheModuleUntilUnlocked) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassObject(kServerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  ASSERT_EQ(GetClassObject(kServerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, ProvidersShowBothInterfacesOfOneObject) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassObject(kServerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  IThumbnailProvider* provider = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IThumbnailProvider, reinterpret_cast<void**>(&provider)),
            S_OK);
  factory->Release();
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // the provider alone keeps the module

  IUnknown* unknown = nullptr;
  IInitializeWithStream* initializer = nullptr;
  IThumbnailProvider* again = nullptr;
  ASSERT_EQ(provider->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  ASSERT_EQ(provider->QueryInterface(IID_IInitializeWithStream, reinterpret_cast<void**>(&initializer)), S_OK);
  ASSERT_EQ(initializer->QueryInterface(IID_IThumbnailProvider, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(initializer));
  EXPECT_EQ(again, provider);
  void* other = SomeOuter;
  EXPECT_EQ(provider->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);

  EXPECT_EQ(again->Release(), 3u);
  EXPECT_EQ(initializer->Release(), 2u);
  EXPECT_EQ(unknown->Release(), 1u);
  EXPECT_EQ(provider->Release(), 0u);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace orvelle
