#include <windows.h>
#include <propsys.h>
#include <thumbcache.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "shell/server_clsid.h"
#include "tests/windows/dll_under_test.h"
#include "tests/windows/standin_handler.h"

namespace orvelle {
namespace {

// An outer object that refused aggregation never calls, and an output a refusal overwrites.
IUnknown* const SomeOuter = reinterpret_cast<IUnknown*>(static_cast<uintptr_t>(0x1000));
const CLSID* const ServerClasses[] = {&kServerClsid, &kAviServerClsid};

struct Query { const IID& iid; HRESULT expected; };

class ClassFactory : public testing::OrvelleDll {
 protected:
  // Takes over `object`'s only reference and asks for each interface through the one got
  // last. What it has is one object, whose `primary` interface doubles as IUnknown; what
  // it lacks leaves a null output. Any one reference keeps the module loaded.
  void ExpectInterfaces(IUnknown* object, const IID& primary,
                        std::initializer_list<Query> queries) {
    IUnknown* identity = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    std::vector<IUnknown*> held = {object, identity};
    for (const Query& query : queries) {
      void* out = SomeOuter;
      const HRESULT result = held.back()->QueryInterface(query.iid, &out);
      EXPECT_EQ(result, query.expected);
      EXPECT_TRUE(SUCCEEDED(result) || out == nullptr) << "a refusal leaves a null output";
      if (FAILED(result)) continue;
      IUnknown* again = nullptr;
      held.push_back(static_cast<IUnknown*>(out));
      ASSERT_EQ(held.back()->QueryInterface(IID_PPV_ARGS(&again)), S_OK);
      EXPECT_EQ(again, identity);
      again->Release();
      EXPECT_TRUE(!IsEqualIID(query.iid, primary) || out == identity) << "doubles as IUnknown";
    }
    for (IUnknown* reference : held) {
      EXPECT_EQ(CanUnloadNow(), S_FALSE);
      reference->Release();
    }
    EXPECT_EQ(CanUnloadNow(), S_OK);
  }
};

// Refused requests hand out nothing, and nothing they made outlives them.
TEST_F(ClassFactory, RefusedClassObjectRequestsLeaveNothingBehind) {
  struct Request { const CLSID& clsid; const IID& iid; HRESULT expected; };
  const Request requests[] = {
      {standin::Clsid, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {kServerClsid, IID_IClassFactory, E_POINTER},  // asked with no output
      {kServerClsid, IID_IThumbnailProvider, E_NOINTERFACE},
      {kAviServerClsid, IID_IThumbnailProvider, E_NOINTERFACE},
  };
  EXPECT_EQ(CanUnloadNow(), S_OK);  // right after load
  for (const Request& request : requests) {
    SCOPED_TRACE(&request - requests);
    void* object = SomeOuter;
    void** const output = request.expected == E_POINTER ? nullptr : &object;
    EXPECT_EQ(GetClassObject(request.clsid, request.iid, output), request.expected);
    EXPECT_TRUE(output == nullptr || object == nullptr) << "a refusal leaves a null output";
    EXPECT_EQ(CanUnloadNow(), S_OK);
  }
}

TEST_F(ClassFactory, RefusedCreateInstanceCallsLeaveNothingBehind) {
  struct Request { IUnknown* outer; const IID& iid; HRESULT expected; };
  const Request requests[] = {
      {SomeOuter, IID_IUnknown, CLASS_E_NOAGGREGATION},
      {nullptr, IID_IClassFactory, E_NOINTERFACE},
      {nullptr, IID_IUnknown, E_POINTER},  // asked with no output
  };
  for (const CLSID* clsid : ServerClasses) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassObject(*clsid, IID_PPV_ARGS(&factory)), S_OK);
    for (const Request& request : requests) {
      SCOPED_TRACE(&request - requests);
      void* object = SomeOuter;
      void** const output = request.expected == E_POINTER ? nullptr : &object;
      EXPECT_EQ(factory->CreateInstance(request.outer, request.iid, output), request.expected);
      EXPECT_TRUE(output == nullptr || object == nullptr) << "a refusal leaves a null output";
    }
    factory->Release();
    EXPECT_EQ(CanUnloadNow(), S_OK);  // no provider outlived its failed creation
  }
}

// Each class's factory, and the provider it makes, which outlives it.
TEST_F(ClassFactory, EachClassMakesAFactoryAndProvidersThatKeepTheModuleLoaded) {
  for (const CLSID* clsid : ServerClasses) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassObject(*clsid, IID_PPV_ARGS(&factory)), S_OK);
    ExpectInterfaces(factory, IID_IClassFactory,
                     {{IID_IUnknown, S_OK}, {IID_IClassFactory, S_OK},
                      {IID_IStream, E_NOINTERFACE}});
    ASSERT_EQ(GetClassObject(*clsid, IID_PPV_ARGS(&factory)), S_OK);
    IThumbnailProvider* provider = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&provider)), S_OK);
    factory->Release();
    ExpectInterfaces(provider, IID_IInitializeWithStream,
                     {{IID_IUnknown, S_OK}, {IID_IInitializeWithStream, S_OK},
                      {IID_IThumbnailProvider, S_OK}, {IID_IClassFactory, E_NOINTERFACE}});
  }
}

// Each call through a factory of its own, released at once: only the lock holds the module.
TEST_F(ClassFactory, LockServerHoldsTheModuleUntilUnlocked) {
  for (const BOOL lock : {TRUE, FALSE}) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassObject(kServerClsid, IID_PPV_ARGS(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(lock), S_OK);
    factory->Release();
    EXPECT_EQ(CanUnloadNow(), lock ? S_FALSE : S_OK);
  }
}

}  // namespace
}  // namespace orvelle
