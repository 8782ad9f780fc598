#include "shell/status_hresult.h"

#include <gtest/gtest.h>

#include "core/thumbnail.h"

namespace orvelle {
namespace {

TEST(StatusToHResult, GivesEachCoreStatusItsShellMeaning) {
  EXPECT_EQ(StatusToHResult(ThumbOk), S_OK);
  EXPECT_EQ(StatusToHResult(ThumbReadFailed), static_cast<HRESULT>(0x8007001E));
  for (int32_t status : {ThumbBadFile, ThumbNoTrack, ThumbBadData}) EXPECT_EQ(StatusToHResult(status), E_FAIL);
  EXPECT_EQ(StatusToHResult(ThumbUnsupported), E_NOTIMPL);
  EXPECT_EQ(StatusToHResult(ThumbOutOfMemory), E_OUTOFMEMORY);
  EXPECT_EQ(StatusToHResult(ThumbInvalidArgument), E_INVALIDARG);
  EXPECT_EQ(StatusToHResult(-8), E_FAIL);
  EXPECT_EQ(StatusToHResult(1), E_FAIL);
}

}  // namespace
}  // namespace orvelle
