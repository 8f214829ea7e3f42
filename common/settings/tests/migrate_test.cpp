// Settings versions and migration through the model's conversion rule, the default section, the
// undo stack and the dictionary copy.
#include <cstring>
#include <string>
#include <vector>

#include "config/ini.h"
#include "config/paths.h"
#include "context_fixture.h"
#include "driverdata/img_image.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "settings/migrate.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"

using namespace kvstgtest;

namespace {

template <typename T>
void Put(std::vector<BYTE>& b, size_t off, T v) {
  std::memcpy(b.data() + off, &v, sizeof(T));
}

class Migrate : public OneContextTest {
 protected:
  std::vector<BYTE> Devmode(SETTING_CONTEXT* c) {
    return std::vector<BYTE>(c->store->bytes, c->store->bytes + STG_DEVMODE_SIZE);
  }
  std::vector<BYTE> Store() { return std::vector<BYTE>(ctx_->store->bytes, ctx_->store->bytes + STG_STORE_SIZE); }
  static const DEVMODEW* D(const std::vector<BYTE>& b) { return reinterpret_cast<const DEVMODEW*>(b.data()); }
  // An option of the folding type other than its compiled default: the one the conversion resets.
  DWORD OtherFolding(SETTING_CONTEXT* c) {
    DWORD def = ImgGetDefaultValue(c, sid::rdmFoldingType);
    const ENUM_SYMBOL* e = StgFindEnumSymbolByName("IDS_FOLDING_LONGFAN");
    EXPECT_NE(e, nullptr);
    EXPECT_NE(e->value, def);
    return e->value;
  }
};

TEST_F(Migrate, VersionComparisons) {
  struct Case {
    DWORD stored, model;
    int expect;
  };
  const Case cases[] = {
      {321, 322, STG_VERSION_MIGRATE},
      {300, 322, STG_VERSION_MIGRATE},
      {322, 322, STG_VERSION_CURRENT},
      {323, 322, STG_VERSION_CURRENT},
      {222, 322, STG_VERSION_INCOMPATIBLE},
      {422, 322, STG_VERSION_INCOMPATIBLE},  // a newer major is not taken as it is
      {150, 250, STG_VERSION_INCOMPATIBLE},
      {250, 150, STG_VERSION_INCOMPATIBLE},
      {0, 322, STG_VERSION_INCOMPATIBLE},
      {0xFFFFFFFFu, 322, STG_VERSION_INCOMPATIBLE},
  };
  for (const Case& k : cases) EXPECT_EQ(StgCompareVersions(k.stored, k.model), k.expect) << k.stored << " " << k.model;
  EXPECT_EQ(StgCompareStoreVersion(nullptr), -1);
  std::vector<BYTE> dm = Devmode(ctx_);
  Put<DWORD>(dm, PDM_OFF_VERSION, 321);
  EXPECT_EQ(StgCompareStoreVersion(D(dm)), STG_VERSION_MIGRATE);
}

TEST_F(Migrate, OlderDevmodeMergedComesOutCurrentWithTheModelsConversion) {
  const DWORD folding = OtherFolding(ctx_);
  const DWORD def = ImgGetDefaultValue(ctx_, sid::rdmFoldingType);
  struct Case {
    const char* what;
    DWORD version;
    bool converted;
  };
  const Case cases[] = {
      {"previous version", 321, true},
      {"three steps back", 319, true},
      {"current version: taken as it is", 322, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    StgSetValue(ctx_, sid::rdmScaleType, 0);
    StgSetOptionValue(ctx_, sid::rdmFoldingType, def);
    // A DEVMODE of another context of the printer, stored by that version.
    SETTING_CONTEXT* writer = Create(printer_, 0, STG_KIND_API);
    ASSERT_NE(writer, nullptr);
    StgSetOptionValue(writer, sid::rdmFoldingType, folding);
    StgSetValue(writer, sid::rdmScaleType, 2);
    std::vector<BYTE> in = Devmode(writer);
    StgReleaseContext(writer, STG_RELEASE_FREE);
    Put<DWORD>(in, PDM_OFF_VERSION, k.version);
    ASSERT_EQ(StgMergeDevmode(ctx_, D(in), STG_MERGE_MODIFY), 1);
    EXPECT_EQ(StgGetDmSettingsVersion(StgGetDevmode(ctx_)), 322u);
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmScaleType, nullptr), 2u);
    EXPECT_EQ(StgGetOptionValue(ctx_, sid::rdmFoldingType, nullptr), k.converted ? def : folding);
    EXPECT_EQ(StgGetValue(ctx_, sid::wdmConvertVersion, nullptr), k.converted ? 322u : 0u);
    StgSetValue(ctx_, sid::wdmConvertVersion, 0);
  }
}

TEST_F(Migrate, ConversionStepsStayInsideOneMajor) {
  EXPECT_EQ(StgRunConvertRule(322, 322, ctx_), 1);
  EXPECT_EQ(StgRunConvertRule(322, 321, ctx_), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::wdmConvertVersion, nullptr), 0u);  // nothing ran
  EXPECT_EQ(StgRunConvertRule(299, 322, ctx_), 0);
  EXPECT_EQ(StgRunConvertRule(0, 0xFFFFFFFFu, ctx_), 0);
  EXPECT_EQ(StgRunConvertRule(300, 399, ctx_), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::wdmConvertVersion, nullptr), 399u);
  EXPECT_EQ(StgRunConvertRule(321, 322, nullptr), 0);
}

TEST_F(Migrate, WithoutAConversionRuleAnOlderDevmodeIsNotTaken) {
  std::string text = ModelText();
  size_t at = text.find("  QDV_ConvertDevmode ");
  ASSERT_NE(at, std::string::npos);
  text.erase(at, text.find('\n', at) + 1 - at);
  imgtest::InstalledPrinter bare = imgtest::Install(u"No conversion printer", text, u"kvnoconv");
  FakePrinter p(u"Q");
  SETTING_CONTEXT* c = StgCreateContextEx(p.handle, bare.handle, nullptr, 0, STG_KIND_UI, 0, p.Info());
  ASSERT_NE(c, nullptr);
  StgSetValue(c, sid::rdmScaleType, 1);
  std::vector<BYTE> in = Devmode(c);
  in[StgFindItem(c, sid::rdmScaleType)->offset] = 2;
  Put<DWORD>(in, PDM_OFF_VERSION, 321);
  // Straight into the store: not converted, so not stamped current.
  std::vector<BYTE> keep = Devmode(c);
  std::memcpy(c->store->bytes, in.data(), in.size());
  EXPECT_EQ(StgMigrateStore(D(in), c), 0);
  EXPECT_EQ(StgGetDmSettingsVersion(StgGetDevmode(c)), 321u);
  std::memcpy(c->store->bytes, keep.data(), keep.size());
  // Through the intake: the context keeps its own private settings.
  ASSERT_EQ(StgMergeDevmode(c, D(in), STG_MERGE_MODIFY), 1);
  EXPECT_EQ(StgGetDmSettingsVersion(StgGetDevmode(c)), 322u);
  EXPECT_EQ(StgGetValue(c, sid::rdmScaleType, nullptr), 1u);
  StgReleaseContext(c, STG_RELEASE_FREE);
  ClosePrinter(bare.handle);
}

// ---------------------------------------------------------------------------------------------
// Default section.

class DefaultSection : public Migrate {
 protected:
  void SetUp() override {
    Migrate::SetUp();
    ini_ = CfgGetIniPath(ctx_);
    ASSERT_FALSE(ini_.empty());
    kvtest::WriteMachineFile(ini_, "");
    section_ = std::u16string(CfgGetPrinterName(ctx_)) + u".DefaultSection";
  }
  void Write(const char16_t* key, const char16_t* value) {
    ASSERT_TRUE(CfgIniWriteString(section_.c_str(), key, value, ini_.c_str()));
  }
  std::u16string ini_, section_;
};

TEST_F(DefaultSection, PresentOnlyWithItsMachineIdKey) {
  const std::u16string printer = ctx_->work->printerName;
  Write(u"dmOrientation", u"2");
  Write(u"rdmScaleType", u"1");
  EXPECT_EQ(StgLoadDefaultSection(ctx_), 0);
  Write(u"rdmMachineID", u"");
  EXPECT_EQ(StgLoadDefaultSection(ctx_), 0);
  // Without the header of a settings file the section is refused, not loaded.
  Write(u"rdmMachineID", u"104");
  EXPECT_EQ(StgLoadDefaultSection(ctx_), 0);
  EXPECT_EQ(StgSaveDefaultSection(ctx_), 1);  // a whole section, its header included
  EXPECT_EQ(StgLoadDefaultSection(ctx_), 1);
  // The printer name stood in for the section only during the transfer.
  EXPECT_EQ(std::u16string(ctx_->work->printerName), printer);
}

TEST_F(DefaultSection, ANameTooLongForASectionIsRefused) {
  std::u16string longName(250, u'p');
  kvp::WCopy(ctx_->work->printerName, 261, longName.c_str());
  EXPECT_EQ(StgLoadDefaultSection(ctx_), 0);
  EXPECT_EQ(StgSaveDefaultSection(ctx_), 0);
  EXPECT_EQ(std::u16string(ctx_->work->printerName), longName);
}

TEST_F(DefaultSection, RebuildLeavesTheCurrentStoreUntouched) {
  StgSetValue(ctx_, sid::rdmScaleType, 2);
  const std::vector<BYTE> before = Store();
  // Nothing stored anywhere: the current settings become the defaults.
  EXPECT_EQ(StgRebuildDefaultStore(ctx_), 1);
  EXPECT_EQ(Store(), before);
  EXPECT_EQ(std::memcmp(ctx_->work->defaultCopy->bytes, before.data(), before.size()), 0);
  // Without memory for the copy put aside, nothing changes.
  std::memset(ctx_->work->defaultCopy, 0, sizeof(SETTING_STORE));
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(StgRebuildDefaultStore(ctx_), 0);
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(Store(), before);
  EXPECT_EQ(ctx_->work->defaultCopy->bytes[PDM_OFF_VERSION], 0);
}

// ---------------------------------------------------------------------------------------------
// Undo.

class Undo : public Migrate {
 protected:
  static constexpr WORD kMark = sid::dmPrintQuality;
  void Mark(DWORD v) {
    StgSetValue(ctx_, kMark, v);
    ctx_->work->changeWords[STG_CHANGE_WORD_CURRENT] = v * 10;
  }
  DWORD MarkNow() { return (DWORD)StgGetValue(ctx_, kMark, nullptr); }
  static inline std::vector<DWORD> events_;
  void ListenForEvents() {
    events_.clear();
    ctx_->work->modules->rows[0].event = [](SETTING_CONTEXT*, DWORD event, void*, void*) {
      if (event == 26 || event == 27) events_.push_back(event);
      return 0;
    };
  }
  void TearDown() override {
    if (ctx_) ctx_->work->modules->rows[0].event = StgGetModuleTable(nullptr)[0].event;
    Migrate::TearDown();
  }
};

TEST_F(Undo, FullDepthThenRefusedBothWays) {
  ListenForEvents();
  std::vector<DWORD> marks;
  for (DWORD i = 0; i < STG_UNDO_DEPTH; ++i) marks.push_back(300 + 100 * i);
  for (DWORD v : marks) {
    Mark(v);
    EXPECT_EQ(StgPushUndo(ctx_), 1) << v;
  }
  Mark(9000);
  const std::vector<BYTE> beyond = Store();
  // A push beyond the depth is refused and changes nothing; the oldest snapshot stays.
  EXPECT_EQ(StgPushUndo(ctx_), 0);
  EXPECT_EQ(Store(), beyond);
  EXPECT_EQ(ctx_->work->undoDepth, STG_UNDO_DEPTH);
  for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
    ctx_->work->storeModified = 1;
    EXPECT_EQ(StgPopUndo(ctx_, 1), 1) << *it;
    EXPECT_EQ(MarkNow(), *it);
    EXPECT_EQ(ctx_->work->changeWords[STG_CHANGE_WORD_CURRENT], *it * 10);
    EXPECT_EQ(ctx_->work->storeModified, 0u);
    EXPECT_EQ(StgFindItem(ctx_, kMark)->flags & STG_FLAG_CHANGE_MASK, 0u);
  }
  // A pop with nothing pushed fails and leaves the store alone (header and block offsets included).
  const std::vector<BYTE> last = Store();
  EXPECT_EQ(StgPopUndo(ctx_, 1), 0);
  EXPECT_EQ(StgPopUndo(ctx_, 0), 0);
  EXPECT_EQ(Store(), last);
  std::vector<DWORD> expected(STG_UNDO_DEPTH, 26);
  expected.insert(expected.end(), STG_UNDO_DEPTH, 27);
  EXPECT_EQ(events_, expected);
}

TEST_F(Undo, PopWithoutRestoreOnlyDropsTheSnapshot) {
  Mark(300);
  ASSERT_EQ(StgPushUndo(ctx_), 1);
  Mark(600);
  ASSERT_EQ(StgPushUndo(ctx_), 1);
  Mark(1200);
  EXPECT_EQ(StgPopUndo(ctx_, 0), 1);
  EXPECT_EQ(MarkNow(), 1200u);
  EXPECT_EQ(StgPopUndo(ctx_, 1), 1);
  EXPECT_EQ(MarkNow(), 300u);
  // Pushes after pops reuse the buffers in order.
  for (DWORD v : {300u, 400u, 600u}) {
    Mark(v);
    EXPECT_EQ(StgPushUndo(ctx_), 1);
  }
  EXPECT_EQ(StgPopUndo(ctx_, 1), 1);
  EXPECT_EQ(MarkNow(), 600u);
}

TEST_F(Undo, DictionaryCopyPutsRowsBackAndFreesItself) {
  ITEM_DESC* row = StgFindItem(ctx_, sid::rdmScaleType);
  const ITEM_DESC before = *row;
  ITEM_DICTIONARY* copy = StgSaveDictionary(ctx_);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->count, ctx_->dictionary->count);
  row->flags |= STG_FLAG_CHANGED | STG_FLAG_WATERMARK;
  StgRestoreDictionary(ctx_, copy);
  EXPECT_EQ(row->flags, before.flags);
  EXPECT_EQ(row->ext, before.ext);
  // A copy with rows of another dictionary is only freed.
  copy = StgSaveDictionary(ctx_);
  ASSERT_NE(copy, nullptr);
  copy->count = (int16_t)(copy->count - 1);
  row->flags |= STG_FLAG_CHANGED;
  StgRestoreDictionary(ctx_, copy);
  EXPECT_EQ(row->flags & STG_FLAG_CHANGED, (uint64_t)STG_FLAG_CHANGED);
  // Out of memory: none, or a header without rows that restores nothing.
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(StgSaveDictionary(ctx_), nullptr);
  kvp::test::FailAllocAt(2);
  copy = StgSaveDictionary(ctx_);
  kvp::test::FailAllocAt(0);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->rows, nullptr);
  EXPECT_EQ(copy->count, 0);
  StgRestoreDictionary(ctx_, copy);
  EXPECT_EQ(row->flags & STG_FLAG_CHANGED, (uint64_t)STG_FLAG_CHANGED);
}

}  // namespace
