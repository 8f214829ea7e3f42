// The graphics library's builds of common operations answer through the common names once the library has
// attached, and differently from the common builds that live beside them in the same program.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "config/driver_lists.h"
#include "config/free_size.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "config/settings_file.h"
#include "gr_builds.h"
#include "gr_fixture.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "kvplat/module.h"
#include "kvplat/root.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/library_hooks.h"
#include "settings/modules.h"
#include "settings/public_fields.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"
#include "driverdata/rule_values.h"
#include "kvplat/devmode.h"
#include <cstring>
#include <vector>

namespace {

class GraphicsBuilds : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(kvp::MachineRoot() + "/companions");
    ASSERT_EQ(kvp::eng::EnableDriver(&DrvEnableDriver, &drv_), 0u);
    ASSERT_EQ(kvp::eng::EnablePdev(drv_, machine_.printer, machine_.name.c_str(), nullptr, &dev_), 0u);
    ctx_ = static_cast<GR_PDEV*>(dev_.dhpdev)->settings;
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    kvp::eng::DisablePdev(&dev_);
    StgPurgeContextCache(1);
  }
  grtest::ModelPrinter machine_;
  kvp::eng::Driver drv_;
  kvp::eng::Device dev_;
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(GraphicsBuilds, TheAttachedLibraryFillsItsRows) {
  const LIBRARY_HOOKS* table = StgGetLibraryHooks();
  const LIBRARY_HOOKS* own = GrGetLibraryHooks();
  EXPECT_EQ(table->StgResetAllItems, own->StgResetAllItems);
  EXPECT_EQ(table->ImgGetNodeType, &GrGetNodeType);
  EXPECT_EQ(table->ImgGetCustomPaperSize, &GrGetCustomPaperSize);
  EXPECT_EQ(table->StgMergeDevmode, &GrMergeDevmode);
  // Rows the graphics library does not build keep the common builds.
  EXPECT_EQ(table->CfgLoadString, &CfgLoadStringCommon);
  EXPECT_EQ(table->RuleApplyUserMacro, &GrApplyUserMacro);
  EXPECT_EQ(table->StgCreateStore, &GrCreateStore);
  EXPECT_EQ(table->CfgLoadQualityEntry, &GrLoadQualityEntry);
  EXPECT_EQ(table->CfgStoreFreeSizeSlot, &GrStoreFreeSizeSlot);
  EXPECT_EQ(table->CfgStoreFreeSizeSlotSrc, &GrStoreFreeSizeSlotSrc);
  EXPECT_EQ(table->RuleRunTransact, &RuleRunTransactCommon);
  EXPECT_EQ(table->StgResetChapterDefaultTrays, &GrResetChapterDefaultTrays);
  EXPECT_EQ(table->CfgReloadDeviceSettings, &GrReloadDeviceSettings);
  EXPECT_EQ(table->CfgReadSettingsFile, &GrReadSettingsFile);
  EXPECT_EQ(table->StgMergePublicFields, &GrMergePublicFields);
  EXPECT_EQ(table->StgApplyOutputPaper, &GrApplyOutputPaper);
}

// A caller's DEVMODE merged by the common build and by the graphics build from the same store.
struct Merged {
  SHORT paper, length, width;
  DWORD freeLength, freeWidth;
  BYTE jobBinder;
  LONG dstLength, dstWidth;
};

// The common build as a library without its own rows runs it: every row of the table common.
int CommonLibraryMerge(SETTING_CONTEXT* ctx, const DEVMODEW* incoming, DWORD mode) {
  StgResetLibraryHooks();
  int result = StgMergeDevmode(ctx, incoming, mode);
  GrFillLibraryHooks();
  return result;
}

DWORD Dots(SHORT tenthsMm) { return DWORD(StgLengthToDots(STG_UNIT_METRIC, DWORD(tenthsMm), 1200)); }

class GraphicsMerge : public GraphicsBuilds {
 protected:
  Merged Merge(int (*merge)(SETTING_CONTEXT*, const DEVMODEW*, DWORD), DWORD fields, SHORT paper, SHORT length, SHORT width,
               SHORT orientation, bool keep = false) {
    return Run([&](DEVMODEW*, const DEVMODEW* dm) { EXPECT_EQ(merge(ctx_, dm, STG_MERGE_MODIFY), 1); }, fields, paper,
               length, width, orientation, keep);
  }
  // The public-field step alone, as the whole merge runs it after the orientation.
  Merged MergeFields(void (*merge)(DEVMODEW*, const DEVMODEW*, SETTING_CONTEXT*), DWORD fields, SHORT paper, SHORT length,
                     SHORT width, SHORT orientation, bool keep = false) {
    return Run([&](DEVMODEW* store, const DEVMODEW* dm) { merge(store, dm, ctx_); }, fields, paper, length, width,
               orientation, keep);
  }
  template <class Step>
  Merged Run(Step step, DWORD fields, SHORT paper, SHORT length, SHORT width, SHORT orientation, bool keep) {
    DEVMODEW* store = StgGetDevmode(ctx_);
    const size_t bytes = size_t(store->dmSize) + store->dmDriverExtra;
    std::vector<BYTE> kept(reinterpret_cast<BYTE*>(store), reinterpret_cast<BYTE*>(store) + bytes);
    std::vector<BYTE> in = kept;
    auto* dm = reinterpret_cast<DEVMODEW*>(in.data());
    dm->dmFields = fields;
    dm->dmPaperSize = paper;
    dm->dmPaperLength = length;
    dm->dmPaperWidth = width;
    dm->dmOrientation = orientation;
    StgSetJBInstalled(ctx_, 1);  // as a registration of the interface left it
    step(store, dm);
    Merged m{store->dmPaperSize, store->dmPaperLength, store->dmPaperWidth,
             DWORD(StgGetValue(ctx_, sid::rdmPaperFreeSizeLength, nullptr)),
             DWORD(StgGetValue(ctx_, sid::rdmPaperFreeSizeWidth, nullptr)), StgGetJBInstalled(ctx_),
             LONG(StgGetValue(ctx_, sid::rdmDstPaperLengthDot, nullptr)),
             LONG(StgGetValue(ctx_, sid::rdmDstPaperWidthDot, nullptr))};
    if (!keep) std::memcpy(store, kept.data(), bytes);
    return m;
  }
};

TEST_F(GraphicsMerge, TheCompanionRegistrationsAreLeftAsTheyWere) {
  const DWORD all = DM_PAPERSIZE | DM_ORIENTATION;
  Merged common = Merge(&StgMergeDevmodeCommon, all, DMPAPER_A3, 0, 0, DMORIENT_LANDSCAPE);
  Merged own = Merge(&StgMergeDevmode, all, DMPAPER_A3, 0, 0, DMORIENT_LANDSCAPE);
  EXPECT_EQ(common.jobBinder, 0);
  EXPECT_EQ(own.jobBinder, 1);
  // Everything else merges alike.
  EXPECT_EQ(own.paper, common.paper);
  EXPECT_EQ(own.length, common.length);
  EXPECT_EQ(own.width, common.width);
}

constexpr DWORD kSizeFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_ORIENTATION;

TEST_F(GraphicsMerge, ALandscapeCustomSizeLiesAsThePage) {
  Merged common = Merge(&CommonLibraryMerge, kSizeFields, DMPAPER_USER, 2970, 2100, DMORIENT_LANDSCAPE);
  Merged own = Merge(&StgMergeDevmode, kSizeFields, DMPAPER_USER, 2970, 2100, DMORIENT_LANDSCAPE);
  EXPECT_EQ(common.length, 2970);
  EXPECT_EQ(common.width, 2100);
  EXPECT_EQ(own.paper, DMPAPER_USER);
  EXPECT_EQ(own.length, 2100);
  EXPECT_EQ(own.width, 2970);
  // The free-size settings of the public-field step, in 1200-dpi dots as the size lies.
  Merged fieldsCommon = MergeFields(&StgMergePublicFieldsCommon, kSizeFields, DMPAPER_USER, 2970, 2100, DMORIENT_LANDSCAPE);
  Merged fieldsOwn = MergeFields(&StgMergePublicFields, kSizeFields, DMPAPER_USER, 2970, 2100, DMORIENT_LANDSCAPE);
  EXPECT_EQ(fieldsCommon.freeLength, Dots(2970));
  EXPECT_EQ(fieldsCommon.freeWidth, Dots(2100));
  EXPECT_EQ(fieldsOwn.freeLength, Dots(2100));
  EXPECT_EQ(fieldsOwn.freeWidth, Dots(2970));
  // The later steps keep the exchanged size: the output sheet lies landscape too, not turned back.
  EXPECT_GT(own.dstLength, 0);
  EXPECT_LT(own.dstLength, own.dstWidth);
}

TEST_F(GraphicsMerge, ASizeTurnsOnlyWhenThePageDoes) {
  MergeFields(&StgMergePublicFields, kSizeFields, DMPAPER_USER, 2970, 2100, DMORIENT_LANDSCAPE, true);
  // The same orientation again leaves the size as it lies; turning the page back turns it back.
  Merged again = MergeFields(&StgMergePublicFields, DM_ORIENTATION, DMPAPER_USER, 0, 0, DMORIENT_LANDSCAPE, true);
  EXPECT_EQ(again.length, 2100);
  EXPECT_EQ(again.width, 2970);
  EXPECT_EQ(again.freeLength, Dots(2100));
  Merged back = MergeFields(&StgMergePublicFields, DM_ORIENTATION, DMPAPER_USER, 0, 0, DMORIENT_PORTRAIT);
  EXPECT_EQ(back.length, 2970);
  EXPECT_EQ(back.width, 2100);
  EXPECT_EQ(back.freeLength, Dots(2970));
  EXPECT_EQ(back.freeWidth, Dots(2100));
}

TEST_F(GraphicsMerge, ACustomCodeWithASizeKeepsTheSizeAndAStandardCodeItsOwn) {
  constexpr DWORD fields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
  Merged common = Merge(&CommonLibraryMerge, fields, 384, 1234, 987, DMORIENT_PORTRAIT);
  Merged own = Merge(&StgMergeDevmode, fields, 384, 1234, 987, DMORIENT_PORTRAIT);
  EXPECT_EQ(own.paper, 384);
  EXPECT_EQ(own.length, 1234);
  EXPECT_EQ(own.width, 987);
  Merged fieldsOwn = MergeFields(&StgMergePublicFields, fields, 384, 1234, 987, DMORIENT_PORTRAIT);
  EXPECT_EQ(fieldsOwn.freeLength, Dots(1234));
  EXPECT_EQ(fieldsOwn.freeWidth, Dots(987));
  // The common build takes the code's slot instead of the given size.
  EXPECT_FALSE(common.length == 1234 && common.width == 987);
  // A standard code is merged by its code: its own size, alike in both builds.
  Merged commonA4 = Merge(&CommonLibraryMerge, fields, DMPAPER_A4, 1234, 987, DMORIENT_PORTRAIT);
  Merged ownA4 = Merge(&StgMergeDevmode, fields, DMPAPER_A4, 1234, 987, DMORIENT_PORTRAIT);
  EXPECT_EQ(ownA4.paper, DMPAPER_A4);
  EXPECT_EQ(ownA4.length, 2970);
  EXPECT_EQ(ownA4.width, 2100);
  EXPECT_EQ(ownA4.length, commonA4.length);
  EXPECT_EQ(ownA4.width, commonA4.width);
}

TEST_F(GraphicsBuilds, UserMacro160RestoresTheCurrentQualityEntryAndNoName) {
  StgSetValue(ctx_, sid::rdmUseUserMacro, 1);
  StgSetValue(ctx_, sid::rdmUserPrintMacro, 160);
  EXPECT_EQ(RuleApplyUserMacroCommon(ctx_), 160);  // not a macro of the common build
  EXPECT_EQ(RuleApplyUserMacro(ctx_), 0);          // restored
  // An entry restored while excluded settings are kept: the common build reads its name and says so.
  ctx_->work->mergeMode |= RULE_INTAKE_KEEP_EXCLUDED;
  StgSetValue(ctx_, sid::rdmUserPrintMacro, 33);
  EXPECT_EQ(RuleApplyUserMacroCommon(ctx_), 1);
  EXPECT_EQ(RuleApplyUserMacro(ctx_), 0);
  StgSetValue(ctx_, sid::rdmUserPrintMacro, 40);
  EXPECT_EQ(RuleApplyUserMacro(ctx_), 40);
  StgSetValue(ctx_, sid::rdmUseUserMacro, 0);
  EXPECT_EQ(RuleApplyUserMacro(ctx_), 0);
}

// A store made from the printer's default DEVMODE: the common build sets the work-block settings to their
// compiled defaults and writes the driver version text; the graphics library leaves the new store's zeros.
TEST_F(GraphicsBuilds, AnAdoptedDefaultDevmodeLeavesTheWorkSettingsZero) {
  // The printer's default DEVMODE is the context's own.
  DWORD needed = 0;
  GetPrinterW(machine_.printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  ASSERT_TRUE(GetPrinterW(machine_.printer, 2, info.data(), needed, &needed));
  reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode = StgGetDevmode(ctx_);
  ASSERT_TRUE(SetPrinterW(machine_.printer, 2, info.data(), 0));
  SETTING_STORE* kept = ctx_->store;
  auto versionText = [&](SETTING_STORE* store) {
    EXPECT_NE(store, nullptr);
    ctx_->store = store;
    ITEM_DESC* row = nullptr;
    StgGetValue(ctx_, sid::wdmDriverVersion, &row);
    WCHAR text[256] = {};
    if (row) StgGetString(ctx_, row, text);
    ctx_->store = kept;
    StgFree(store);
    return std::u16string(text);
  };
  EXPECT_NE(versionText(StgCreateStoreCommon(ctx_, 0)), u"");
  EXPECT_EQ(versionText(StgCreateStore(ctx_, 0)), u"");
}

TEST_F(GraphicsBuilds, AQualityEntryLoadsWithoutItsName) {
  const WCHAR* section = CfgGetPresetSection(ctx_);
  const WCHAR* ini = CfgGetIniPath(ctx_);
  ASSERT_TRUE(section && ini);
  std::string host;
  kvp::MapPath(ini, host);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  ASSERT_TRUE(CfgIniWriteString(section, u"QualityList3Name", u"Drafts", ini))
      << kvp::ToUtf8(section) << " in " << kvp::ToUtf8(ini) << " error " << GetLastError();
  ITEM_DESC* row = StgFindItem(ctx_, sid::wdmUserSetName);
  ASSERT_NE(row, nullptr);
  auto name = [&] {
    WCHAR text[128] = {};
    StgGetString(ctx_, row, text);
    return std::u16string(text);
  };
  StgSetString(ctx_, row, u"");
  CfgLoadQualityEntry(ctx_, u"QualityList3");
  EXPECT_EQ(name(), u"");
  CfgLoadQualityEntryCommon(ctx_, u"QualityList3");
  EXPECT_EQ(name(), u"Drafts");
}

TEST_F(GraphicsBuilds, AStoredCustomSizeIsShownByItsUsersName) {
  ITEM_DESC* row = StgFindItem(ctx_, sid::wdmFreeSizeName);
  ASSERT_NE(row, nullptr);
  StgSetString(ctx_, row, u"Site A");
  FREE_SIZE_SLOT& f = ctx_->work->freeSizeSlots[2];
  CfgStoreFreeSizeSlotCommon(ctx_, 2);
  EXPECT_STREQ(f.userName, "Site A");
  EXPECT_STRNE(f.displayName1, "Site A");  // the resource library's decorated text
  CfgStoreFreeSizeSlot(ctx_, 2);
  EXPECT_STREQ(f.userName, "Site A");
  EXPECT_STREQ(f.displayName1, "Site A");
  EXPECT_STREQ(f.displayName2, "Site A");
}

TEST_F(GraphicsBuilds, NodeTypesReadAsTheirLowByte) {
  // The paper size is a pick-one node for pages (0x101).
  EXPECT_EQ(ImgGetNodeTypeCommon(ctx_, sid::dmPaperSize), 0x101);
  EXPECT_EQ(ImgGetNodeType(ctx_, sid::dmPaperSize), 1);
  EXPECT_EQ(ImgGetNodeType(ctx_, sid::dmCopies), ImgGetNodeTypeCommon(ctx_, sid::dmCopies));
}

TEST_F(GraphicsBuilds, DefaultsIgnoreTheAdministratorLocks) {
  const auto defaultSource = StgGetValue(ctx_, sid::dmDefaultSource, nullptr);
  const uint64_t other = defaultSource == 15 ? 7 : 15;
  StgSetValue(ctx_, 10419, 1);  // the tray lock
  ASSERT_TRUE(StgIsModelFeatureOn(ctx_, 2, 0));  // locks apply on this model

  StgSetValue(ctx_, sid::dmDefaultSource, other);
  StgResetAllItemsCommon(ctx_);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmDefaultSource, nullptr), other);  // the common build keeps a locked tray

  StgSetValue(ctx_, 10419, 1);
  StgSetValue(ctx_, sid::dmDefaultSource, other);
  StgResetAllItems(ctx_);
  EXPECT_EQ(StgGetValue(ctx_, sid::dmDefaultSource, nullptr), defaultSource);
}

TEST_F(GraphicsBuilds, AStoredCustomSizeOfALandscapeSlotReadsLengthByWidth) {
  constexpr DWORD kCode = 384;  // the first stored custom size
  int slot = CfgFreeSizePaperToIndex(kCode, ctx_);
  ASSERT_GE(slot, 0);
  FREE_SIZE_SLOT& f = ctx_->work->freeSizeSlots[slot];
  f.width = 2100 * 1200 / 254;
  f.length = 2970 * 1200 / 254;
  for (SHORT orientation : {1, 2}) {
    SCOPED_TRACE(orientation);
    f.orientation = orientation;
    LONG common[2] = {}, own[2] = {};
    ASSERT_EQ(ImgGetCustomPaperSizeCommon(ctx_, common, kCode, 0), 1);
    ASSERT_EQ(ImgGetCustomPaperSizeStored(ctx_, own, kCode), 1);
    EXPECT_LT(common[0], common[1]);
    if (orientation == 2) {
      EXPECT_EQ(own[0], common[1]);
      EXPECT_EQ(own[1], common[0]);
    } else {
      EXPECT_EQ(own[0], common[0]);
      EXPECT_EQ(own[1], common[1]);
    }
  }
}

TEST_F(GraphicsBuilds, BidirectionalSwitchFollowsTheStoredFlag) {
  // Neither the printer data nor the bidi INI holds a flag here: the switch goes off, whatever it was.
  StgSetValue(ctx_, sid::rdmBiDirect, 1);
  GrSetBiDirectFromFlag(ctx_);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmBiDirect, nullptr), 0u);
  StgSetValue(ctx_, sid::rdmServerClientMode, 1);
  StgSetValue(ctx_, sid::rdmBiDirect, 1);
  GrSetBiDirectFromFlag(ctx_);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmBiDirect, nullptr), 0u);
}

// Releasing a context frees the libraries loaded into it: a context that loaded the model's resource
// library for a localized text leaves no library handle behind.
TEST_F(GraphicsBuilds, ReleasingAContextFreesItsResourceLibrary) {
  WCHAR text[64] = {};
  CfgLoadString(ctx_, 10002, text, 64, 0);
  EXPECT_NE(text[0], 0);
  HMODULE lib = ctx_->resourceLib;
  kvp::ModuleInfo info;
  ASSERT_TRUE(kvp::GetModuleInfo(lib, &info));
  kvp::eng::DisablePdev(&dev_);
  StgPurgeContextCache(1);
  EXPECT_FALSE(kvp::GetModuleInfo(lib, &info));
}

TEST_F(GraphicsBuilds, TheDefaultChapterTraysKeepTheirValues) {
  StgResetChapterDefaultTraysCommon(ctx_);
  const uint64_t reset = StgGetValue(ctx_, sid::rdmChapterDefTray1, nullptr);
  for (WORD id : {sid::rdmChapterDefTray1, sid::rdmChapterDefTray2, sid::rdmChapterDefTray3})
    StgSetValue(ctx_, id, reset + 1);
  StgResetChapterDefaultTrays(ctx_);
  for (WORD id : {sid::rdmChapterDefTray1, sid::rdmChapterDefTray2, sid::rdmChapterDefTray3})
    EXPECT_EQ(StgGetValue(ctx_, id, nullptr), reset + 1);
  StgResetChapterDefaultTraysCommon(ctx_);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmChapterDefTray2, nullptr), reset);
}

// Parked bidirectional results: the graphics build takes them into the context and leaves the bidi INI
// as it is; the common build moves them into printer data and empties the printer's INI section.
TEST_F(GraphicsBuilds, ReloadingDeviceSettingsLeavesTheBidiIni) {
  ASSERT_TRUE(BidiWriteFlagValue(ctx_->printer, 1, ctx_)) << GetLastError();
  WCHAR bidiIni[CFG_MAX_PATH] = {};
  CfgMakeDataFilePath(bidiIni, CFG_MAX_PATH, u"kvbidi.ini", ctx_);
  std::string host;
  kvp::MapPath(bidiIni, host);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  ASSERT_EQ(BidiIniWriteFlag(ctx_, true), 1);
  ASSERT_TRUE(BidiIniHasFlag(ctx_));
  EXPECT_EQ(CfgReloadDeviceSettings(ctx_), 1);
  EXPECT_TRUE(BidiIniHasFlag(ctx_));
  EXPECT_TRUE(BidiIniFlagSet(ctx_));
  EXPECT_EQ(CfgReloadDeviceSettingsCommon(ctx_), 1);
  EXPECT_FALSE(BidiIniHasFlag(ctx_));
}

// A full restore merges the DEVMODE again: the common build does it with an rdmAdjustMode of 1 set to 0,
// the graphics build with the value as it is. Both leave the value 1 afterwards.
DWORD g_adjustAtMerge = 99;
int RecordingMerge(SETTING_CONTEXT* ctx, const DEVMODEW* incoming, DWORD mode) {
  g_adjustAtMerge = DWORD(StgGetValue(ctx, sid::rdmAdjustMode, nullptr));
  return GrMergeDevmode(ctx, incoming, mode);
}

TEST_F(GraphicsBuilds, ARestoreKeepsTheAdjustModeWhileMerging) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\sets", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  StgSetValue(ctx_, sid::rdmAdjustMode, 1);
  ASSERT_EQ(CfgWriteSettingsFile(machine_.printer, u"C:\\sets\\adjust.rsr", 0, ctx_), 1);
  LIBRARY_HOOKS recording{};
  recording.StgMergeDevmode = RecordingMerge;
  StgFillLibraryHooks(&recording);
  struct Case {
    int (*read)(HANDLE, const WCHAR*, DWORD, SETTING_CONTEXT*);
    DWORD atMerge;
  } cases[] = {{&CfgReadSettingsFile, 1}, {&CfgReadSettingsFileCommon, 0}};
  for (const Case& c : cases) {
    g_adjustAtMerge = 99;
    EXPECT_EQ(c.read(machine_.printer, u"C:\\sets\\adjust.rsr", 0, ctx_), 1);
    EXPECT_EQ(g_adjustAtMerge, c.atMerge);
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmAdjustMode, nullptr), 1u);
  }
  StgResetLibraryHooks();
  GrFillLibraryHooks();
}

}  // namespace
