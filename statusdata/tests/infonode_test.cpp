// Info-node trees, growable buffers, element lists and the two lookups.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kvplat/heap.h"
#include "kvplat/testhooks.h"
#include "statusdata/infonode.h"
#include "statusdata/tests/record_fixture.h"

namespace {

TEST(InfoNode, CreateAppendAndRefusals) {
  sdtest::Tree tree(InfoNodeCreate(nullptr, INFO_ID_REPLY, nullptr, 0));
  ASSERT_NE(tree.root, nullptr);
  EXPECT_EQ(tree.root->dataLength, 0u);
  // Null data is only acceptable with no length.
  EXPECT_EQ(InfoNodeCreate(tree.root, 7, nullptr, 5), nullptr);
  EXPECT_EQ(tree.root->firstChild, nullptr);

  INFO_NODE* a = InfoNodeCreate(tree.root, INFO_ID_PJL_TEXT, "abc", 4);
  INFO_NODE* b = InfoNodeCreate(tree.root, INFO_ID_DEVICE_ID, "x", 2);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(tree.root->firstChild, a);
  EXPECT_EQ(tree.root->lastChild, b);
  EXPECT_EQ(a->nextSibling, b);
  EXPECT_EQ(b->parent, tree.root);

  // A node that is already linked is refused and nothing changes.
  EXPECT_FALSE(InfoNodeAppend(b, a));
  EXPECT_FALSE(InfoNodeAppend(tree.root, b));
  EXPECT_FALSE(InfoNodeAppend(nullptr, a));
  EXPECT_EQ(tree.root->lastChild, b);
  EXPECT_EQ(b->firstChild, nullptr);

  EXPECT_EQ(InfoNodeFind(tree.root->firstChild, INFO_ID_DEVICE_ID), b);
  EXPECT_EQ(InfoNodeFind(tree.root->firstChild, 99), nullptr);
  DWORD id = 0, len = 0;
  EXPECT_TRUE(InfoNodeGetInfo(a, &id, &len));
  EXPECT_EQ(id, INFO_ID_PJL_TEXT);
  EXPECT_EQ(len, 4u);
  EXPECT_FALSE(InfoNodeGetInfo(nullptr, &id, nullptr));
}

TEST(InfoNode, DataAccessNeedsTheExactSize) {
  DWORD fifteen = 15;
  sdtest::Tree tree(InfoNodeCreate(nullptr, INFO_ID_EMUL_REPLY, &fifteen, 4));
  BYTE out[8];
  std::memset(out, 0xEE, sizeof out);
  EXPECT_FALSE(InfoNodeReadData(tree.root, out, 8));
  EXPECT_EQ(out[0], 0xEE);
  EXPECT_EQ(InfoNodeData(tree.root, 8), nullptr);
  EXPECT_TRUE(InfoNodeReadData(tree.root, out, 4));
  EXPECT_EQ(std::memcmp(out, &fifteen, 4), 0);
  EXPECT_NE(InfoNodeData(tree.root, 4), nullptr);
  // The node is one block that the monitor frees with GlobalFree.
  EXPECT_EQ(GlobalSize(tree.root), sizeof(INFO_NODE) + 4);
}

TEST(DynBuffer, GrowsInWholeStepsAndSeeks) {
  DYN_BUFFER* b = DynBufCreate(16, 1);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(DynBufCapacity(b), 16u);
  EXPECT_TRUE(DynBufWrite(b, "0123456789", 10));
  EXPECT_EQ(DynBufLength(b), 10u);
  EXPECT_TRUE(DynBufWrite(b, "abcdefghijklmnopq", 17));  // needs 27: one more step
  EXPECT_EQ(DynBufCapacity(b), 32u);
  EXPECT_EQ(DynBufLength(b), 27u);

  // Overwrite in place: the used length stays.
  DynBufSeek(b, 2, DYNBUF_SEEK_SET);
  EXPECT_TRUE(DynBufWrite(b, "XY", 2));
  EXPECT_EQ(DynBufLength(b), 27u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b->data), 6), "01XY45");

  DynBufSeek(b, -3, DYNBUF_SEEK_CUR);
  EXPECT_EQ(b->cursor, 1u);
  DynBufSeek(b, -5, DYNBUF_SEEK_CUR);  // before the start: refused
  EXPECT_EQ(b->cursor, 1u);
  DynBufSeek(b, -2, DYNBUF_SEEK_END);
  EXPECT_EQ(b->cursor, 25u);
  DynBufSeek(b, 3, 9);  // unknown mode
  EXPECT_EQ(b->cursor, 25u);

  EXPECT_EQ(DynBufRead(b, 3), nullptr);  // only 2 used bytes remain
  EXPECT_EQ(b->cursor, 25u);
  BYTE* p = DynBufRead(b, 2);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(p), 2), "pq");

  // A write after a seek past the end leaves zeroes in the gap, not stale bytes.
  DynBufSeek(b, 0, DYNBUF_SEEK_SET);
  EXPECT_TRUE(DynBufDelete(b, 20));
  EXPECT_EQ(DynBufLength(b), 7u);
  DynBufSeek(b, 12, DYNBUF_SEEK_SET);
  EXPECT_TRUE(DynBufWrite(b, "Z", 1));
  EXPECT_EQ(DynBufLength(b), 13u);
  for (int i = 7; i < 12; ++i) EXPECT_EQ(b->data[i], 0) << i;

  BYTE* block = DynBufDetach(b);
  EXPECT_EQ(DynBufLength(b), 0u);
  EXPECT_EQ(b->data, nullptr);
  GlobalFree(block);
  DynBufFree(b);
}

TEST(DynBuffer, FailedGrowthLeavesTheBufferAlone) {
  DYN_BUFFER* b = DynBufCreate(8, 1);
  ASSERT_TRUE(DynBufWrite(b, "12345678", 8));
  kvp::test::FailAllocAt(1);
  EXPECT_FALSE(DynBufInsert(b, "x", 1));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(DynBufLength(b), 8u);
  EXPECT_EQ(b->cursor, 8u);
  EXPECT_EQ(std::memcmp(b->data, "12345678", 8), 0);
  DynBufSeek(b, 1, DYNBUF_SEEK_SET);
  EXPECT_TRUE(DynBufInsert(b, "ab", 2));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b->data), DynBufLength(b)), "1ab2345678");
  EXPECT_FALSE(DynBufDelete(b, 20));
  DynBufFree(b);
}

TEST(ElementList, InsertShiftsTheLaterElements) {
  ELEMENT_LIST* list = ElemListCreate(sizeof(DWORD), 2, 1);
  ASSERT_NE(list, nullptr);
  for (DWORD v : {10u, 20u, 30u}) ASSERT_TRUE(ElemListAppend(list, &v));
  DWORD v = 15;
  ASSERT_TRUE(ElemListInsert(list, &v, 2));
  v = 40;
  ASSERT_TRUE(ElemListInsert(list, &v, 99));  // beyond the count: appended
  ASSERT_EQ(ElemListCount(list), 5u);
  std::vector<DWORD> seen;
  ELEMENT_ITERATOR it;
  ElemIterInit(&it, list);
  DWORD copy;
  while (ElemIterNextCopy(&it, &copy)) seen.push_back(copy);
  EXPECT_EQ(seen, (std::vector<DWORD>{10, 15, 20, 30, 40}));
  EXPECT_EQ(ElemListAt(list, 0), nullptr);
  EXPECT_EQ(ElemListAt(list, 6), nullptr);
  EXPECT_FALSE(ElemListCopyAt(list, 6, &copy));
  ElemIterInit(&it, list);
  void* p = nullptr;
  ASSERT_TRUE(ElemIterNext(&it, &p));
  EXPECT_EQ(*static_cast<DWORD*>(p), 10u);
  ElemListFree(list);
}

TEST(Lookup, NameTables) {
  const PAT_NAME_ROW table[] = {{"PLAIN", 1}, {"plain", 2}, {nullptr, 77}};
  EXPECT_EQ(PatLookupName("PLAIN", table), 1);
  EXPECT_EQ(PatLookupName("plain", table), 2);
  EXPECT_EQ(PatLookupName("Plain", table), 77);
  EXPECT_EQ(PatLookupName(nullptr, table), -1);
  EXPECT_EQ(PatLookupName("PLAIN", nullptr), -1);
  const PAT_NAME_ROW empty[] = {{nullptr, 255}};
  EXPECT_EQ(PatLookupName("anything", empty), 255);
}

TEST(Lookup, CodePatterns) {
  struct Case {
    DWORD code;
    const char* pattern;
    bool match;
  } cases[] = {
      {46100, "461yy", true},   {46199, "461yy", true},  {4612, "461yy", false},
      {46200, "461yy", false},  {DWORD(-254), "4294967042", true}, {4294967043u, "4294967042", false},
      {46100, "461YY", false},  {10001, "10001", true},  {100011, "10001", false},
  };
  for (const auto& c : cases) {
    char text[11];
    PatFormatCode(c.code, text);
    SCOPED_TRACE(std::string(text) + " vs " + c.pattern);
    EXPECT_EQ(PatMatchCodePattern(text, c.pattern) != 0, c.match);
  }
}

}  // namespace
