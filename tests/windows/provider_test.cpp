#include <windows.h>
#include <propsys.h>
#include <thumbcache.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <list>
#include <vector>

#include "shell/server_clsid.h"
#include "shell/top_down_dib.h"
#include "tests/support/atom_builder.h"
#include "tests/support/hap_frame_builder.h"
#include "tests/windows/bitmap_pixels.h"
#include "tests/windows/dll_under_test.h"
#include "tests/windows/fake_stream.h"
#include "tests/windows/registry_fixture.h"
#include "tests/windows/standin_handler.h"

namespace orvelle {
namespace {

using testing::BuildHapMovie;
using testing::FakeStream;
using testing::HapMovie;
using testing::Section;
using testing::SolidBc1Blocks;

constexpr HRESULT ReadFault = static_cast<HRESULT>(0x8007001E);
constexpr HRESULT AlreadyInitialized = static_cast<HRESULT>(0x800704DF);
constexpr DWORD SomeMode = STGM_READ | STGM_SHARE_DENY_WRITE;

// A 4 x 8 Hap1 movie: its top block pure red, its bottom block pure blue.
std::vector<BYTE> RedOverBlueMovie() {
  std::vector<uint8_t> texture = SolidBc1Blocks(1, 0xF800);
  const std::vector<uint8_t> blue = SolidBc1Blocks(1, 0x001F);
  texture.insert(texture.end(), blue.begin(), blue.end());
  HapMovie movie;
  movie.width = 4;
  movie.height = 8;
  movie.samples = {Section(0xAB, texture)};
  return BuildHapMovie(movie);
}

std::vector<BYTE> NotAMovie() {
  const char text[] = "These bytes are some other program's notes, not a QuickTime movie.";
  return std::vector<BYTE>(text, text + sizeof text);
}

class Provider : public testing::OrvelleDll {
 protected:
  void SetUp() override {
    OrvelleDll::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    testing::ClearRegistry();
    MakeProvider(kServerClsid);
  }

  // The provider under test, made through the class `clsid`.
  void MakeProvider(REFCLSID clsid) {
    if (provider_ != nullptr) provider_->Release();
    if (initializer_ != nullptr) initializer_->Release();
    provider_ = nullptr;
    initializer_ = nullptr;
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IInitializeWithStream,
                                      reinterpret_cast<void**>(&initializer_)),
              S_OK);
    factory->Release();
    ASSERT_EQ(initializer_->QueryInterface(IID_IThumbnailProvider, reinterpret_cast<void**>(&provider_)),
              S_OK);
  }

  void TearDown() override {
    if (setStandInMode_ != nullptr) setStandInMode_(standin::Mode::Draws, nullptr);
    if (provider_ != nullptr) provider_->Release();
    if (initializer_ != nullptr) initializer_->Release();
    if (!HasFailure()) {
      EXPECT_EQ(CanUnloadNow(), S_OK);  // nothing of the test outlived it
    }
    testing::ClearRegistry();
    CoUninitialize();
    OrvelleDll::TearDown();
  }

  // The previous handler in effect: the stand-in, registered machine-wide.
  void RegisterStandIn() {
    standin_ = LoadLibraryW((testing::ProgramDirectory() + L"standin_handler.dll").c_str());
    ASSERT_NE(standin_, nullptr);
    auto registerServer = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(standin_, "DllRegisterServer")));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);
    setStandInMode_ = reinterpret_cast<standin::SetModeFn>(
        reinterpret_cast<void*>(GetProcAddress(standin_, "SetStandInMode")));
    ASSERT_NE(setStandInMode_, nullptr);
  }

  // GetThumbnail with outputs preset to garbage, so that clearing them shows.
  HRESULT Ask(UINT size) {
    bitmap_ = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(0xBAD));
    alpha_ = static_cast<WTS_ALPHATYPE>(7);
    return provider_->GetThumbnail(size, &bitmap_, &alpha_);
  }

  void ExpectNoBitmap() {
    EXPECT_EQ(bitmap_, nullptr);
    EXPECT_EQ(alpha_, WTSAT_UNKNOWN);
  }

  testing::Pixels TakeBitmap() {
    testing::Pixels bitmap = testing::ReadTopDown(bitmap_);
    DeleteObject(bitmap_);
    bitmap_ = nullptr;
    return bitmap;
  }

  // Streams outlive the provider, which releases its stream only in TearDown.
  FakeStream& NewStream(std::vector<BYTE> bytes) { return streams_.emplace_back(std::move(bytes)); }

  std::list<FakeStream> streams_;
  IInitializeWithStream* initializer_ = nullptr;
  IThumbnailProvider* provider_ = nullptr;
  HMODULE standin_ = nullptr;
  standin::SetModeFn setStandInMode_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  WTS_ALPHATYPE alpha_ = WTSAT_UNKNOWN;
};

TEST_F(Provider, RefusesWorkBeforeInitializeAndWithoutOutputs) {
  EXPECT_EQ(Ask(256), E_UNEXPECTED);
  ExpectNoBitmap();
  WTS_ALPHATYPE alpha = WTSAT_ARGB;
  EXPECT_EQ(provider_->GetThumbnail(256, nullptr, &alpha), E_POINTER);
  EXPECT_EQ(alpha, WTSAT_UNKNOWN);
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(0xBAD));
  EXPECT_EQ(provider_->GetThumbnail(256, &bitmap, nullptr), E_POINTER);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(initializer_->Initialize(nullptr, STGM_READ), E_INVALIDARG);
}

TEST_F(Provider, DecodesAHapMovieIntoATopDownArgbBitmap) {
  FakeStream& stream = NewStream(RedOverBlueMovie());
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), S_OK);
  EXPECT_EQ(alpha_, WTSAT_ARGB);
  const testing::Pixels bitmap = TakeBitmap();
  ASSERT_EQ(bitmap.width, 4);
  ASSERT_EQ(bitmap.height, 8);
  for (LONG y = 0; y < 8; ++y) {
    const BYTE* pixel = &bitmap.bytes[y * 4 * 4];
    const std::vector<BYTE> expected =
        y < 4 ? std::vector<BYTE>{0x00, 0x00, 0xFF, 0xFF} : std::vector<BYTE>{0xFF, 0x00, 0x00, 0xFF};
    EXPECT_EQ(std::vector<BYTE>(pixel, pixel + 4), expected) << "row " << y;
  }

  EXPECT_EQ(Ask(2), S_OK);  // each call starts afresh; 4 x 8 fits 2 as 1 x 2
  const testing::Pixels small = TakeBitmap();
  EXPECT_EQ(small.width, 1);
  EXPECT_EQ(small.height, 2);
}

TEST_F(Provider, AStreamThatOverstatesItsSizeAndItsReadsIsHeldToTheTruth) {
  FakeStream& stream = NewStream(RedOverBlueMovie());
  stream.SetReportedSize(uint64_t{1} << 62);
  stream.OverstateReads(4096);
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), S_OK);
  const testing::Pixels bitmap = TakeBitmap();
  EXPECT_EQ(bitmap.width, 4);
  EXPECT_EQ(bitmap.height, 8);
}

TEST_F(Provider, KeepsTheFirstStreamAndReleasesItOnce) {
  FakeStream& first = NewStream(RedOverBlueMovie());
  FakeStream& second = NewStream(NotAMovie());
  ASSERT_EQ(initializer_->Initialize(&first, SomeMode), S_OK);
  EXPECT_EQ(initializer_->Initialize(&second, SomeMode), AlreadyInitialized);
  EXPECT_EQ(second.refs(), 1);
  EXPECT_EQ(first.refs(), 2);
  EXPECT_EQ(Ask(256), S_OK);
  TakeBitmap();
  provider_->Release();
  provider_ = nullptr;
  initializer_->Release();
  initializer_ = nullptr;
  EXPECT_EQ(first.refs(), 1);
}

TEST_F(Provider, ASizeOfZeroIsRefusedWithoutTouchingTheStream) {
  FakeStream& stream = NewStream(RedOverBlueMovie());
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(0), E_INVALIDARG);
  ExpectNoBitmap();
  EXPECT_EQ(stream.seeks(), 0u);
  EXPECT_TRUE(stream.readSizes().empty());
}

TEST_F(Provider, AFailingStatIsAReadFaultAndIsNotPassedOn) {
  RegisterStandIn();
  FakeStream& stream = NewStream(NotAMovie());
  stream.FailStat();
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), ReadFault);
  ExpectNoBitmap();
  EXPECT_TRUE(stream.readSizes().empty());
}

TEST_F(Provider, AMovieThatFailsToDecodeIsNotPassedOn) {
  RegisterStandIn();
  HapMovie movie;
  movie.width = 4;
  movie.height = 4;
  // BC1 with a separate alpha plane: a texture combination that is not converted.
  std::vector<uint8_t> textures = Section(0xAB, SolidBc1Blocks(1, 0));
  const std::vector<uint8_t> alpha = Section(0xA1, SolidBc1Blocks(1, 0));
  textures.insert(textures.end(), alpha.begin(), alpha.end());
  movie.samples = {Section(0x0D, textures)};  // a multi-texture container
  FakeStream& stream = NewStream(BuildHapMovie(movie));
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), E_NOTIMPL);
  ExpectNoBitmap();
}

TEST_F(Provider, PassesOtherFilesToThePreviousHandlerRewoundWithTheSameMode) {
  RegisterStandIn();
  FakeStream& stream = NewStream(NotAMovie());
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), standin::Result);
  EXPECT_EQ(alpha_, standin::AlphaType);
  const testing::Pixels bitmap = TakeBitmap();
  ASSERT_EQ(bitmap.width, standin::Width);
  ASSERT_EQ(bitmap.height, standin::Height);
  const std::vector<BYTE> expected = {standin::Marker, standin::Rewound, static_cast<BYTE>(SomeMode),
                                      NotAMovie()[0]};
  EXPECT_EQ(std::vector<BYTE>(bitmap.bytes.begin(), bitmap.bytes.begin() + 4), expected);
  EXPECT_EQ(stream.refs(), 2);  // the previous handler is gone and let go of the stream
}

// The .avi class goes to the .avi slot's handler, and never falls back to the .mov one.
TEST_F(Provider, TheAviClassPassesOtherFilesToTheAviSlotsHandler) {
  RegisterStandIn();
  MakeProvider(kAviServerClsid);
  FakeStream& stream = NewStream(NotAMovie());
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), standin::Result);
  const testing::Pixels bitmap = TakeBitmap();
  ASSERT_EQ(bitmap.width, standin::Width);
  const std::vector<BYTE> expected = {standin::AviMarker, standin::Rewound,
                                      static_cast<BYTE>(SomeMode), NotAMovie()[0]};
  EXPECT_EQ(std::vector<BYTE>(bitmap.bytes.begin(), bitmap.bytes.begin() + 4), expected);

  RegDeleteTreeW(HKEY_LOCAL_MACHINE, testing::AviSlotKey);
  MakeProvider(kAviServerClsid);
  FakeStream& again = NewStream(NotAMovie());
  ASSERT_EQ(initializer_->Initialize(&again, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), E_FAIL);
  ExpectNoBitmap();
}

TEST_F(Provider, WithoutAUsablePreviousHandlerTheProbeStatusIsReturned) {
  // Nothing registered: the system's default handler is not installed under Wine.
  FakeStream& tiny = NewStream(std::vector<BYTE>{1, 2, 3});
  ASSERT_EQ(initializer_->Initialize(&tiny, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), E_FAIL);
  ExpectNoBitmap();
}

TEST_F(Provider, AReadFailureDuringTheProbeIsAReadFault) {
  // A movie atom announcing 1000 bytes, of which only 8 can be read.
  std::vector<BYTE> bytes = {0, 0, 0x03, 0xE8, 'm', 'o', 'o', 'v', 0, 0, 0, 8, 'f', 'r', 'e', 'e'};
  FakeStream& stream = NewStream(bytes);
  stream.SetReportedSize(1000);
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), ReadFault);
  ExpectNoBitmap();
}

// Previous handlers met in the field that lead back to Orvelle or break COM's rules. Each
// request must end with the probe's status and no bitmap, and leave alone a handle that
// Orvelle does not own.
struct Misbehaviour {
  const char* name;
  const wchar_t* savedHandler;  // the class Orvelle chains to
  standin::Mode mode;
  const wchar_t* treatAs = testing::OrvelleClsidText;  // where OtherHandlerText leads
};

class MisbehavingPreviousHandler : public Provider,
                                   public ::testing::WithParamInterface<Misbehaviour> {};

TEST_P(MisbehavingPreviousHandler, EndsTheChainWithTheProbeStatusAndNoBitmap) {
  RegisterStandIn();
  // Registered as for the user, with its class mirrored where Wine's COM finds it: the
  // shell's slot and COM both lead to Orvelle.
  ASSERT_EQ(RegisterServer(), S_OK);
  for (const wchar_t* serverKey : {testing::ServerKey, testing::AviServerKey}) {
    testing::WriteValue(HKEY_LOCAL_MACHINE, serverKey, nullptr, ModulePath());
    testing::WriteValue(HKEY_LOCAL_MACHINE, serverKey, L"ThreadingModel", L"Apartment");
  }
  // A class whose TreatAs key hands its requests to Orvelle.
  const std::wstring otherKey =
      std::wstring(L"Software\\Classes\\CLSID\\") + testing::OtherHandlerText + L"\\TreatAs";
  testing::WriteValue(HKEY_LOCAL_MACHINE, otherKey.c_str(), nullptr, GetParam().treatAs);

  testing::WriteValue(HKEY_CURRENT_USER, testing::SavedKey, testing::SavedValue,
                      GetParam().savedHandler);
  // Someone else's bitmap, under a handle that a failing handler leaves in its output.
  const BITMAPINFO info = TopDownDibInfo(2, 2);
  void* bits = nullptr;
  HBITMAP someoneElses = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(someoneElses, nullptr);
  setStandInMode_(GetParam().mode, someoneElses);

  FakeStream& stream = NewStream(NotAMovie());
  ASSERT_EQ(initializer_->Initialize(&stream, SomeMode), S_OK);
  EXPECT_EQ(Ask(256), E_FAIL);
  ExpectNoBitmap();
  DIBSECTION dib = {};
  EXPECT_EQ(GetObjectW(someoneElses, sizeof dib, &dib), static_cast<int>(sizeof dib))
      << "a handle Orvelle does not own was deleted";
  DeleteObject(someoneElses);
  EXPECT_EQ(stream.refs(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, MisbehavingPreviousHandler,
    ::testing::Values(Misbehaviour{"TreatedAsOrvelle", testing::OtherHandlerText,
                                   standin::Mode::Draws},
                      // Orvelle's .avi class, reached from the .mov one, is a loop too.
                      Misbehaviour{"TreatedAsOrvellesAviClass", testing::OtherHandlerText,
                                   standin::Mode::Draws, testing::OrvelleAviClsidText},
                      Misbehaviour{"AsksTheShellWhichNamesOrvelle", standin::ClsidText,
                                   standin::Mode::AsksTheShell},
                      Misbehaviour{"SucceedsWithoutBitmap", standin::ClsidText,
                                   standin::Mode::SucceedsWithoutBitmap},
                      Misbehaviour{"FailsLeavingAHandle", standin::ClsidText,
                                   standin::Mode::FailsLeavingAHandle}),
    [](const ::testing::TestParamInfo<Misbehaviour>& info) { return info.param.name; });

}  // namespace
}  // namespace orvelle
