// Driver INI lists: presets appended, cleared and loaded (with the watermark check), snapshots restored
// bit-exactly, quality entry names, stamps per region with the scratch stamp, the section swap, the
// interface font, and two processes appending to one list.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <vector>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "kvplat/file.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"
#include "settings/units.h"

using namespace kvcfgtest;

namespace {

class DriverLists : public MachineTest {
 public:
  void SetUp() override {
    MachineTest::SetUp();
    SetSwitch("ACP", "1252");
    printer_ = AddPrinter(u"Plotter");
    ctx_ = Context(printer_, 0);
    ASSERT_NE(ctx_, nullptr);
    StgSetValue(ctx_, sid::rdmLanguageID, 1);  // region "us"
    ini_ = S(CfgGetIniPath(ctx_));
    ASSERT_FALSE(ini_.empty());
    ASSERT_TRUE(CreateDirectoryW(u"C:\\_zarn", nullptr));  // made by the set-up of a real machine
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  std::u16string Get(const std::u16string& section, const std::u16string& key) {
    WCHAR buf[300];
    CfgIniGetString(section.c_str(), key.c_str(), u"<none>", buf, 300, ini_.c_str());
    return S(buf);
  }
  std::u16string Printer(const std::u16string& key) { return Get(u"Plotter", key); }
  void Put(const std::u16string& section, const std::u16string& key, const std::u16string& value) {
    ASSERT_TRUE(CfgIniWriteString(section.c_str(), key.c_str(), value.c_str(), ini_.c_str()));
  }
  static std::u16string N(int n) {
    std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
  }
  void Append(int n) {
    ASSERT_EQ(CfgAppendPresetListEntry(ctx_, (u"C:\\sets\\p" + N(n) + u".rsr").c_str(), (u"Preset " + N(n)).c_str(),
                                       (u"Comment " + N(n)).c_str()),
              1);
  }

  HANDLE printer_ = nullptr;
  SETTING_CONTEXT* ctx_ = nullptr;
  std::u16string ini_;
};

TEST_F(DriverLists, AppendWritesTheEntryAndRaisesTheCount) {
  EXPECT_EQ(CfgGetPresetCount(ctx_), 0);
  EXPECT_EQ(S(CfgGetPresetSection(ctx_)), u"Plotter");
  Put(u"Plotter", u"Count", u"3");
  Append(3);
  EXPECT_EQ(Printer(u"Count"), u"4");
  EXPECT_EQ(Printer(u"PresetList3"), u"C:\\sets\\p3.rsr");
  EXPECT_EQ(Printer(u"PresetList3Name"), u"Preset 3");
  EXPECT_EQ(Printer(u"PresetList3Comment"), u"Comment 3");
  EXPECT_EQ(CfgGetPresetCount(ctx_), 4);
  // A count edited into nonsense reads as an empty list, and the next entry is entry 0.
  Put(u"Plotter", u"Count", u"-7");
  EXPECT_EQ(CfgGetPresetCount(ctx_), 0);
  Append(0);
  EXPECT_EQ(Printer(u"Count"), u"1");
  EXPECT_EQ(Printer(u"PresetList0Name"), u"Preset 0");
  // A count that leaves no number for another entry refuses the append.
  Put(u"Plotter", u"Count", u"2147483647");
  EXPECT_EQ(CfgAppendPresetListEntry(ctx_, u"C:\\x.rsr", u"x", u"x"), 0);
  EXPECT_EQ(Printer(u"Count"), u"2147483647");
}

TEST_F(DriverLists, ClearAndReappendLeavesTheKeysBeyondTheCount) {
  for (int i = 0; i < 5; ++i) Append(i);
  CfgClearPresetList(ctx_);
  EXPECT_EQ(Printer(u"Count"), u"0");
  Append(10);
  Append(11);
  EXPECT_EQ(Printer(u"Count"), u"2");
  EXPECT_EQ(Printer(u"PresetList0Name"), u"Preset 10");
  EXPECT_EQ(Printer(u"PresetList1Name"), u"Preset 11");
  for (int i = 2; i < 5; ++i) EXPECT_EQ(Printer(u"PresetList" + N(i) + u"Name"), u"Preset " + N(i));
}

TEST_F(DriverLists, KeysAndSectionNames) {
  WCHAR buf[CFG_LIST_NAME_CHARS];
  EXPECT_EQ(S(CfgFormatPresetKey(buf, 12, 0)), u"PresetList12");
  EXPECT_EQ(S(CfgFormatPresetKey(buf, 12, 1)), u"PresetList12Name");
  EXPECT_EQ(S(CfgFormatPresetKey(buf, 12, 2)), u"PresetList12Comment");
  EXPECT_EQ(S(CfgFormatPresetKey(buf, -2147483647 - 1, 2)), u"PresetList-2147483648Comment");
  EXPECT_EQ(S(CfgFormatQualityKey(buf, 3)), u"QualityList3");
  EXPECT_EQ(S(CfgFormatStampSection(buf, 7, 0, ctx_)), u"Stamp7us");
  StgSetValue(ctx_, sid::rdmLanguageID, 0);
  EXPECT_EQ(S(CfgFormatStampSection(buf, 7, 0, ctx_)), u"Stamp7jp");
}

// The watermark a loaded preset selects must name a stored stamp; the settings file itself is missing,
// so the values set before the load are what the check sees.
TEST_F(DriverLists, PresetLoadChecksTheSelectedStamp) {
  struct Case {
    int on, id, kind, stamps;
    int wantOn, wantId;
  } cases[] = {
      {1, 5, 1, 5, 0, 0},  // id not below the count: watermark off
      {1, 9, 0, 0, 0, 0},  // no stamps at all
      {0, 2, 1, 5, 0, 0},  // off stays off, id cleared
      {1, 4, 1, 5, 1, 4},  // a stored stamp of a drawn kind is loaded and kept
      {1, 2, 7, 5, 1, 2},  // another kind: nothing changes
  };
  Put(u"Plotter", u"PresetList0", u"C:\\nowhere\\missing.rsr");
  Put(u"Plotter", u"Count", u"1");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "on " << c.on << " id " << c.id << " kind " << c.kind);
    CfgSetStampCount(ctx_, c.stamps);
    StgSetValue(ctx_, sid::rdmFuncSelectWaterMark, (uint64_t)c.on);
    StgSetValue(ctx_, sid::rdmWmID, (uint64_t)c.id);
    StgSetValue(ctx_, sid::rdmWmKind, (uint64_t)c.kind);
    CfgLoadPresetByIndex(ctx_, 0);
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmFuncSelectWaterMark, nullptr), (uint64_t)c.wantOn);
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmWmID, nullptr), (uint64_t)c.wantId);
  }
  // Indices outside 0-15 load nothing: the watermark stays on with a stamp that does not exist.
  CfgSetStampCount(ctx_, 0);
  StgSetValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
  StgSetValue(ctx_, sid::rdmWmID, 3);
  for (int index : {16, -1}) {
    EXPECT_EQ(CfgLoadPresetByIndex(ctx_, index), 0);
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmFuncSelectWaterMark, nullptr), 1u);
  }
}

TEST_F(DriverLists, SnapshotRestoresBitExactlyAndOnlyItsOwnBits) {
  Put(u"Plotter", u"PresetList2", u"C:\\nowhere\\missing.rsr");
  ITEM_DESC* font = StgFindItem(ctx_, sid::rdmHFFontName);
  ASSERT_NE(font, nullptr);
  StgSetString(ctx_, font, u"Before");
  StgSetValue(ctx_, sid::rdmFuncSelectPoster, 0);  // shares the watermark switch's word, in no class
  // Nothing saved yet, and keys that are no preset slot never have a snapshot.
  for (const char16_t* key : {u"PresetList2", u"PresetList16", u"Other", u"presetlist2"})
    EXPECT_EQ(CfgPresetSnapshot(ctx_, key, 1), 0);
  CfgLoadPresetByIndex(ctx_, 2);  // saves the snapshot of "PresetList2"
  SETTING_STORE before = *ctx_->store;

  StgSetString(ctx_, font, u"After and longer");
  StgSetValue(ctx_, sid::rdmWmID, 77);
  StgSetValue(ctx_, sid::rdmWmKind, 3);
  StgSetValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
  StgSetValue(ctx_, sid::rdmFuncSelectPoster, 1);
  EXPECT_EQ(CfgPresetSnapshot(ctx_, u"PresetList2", 1), 1);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmFuncSelectPoster, nullptr), 1u);  // not the snapshot's bit
  StgSetValue(ctx_, sid::rdmFuncSelectPoster, 0);
  EXPECT_EQ(std::memcmp(before.bytes, ctx_->store->bytes, sizeof(before.bytes)), 0);

  // Appending, clearing and storing a stamp each free the snapshots.
  using Step = void (*)(DriverLists*);
  Step steps[] = {
      [](DriverLists* t) { t->Append(0); },
      [](DriverLists* t) { CfgClearPresetList(t->ctx_); },
      [](DriverLists* t) { CfgSaveStamp(t->ctx_, 256); },
  };
  for (Step step : steps) {
    CfgPresetSnapshot(ctx_, u"PresetList2", 2);
    ASSERT_NE(ctx_->work->presetSnapshots[2], nullptr);
    step(this);
    EXPECT_EQ(ctx_->work->presetSnapshots[2], nullptr);
    EXPECT_EQ(CfgPresetSnapshot(ctx_, u"PresetList2", 1), 0);
  }
}

TEST_F(DriverLists, StampsCountPerRegionAndTheScratchStampIsNeverCounted) {
  CfgSetStampCount(ctx_, 5);
  EXPECT_EQ(Get(u"us", u"StampCount"), u"5");
  EXPECT_EQ(CfgGetStampCount(ctx_), 5);
  struct Case {
    int n, wantCount;
  } cases[] = {{256, 5}, {3, 5}, {7, 8}, {5, 8}, {256, 8}, {-1, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    StgSetValue(ctx_, sid::rdmWmID, 1);
    CfgSaveStamp(ctx_, c.n);
    EXPECT_EQ(CfgGetStampCount(ctx_), c.wantCount);
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmWmID, nullptr), c.n < 0 ? 1u : (uint64_t)c.n);
    // The section swap gives the printer name back.
    EXPECT_EQ(S(CfgGetPrinterName(ctx_)), u"Plotter");
  }
  // The largest number still gets its count, written without overflow.
  CfgSaveStamp(ctx_, 2147483647);
  EXPECT_EQ(Get(u"us", u"StampCount"), u"2147483648");
  // Each region keeps its own count.
  StgSetValue(ctx_, sid::rdmLanguageID, 0);
  EXPECT_EQ(CfgGetStampCount(ctx_), 0);
  // Loading a stamp selects it.
  StgSetValue(ctx_, sid::rdmLanguageID, 1);
  CfgLoadStamp(ctx_, 4);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmWmID, nullptr), 4u);
  // Without a watermark on, nothing is reloaded.
  StgSetValue(ctx_, sid::rdmFuncSelectWaterMark, 0);
  EXPECT_EQ(CfgReloadSelectedStamp(ctx_), 0);
}

TEST_F(DriverLists, SectionSwapRefusesANameThatDoesNotFitAndKeepsThePrinterName) {
  std::u16string longName(400, u'S');
  EXPECT_EQ(CfgTransferIniSection(ctx_, longName.c_str(), CFG_TRANSFER_READ | CFG_TRANSFER_STAMP), 0);
  EXPECT_EQ(CfgLoadStampSection(ctx_, nullptr), 0);
  EXPECT_EQ(S(CfgGetPrinterName(ctx_)), u"Plotter");
}

// A list whose count is larger than the entries present, with an entry missing in the middle.
TEST_F(DriverLists, QualityEntryNameFillsTheUserSetName) {
  Put(u"Plotter", u"QualityCount", u"5");
  Put(u"Plotter", u"QualityList0Name", std::u16string(50, u'q'));
  Put(u"Plotter", u"QualityList2Name", u"Fine lines");
  EXPECT_EQ(CfgGetQualityCount(ctx_), 5);
  ITEM_DESC* row = StgFindItem(ctx_, sid::wdmUserSetName);
  ASSERT_NE(row, nullptr);
  WCHAR text[64];
  CfgLoadQualityByIndex(ctx_, 2);
  StgGetString(ctx_, row, text);
  EXPECT_EQ(S(text), u"Fine lines");
  // A long name keeps to the setting's room.
  CfgLoadQualityEntryName(ctx_, u"QualityList0");
  StgGetString(ctx_, row, text);
  EXPECT_EQ(S(text), std::u16string(StgTypeLength(row->type), u'q'));
  // Missing entries, inside and beyond the count, empty it.
  for (int index : {1, 4, 9}) {
    CfgLoadQualityEntryName(ctx_, u"QualityList2");
    CfgLoadQualityFileByIndex(ctx_, index);
    StgGetString(ctx_, row, text);
    EXPECT_EQ(S(text), u"") << index;
  }
}

TEST_F(DriverLists, InterfaceFontFollowsTheResourceLibraryLanguage) {
  WCHAR font[32];
  EXPECT_EQ(S(CfgGetUiFontName(ctx_, font)), u"Arial");
  StgSetValue(ctx_, sid::rdmLanguageID, 0);
  ASSERT_TRUE(CfgIsJapaneseResourceDll(ctx_));
  EXPECT_EQ(S(CfgGetUiFontName(ctx_, font)), u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");
}

// Two processes append to one printer's list at the same time; every entry arrives exactly once.
TEST_F(DriverLists, TwoProcessesAppendingLoseNoEntry) {
  constexpr int kEach = 15;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      // The child opens the global mutex by its name again rather than share the parent's handle.
      StgFreeLibraryLocks();
      StgInitLibraryLocks();
      for (int i = 0; i < kEach; ++i) {
        std::u16string name = u"P" + N(p) + u"-" + N(i);
        if (CfgAppendPresetListEntry(ctx_, u"C:\\x.rsr", name.c_str(), u"") != 1) _exit(2);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(CfgGetPresetCount(ctx_), 2 * kEach);
  std::set<std::u16string> names;
  for (int i = 0; i < 2 * kEach; ++i) names.insert(Printer(u"PresetList" + N(i) + u"Name"));
  EXPECT_EQ(names.size(), (size_t)(2 * kEach));
  for (int p = 0; p < 2; ++p)
    for (int i = 0; i < kEach; ++i) EXPECT_TRUE(names.count(u"P" + N(p) + u"-" + N(i))) << p << "-" << i;
}

}  // namespace
