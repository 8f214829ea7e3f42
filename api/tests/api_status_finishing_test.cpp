// The status items of the finishing functions, the driver API's watermark, header and footer, covers,
// chapters and folding: through the exports where this model offers the setting, and by a direct call
// of the handler where the rule under test comes before any setting of the model is consulted.
#include <cstring>
#include <string>

#include "api_fixture.h"
#include "api_services.h"
#include "api_status.h"
#include "config/driver_lists.h"
#include "config/paths.h"
#include "kvplat/profile.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

namespace {

using apitest::ApiTest;

class ApiFinishing : public ApiTest {
 protected:
  void SetUp() override {
    ApiTest::SetUp();
    h_ = Open(16);
    ASSERT_NE(h_, 0u);
    ctx_ = Ctx(h_);
  }
  void TearDown() override {
    Bind(ctx_, false);
    ZARNDrvDisable(h_);
    ApiTest::TearDown();
  }
  int Error() { return ZARNDrvGetLastError(h_); }
  DWORD Value(WORD id) { return (DWORD)StgGetValue(ctx_, id, nullptr); }
  std::u16string Text(WORD id) {
    WCHAR buf[600] = {};
    StgGetString(ctx_, StgFindItem(ctx_, id), buf);
    return buf;
  }
  static API_WATERMARK_RECORD TextWatermark(const char* text = "DRAFT", const char* font = "DejaVu Sans") {
    API_WATERMARK_RECORD r{};
    r.version = 3;
    r.kind = 1;
    r.size = 72;
    r.density = 50;
    std::strcpy(r.text, text);
    std::strcpy(r.fontName, font);
    return r;
  }

  API_HANDLE h_ = 0;
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(ApiFinishing, TheSwitchOffRuleReadsNothingButTheOnFlag) {
  Bind(ctx_);
  using Set = int (*)(SETTING_CONTEXT*, DWORD, void*, BYTE*, int);
  struct Case {
    DWORD id;
    Set set;
    WORD sw;
  } cases[] = {{11, ApiSetStatusScale, sid::rdmFuncSelectScale},   {12, ApiSetStatusCover, sid::rdmFuncSelectCover},
               {13, ApiSetStatusMarkPaper, sid::rdmFuncSelectMark}, {14, ApiSetStatusNup, sid::rdmFuncSelectNup},
               {15, ApiSetStatusDuplex, sid::rdmFuncSelectDuplex},  {17, ApiSetStatusWatermarkId, sid::rdmFuncSelectWaterMark},
               {19, ApiSetStatusSort, sid::rdmFuncSelectSort},      {20, ApiSetStatusStaple, sid::rdmFuncSelectStaple},
               {21, ApiSetStatusPunch, sid::rdmFuncSelectPunch}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    StgSetValue(ctx_, c.sw, 1);
    // Values no model offers: with the on flag 0 they are never looked at.
    API_FUNCTION_RECORD r{1, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0, 0}, 0};
    EXPECT_EQ(c.set(ctx_, c.id, &r, nullptr, 0), 1);
    EXPECT_EQ(Value(c.sw), 0u);
    // With the function asked on the same values are refused.
    StgSetValue(ctx_, c.sw, 0);
    r.on = 1;
    EXPECT_EQ(c.set(ctx_, c.id, &r, nullptr, 0), -1);
    EXPECT_EQ(Value(c.sw), 0u);
  }
  // The version gate comes first: a version-2 N-up record needs API version 10.
  API_INIT_RECORD v9{8, 9};
  ASSERT_EQ(ZARNDrvInit(h_, &v9), 1);
  API_FUNCTION_RECORD nup{2, {}, 0};
  StgSetValue(ctx_, sid::rdmFuncSelectNup, 1);
  EXPECT_EQ(ApiSetStatusNup(ctx_, 14, &nup, nullptr, 0), -1);
  EXPECT_EQ(Value(sid::rdmFuncSelectNup), 1u);
}

TEST_F(ApiFinishing, FoldAndFoldingSwitchOffLeavingTheRest) {
  Bind(ctx_);
  StgSetValue(ctx_, sid::rdmFuncSelectFold, 1);
  StgSetValue(ctx_, sid::rdmFoldType, 3);
  API_FUNCTION_RECORD fold{1, {9}, 0};
  EXPECT_EQ(ApiSetStatusFold(ctx_, 51, &fold, nullptr, 0), 1);
  EXPECT_EQ(Value(sid::rdmFuncSelectFold), 0u);
  EXPECT_EQ(Value(sid::rdmFoldType), 3u);

  StgSetValue(ctx_, sid::rdmFunc2SelectFolding, 1);
  StgSetValue(ctx_, sid::rdmFoldingType, 5);
  StgSetValue(ctx_, sid::rdmFoldingLongFanType, 2);
  StgSetValue(ctx_, sid::rdmFunc2SelectFoldingPunch, 1);
  API_FUNCTION_RECORD folding{1, {255, 7, 0}, 0};
  EXPECT_EQ(ApiSetStatusFolding(ctx_, 79, &folding, nullptr, 0), 1);
  EXPECT_EQ(Value(sid::rdmFunc2SelectFolding), 0u);
  EXPECT_EQ(Value(sid::rdmFoldingType), 5u);
  EXPECT_EQ(Value(sid::rdmFoldingLongFanType), 2u);
  EXPECT_EQ(Value(sid::rdmFunc2SelectFoldingPunch), 1u);
  // Switched off, the get answers 255 and no sub type.
  API_FUNCTION_RECORD got{};
  EXPECT_EQ(ApiGetStatusFolding(ctx_, 79, &got, 1), 32);
  EXPECT_EQ(got.values[0], 255u);
  EXPECT_EQ(got.values[1], 0u);
  EXPECT_EQ(got.values[2], 1u);
}

TEST_F(ApiFinishing, CoverGetsAnswerOnlyModesTheyKnow) {
  Bind(ctx_);
  API_FUNCTION_RECORD r{};
  StgSetValue(ctx_, sid::rdmFuncSelectBack, 1);
  struct Case {
    DWORD type;
    int result;
    DWORD mode;
  } cases[] = {{0, 32, 1}, {2, 32, 2}, {3, 32, 3}, {1, -1, 0}, {7, -1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    StgSetValue(ctx_, sid::rdmBackCoverType, c.type);
    r.values[0] = 0xAAAA;
    EXPECT_EQ(ApiGetStatusBackCover(ctx_, 64, &r, 1), c.result);
    if (c.result == 32) {
      EXPECT_EQ(r.values[0], c.mode);
    } else {
      EXPECT_EQ(Error(), API_ERROR_GENERAL);
    }
  }
  StgSetValue(ctx_, sid::rdmFuncSelectBack, 0);
  EXPECT_EQ(ApiGetStatusBackCover(ctx_, 64, &r, 1), 32);
  EXPECT_EQ(r.values[0], 0u);
  // Mode 3 needs duplex: code 15.
  StgSetValue(ctx_, sid::rdmFuncSelectDuplex, 0);
  API_FUNCTION_RECORD back{1, {3, 1, 0}, 0};
  EXPECT_EQ(ApiSetStatusBackCover(ctx_, 64, &back, nullptr, 0), -1);
  EXPECT_EQ(Error(), API_ERROR_COMBINATION);
  back.values[0] = 4;
  EXPECT_EQ(ApiSetStatusBackCover(ctx_, 64, &back, nullptr, 0), -1);
  back.values[0] = 0;
  StgSetValue(ctx_, sid::rdmFuncSelectBack, 1);
  EXPECT_EQ(ApiSetStatusBackCover(ctx_, 64, &back, nullptr, 0), 1);
  EXPECT_EQ(Value(sid::rdmFuncSelectBack), 0u);
}

TEST_F(ApiFinishing, IndexRotationNeedsIndexPaper) {
  Bind(ctx_);
  API_FUNCTION_RECORD r{1, {1}, 0};
  StgSetValue(ctx_, sid::rdmMediaType, 300);
  EXPECT_EQ(ApiSetStatusIndexRotation(ctx_, 62, &r, nullptr, 0), -1);
  EXPECT_EQ(Error(), API_ERROR_COMBINATION);
  StgSetValue(ctx_, sid::rdmMediaType, 272);
  for (DWORD mode : {0u, 1u, 2u}) {
    SCOPED_TRACE(mode);
    r.values[0] = mode;
    EXPECT_EQ(ApiSetStatusIndexRotation(ctx_, 62, &r, nullptr, 0), 1);
    EXPECT_EQ(ApiVerifyStatusIndexRotation(ctx_, 62, &r, nullptr, 0), 1);
    API_FUNCTION_RECORD got{};
    EXPECT_EQ(ApiGetStatusIndexRotation(ctx_, 62, &got, 1), 32);
    EXPECT_EQ(got.values[0], mode);
  }
  r.values[0] = 3;
  EXPECT_EQ(ApiSetStatusIndexRotation(ctx_, 62, &r, nullptr, 0), -1);
}

TEST_F(ApiFinishing, HeaderFooterCutsTheFlagsAndNeedsAnInstalledFont) {
  Bind(ctx_);
  API_HEADER_FOOTER_RECORD r{};
  r.version = 1;
  r.flags = 0x0F;
  std::strcpy(r.fontName, "No Such Family");
  EXPECT_EQ(ApiSetStatusHeaderFooter(ctx_, 47, &r, nullptr, 0), -1);
  EXPECT_EQ(r.flags, 7u);
  // No flag: every line off, the font never looked at.
  StgSetValue(ctx_, sid::rdmHFFuncSelectDate, 1);
  r.flags = 8;
  EXPECT_EQ(ApiSetStatusHeaderFooter(ctx_, 47, &r, nullptr, 0), 1);
  EXPECT_EQ(r.flags, 0u);
  EXPECT_EQ(Value(sid::rdmHFFuncSelectDate), 0u);
  EXPECT_EQ(ApiVerifyStatusHeaderFooter(ctx_, 47, &r, nullptr, 0), 1);
  // A font name without its NUL inside the field is refused.
  std::memset(r.fontName, 'A', sizeof r.fontName);
  r.flags = 0;
  EXPECT_EQ(ApiSetStatusHeaderFooter(ctx_, 47, &r, nullptr, 0), -1);
}

TEST_F(ApiFinishing, WatermarkDefinitionLivesInSlot256AndLeavesTheContext) {
  // Opening the connection copied stamp 0 into the API's slot.
  API_WATERMARK_RECORD got{};
  ASSERT_EQ(ZARNDrvGetStatus(h_, 16, &got, 3), 420) << Error();
  const std::u16string text = Text(sid::wdmWmChar), image = Text(sid::wdmWmImage);
  API_WATERMARK_RECORD r = TextWatermark();
  ASSERT_EQ(ZARNDrvSetStatus(h_, 16, &r, nullptr, 0), 0) << Error();
  EXPECT_EQ(Text(sid::wdmWmChar), text);
  EXPECT_EQ(Text(sid::wdmWmImage), image);
  std::memset(&got, 0xCC, sizeof got);
  ASSERT_EQ(ZARNDrvGetStatus(h_, 16, &got, 3), 420) << Error();
  EXPECT_EQ(got.kind, 1u);
  EXPECT_STREQ(got.text, "DRAFT");
  EXPECT_STREQ(got.fontName, "DejaVu Sans");
  EXPECT_EQ(got.size, 72u);
  EXPECT_STREQ(got.path, "");
  EXPECT_EQ(got.reserved[0], 0u);
  // Selected as number 256 and read back so.
  API_FUNCTION_RECORD select{1, {256}, 1};
  EXPECT_EQ(ZARNDrvSetStatus(h_, 17, &select, nullptr, 0), 0) << Error();
  API_FUNCTION_RECORD sel{};
  EXPECT_EQ(ZARNDrvGetStatus(h_, 17, &sel, 1), 32);
  EXPECT_EQ(sel.values[0], 256u);
  // Without the slot in the driver INI the get answers code 9.
  WCHAR section[CFG_LIST_NAME_CHARS];
  CfgFormatStampSection(section, 256, 0, ctx_);
  WritePrivateProfileStringW(section, nullptr, nullptr, IniPath().c_str());
  EXPECT_EQ(ZARNDrvGetStatus(h_, 16, &got, 3), -1);
  EXPECT_EQ(Error(), API_ERROR_NO_STAMP);
  EXPECT_EQ(ZARNDrvSetStatus(h_, 17, &select, nullptr, 0), -1);
}

TEST_F(ApiFinishing, WatermarkValidationByKind) {
  struct Case {
    const char* what;
    DWORD kind, size, position, angle;
    const char* font;
    const char* path;
    int code;  // 0 accepted
  } cases[] = {
      {"text size 5", 1, 5, 0, 0, "DejaVu Sans", "", API_ERROR_REFUSED},
      {"text size 6", 1, 6, 0, 0, "DejaVu Sans", "", 0},
      {"text size 999", 1, 999, 0, 0, "DejaVu Sans", "", 0},
      {"text size 1000", 1, 1000, 0, 0, "DejaVu Sans", "", API_ERROR_REFUSED},
      {"angle at a corner", 1, 72, 1, 45, "DejaVu Sans", "", API_ERROR_REFUSED},
      {"angle at the centre", 1, 72, 0, 45, "DejaVu Sans", "", 0},
      {"angle tiled", 1, 72, 64, 45, "DejaVu Sans", "", 0},
      {"font missing", 1, 72, 0, 0, "No Such Family", "", API_ERROR_FONT},
      {"vertical face", 1, 72, 0, 0, "@DejaVu Sans", "", API_ERROR_FONT},
      {"image size 29", 2, 29, 0, 0, "", "C:\\none.bmp", API_ERROR_REFUSED},
      {"image size 30, no file", 2, 30, 0, 0, "", "C:\\none.bmp", API_ERROR_FILE},
      {"image size 1000", 2, 1000, 0, 0, "", "C:\\none.bmp", API_ERROR_REFUSED},
      {"relative image", 2, 100, 0, 0, "", "none.bmp", API_ERROR_FILE},
      {"overlay without file", 3, 0, 0, 0, "", "C:\\form.rpo", API_ERROR_FILE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    API_WATERMARK_RECORD r = TextWatermark("DRAFT", c.font);
    r.kind = c.kind;
    r.size = c.size;
    r.position = c.position;
    r.angle = c.angle;
    std::strcpy(r.path, c.path);
    int result = ZARNDrvSetStatus(h_, 16, &r, nullptr, 0);
    EXPECT_EQ(result, c.code ? -1 : 0);
    if (c.code) {
      EXPECT_EQ(Error(), c.code);
    }
  }
  // The pattern kind needs API version 3 and a version-2 record.
  API_WATERMARK_RECORD p = TextWatermark();
  p.kind = 128;
  API_INIT_RECORD v2{8, 2};
  ASSERT_EQ(ZARNDrvInit(h_, &v2), 1);
  p.version = 1;
  EXPECT_EQ(ZARNDrvSetStatus(h_, 16, &p, nullptr, 0), -1);
  // A text without its NUL inside the field is refused.
  API_INIT_RECORD v16{8, 16};
  ASSERT_EQ(ZARNDrvInit(h_, &v16), 1);
  API_WATERMARK_RECORD open = TextWatermark();
  std::memset(open.text, 'X', sizeof open.text);
  EXPECT_EQ(ZARNDrvSetStatus(h_, 16, &open, nullptr, 0), -1);
}

TEST_F(ApiFinishing, ChapterRowsAreAddedListedAndDeleted) {
  // This model keeps no chapter rows (its limit is 0) and its rules switch chapters back off after a
  // set, so the handlers are called directly, as the engine does, on a printer whose driver INI offers
  // ten rows; the engine's save of the device data after a chapter set is made by hand.
  const std::u16string section = CfgGetPrinterName(ctx_);
  WritePrivateProfileStringW(section.c_str(), u"ChapterMax", u"10", IniPath().c_str());
  WritePrivateProfileStringW(section.c_str(), u"ChapterTrayMax", u"5", IniPath().c_str());
  ZARNDrvDisable(h_);
  h_ = Open(16);
  ASSERT_NE(h_, 0u);
  ctx_ = Bind(Ctx(h_));
  auto set = [&](API_CHAPTER_RECORD r) {
    int result = ApiSetStatusChapter(ctx_, 67, &r, nullptr, 0);
    if (result == 1) {
      StgSaveDeviceData(ctx_);
      EXPECT_EQ(ApiVerifyStatusChapter(ctx_, 67, &r, nullptr, 0), 1);
    }
    return result;
  };
  auto get = [&](DWORD row, API_CHAPTER_RECORD* out) {
    *out = API_CHAPTER_RECORD{2, 0, 0, 0, row, 0, 0, 0, 0, 0};
    return ApiGetStatusChapter(ctx_, 67, out, 2);
  };
  ASSERT_EQ(set({2, 1, 1, 0, 0, 5, 1, 0, 0, 0}), 1);
  ASSERT_EQ(set({2, 1, 1, 0, 0, 9, 1, 0, 0, 0}), 1);
  API_CHAPTER_RECORD got{};
  ASSERT_EQ(get(2, &got), 40);
  EXPECT_EQ(got.on, 1u);
  EXPECT_EQ(got.count, 2u);
  EXPECT_EQ(got.firstPage, 9u);
  EXPECT_EQ(got.kind, 1u);
  // Refusals leave the rows as they were.
  struct Bad {
    const char* what;
    DWORD op, row, first, kind;
  } bad[] = {{"page 0", 1, 0, 0, 1},     {"page 30001", 1, 0, 30001, 1}, {"kind 2", 1, 0, 5, 2},
             {"row 3 of 2", 2, 3, 0, 0}, {"row 0", 2, 0, 0, 0},          {"operation 4", 4, 0, 0, 0}};
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.what);
    EXPECT_EQ(set({2, 1, b.op, 0, b.row, b.first, b.kind, 0, 0, 0}), -1);
    API_CHAPTER_RECORD n{};
    ASSERT_EQ(get(0, &n), 40);
    EXPECT_EQ(n.count, 2u);
  }
  // A row beyond the list cannot be read.
  EXPECT_EQ(get(3, &got), -1);
  // Deleting one of two keeps chapters on; deleting the last switches them off.
  ASSERT_EQ(set({2, 1, 2, 0, 1, 0, 0, 0, 0, 0}), 1);
  ASSERT_EQ(get(1, &got), 40);
  EXPECT_EQ(got.count, 1u);
  EXPECT_EQ(got.on, 1u);
  EXPECT_EQ(got.firstPage, 9u);
  ASSERT_EQ(set({2, 1, 2, 0, 1, 0, 0, 0, 0, 0}), 1);
  ASSERT_EQ(get(0, &got), 40);
  EXPECT_EQ(got.count, 0u);
  EXPECT_EQ(got.on, 0u);
  // Switching on without rows stores off.
  ASSERT_EQ(set({2, 1, 0, 0, 0, 0, 0, 0, 0, 0}), 1);
  EXPECT_EQ(Value(sid::rdmFuncSelectChapter), 0u);
  // Delete all.
  ASSERT_EQ(set({2, 1, 1, 0, 0, 3, 1, 0, 0, 0}), 1);
  ASSERT_EQ(set({2, 1, 3, 0, 0, 0, 0, 0, 0, 0}), 1);
  ASSERT_EQ(get(0, &got), 40);
  EXPECT_EQ(got.count, 0u);
  // Kind 3 needs API version 15; a version-2 record needs it as well.
  API_INIT_RECORD v14{8, 14};
  ASSERT_EQ(ZARNDrvInit(h_, &v14), 1);
  Bind(ctx_);
  EXPECT_EQ(set({1, 1, 1, 0, 0, 5, 3, 0, 0, 0}), -1);
  EXPECT_EQ(set({2, 1, 1, 0, 0, 5, 1, 0, 0, 0}), -1);
}

}  // namespace
