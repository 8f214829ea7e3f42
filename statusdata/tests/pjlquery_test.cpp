// Query texts and the checks that a reply answers its query.
#include <gtest/gtest.h>

#include <string>

#include "kvplat/error.h"
#include "kvplat/testhooks.h"
#include "statusdata/pjlreply.h"
#include "statusdata/tests/record_fixture.h"

namespace {

using sdtest::AddText;
using sdtest::Record;
using sdtest::Tree;

const std::string kHead = "\33%-12345X@PJL\r\n";
const std::string kUel = "\33%-12345X";
const std::string kTray1 =
    "@PJL INQUIRE INTRAY1SIZE\r\n@PJL INQUIRE INTRAY1QUANT\r\n@PJL INQUIRE INTRAY1MEDIA\r\n@PJL INQUIRE INTRAY1\r\n";
const std::string kTray2 =
    "@PJL INQUIRE INTRAY2SIZE\r\n@PJL INQUIRE INTRAY2QUANT\r\n@PJL INQUIRE INTRAY2MEDIA\r\n@PJL INQUIRE INTRAY2\r\n";
const std::string kTray3 =
    "@PJL INQUIRE INTRAY3SIZE\r\n@PJL INQUIRE INTRAY3QUANT\r\n@PJL INQUIRE INTRAY3MEDIA\r\n@PJL INQUIRE INTRAY3\r\n";
const std::string kBypass = "@PJL INQUIRE INTRAYMSIZE\r\n@PJL INQUIRE INTRAYMMEDIA\r\n@PJL INQUIRE INTRAYMULTI\r\n";

// The query a set of flags gives: its text (null: no text child) and whether it asks for the id.
struct Query {
  DWORD result;
  bool hasText;
  std::string text;
  bool asksId;
  int children;
};

Query Build(PRN_INFO_EX* request, DWORD flags, unsigned failAt = 0) {
  Tree tree(InfoNodeCreate(nullptr, INFO_ID_QUERY, nullptr, 0));
  Query q{};
  kvp::test::FailAllocAt(failAt);
  q.result = PatBuildQueryText(request, flags, tree.root);
  kvp::test::FailAllocAt(0);
  for (INFO_NODE* c = tree.root->firstChild; c; c = c->nextSibling) {
    ++q.children;
    if (c->id == INFO_ID_DEVICE_ID) q.asksId = c->dataLength == 0;
    if (c->id == INFO_ID_PJL_TEXT) {
      q.hasText = true;
      const char* p = reinterpret_cast<const char*>(InfoNodeBytes(c));
      EXPECT_EQ(p[c->dataLength - 1], 0) << "the text's NUL is part of the data";
      q.text.assign(p, c->dataLength - 1);
    }
  }
  return q;
}

TEST(QueryText, ByteExactPerFlag) {
  Record request;
  struct Case {
    DWORD flags;
    bool hasText;
    std::string text;
    bool asksId;
  } cases[] = {
      {0x10, true, kHead + "@PJL INFO OUTBINSTATUS\r\n" + kUel, false},
      {0x2, false, "", true},
      {0x400, false, "", true},
      {0x80000, false, "", true},
      {0x4, true, kHead + "@PJL INFO CONFIG\r\n" + kUel, false},
      {0x100, true, kHead + "@PJL INFO CONFIG\r\n" + kUel, false},
      {0x20000, true, kHead + "@PJL INFO CONFIG\r\n" + kUel, false},
      {0x8, true, kHead + kTray1 + kTray2 + kBypass + kUel, false},
      {0x2 | 0x4 | 0x8 | 0x10, true, kHead + "@PJL INFO CONFIG\r\n" + kTray1 + kTray2 + kBypass +
                                         "@PJL INFO OUTBINSTATUS\r\n" + kUel, true},
      {0x1 | 0x40, false, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    Query q = Build(request.get(), c.flags);
    EXPECT_EQ(q.result, 0u);
    EXPECT_EQ(q.hasText, c.hasText);
    EXPECT_EQ(q.text, c.text);
    EXPECT_EQ(q.asksId, c.asksId);
    EXPECT_EQ(q.children, int(c.hasText) + int(c.asksId));
  }
}

TEST(QueryText, TrayInquiriesFollowTheRequestsTrays) {
  Record request;
  ASSERT_TRUE(PatGetOrAddTray(request.get(), TRAY_CUT_PAPER));
  ASSERT_TRUE(PatGetOrAddTray(request.get(), TRAY_ROLL1));
  EXPECT_EQ(Build(request.get(), 0x8).text, kHead + kTray3 + kTray1 + kUel);

  // A list of only trays the model cannot be asked about asks nothing: no text at all.
  Record unknown;
  ASSERT_TRUE(PatGetOrAddTray(unknown.get(), 999));
  Query none = Build(unknown.get(), 0x8);
  EXPECT_EQ(none.result, 0u);
  EXPECT_FALSE(none.hasText);

  // Many trays: the text grows past any fixed buffer and stays whole.
  Record many;
  for (int i = 0; i < 40; ++i) {
    auto* tray = reinterpret_cast<TRAY_NODE*>(PatNewListNode(sizeof(TRAY_NODE)));
    tray->trayCode = TRAY_ROLL2;
    PatAppendPrnInfoNode(many.get(), "pTrayInfo", &tray->hdr);
  }
  std::string expected = kHead;
  for (int i = 0; i < 40; ++i) expected += kTray2;
  expected += kUel;
  Query q = Build(many.get(), 0x8);
  EXPECT_EQ(q.result, 0u);
  EXPECT_GT(q.text.size(), 4000u);
  EXPECT_EQ(q.text, expected);
}

TEST(QueryText, RefusalsAndMemory) {
  Record small(403);
  Query q = Build(small.get(), 0x10);
  EXPECT_EQ(q.result, DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(q.children, 0);

  // Every allocation failing in turn gives 8 and leaks nothing; the container stays freeable.
  Record request;
  for (unsigned n = 1;; ++n) {
    Query r = Build(request.get(), 0x2 | 0x4 | 0x8, n);
    if (r.result == 0) break;
    EXPECT_EQ(r.result, DWORD(ERROR_NOT_ENOUGH_MEMORY)) << n;
    ASSERT_LT(n, 50u);
  }
}

TEST(QueryText, EmulationUniqueQuery) {
  Tree tree(InfoNodeCreate(nullptr, INFO_ID_QUERY, nullptr, 0));
  EXPECT_EQ(PatBuildEmulQuery(14, tree.root), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(tree.root->firstChild, nullptr);
  EXPECT_EQ(PatBuildEmulQuery(0x1000F, tree.root), 0u);
  INFO_NODE* text = tree.root->firstChild;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->id, INFO_ID_PJL_TEXT);
  const std::string expected = "\33%-12345X@PJL\r\n@PJL INFO ZARN\r\n\33%-12345X";
  ASSERT_EQ(text->dataLength, expected.size() + 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(InfoNodeBytes(text))), expected);
}

// A reply container answering a query made with `flags`.
struct Exchange {
  Record request;
  Tree reply{InfoNodeCreate(nullptr, INFO_ID_REPLY, nullptr, 0)};
  explicit Exchange(DWORD flags) {
    INFO_NODE* query = InfoNodeCreate(reply.root, INFO_ID_QUERY, nullptr, 0);
    EXPECT_EQ(PatBuildQueryText(request.get(), flags, query), 0u);
  }
};

TEST(ReplyCheck, AnswersAndNonAnswers) {
  const std::string config = "@PJL INFO CONFIG\r\nMEMORY=8388608\r\n\f";
  const std::string bins = "@PJL INFO OUTBINSTATUS\r\nUPPER=READY\r\n\f";
  struct Case {
    const char* name;
    DWORD flags;
    const char* text;  // null: no text child
    const char* id;    // null: no id child
    DWORD expected;
  } cases[] = {
      {"both answered", 0x4 | 0x10, nullptr, nullptr, 0},
      {"config without form feed", 0x4, "@PJL INFO CONFIG\r\nMEMORY=8388608\r\n", nullptr, PAT_ERROR_NOT_ANSWERED},
      {"other category only", 0x4 | 0x10, "@PJL INFO OUTBINSTATUS\r\nUPPER=READY\r\n\f", nullptr,
       PAT_ERROR_NOT_ANSWERED},
      {"grammar broken before the answer", 0x4, "@PJL INFO CONFIG\r\nKEY = VALUE\r\n\f", nullptr,
       PAT_ERROR_NOT_ANSWERED},
      {"no text at all", 0x4, nullptr, nullptr, PAT_ERROR_NOT_ANSWERED},
      {"id asked, not given", 0x2, nullptr, nullptr, PAT_ERROR_NOT_ANSWERED},
      {"id asked, empty", 0x2, nullptr, "", PAT_ERROR_NOT_ANSWERED},
      {"id asked and given", 0x2, nullptr, "MFG:Maker;", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Exchange ex(c.flags);
    std::string text = c.text ? c.text : (c.flags & 0x4 ? config + bins : "");
    if (c.text || (c.flags & 0x10)) AddText(ex.reply.root, INFO_ID_PJL_TEXT, text);
    if (c.id) InfoNodeCreate(ex.reply.root, INFO_ID_DEVICE_ID, c.id, DWORD(std::strlen(c.id)));
    EXPECT_EQ(PatValidateReply(ex.reply.root), c.expected);
  }
}

TEST(ReplyCheck, ContainerShapes) {
  // No answered query attached: nothing to check.
  Tree plain(InfoNodeCreate(nullptr, INFO_ID_REPLY, nullptr, 0));
  AddText(plain.root, INFO_ID_PJL_TEXT, "@PJL INFO CONFIG\r\n");
  EXPECT_EQ(PatValidateReply(plain.root), 0u);
  Tree status(InfoNodeCreate(nullptr, INFO_ID_STATUS, nullptr, 0));
  EXPECT_EQ(PatValidateReply(status.root), DWORD(ERROR_INVALID_PARAMETER));

  // A query container's own query text breaks nothing: an error in it is passed on unchanged.
  const std::string answer = "@PJL INFO CONFIG\r\nA=B\r\n\f";
  EXPECT_EQ(PatCheckReplyAnswers("@PJL INFO CONFIG", 16, answer.data(), answer.size()), 13u);
  const std::string query = "@PJL INFO CONFIG\r\n\33%-12345X";
  EXPECT_EQ(PatCheckReplyAnswers(query.data(), query.size(), answer.data(), answer.size()), 0u);
  // A block with no line at all before its form feed breaks the grammar.
  const std::string bare = "@PJL INFO CONFIG\r\n\f";
  EXPECT_EQ(PatCheckReplyAnswers(query.data(), query.size(), bare.data(), bare.size()), PAT_ERROR_NOT_ANSWERED);
}

TEST(ReplyCheck, FailedCheckLeavesTheRecordUntouched) {
  Exchange ex(0x4);
  AddText(ex.reply.root, INFO_ID_PJL_TEXT, "@PJL INFO CONFIG\r\nMEMORY=8388608\r\nDISK=INSTALLED\r\n");
  Record record;
  record->memoryKB = 77;
  EXPECT_EQ(PatParseInfoReply(g_PatModelReplyTable, ex.reply.root, record.get()), PAT_ERROR_NOT_ANSWERED);
  EXPECT_EQ(record->memoryKB, 77u);
  EXPECT_EQ(record->pDeviceInfo, nullptr);
}

}  // namespace
