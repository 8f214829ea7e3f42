// Keyed lists and strings of the printer-information record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "statusdata/prninfo.h"
#include "statusdata/tests/record_fixture.h"

namespace {

using sdtest::Codes;
using sdtest::Record;
using sdtest::Str;

TEST(PrnInfoEx, SizeWordGuardsEveryOperation) {
  for (DWORD size : {403u, 404u, 1024u}) {
    SCOPED_TRACE(size);
    Record record(size);
    bool usable = size >= 404;
    LIST_REF ref{};
    EXPECT_EQ(PatFindPrnInfoList(record.get(), "pTrayInfo", &ref) != 0, usable);
    EXPECT_EQ(PatSetPrnInfoString(record.get(), "pModelName", "M") != 0, usable);
    EXPECT_EQ(PatAddEngineStatus(record.get(), 10001) != 0, usable);
    EXPECT_EQ(record->cEngineStatus, usable ? 1u : 0u);
  }
}

TEST(PrnInfoEx, KeysAreExactAndCountsSitWhereTheLayoutSays) {
  Record record;
  for (const char* key : sdtest::kListKeys) EXPECT_TRUE(PatFindPrnInfoList(record.get(), key, nullptr)) << key;
  for (const char* key : {"ptrayinfo", "pTrayInfo ", "TrayInfo", "pModelName", ""})
    EXPECT_FALSE(PatFindPrnInfoList(record.get(), key, nullptr)) << key;
  EXPECT_FALSE(PatSetPrnInfoString(record.get(), "pmodelname", "x"));
  EXPECT_FALSE(PatSetPrnInfoString(record.get(), "pTrayInfo", "x"));

  struct Where {
    const char* key;
    size_t head, count;
  } where[] = {{"pEngineStatus", 16, 8},  {"pLoadedEmul", 96, 88},   {"pLoadedFont", 112, 104},
               {"pTrayInfo", 128, 124},   {"pOutBinInfo", 144, 140}, {"pDeviceInfo", 160, 152},
               {"pEmulUniqInfo", 176, 168}, {"pCounterInfo", 224, 220}, {"pSupplyInfo", 240, 232},
               {"pColorCorrection", 256, 248}, {"pCustomMediaInfo", 272, 264}};
  for (const auto& w : where) {
    SCOPED_TRACE(w.key);
    LIST_NODE* node = PatNewListNode(16);
    ASSERT_TRUE(PatAppendPrnInfoNode(record.get(), w.key, node));
    LIST_NODE* head;
    DWORD count;
    std::memcpy(&head, record.bytes() + w.head, sizeof head);
    std::memcpy(&count, record.bytes() + w.count, sizeof count);
    EXPECT_EQ(head, node);
    EXPECT_EQ(count, 1u);
  }
}

TEST(PrnInfoEx, StringsAndListsAreReplacedAndFreed) {
  Record record;
  ASSERT_TRUE(PatSetPrnInfoString(record.get(), "pDescription", "first"));
  ASSERT_TRUE(PatSetPrnInfoString(record.get(), "pDescription", "second"));
  // The first copy is freed (the leak checker would see it otherwise).
  EXPECT_EQ(Str(record->pDescription), "second");

  // Clearing an empty list is harmless.
  EXPECT_TRUE(PatClearPrnInfoList(record.get(), "pOutBinInfo"));
  EXPECT_EQ(record->pOutBinInfo, nullptr);
  EXPECT_EQ(record->cOutBinInfo, 0u);

  for (WORD code : {51, 52}) {
    auto* tray = reinterpret_cast<TRAY_NODE*>(PatNewListNode(sizeof(TRAY_NODE)));
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->hdr.size, sizeof(TRAY_NODE));
    tray->trayCode = code;
    PatAppendPrnInfoNode(record.get(), "pTrayInfo", &tray->hdr);
  }
  EXPECT_EQ(Codes(record->pTrayInfo), (std::vector<int>{51, 52}));
  LIST_NODE* found = PatFindListNode(record->pTrayInfo, 52);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(reinterpret_cast<TRAY_NODE*>(found)->trayCode, 52);
  EXPECT_EQ(PatFindListNode(record->pTrayInfo, 60), nullptr);
  EXPECT_TRUE(PatClearPrnInfoList(record.get(), "pTrayInfo"));
  EXPECT_EQ(record->pTrayInfo, nullptr);
  EXPECT_EQ(record->cTrayInfo, 0u);

  EXPECT_FALSE(PatHasDevice(record.get(), DEVICE_DISK));
  auto* disk = reinterpret_cast<DEVICE_NODE*>(PatNewListNode(sizeof(DEVICE_NODE)));
  disk->deviceCode = DEVICE_DISK;
  PatAppendPrnInfoNode(record.get(), "pDeviceInfo", &disk->hdr);
  EXPECT_TRUE(PatHasDevice(record.get(), DEVICE_DISK));

  ASSERT_TRUE(PatAddEngineStatus(record.get(), DWORD(-254)));
  auto* status = reinterpret_cast<ENGINE_STATUS_NODE*>(record->pEngineStatus);
  EXPECT_EQ(status->hdr.size, 280u);
  EXPECT_EQ(status->code, WORD(-254));
  EXPECT_EQ(status->fullCode, DWORD(-254));
  EXPECT_EQ(status->text[0], 0);
}

TEST(PrnInfoEx, ErrorClassCodes) {
  for (DWORD code : {40001u, 45000u, 49999u, 10002u}) EXPECT_TRUE(PatIsErrorClassCode(code)) << code;
  for (DWORD code : {40000u, 50000u, 10001u, 10003u, DWORD(-254)}) EXPECT_FALSE(PatIsErrorClassCode(code)) << code;
}

}  // namespace
