// Intake of callers' DEVMODEs: what each intake mode does with DEVMODEs of this model, of older and
// newer settings versions, of other models, truncated and oversized ones, and the environment bytes a
// caller can never set.
#include <gtest/gtest.h>

#include <vector>

#include "kvplat/error.h"
#include "kvplat/testhooks.h"
#include "settings/access.h"
#include "settings/store.h"
#include "ui_fixture.h"
#include "ui_frame.h"
#include "ui_intake.h"

using namespace uitest;

namespace {

constexpr DWORD kModelId = 0x76697270;

class Intake : public ModelPrinterTest {
 protected:
  void SetUp() override {
    ModelPrinterTest::SetUp();
    ctx_ = Open();
    ASSERT_NE(ctx_, nullptr);
    scaleOff_ = StgFindItem(ctx_, QDV_rdmScaleType)->offset;
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    ModelPrinterTest::TearDown();
  }
  SETTING_CONTEXT* ctx_ = nullptr;
  size_t scaleOff_ = 0;
};

// Every mode a caller passes, with the caller's fMode where it adds one.
const DWORD kCallerModes[] = {UI_MODE_DOC_SHEETS | 0x2 | 0x8, UI_MODE_DOC_SHEETS_KEEP_NOTIFY, UI_MODE_DEVICE_SHEETS,
                              UI_MODE_DOC_SILENT | 0x2,       UI_MODE_JOB_QUERY,             UI_MODE_CAPS,
                              UI_MODE_CONVERT,                UI_MODE_FILE_LOAD,             UI_MODE_MODULE_RESET};

TEST_F(Intake, ModesWithoutModifyOrDocumentSheetsTouchNothing) {
  std::vector<BYTE> in = StoreDevmode(ctx_);
  in[scaleOff_] = 2;
  std::vector<BYTE> before = StoreBytes(ctx_);
  for (DWORD mode : {0x1u, 0x2u, 0x4u, 0x1000000u, 0x4000000u}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(UiMergeCallerDevmode(ctx_, D(in), mode), 1);
    EXPECT_EQ(StoreBytes(ctx_), before);
  }
}

TEST_F(Intake, PrivatePartByModelAndSettingsVersion) {
  struct Case {
    const char* what;
    DWORD version, modelId;
    bool taken;
  };
  // A newer minor version of the same major keeps the layout and is taken as it is (the store then
  // names the model's own version); other majors and other models bring no private settings.
  const Case cases[] = {
      {"same model and version", 322, kModelId, true}, {"older minor: migrated", 321, kModelId, true},
      {"newer minor: taken", 329, kModelId, true},     {"older major: foreign", 222, kModelId, false},
      {"newer major: foreign", 422, kModelId, false},  {"another model: replaced", 322, 0x11223344, false},
  };
  for (DWORD mode : kCallerModes) {
    for (const Case& k : cases) {
      SCOPED_TRACE(testing::Message() << k.what << " mode " << std::hex << mode);
      StgSetValue(ctx_, QDV_rdmScaleType, 1);
      std::vector<BYTE> in = StoreDevmode(ctx_);
      in[scaleOff_] = 2;  // fit paper: admissible, not the default
      Put<DWORD>(in, PDM_OFF_VERSION, k.version);
      Put<DWORD>(in, PDM_OFF_MODEL_ID, k.modelId);
      ASSERT_EQ(UiMergeCallerDevmode(ctx_, D(in), mode), 1);
      EXPECT_EQ(StgGetValue(ctx_, QDV_rdmScaleType, nullptr), k.taken ? 2u : 1u);
      const DEVMODEW* store = StgGetDevmode(ctx_);
      EXPECT_EQ(StgGetDmSettingsVersion(store), 322u);
      EXPECT_EQ(StgGetDmModelId(store), kModelId);
      // The next worker's store check keeps what came in.
      EXPECT_EQ(UiValidateContextStore(ctx_), 0);
    }
  }
}

TEST_F(Intake, KeptEnvironmentBytesSurviveAHostileCaller) {
  for (DWORD mode : kCallerModes) {
    SCOPED_TRACE(testing::Message() << std::hex << mode);
    for (const UI_ENV_BYTE& e : UI_ENV_BYTES) ctx_->store->bytes[e.dmOffset] = 0;
    StgSetAdmin(ctx_, 0);
    StgSetTSE(ctx_, 0);
    std::vector<BYTE> in = StoreDevmode(ctx_);
    for (const UI_ENV_BYTE& e : UI_ENV_BYTES) in[e.dmOffset] = 1;
    ASSERT_EQ(UiMergeCallerDevmode(ctx_, D(in), mode), 1);
    for (const UI_ENV_BYTE& e : UI_ENV_BYTES) {
      SCOPED_TRACE(e.name);
      BYTE now = ctx_->store->bytes[e.dmOffset];
      if (e.merge == UI_ENV_KEPT) {
        EXPECT_EQ(now, 0);
      } else if (e.merge == UI_ENV_RECOMPUTED) {
        EXPECT_EQ(now, 0);  // no companion registered on this machine
      }
      // The user-code bytes (712, 713) are the user-code step's to decide, whatever the caller sent.
    }
    EXPECT_EQ(StgGetAdmin(ctx_), 0);
    EXPECT_EQ(StgGetTSE(ctx_), 0);
  }
}

TEST_F(Intake, NoDevmodeStillRunsTheIntake) {
  StgSetValue(ctx_, QDV_rdmExtOutputEMFSpool, 0);
  StgSetValue(ctx_, QDV_wdmUIStart, 1);
  for (DWORD mode : {(DWORD)UI_MODE_DEVICE_SHEETS, (DWORD)UI_MODE_DOC_SHEETS}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(UiMergeCallerDevmode(ctx_, nullptr, mode), 1);
    EXPECT_EQ(ctx_->work->mergeMode, mode);
    EXPECT_EQ(StgGetValue(ctx_, QDV_rdmExtOutputEMFSpool, nullptr), 1u);
    EXPECT_EQ(StgGetValue(ctx_, QDV_wdmUIStart, nullptr), 0u);
    EXPECT_EQ(StgGetValue(ctx_, QDV_wdmCtrlWorkPrompt, nullptr), 0u);
    EXPECT_TRUE(StgIsValidPrivateDevmode(StgGetDevmode(ctx_)));
  }
  // A settings-file load leaves the prompt state alone; a prompt sets it.
  ASSERT_EQ(UiMergeCallerDevmode(ctx_, nullptr, 0xC), 1);
  EXPECT_EQ(StgGetValue(ctx_, QDV_wdmCtrlWorkPrompt, nullptr), 1u);
  ASSERT_EQ(UiMergeCallerDevmode(ctx_, nullptr, UI_MODE_FILE_LOAD), 1);
  EXPECT_EQ(StgGetValue(ctx_, QDV_wdmCtrlWorkPrompt, nullptr), 1u);
}

TEST_F(Intake, TruncatedAndOversizedDevmodes) {
  std::vector<BYTE> before = StoreBytes(ctx_);
  std::vector<BYTE> claimsMore = StoreDevmode(ctx_);
  claimsMore.resize(600);  // says 220 + 1016, holds 600
  std::vector<BYTE> tiny(40, 0xFF);
  for (DWORD mode : kCallerModes) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(UiMergeCallerDevmodeEx(ctx_, D(claimsMore), claimsMore.size(), mode), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(UiMergeCallerDevmodeEx(ctx_, D(tiny), tiny.size(), mode), 0);
    EXPECT_EQ(StoreBytes(ctx_), before);
  }
  // A public part alone (no private part) brings its public fields and no private settings.
  StgSetValue(ctx_, QDV_rdmScaleType, 1);
  std::vector<BYTE> pub = StoreDevmode(ctx_);
  pub[scaleOff_] = 2;
  Put<WORD>(pub, DM_OFF_DRIVER_EXTRA, 0);
  pub.resize(220);
  ASSERT_EQ(UiMergeCallerDevmodeEx(ctx_, D(pub), pub.size(), UI_MODE_CONVERT), 1);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmScaleType, nullptr), 1u);
  EXPECT_TRUE(StgIsValidPrivateDevmode(StgGetDevmode(ctx_)));
  // The old public size is read through its own path.
  std::vector<BYTE> old(188 + 1016, 0);
  std::memcpy(old.data(), ctx_->store->bytes, 188);
  std::memcpy(old.data() + 188, ctx_->store->bytes + 220, 1016);
  Put<WORD>(old, DM_OFF_SIZE, 188);
  old[188 + (scaleOff_ - 220)] = 2;
  ASSERT_EQ(UiMergeCallerDevmodeEx(ctx_, D(old), old.size(), UI_MODE_CONVERT), 1);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmScaleType, nullptr), 2u);
  EXPECT_EQ(Get<WORD>(ctx_->store->bytes, DM_OFF_SIZE), 220);
}

TEST_F(Intake, FixedBitsFollowTheCompiledDefaults) {
  // Bit 0x2000 at byte 576 follows the default of rdmQualityFuncTextBitmapSupport both ways.
  bool textBitmap = ImgGetDefaultValue(ctx_, QDV_rdmQualityFuncTextBitmapSupport) != 0;
  for (DWORD start : {0u, 0x2000u}) {
    std::vector<BYTE> in = StoreDevmode(ctx_);
    Put<DWORD>(in, 576, (Get<DWORD>(in.data(), 576) & ~0x2000u) | start);
    ASSERT_EQ(UiMergeCallerDevmode(ctx_, D(in), UI_MODE_CONVERT), 1);
    EXPECT_EQ((Get<DWORD>(ctx_->store->bytes, 576) & 0x2000u) != 0, textBitmap);
  }
}

TEST_F(Intake, LockedPrintMethodAndNotificationBits) {
  StgSetDmJobCompleteNotify(StgGetDevmode(ctx_), 1);
  StgSetDmJobErrNotify(StgGetDevmode(ctx_), 0);
  std::vector<BYTE> in = StoreDevmode(ctx_);
  Put<DWORD>(in, PDM_OFF_SUPPORT_FUNC2, 0xF2);
  Put<DWORD>(in, PDM_OFF_FRONT_FUNC, 0xDEAD);
  DWORD front = StgGetDmFrontFunc(StgGetDevmode(ctx_));
  ASSERT_EQ(UiMergeCallerDevmode(ctx_, D(in), UI_MODE_DOC_SHEETS_KEEP_NOTIFY), 1);
  EXPECT_EQ(StgGetDmSupportFunc2Bits(StgGetDevmode(ctx_)), 0xF1u);
  EXPECT_EQ(StgGetDmFrontFunc(StgGetDevmode(ctx_)), front);
  // Without 0x400000 the caller's bits come in.
  ASSERT_EQ(UiMergeCallerDevmode(ctx_, D(in), UI_MODE_CONVERT), 1);
  EXPECT_EQ(StgGetDmSupportFunc2Bits(StgGetDevmode(ctx_)), 0xF2u);
}

TEST_F(Intake, OutOfMemoryLeavesTheStoreAsItWas) {
  std::vector<BYTE> in = StoreDevmode(ctx_);
  Put<DWORD>(in, PDM_OFF_VERSION, 321);  // needs the migration's buffer as well
  in[scaleOff_] = 3;
  std::vector<BYTE> before = StoreBytes(ctx_);
  for (unsigned n : {1u, 2u}) {
    SCOPED_TRACE(n);
    kvp::test::FailAllocAt(n);
    EXPECT_EQ(UiMergeCallerDevmode(ctx_, D(in), UI_MODE_CONVERT), 0);
    kvp::test::FailAllocAt(0);
    EXPECT_EQ(StoreBytes(ctx_), before);
  }
}

TEST_F(Intake, SetupEnvironmentAndReset) {
  std::memset(ctx_->store->bytes + 1218, 0x77, 18);
  ASSERT_EQ(UiSetSetupEnvironment(ctx_), StgGetDevmode(ctx_));
  EXPECT_EQ(StgGetCallSrc(ctx_), 1);
  EXPECT_EQ(StgGetBatchInst(ctx_), 1);
  EXPECT_EQ(StgGetPrintLog(ctx_), 0);
  EXPECT_EQ(StgGetJBInstalled(ctx_), 0);
  EXPECT_EQ(StgGetTVInstalled(ctx_), 0);
  EXPECT_EQ(StgGetUserCodeGet(ctx_), 0);
  EXPECT_EQ(StgGetPropertyType(ctx_), 0);
  EXPECT_EQ(StgGetUserCodeDLL(ctx_), 0);
  EXPECT_EQ(UiSetSetupEnvironment(nullptr), nullptr);

  // A reset brings every setting back to its compiled default.
  for (WORD id : {(WORD)QDV_rdmScaleType, (WORD)QDV_dmDefaultSource, (WORD)689}) {
    StgSetOptionValue(ctx_, id, ImgGetDefaultValue(ctx_, id) + 1);
  }
  UiResetSettingsToDefaults(ctx_);
  for (WORD id : {(WORD)QDV_rdmScaleType, (WORD)QDV_dmDefaultSource, (WORD)689}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(StgGetOptionValue(ctx_, id, nullptr), ImgGetDefaultValue(ctx_, id));
  }
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmLanguageID, nullptr), 1u);
  // The private header is written first (the public part follows in the store defaults' later steps).
  EXPECT_EQ(Get<DWORD>(ctx_->store->bytes, PDM_OFF_MODEL_ID), kModelId);
  EXPECT_EQ(Get<DWORD>(ctx_->store->bytes, PDM_OFF_VERSION), 322u);
  EXPECT_EQ(Get<DWORD>(ctx_->store->bytes, PDM_OFF_PRIVATE_SIZE), 1016u);
}

}  // namespace
