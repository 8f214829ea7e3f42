// Administrator locks: the locked values recorded on command 312, the locks written into the preset
// entry files with the entries' own values kept under "Lock" keys and restored on unlock, the
// resolution lock over the quality entries, and entry paths outside the printer's data folders.
#include <cstring>
#include <string>

#include "config/paths.h"
#include "module_fixture.h"
#include "settings/feature_modules.h"
#include "settings/model_tables.h"

using namespace kvstgtest;

namespace {

class Locks : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    WCHAR dir[STG_LOCK_ENTRY_PATH_CHARS];
    ASSERT_GT(CfgGetDataDir(dir, STG_LOCK_ENTRY_PATH_CHARS, ctx_), 0u);
    data_ = dir;
    if (data_.back() != u'\\') data_ += u'\\';
  }
  std::u16string Entry(const std::u16string& name, const std::string& body) {
    std::u16string path = data_ + name;
    std::string section(section_.begin(), section_.end());
    kvtest::WriteMachineFile(path, "[" + section + "]\r\n" + body);
    return path;
  }
  static std::u16string N(int v) {
    std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
  }
  std::u16string Name(WORD id) { return StgGetItemName(ctx_, id); }
  std::u16string In(const std::u16string& file, WORD id, const char16_t* suffix = u"") {
    return Key(Name(id) + suffix, section_, file);
  }

  std::u16string data_;
};

TEST_F(Locks, TrayLockIsWrittenIntoThePresetsAndUndone) {
  const std::u16string p0 = Entry(u"p0.rsd", "dmDefaultSource=258\r\n");
  const std::u16string p1 = Entry(u"p1.rsd", "dmDefaultSource=7\r\n");
  const std::u16string p2 = Entry(u"p2.rsd", "dmColor=2\r\n");
  PutKey(u"Count", u"3");
  PutKey(u"PresetList0", p0);
  PutKey(u"PresetList1", p1);
  PutKey(u"PresetList2", p2);
  Set(10419, 1);  // rdmLock000InfoBitTray
  Set(sid::dmDefaultSource, 15);
  StgBroadcastModuleEvent(ctx_, STG_EVENT_LOCKS_TO_PRESETS, nullptr);
  EXPECT_EQ(In(p0, sid::dmDefaultSource), u"15");
  EXPECT_EQ(In(p0, sid::dmDefaultSource, u"Lock"), u"258");
  EXPECT_EQ(In(p1, sid::dmDefaultSource), u"15");
  EXPECT_EQ(In(p1, sid::dmDefaultSource, u"Lock"), u"7");
  EXPECT_EQ(In(p2, sid::dmDefaultSource), u"<absent>");
  EXPECT_EQ(In(p2, sid::dmDefaultSource, u"Lock"), u"<absent>");
  // The colour lock is off: the colour key stays as it was.
  EXPECT_EQ(In(p2, sid::dmColor), u"2");
  // Locking again with another value keeps the saved values.
  Set(sid::dmDefaultSource, 16);
  StgBroadcastModuleEvent(ctx_, STG_EVENT_LOCKS_TO_PRESETS, nullptr);
  EXPECT_EQ(In(p0, sid::dmDefaultSource), u"16");
  EXPECT_EQ(In(p0, sid::dmDefaultSource, u"Lock"), u"258");
  // Unlocking brings the entries' own values back and removes the "Lock" keys.
  Set(10419, 0);
  StgBroadcastModuleEvent(ctx_, STG_EVENT_LOCKS_TO_PRESETS, nullptr);
  EXPECT_EQ(In(p0, sid::dmDefaultSource), u"258");
  EXPECT_EQ(In(p1, sid::dmDefaultSource), u"7");
  EXPECT_EQ(In(p0, sid::dmDefaultSource, u"Lock"), u"<absent>");
  EXPECT_EQ(In(p1, sid::dmDefaultSource, u"Lock"), u"<absent>");
}

TEST_F(Locks, EntryPathsOutsideTheDataFolderAreRefused) {
  const std::u16string inside = Entry(u"p0.rsd", "dmDefaultSource=258\r\n");
  struct Case {
    const char* what;
    std::u16string path;
    bool allowed;
  };
  const Case cases[] = {
      {"inside", inside, true},
      {"another folder", u"C:\\Elsewhere\\p0.rsd", false},
      {"climbing out", data_ + u"..\\p0.rsd", false},
      {"a dot step", data_ + u".\\p0.rsd", false},
      {"forward slashes", data_ + u"sub/p0.rsd", false},
      {"relative", u"p0.rsd", false},
      {"the folder itself", data_, false},
      {"a sibling with the same start", data_.substr(0, data_.size() - 1) + u"x\\p0.rsd", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    EXPECT_EQ(StgIsLockEntryPathAllowed(ctx_, k.path.c_str()), k.allowed ? 1 : 0);
  }
  // An entry that names a file outside is never written, even when it has the key.
  const std::u16string outside = u"C:\\Elsewhere\\p1.rsd";
  std::string section(section_.begin(), section_.end());
  kvtest::WriteMachineFile(outside, "[" + section + "]\r\ndmDefaultSource=7\r\n");
  PutKey(u"Count", u"2");
  PutKey(u"PresetList0", outside);
  PutKey(u"PresetList1", inside);
  Set(10419, 1);
  Set(sid::dmDefaultSource, 15);
  StgBroadcastModuleEvent(ctx_, STG_EVENT_LOCKS_TO_PRESETS, nullptr);
  EXPECT_EQ(In(outside, sid::dmDefaultSource), u"7");
  EXPECT_EQ(In(outside, sid::dmDefaultSource, u"Lock"), u"<absent>");
  EXPECT_EQ(In(inside, sid::dmDefaultSource), u"15");
}

TEST_F(Locks, ResolutionLockOverTheQualityEntries) {
  const RESOLUTION_ROW* row = StgGetResolutionTable();
  ASSERT_TRUE(row && row->code);
  const std::u16string both = Name(sid::rdmDstResolutionBoth), w = Name(sid::rdmDstResolutionW),
                       h = Name(sid::rdmDstResolutionH);
  auto body = [&](bool withBoth) {
    std::string b = withBoth ? std::string(both.begin(), both.end()) + "=99\r\n" : "";
    return b + std::string(w.begin(), w.end()) + "=111\r\n" + std::string(h.begin(), h.end()) + "=222\r\n";
  };
  const std::u16string q0 = Entry(u"q0.rsd", body(true));
  const std::u16string q1 = Entry(u"q1.rsd", body(false));
  const std::u16string q2 = Entry(u"q2.rsd", body(true));
  PutKey(u"QualityCount", u"3");
  PutKey(u"QualityList0", q0);
  PutKey(u"QualityList1", q1);
  PutKey(u"QualityList2", q2);
  Set(10425, 1);  // rdmLock000InfoBitResolution
  Set(sid::rdmDstResolutionBoth, row->code);
  Set(sid::rdmDstResolutionW, row->xDpi);
  Set(sid::rdmDstResolutionH, row->yDpi);
  StgBroadcastModuleEvent(ctx_, STG_EVENT_LOCK_RESOLUTION, nullptr);
  // The first entry took the code lock with its W and H; the second, without the code key, stopped
  // that walk, and the lock then went through W and H to every entry.
  EXPECT_EQ(In(q0, sid::rdmDstResolutionBoth), N((int)row->code));
  EXPECT_EQ(In(q0, sid::rdmDstResolutionBoth, u"Lock"), u"99");
  EXPECT_EQ(In(q0, sid::rdmDstResolutionW), N((int)row->xDpi));
  EXPECT_EQ(In(q0, sid::rdmDstResolutionW, u"Lock"), u"111");
  EXPECT_EQ(In(q0, sid::rdmDstResolutionH, u"Lock"), u"222");
  EXPECT_EQ(In(q1, sid::rdmDstResolutionW), N((int)row->xDpi));
  EXPECT_EQ(In(q1, sid::rdmDstResolutionH), N((int)row->yDpi));
  EXPECT_EQ(In(q1, sid::rdmDstResolutionW, u"Lock"), u"111");
  EXPECT_EQ(In(q2, sid::rdmDstResolutionBoth), u"99");
  EXPECT_EQ(In(q2, sid::rdmDstResolutionW), N((int)row->xDpi));
  EXPECT_EQ(In(q2, sid::rdmDstResolutionH, u"Lock"), u"222");
}

TEST_F(Locks, LockedValuesAreRecorded) {
  Set(sid::dmDefaultSource, 258);
  Set(sid::dmColor, 2);
  StgBroadcastModuleCommand(ctx_, STG_CMD_LOCKS_LOADED);
  EXPECT_EQ(Get(sid::wdmLock001Info), 258u);
  EXPECT_EQ(Get(sid::wdmLock008Info), 2u);
  EXPECT_EQ(StgReapplyBfSetting(ctx_, 9999), 0);
  EXPECT_EQ(StgReapplyBfSetting(ctx_, 11977), 0);
}

TEST_F(Locks, LockedDefaultsComeBackThroughTheirPersistentIds) {
  WORD bf = 0;
  for (const BF_ID_PAIR* p = StgGetBfIdTable(); p->bfId; ++p)
    if (p->settingId == sid::dmCopies) bf = p->bfId;
  ASSERT_NE(bf, 0);
  ITEM_DESC* copies = StgFindItem(ctx_, sid::dmCopies);
  BYTE* locked = StgGetLockedDefaultValuePtr(ctx_, copies);
  ASSERT_NE(locked, nullptr);
  const short three = 3;
  std::memcpy(locked, &three, sizeof(three));
  Set(sid::dmCopies, 9);
  // Only while the default settings are locked.
  StgBroadcastModuleCommand(ctx_, bf);
  EXPECT_EQ(Get(sid::dmCopies), 9u);
  Set(10418, 1);  // rdmLock000InfoBitDefault
  StgBroadcastModuleCommand(ctx_, bf);
  EXPECT_EQ(Get(sid::dmCopies), 3u);
}

}  // namespace
