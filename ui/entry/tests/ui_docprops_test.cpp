// Document properties without a sheet: the size answer opens nothing, a merge without a write answers
// IDOK, a write that cannot be made answers -1 and leaves the caller's output as it was.
#include <gtest/gtest.h>

#include <vector>

#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "ui_docprops.h"
#include "ui_fixture.h"
#include "settings/store.h"
#include "ui_workers.h"

using namespace uitest;

namespace {

class DocProps : public ModelPrinterTest {};

TEST_F(DocProps, SizeAnswersOpenNothing) {
  std::vector<BYTE> out(2048, 0xCC);
  EXPECT_EQ(UiDocumentProperties(nullptr, printer_, name_.data(), D(out), nullptr, 0), 1236);
  EXPECT_EQ(UiDocumentProperties(nullptr, printer_, name_.data(), nullptr, nullptr, DM_COPY), 1236);
  EXPECT_EQ(UiAdvancedDocumentProperties(nullptr, printer_, name_.data(), nullptr, nullptr), 1236);
  // A printer handle that is no printer's: nothing is opened for the size either.
  EXPECT_EQ(UiDocumentProperties(nullptr, (HANDLE)0x7777, nullptr, nullptr, nullptr, 0), 1236);
  EXPECT_EQ(out[0], 0xCC);
  DOCUMENTPROPERTYHEADER h{};
  h.cbSize = sizeof h;
  h.hPrinter = printer_;
  h.fMode = 0;
  EXPECT_EQ(UiDocumentPropertiesSilent(&h, nullptr, 0), 1236);
  EXPECT_EQ(h.cbOut, 1236u);
}

TEST_F(DocProps, MergeWithoutWriteAnswersIdok) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  std::vector<BYTE> in = StoreDevmode(ctx);
  StgReleaseContext(ctx, 0);
  D(in)->dmOrientation = DMORIENT_LANDSCAPE;
  std::vector<BYTE> out(STG_DEVMODE_SIZE, 0xCC);
  EXPECT_EQ(UiDocumentProperties(nullptr, printer_, name_.data(), D(out), D(in), DM_MODIFY), IDOK);
  EXPECT_EQ(out[0], 0xCC);  // nothing asked to be written
}

TEST_F(DocProps, SilentCopyWritesTheDriversDevmode) {
  std::vector<BYTE> out(STG_DEVMODE_SIZE, 0xCC);
  const std::vector<BYTE> before = out;
  EXPECT_EQ(UiDocumentProperties(nullptr, printer_, name_.data(), D(out), nullptr, DM_COPY), 1);
  const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
  EXPECT_EQ(size_t(dm->dmSize) + dm->dmDriverExtra, size_t(STG_DEVMODE_SIZE));
  EXPECT_NE(dm->dmFields, 0xCCCCCCCCu);
  // A printer that cannot be had: -1, nothing written.
  out = before;
  EXPECT_EQ(UiDocumentProperties(nullptr, (HANDLE)0x7777, nullptr, D(out), nullptr, DM_COPY), -1);
  EXPECT_EQ(out, before);
}

TEST_F(DocProps, EnvironmentFromTheCallersMode) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  UiSetDocumentEnvironment(ctx, DM_USER_DEFAULT | DM_NOPERMISSION);
  EXPECT_EQ(StgGetCallSrc(ctx), 1);
  EXPECT_EQ(StgGetNoPermission(ctx), 1);
  EXPECT_EQ(StgGetPropertyType(ctx), 0);
  UiSetDocumentEnvironment(ctx, DM_COPY);
  EXPECT_EQ(StgGetCallSrc(ctx), 0);
  EXPECT_EQ(StgGetNoPermission(ctx), 0);
  StgReleaseContext(ctx, 0);
}

}  // namespace
