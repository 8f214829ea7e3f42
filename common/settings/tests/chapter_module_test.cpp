// Chapters module: the merge of new pages into the rows with each refusal rule, the chapter tray slots,
// a chapter limit that grows after the first use, delete, clear, compare, load and save through the
// INI, and the module's command and events.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/device_settings.h"
#include "config/settings_file.h"
#include "devlink/bidi_query.h"
#include "driverdata/rule_eval.h"
#include "kvplat/root.h"
#include "module_fixture.h"
#include "settings/api_state.h"
#include "settings/feature_modules.h"
#include "settings/public_fields.h"
#include "settings/store.h"

using namespace kvstgtest;

namespace {

void wcscpy_like(WCHAR* dst, std::u16string_view s) {
  size_t i = 0;
  for (; i < s.size(); ++i) dst[i] = s[i];
  dst[i] = 0;
}

struct Range {
  WCHAR text[STG_CHAPTER_RANGE_CHARS] = {};
  explicit Range(std::u16string_view s = {}) {
    for (size_t i = 0; i < s.size() && i < STG_CHAPTER_RANGE_CHARS; ++i) text[i] = s[i];
  }
};

class Chapters : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    Set(sid::wdmChapterMax, 5);
    StgSetOptionValue(ctx_, sid::wdmChapterTrayMax, 8);
    Kind(0, TrayA(), 1);
  }
  // Stored tray values of three trays with distinct device codes (option values 2, 3 and 5).
  SHORT Tray(DWORD option) {
    ITEM_DESC* row = StgFindItem(ctx_, sid::wdmChapterTray);
    return (SHORT)(row ? StgMapFromOption(ctx_, row, option) : option);
  }
  SHORT TrayA() { return Tray(2); }
  SHORT TrayB() { return Tray(3); }
  SHORT TrayC() { return Tray(5); }
  void Kind(BYTE kind, SHORT tray, BYTE print) {
    Set(sid::wdmChapterKind, kind);
    Set(sid::wdmChapterTray, (uint64_t)(int64_t)tray);
    Set(sid::wdmChapterPrint, print);
  }
  // Merges pages (with range texts for kind 3).
  int Edit(std::vector<DWORD> pages, std::vector<std::u16string_view> texts = {}) {
    std::vector<DWORD> list = pages;
    list.push_back(0);
    std::vector<Range> ranges;
    for (size_t i = 0; i < list.size(); ++i) ranges.emplace_back(i < texts.size() ? texts[i] : u"");
    static_assert(sizeof(Range) == sizeof(WCHAR[STG_CHAPTER_RANGE_CHARS]));
    auto* r = reinterpret_cast<const WCHAR(*)[STG_CHAPTER_RANGE_CHARS]>(ranges.data());
    return StgEditChapterRows(ctx_, StgFindDialog(ctx_, 1044), list.data(), nullptr, texts.empty() ? nullptr : r);
  }
  std::vector<int> Pages() {
    std::vector<int> out;
    for (int i = 0; CHAPTER_ROW* r = StgGetChapterRow(ctx_, i); ++i) out.push_back(r->page);
    return out;
  }
  static std::u16string Decimal(int v) {
    std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
  }
  CHAPTER_ROW Row(int i) {
    CHAPTER_ROW* r = StgGetChapterRow(ctx_, i);
    return r ? *r : CHAPTER_ROW{};
  }
};

TEST_F(Chapters, MergeKeepsThePagesInOrder) {
  ASSERT_EQ(Edit({3, 8}), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 8}));
  ASSERT_EQ(Edit({5}), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 5, 8}));
  EXPECT_EQ(Get(sid::wdmChapterNum), 3u);
  // Adding page 8 again replaces its row with the current kind, tray and print.
  Kind(0, TrayB(), 2);
  ASSERT_EQ(Edit({8}), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 5, 8}));
  EXPECT_EQ(Row(2).tray, TrayB());
  EXPECT_EQ(Row(2).print, 2);
  EXPECT_EQ(Row(0).tray, TrayA());
  // A page equal to the row just written is dropped.
  ASSERT_EQ(Edit({9, 9}), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 5, 8, 9}));
  // Kinds other than 0 and 3 carry no tray or print.
  Kind(1, TrayC(), 1);
  ASSERT_EQ(Edit({1}), 0);
  EXPECT_EQ(Row(0).kind, 1);
  EXPECT_EQ(Row(0).tray, 0);
  EXPECT_EQ(Row(0).print, 0);
}

TEST_F(Chapters, RefusedEditsLeaveEverythingAsItWas) {
  struct Case {
    const char* what;
    DWORD max;
    std::vector<DWORD> before;  // kind-0 rows on tray A, print 1
    BYTE kind;
    DWORD trayOption;  // 2, 3 or 5: trays A, B, C
    BYTE print;
    bool coverOn;
    BYTE coverType;
    DWORD trayMax;
    std::vector<DWORD> add;
    std::vector<std::u16string_view> texts;
    int result;
  };
  const Case cases[] = {
      {"list full", 3, {1, 2, 3}, 0, 2, 1, false, 0, 8, {4}, {}, 1},
      {"a limit of 0 holds no row", 0, {}, 0, 2, 1, false, 0, 8, {4}, {}, 1},
      {"range over an existing page", 5, {6}, 3, 2, 1, false, 0, 8, {4}, {u"4-9"}, 1},
      {"range from page 1 under a front cover", 5, {}, 3, 2, 1, true, 2, 8, {1}, {u"1-3"}, 1},
      {"front cover of type 1 allows it", 5, {}, 3, 2, 1, true, 1, 8, {1}, {u"1-3"}, 0},
      {"print 2 on the tray of a print-1 row", 5, {1}, 0, 2, 2, false, 0, 8, {2}, {}, 1},
      {"print 2 on another tray", 5, {1}, 0, 3, 2, false, 0, 8, {2}, {}, 0},
      {"a second tray within a limit of 2", 5, {1}, 0, 3, 1, false, 0, 2, {2}, {}, 0},
      {"a page the row cannot hold", 5, {1}, 0, 2, 1, false, 0, 8, {70000}, {}, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    StgClearChapterRows(ctx_);
    Set(sid::wdmChapterMax, k.max);
    StgSetOptionValue(ctx_, sid::wdmChapterTrayMax, k.trayMax);
    Set(sid::rdmFuncSelectCover, k.coverOn);
    Set(sid::rdmCoverType, k.coverType);
    Kind(0, TrayA(), 1);
    if (!k.before.empty()) {
      ASSERT_EQ(Edit(k.before), 0);
    }
    std::vector<int> pages = Pages();
    Kind(k.kind, Tray(k.trayOption), k.print);
    EXPECT_EQ(Edit(k.add, k.texts), k.result);
    if (k.result) {
      EXPECT_EQ(Pages(), pages);
    }
  }
}

TEST_F(Chapters, RangesOfKind3) {
  Kind(3, TrayA(), 1);
  ASSERT_EQ(Edit({9}, {u"9-11"}), 0);
  EXPECT_EQ(std::u16string(Row(0).range), u"9-11");
  EXPECT_EQ(Edit({10}, {u"10-12"}), 1);  // overlaps 9-11
  EXPECT_EQ(Edit({12}, {u"12-14"}), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{9, 12}));
  // A range text that does not fit its 16 characters is refused, not cut.
  WCHAR full[2][STG_CHAPTER_RANGE_CHARS];
  for (WCHAR& c : full[0]) c = u'7';
  full[1][0] = 0;
  DWORD pages[2] = {20, 0};
  EXPECT_EQ(StgEditChapterRows(ctx_, nullptr, pages, nullptr, full), 1);
  EXPECT_EQ(Pages(), (std::vector<int>{9, 12}));
}

TEST_F(Chapters, TraySlotsCountDistinctTraysAndARefusalRestoresThem) {
  StgSetOptionValue(ctx_, sid::wdmChapterTrayMax, 2);
  ASSERT_EQ(Edit({1}), 0);
  Kind(0, TrayA(), 1);
  ASSERT_EQ(Edit({2}), 0);  // the same tray: one slot
  EXPECT_EQ(Get(sid::wdmChapterTrayNum), 1u);
  Kind(0, TrayB(), 1);
  ASSERT_EQ(Edit({3}), 0);
  EXPECT_EQ(Get(sid::wdmChapterTrayNum), 2u);
  EXPECT_EQ((SHORT)Get(sid::wdmChapterUseTray1), TrayA());
  EXPECT_EQ((SHORT)Get(sid::wdmChapterUseTray2), TrayB());
  // A third tray: refused, and the slots and their count are as before.
  Kind(0, TrayC(), 1);
  ASSERT_EQ(Edit({4}), 1);
  EXPECT_EQ(Get(sid::wdmChapterTrayNum), 2u);
  EXPECT_EQ((SHORT)Get(sid::wdmChapterUseTray1), TrayA());
  EXPECT_EQ((SHORT)Get(sid::wdmChapterUseTray2), TrayB());
  EXPECT_EQ(Get(sid::wdmChapterNum), 3u);
  // A limit above the eight slots that exist counts as eight: a ninth tray is refused instead of
  // overwriting the first slot.
  StgClearChapterRows(ctx_);
  Set(sid::wdmChapterMax, 12);
  StgSetOptionValue(ctx_, sid::wdmChapterTrayMax, 20);
  const DWORD options[] = {2, 3, 5, 6, 439, 839, 837, 13364, 13738};  // nine device codes
  for (DWORD i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    Kind(0, Tray(options[i]), 1);
    EXPECT_EQ(Edit({i + 1}), i < 8 ? 0 : 1);
  }
  EXPECT_EQ((SHORT)Get(sid::wdmChapterUseTray1), Tray(2));
  EXPECT_EQ(Get(sid::wdmChapterTrayNum), 8u);
}

TEST_F(Chapters, TheRowBlockFollowsTheLimit) {
  Set(sid::wdmChapterMax, 2);
  ASSERT_EQ(Edit({1, 2}), 0);
  EXPECT_EQ(Edit({3}), 1);  // full
  // A settings file or the driver INI raises the limit after the rows were made: the block grows with
  // the rows kept.
  Set(sid::wdmChapterMax, 6);
  ASSERT_EQ(Edit({3, 4, 5, 6}), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  // A count beyond the limit (from the INI) gives out no row past the block.
  Set(sid::wdmChapterMax, 3);
  Set(sid::wdmChapterNum, 40);
  EXPECT_EQ(Pages(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(StgGetChapterRow(ctx_, 3), nullptr);
  EXPECT_EQ(StgGetChapterRow(ctx_, -1), nullptr);
  std::vector<CHAPTER_ROW> a(4), b(4);
  b[3].page = 9;  // beyond the limit: not compared
  EXPECT_EQ(StgCompareChapterRows(ctx_, a.data(), b.data()), 0);
  b[2].print = 1;
  EXPECT_EQ(StgCompareChapterRows(ctx_, a.data(), b.data()), 1);
  b[2].print = 0;
  wcscpy_like(b[1].range, u"1-2");  // texts are not compared
  EXPECT_EQ(StgCompareChapterRows(ctx_, a.data(), b.data()), 0);
  EXPECT_EQ(StgCompareChapterRows(ctx_, a.data(), nullptr), 1);
}

TEST_F(Chapters, DeleteAndClearKeepTheOldCount) {
  ASSERT_EQ(Edit({3, 5, 8}), 0);
  // Without the driver-API record nothing is deleted.
  EXPECT_EQ(StgDeleteChapterRow(ctx_), 1);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 5, 8}));
  API_STATE api{};
  ctx_->work->apiState = &api;
  api.chapterRowIndex = 0;
  EXPECT_EQ(StgDeleteChapterRow(ctx_), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{5, 8}));
  EXPECT_EQ(Get(sid::wdmChapterNum), 2u);
  EXPECT_EQ(ctx_->work->chapterCountKept, 3u);
  api.chapterRowIndex = 1;
  EXPECT_EQ(StgDeleteChapterRow(ctx_), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{5}));
  // A row that does not exist is refused and drops nothing, also when the list fills the block.
  Set(sid::wdmChapterMax, 3);
  StgClearChapterRows(ctx_);
  ASSERT_EQ(Edit({3, 5, 8}), 0);
  for (DWORD index : {3u, 7u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(index);
    api.chapterRowIndex = index;
    ctx_->work->chapterCountKept = 99;
    EXPECT_EQ(StgDeleteChapterRow(ctx_), 1);
    EXPECT_EQ(Pages(), (std::vector<int>{3, 5, 8}));
    EXPECT_EQ(Get(sid::wdmChapterNum), 3u);
    EXPECT_EQ(ctx_->work->chapterCountKept, 99u);
  }
  api.chapterRowIndex = 2;
  EXPECT_EQ(StgDeleteChapterRow(ctx_), 0);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 5}));
  Set(sid::wdmChapterMax, 5);
  StgClearChapterRows(ctx_);
  ASSERT_EQ(Edit({5}), 0);
  ctx_->work->apiState = nullptr;
  EXPECT_EQ(StgClearChapterRows(ctx_), 0);
  EXPECT_EQ(Get(sid::wdmChapterNum), 0u);
  EXPECT_EQ(ctx_->work->chapterCountKept, 1u);
  EXPECT_TRUE(Pages().empty());
}

TEST_F(Chapters, SaveAndLoadThroughTheIni) {
  Kind(3, TrayB(), 2);
  ASSERT_EQ(Edit({3}, {u"3-4"}), 0);
  Set(sid::wdmChapterNum, 2);  // the second row is empty: the save ends there
  StgSaveChapterRows(ctx_, nullptr);
  EXPECT_EQ(Key(u"wdmChapterPage1"), u"3");
  EXPECT_EQ(Key(u"wdmChapterKind1"), u"3");
  EXPECT_EQ(Key(u"wdmChapterTray1"), Decimal(TrayB()));
  EXPECT_EQ(Key(u"wdmChapterPrint1"), u"2");
  EXPECT_EQ(Key(u"wdmChapterPageRange1"), u"3-4");
  EXPECT_EQ(Key(u"wdmChapterPage2"), u"0");
  EXPECT_EQ(Key(u"wdmChapterPage3"), u"<absent>");
  EXPECT_EQ(Get(sid::wdmChapterNum), 1u);
  // Loading: rows below the count from their keys (a long range text cut to 15 characters), the
  // others cleared.
  PutKey(u"wdmChapterPage2", u"7");
  PutKey(u"wdmChapterKind2", u"3");
  PutKey(u"wdmChapterPageRange2", u"7-123456789012345678");
  Set(sid::wdmChapterNum, 2);
  EXPECT_EQ(StgLoadChapterRows(ctx_, nullptr, 0), 2);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 7}));
  EXPECT_EQ(Row(0).tray, TrayB());
  EXPECT_EQ(std::u16string(Row(1).range), u"7-1234567890123");
  // The same through the settings-file event: flags 2 save, 1 load.
  const std::u16string file = u"C:\\chapters.ini";
  kvtest::WriteMachineFile(file, "");
  CFG_FILE_TRANSFER_EVENT save{2, file.c_str()};
  EXPECT_EQ(StgBroadcastModuleEvent(ctx_, STG_EVENT_FILE_TRANSFERRED, &save), STG_MODULE_COUNT);
  EXPECT_EQ(Key(u"wdmChapterPage2", section_, file), u"7");
  StgClearChapterRows(ctx_);
  Set(sid::wdmChapterNum, 2);
  CFG_FILE_TRANSFER_EVENT load{1, file.c_str()};
  StgBroadcastModuleEvent(ctx_, STG_EVENT_FILE_TRANSFERRED, &load);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 7}));
}

// The by-name pass of the device settings offers each row to the modules: only the chapter settings
// reach the driver INI under their names, and the by-name read takes them back.
TEST_F(Chapters, ByNameDevicePassKeepsOnlyChapterSettings) {
  Set(sid::wdmChapterNum, 2);
  ASSERT_EQ(CfgSaveDeviceSettings(ctx_->printer, ctx_, STG_BLOCK_WORK, CFG_SAVE_BY_NAME), 1);
  EXPECT_EQ(Key(u"wdmChapterNum"), u"2");
  std::string host;
  ASSERT_EQ(kvp::MapPath(ini_, host), 0);
  std::stringstream text;
  text << std::ifstream(host).rdbuf();
  for (std::string line; std::getline(text, line);) {
    if (line.empty() || line[0] == '[') continue;
    EXPECT_EQ(line.rfind("wdmChapter", 0), 0u) << line;
  }
  Set(sid::wdmChapterNum, 0);
  CfgReadSettingClass(ctx_->printer, ctx_, STG_BLOCK_WORK, 2, nullptr);
  EXPECT_EQ(Get(sid::wdmChapterNum), 2u);
}

TEST_F(Chapters, LimitsAreLoadedOncePerContext) {
  PutKey(u"ChapterMax", u"7");
  PutKey(u"ChapterTrayMax", u"3");
  uint64_t answer = 1;
  StgBroadcastModuleEvent(ctx_, STG_EVENT_DEVICE_DATA, &answer);
  EXPECT_EQ(Get(sid::wdmChapterMax), 7u);
  EXPECT_EQ(Get(sid::wdmChapterTrayMax), 3u);
  EXPECT_EQ(ctx_->work->chapterDeviceLoaded, 1u);
  PutKey(u"ChapterMax", u"9");
  EXPECT_EQ(StgLoadChapterLimitsOnce(ctx_), 1);
  EXPECT_EQ(Get(sid::wdmChapterMax), 7u);
  // The rows follow the limit read after them.
  ASSERT_EQ(Edit({1, 2, 3, 4, 5, 6, 7}), 0);
  EXPECT_EQ(Edit({8}), 1);
}

// A list stored by an earlier session survives the first device-data load of a new context: the
// rows are read with the stored limit, so the next save writes them back unchanged.
TEST_F(Chapters, AStoredListSurvivesTheFirstDeviceLoadAndTheNextSave) {
  ASSERT_EQ(ctx_->work->chapterDeviceLoaded, 0u);
  Set(sid::wdmChapterMax, 0);  // as a new context has it before the device data
  PutKey(u"ChapterMax", u"10");
  PutKey(u"ChapterTrayMax", u"3");
  PutKey(u"wdmChapterNum", u"3");
  const char16_t* pages[] = {u"3", u"5", u"8"};
  for (int i = 0; i < 3; ++i) {
    PutKey(u"wdmChapterPage" + Decimal(i + 1), pages[i]);
    PutKey(u"wdmChapterKind" + Decimal(i + 1), u"0");
  }
  // A DEVMODE merge with chapters on requests the device data.
  Set(sid::rdmFuncSelectChapter, 1);
  DEVMODEW* dm = StgGetDevmode(ctx_);
  ASSERT_NE(dm, nullptr);
  StgMergeDependentSettings(dm, dm, ctx_);
  ASSERT_EQ(ctx_->work->chapterDeviceLoaded, 1u);
  EXPECT_EQ(Get(sid::wdmChapterMax), 10u);
  EXPECT_EQ(Pages(), (std::vector<int>{3, 5, 8}));
  ASSERT_EQ(CfgSaveDeviceSettingsAll(ctx_->printer, ctx_), 1);
  EXPECT_EQ(Key(u"wdmChapterNum"), u"3");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Key(u"wdmChapterPage" + Decimal(i + 1)), pages[i]) << i;
}

TEST_F(Chapters, ValidationRunsTheRulesOverEachRowAndRestoresTheWorkingSettings) {
  Kind(0, TrayB(), 1);
  ASSERT_EQ(Edit({2, 4}), 0);
  // What the rules make of the row's tray and print.
  Set(sid::wdmChapterTray, (uint64_t)(int64_t)TrayB());
  RuleRunSettingTransact(ctx_, sid::wdmChapterTray);
  const SHORT tray = (SHORT)Get(sid::wdmChapterTray);
  Kind(3, TrayC(), 2);  // the working settings before the check
  StgBroadcastModuleEvent(ctx_, STG_EVENT_BEFORE_STORE, nullptr);
  EXPECT_EQ(Row(0).tray, tray);
  EXPECT_EQ(Row(1).tray, tray);
  EXPECT_EQ((SHORT)Get(sid::wdmChapterTray), TrayC());
  EXPECT_EQ(Get(sid::wdmChapterPrint), 2u);
}

TEST_F(Chapters, IniKeysAreBounded) {
  WCHAR key[40];
  EXPECT_TRUE(StgFormatChapterKey(key, 40, 0x7FFFFFFF, STG_CHAPTER_FIELD_RANGE));
  EXPECT_EQ(std::u16string(key), u"wdmChapterPageRange2147483648");
  EXPECT_FALSE(StgFormatChapterKey(key, 12, 0, STG_CHAPTER_FIELD_PAGE));  // does not fit
  EXPECT_EQ(key[0], 0);
  EXPECT_FALSE(StgFormatChapterKey(key, 40, -1, STG_CHAPTER_FIELD_PAGE));
  EXPECT_FALSE(StgFormatChapterKey(key, 40, 0, 6));
}

TEST_F(Chapters, CommandsAndTrayEvents) {
  Set(sid::rdmCoverMediaType, 7);
  Set(sid::rdmChapterMediaType, 3);
  StgBroadcastModuleCommand(ctx_, 303);
  for (WORD id : {sid::rdmBackCoverMediaType, sid::rdmMPInputMediaType, sid::rdmChapterMediaType,
                  sid::rdmReverseCoverMediaType})
    EXPECT_EQ(Get(id), 7u) << id;
  struct Case {
    DWORD flags, kind;
    WORD result;
  };
  const Case cases[] = {{0x20, 1, 1}, {0x40, 1, 0}, {0x40, 2, 1}, {0x80, 3, 1}, {0x80, 0, 1},
                        {0x10, 0, 0}, {0xE0, 4, 0}};
  for (const Case& k : cases) {
    BIDI_TRAY_STATUS_ARG a{k.flags, k.kind, 9};
    StgBroadcastModuleEvent(ctx_, STG_EVENT_TRAY_STATUS, &a);
    EXPECT_EQ(a.answer, k.result) << k.flags << " " << k.kind;
  }
  BYTE done = 1;
  BIDI_TRAY_FUNCTION_ARG def{0x40 | 0x80, 13, &done};
  StgBroadcastModuleEvent(ctx_, STG_EVENT_TRAY_FUNCTION, &def);
  EXPECT_EQ(Get(sid::rdmChapterDefTray2), 13u);
  EXPECT_EQ(done, 1 | 8);
  def.status = 0x10;
  StgBroadcastModuleEvent(ctx_, STG_EVENT_TRAY_FUNCTION, &def);
  EXPECT_EQ(done, 1 | 8);
  EXPECT_EQ(StgMapTrayOptionToCode(13552), 299u);
  EXPECT_EQ(StgMapTrayOptionToCode(801), 25u);
  EXPECT_EQ(StgMapTrayOptionToCode(4711), 0u);
}

}  // namespace
