// Escapes: the answer of every escape of the table, the job-log settings they set, and the size checks
// that keep each escape inside the caller's buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/ini.h"
#include "config/paths.h"
#include "gr_doc_fixture.h"
#include "gr_escape.h"
#include "gr_pjl.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "settings/access.h"
#include "settings/setting_ids.h"
#include "zs_fixture.h"

namespace {

class EscapeTest : public grtest::DocTest {
 protected:
  void SetUp() override {
    DocTest::SetUp();
    dc_ = &Enable();
  }
  ULONG Esc(ULONG escape, const void* in, ULONG inSize, void* out = nullptr, ULONG outSize = 0) {
    return DrvEscape(&dc_->so, escape, inSize, const_cast<void*>(in), outSize, out);
  }
  ULONG EscText(ULONG escape, const std::string& text) { return Esc(escape, text.c_str(), ULONG(text.size() + 1)); }
  std::u16string Text(WORD id) {
    ITEM_DESC* row = StgFindItem(ctx(), id);
    WCHAR buf[1025] = {};
    StgGetString(ctx(), row, buf);
    return buf;
  }
  SETTING_CONTEXT* ctx() { return dc_->p()->settings; }
  Dc* dc_ = nullptr;
};

TEST_F(EscapeTest, QueryEscapeSupport) {
  struct Case {
    WORD asked;
    bool passThrough;
    ULONG result;
  } cases[] = {{17, false, 999}, {19, false, 0}, {19, true, 1}, {130, false, 0}, {8, false, 1},
               {20, false, 1},   {42, false, 1}, {110, false, 0}, {111, false, 1}, {126, false, 1},
               {127, false, 0},  {140, false, 1}, {141, false, 1}, {142, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    dc_->p()->passThrough = c.passThrough;
    EXPECT_EQ(Esc(GR_ESC_QUERYESCSUPPORT, &c.asked, sizeof c.asked), c.result);
  }
  DWORD wide = 17;  // applications often pass a 32-bit number
  EXPECT_EQ(Esc(GR_ESC_QUERYESCSUPPORT, &wide, sizeof wide), 999u);
  EXPECT_EQ(Esc(GR_ESC_QUERYESCSUPPORT, nullptr, 0), 0u);
  EXPECT_EQ(Esc(GR_ESC_QUERYESCSUPPORT, &wide, 1), 0u);  // too short to hold the number
  EXPECT_EQ(Esc(130, &wide, sizeof wide), 0u);
}

TEST_F(EscapeTest, SetCopyCountClampsAndStoresTheCount) {
  struct Case {
    DWORD asked;
    LONG set;
  } cases[] = {{0, 1}, {1, 1}, {5, 5}, {998, 998}, {999, 999}, {1500, 999}, {0xFFFFFFFF, 999}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    LONG out = -7;
    EXPECT_EQ(Esc(GR_ESC_SETCOPYCOUNT, &c.asked, 4, &out, 4), 1u);
    EXPECT_EQ(out, c.set);
    EXPECT_EQ(dc_->p()->copies, c.set);
    EXPECT_EQ(LONG(StgGetOptionValue(ctx(), sid::dmCopies, nullptr)), c.set);
  }
  DWORD three = 3;
  EXPECT_EQ(Esc(GR_ESC_SETCOPYCOUNT, &three, 4), 1u);  // the output is optional
  EXPECT_EQ(dc_->p()->copies, 3);
  EXPECT_EQ(Esc(GR_ESC_SETCOPYCOUNT, nullptr, 0), GR_ESC_FAILED);
  EXPECT_EQ(Esc(GR_ESC_SETCOPYCOUNT, &three, 2), GR_ESC_FAILED);  // half a count is no count
  DWORD seven = 7;
  BYTE small[2] = {0xEE, 0xEE};
  EXPECT_EQ(Esc(GR_ESC_SETCOPYCOUNT, &seven, 4, small, 2), 0u);  // no room for the answer: nothing set
  EXPECT_EQ(dc_->p()->copies, 3);
  EXPECT_EQ(small[0], 0xEE);
}

TEST_F(EscapeTest, FixedTextsAndDeviceUnitsRespectTheOutputSize) {
  char tech[8];
  std::memset(tech, 'x', sizeof tech);
  EXPECT_EQ(Esc(GR_ESC_GETTECHNOLOGY, nullptr, 0, tech, sizeof tech), 1u);
  EXPECT_STREQ(tech, "ZARN");
  EXPECT_EQ(Esc(GR_ESC_GETTECHNOLOGY, nullptr, 0, nullptr, 0), 0u);
  std::memset(tech, 'x', sizeof tech);
  EXPECT_EQ(Esc(GR_ESC_GETTECHNOLOGY, nullptr, 0, tech, 4), 0u);  // no room for the terminator
  EXPECT_EQ(tech[0], 'x');

  char version[26];
  EXPECT_EQ(Esc(GR_ESC_VERSION, nullptr, 0, version, sizeof version), 1u);
  EXPECT_EQ(std::strlen(version), 25u);
  EXPECT_EQ(Esc(GR_ESC_VERSION, nullptr, 0, version, 25), 0u);
  EXPECT_EQ(Esc(GR_ESC_VERSION, nullptr, 0, nullptr, 0), 0u);

  char library[64];
  std::memset(library, 'x', sizeof library);
  EXPECT_EQ(Esc(GR_ESC_OUTPUT_LIBRARY, nullptr, 0, library, sizeof library), 1u);
  std::string name(library);
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(std::u16string(name.begin(), name.end()), std::u16string(dc_->p()->outputLibrary));
  EXPECT_EQ(Esc(GR_ESC_OUTPUT_LIBRARY, nullptr, 0, library, ULONG(name.size())), 0u);  // terminator missing
  EXPECT_EQ(Esc(GR_ESC_OUTPUT_LIBRARY, nullptr, 0, nullptr, 0), 0u);

  float units[4] = {-1, -1, -1, -1};
  EXPECT_EQ(Esc(GR_ESC_GETDEVICEUNITS, nullptr, 0, units, sizeof units), 1u);
  EXPECT_EQ(units[0], float(StgGetOptionValue(ctx(), sid::rdmSrcPaperPrnWidthDot, nullptr)));
  EXPECT_EQ(units[1], float(StgGetOptionValue(ctx(), sid::rdmSrcPaperPrnLengthDot, nullptr)));
  EXPECT_GT(units[0], 0.0f);
  EXPECT_EQ(units[2], 0.0f);  // no page open
  EXPECT_EQ(units[3], 0.0f);
  dc_->p()->state |= GR_STATE_PAGE_OPEN;
  dc_->p()->offsetX = 120;
  dc_->p()->offsetY = 96;
  EXPECT_EQ(Esc(GR_ESC_GETDEVICEUNITS, nullptr, 0, units, sizeof units), 1u);
  EXPECT_EQ(units[2], 120.0f);
  EXPECT_EQ(units[3], 96.0f);
  dc_->p()->state &= ~GR_STATE_PAGE_OPEN;
  EXPECT_EQ(Esc(GR_ESC_GETDEVICEUNITS, nullptr, 0, units, sizeof units - 1), 0u);
  EXPECT_EQ(Esc(GR_ESC_GETDEVICEUNITS, nullptr, 0, nullptr, 0), 0u);
}

TEST_F(EscapeTest, JobLogTextsAreCutToTheSettingAndToTheInput) {
  struct Case {
    ULONG escape;
    WORD id;
  } cases[] = {{111, sid::rdmUserCode},       {112, sid::rdmOwnerName},   {113, sid::rdmJOBPassword},
               {114, sid::rdmUserID},         {115, sid::rdmDocumentName}, {116, sid::rdmTelNo},
               {118, sid::rdmStoredPassword}, {123, sid::wdmAuthenticationUserName},
               {124, sid::wdmAuthenticationNetworkKey}, {125, sid::wdmAuthenticationPassword}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.escape);
    ITEM_DESC* row = StgFindItem(ctx(), c.id);
    ASSERT_NE(row, nullptr);
    size_t room = StgTypeLength(row->type) - 1;
    EXPECT_EQ(EscText(c.escape, "AB12"), 1u);
    EXPECT_EQ(Text(c.id), u"AB12");
    std::string longText(room + 40, 'q');
    EXPECT_EQ(EscText(c.escape, longText), 1u);
    EXPECT_EQ(Text(c.id), std::u16string(room, u'q'));
    // An input without its terminator is read only as far as the caller said.
    std::vector<char> raw(room + 40, 'z');
    EXPECT_EQ(Esc(c.escape, raw.data(), 3), 1u);
    EXPECT_EQ(Text(c.id), u"zzz");
    EXPECT_EQ(Esc(c.escape, nullptr, 0), 1u);
    EXPECT_EQ(Text(c.id), u"");
  }
  EXPECT_EQ(EscText(GR_ESC_TEL_LINE, "12"), 1u);
  EXPECT_EQ(StgGetValue(ctx(), sid::rdmTelLine, nullptr), 12u);
  EXPECT_EQ(Esc(GR_ESC_TEL_LINE, "345", 1), 1u);
  EXPECT_EQ(StgGetValue(ctx(), sid::rdmTelLine, nullptr), 3u);
}

TEST_F(EscapeTest, JobLogTextsSurviveTheReloadAtStartDoc) {
  EXPECT_EQ(EscText(GR_ESC_USER_CODE, "U123"), 1u);
  EXPECT_EQ(EscText(GR_ESC_OWNER_NAME, "owner"), 1u);
  EXPECT_EQ(EscText(GR_ESC_TEL_LINE, "4"), 1u);
  ASSERT_TRUE(DrvStartDoc(&dc_->so, const_cast<LPWSTR>(u"doc"), 1));
  EXPECT_EQ(Text(sid::rdmUserCode), u"U123");
  EXPECT_EQ(Text(sid::rdmOwnerName), u"owner");
  EXPECT_EQ(StgGetValue(ctx(), sid::rdmTelLine, nullptr), 4u);
  ASSERT_TRUE(DrvEndDoc(&dc_->so, 0));
}

TEST_F(EscapeTest, SettingReadsAnswerTheOptionValue) {
  struct Case {
    ULONG escape;
    WORD id;
  } cases[] = {{119, sid::dmDefaultSource}, {120, sid::rdmPrnMethod}, {126, sid::rdmAPIUseFlag}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.escape);
    WORD out = 0xBEEF;
    EXPECT_EQ(Esc(c.escape, nullptr, 0, &out, sizeof out), 1u);
    EXPECT_EQ(out, WORD(StgGetOptionValue(ctx(), c.id, nullptr)));
    EXPECT_EQ(Esc(c.escape, nullptr, 0), 1u);  // the output is optional
    BYTE one = 0x5A;
    EXPECT_EQ(Esc(c.escape, nullptr, 0, &one, 1), 0u);
    EXPECT_EQ(one, 0x5A);
  }
}

TEST_F(EscapeTest, IniPathEscapeRedirectsTheContextsIniReads) {
  const WCHAR* computed = CfgGetIniPath(ctx());
  ASSERT_NE(computed, nullptr);
  std::u16string before = computed;
  std::u16string path = u"C:\\Temp\\other.ini";
  kvtest::WriteMachineFile(path, "[Shop]\r\nCount=42\r\n");
  EXPECT_EQ(Esc(GR_ESC_SET_INI_PATH, path.c_str(), ULONG((path.size() + 1) * 2)), 1u);
  EXPECT_EQ(std::u16string(CfgGetIniPath(ctx())), path);
  EXPECT_EQ(CfgIniGetInt(u"Shop", u"Count", 0, CfgGetIniPath(ctx())), 42);

  // Refused, nothing changed: a path that does not end within the input, or does not fit the path.
  std::u16string other = u"C:\\Temp\\x.ini";
  EXPECT_EQ(Esc(GR_ESC_SET_INI_PATH, other.c_str(), ULONG(other.size() * 2)), 0u);
  std::u16string tooLong = u"C:\\" + std::u16string(257, u'a');  // 260 characters
  EXPECT_EQ(Esc(GR_ESC_SET_INI_PATH, tooLong.c_str(), ULONG((tooLong.size() + 1) * 2)), 0u);
  EXPECT_EQ(Esc(GR_ESC_SET_INI_PATH, nullptr, 0), 0u);
  EXPECT_EQ(std::u16string(CfgGetIniPath(ctx())), path);
  std::u16string longest = u"C:\\" + std::u16string(256, u'b');  // 259 characters and the terminator
  EXPECT_EQ(Esc(GR_ESC_SET_INI_PATH, longest.c_str(), ULONG((longest.size() + 1) * 2)), 1u);
  EXPECT_EQ(std::u16string(CfgGetIniPath(ctx())), longest);

  // A context reused by the next job computes its path again.
  Disable(0);
  Dc& next = Enable();
  EXPECT_EQ(std::u16string(CfgGetIniPath(next.p()->settings)), before);
}

TEST_F(EscapeTest, StringTableCopiesTextsAsFarAsTheInputReaches) {
  STRING_HANDOVER_ROW saved[kStringHandoverRows];
  std::memcpy(saved, GR_STRING_TABLE, sizeof saved);
  STRING_HANDOVER_ROW rows[kStringHandoverRows] = {};
  const char16_t* texts[] = {u"Plain paper", u"Coated", u"Film"};
  for (int i = 0; i < 3; ++i) {
    rows[i].key = WORD(1 + i);  // keys are not compared
    std::u16string t = texts[i];
    std::memcpy(rows[i].text, t.c_str(), (t.size() + 1) * 2);
  }
  EXPECT_EQ(Esc(GR_ESC_STRING_TABLE, nullptr, 0), 1u);
  EXPECT_EQ(std::memcmp(saved, GR_STRING_TABLE, sizeof saved), 0);

  EXPECT_EQ(Esc(GR_ESC_STRING_TABLE, rows, sizeof(STRING_HANDOVER_ROW) + 10), 1u);  // one whole row
  EXPECT_EQ(std::u16string(GR_STRING_TABLE[0].text), u"Plain paper");
  EXPECT_EQ(std::u16string(GR_STRING_TABLE[1].text), std::u16string(saved[1].text));

  for (WCHAR& c : rows[2].text) c = u'w';  // no terminator in the caller's row
  EXPECT_EQ(Esc(GR_ESC_STRING_TABLE, rows, sizeof rows), 1u);
  EXPECT_EQ(std::u16string(GR_STRING_TABLE[1].text), u"Coated");
  EXPECT_EQ(std::u16string(GR_STRING_TABLE[2].text), std::u16string(260, u'w'));
  EXPECT_EQ(GR_STRING_TABLE[0].key, 731);
  EXPECT_EQ(GR_STRING_TABLE[2].stringId, 15002);
  EXPECT_EQ(GR_STRING_TABLE[3].key, 0);
  std::memcpy(GR_STRING_TABLE, saved, sizeof saved);
}

TEST_F(EscapeTest, InvalidContextAndUnknownEscapes) {
  SURFOBJ bad{};
  WORD asked = 17;
  SetLastError(0);
  EXPECT_EQ(DrvEscape(&bad, GR_ESC_QUERYESCSUPPORT, 2, &asked, 0, nullptr), 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(DrvEscape(nullptr, GR_ESC_QUERYESCSUPPORT, 2, &asked, 0, nullptr), 0u);
  for (ULONG escape : {0u, 9u, 19u, 110u, 127u, 139u, 142u, 4096u}) {
    SCOPED_TRACE(escape);
    EXPECT_EQ(Esc(escape, &asked, 2), 0u);
  }
}

// Pass-through on a bare context whose stream writes to a memory sink.
TEST(PassThroughEscape, FlushesTheRecordsThenWritesTheBytesRaw) {
  zstest::Context c;
  c.pdev->passThrough = 1;
  SURFOBJ so{};
  so.dhpdev = c.pdev;
  ASSERT_NE(ZsPutRop(c.s(), 0xCC), nullptr);
  BYTE in[2 + 5] = {5, 0, 'h', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(DrvEscape(&so, GR_ESC_PASSTHROUGH, sizeof in, in, 0, nullptr), 5u);
  ASSERT_GE(c.sink.bytes.size(), 13u);
  EXPECT_EQ(BYTE(c.sink.bytes[0]), ZS_BLOCK_RECORDS);  // the buffered record went first, in its block
  EXPECT_EQ(c.sink.bytes.substr(c.sink.bytes.size() - 5), "hello");
  EXPECT_EQ(c.sink.bytes.size(), 8 + zstest::U32(c.sink.bytes, 4) + 5);

  // A count beyond the input is refused before anything is read or written.
  size_t written = c.sink.bytes.size();
  BYTE lying[2 + 3] = {200, 0, 'a', 'b', 'c'};
  EXPECT_EQ(DrvEscape(&so, GR_ESC_PASSTHROUGH, sizeof lying, lying, 0, nullptr), 0u);
  EXPECT_EQ(DrvEscape(&so, GR_ESC_PASSTHROUGH, 1, lying, 0, nullptr), 0u);
  EXPECT_EQ(DrvEscape(&so, GR_ESC_PASSTHROUGH, 0, nullptr, 0, nullptr), 0u);
  EXPECT_EQ(c.sink.bytes.size(), written);
  EXPECT_FALSE(c.pdev->state & GR_STATE_OUTPUT_ERROR);

  c.sink.failAt = int(c.sink.pieces.size()) + 1;
  EXPECT_EQ(DrvEscape(&so, GR_ESC_PASSTHROUGH, sizeof in, in, 0, nullptr), GR_ESC_FAILED);
  EXPECT_TRUE(c.pdev->state & GR_STATE_OUTPUT_ERROR);

  c.pdev->passThrough = 0;  // answered only while pass-through is on
  EXPECT_EQ(DrvEscape(&so, GR_ESC_PASSTHROUGH, sizeof in, in, 0, nullptr), 0u);
}

}  // namespace
