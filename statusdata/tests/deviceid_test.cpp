// The device-identification string.
#include <gtest/gtest.h>

#include <string>

#include "kvplat/error.h"
#include "kvplat/testhooks.h"
#include "statusdata/pjlreply.h"
#include "statusdata/tests/record_fixture.h"

namespace {

using sdtest::Codes;
using sdtest::Nodes;
using sdtest::Record;
using sdtest::Str;

DWORD ParseId(PRN_INFO_EX* record, const std::string& text) {
  return PatParseDeviceId(text.data(), text.size(), record);
}

TEST(DeviceId, FullString) {
  Record record;
  ASSERT_EQ(ParseId(record.get(), "MFG:Maker;MDL:Model 1;CMD:ZARN,PJL;DES:Wide printer;STS:10001/41100,1,SC542;KIJ:1234/;"),
            0u);
  EXPECT_EQ(Str(record->pMakerName), "Maker");
  EXPECT_EQ(Str(record->pModelName), "Model 1");
  EXPECT_EQ(record->modelCode, 255);
  EXPECT_EQ(Str(record->pDescription), "Wide printer");
  // No command-set names are known to this model, so the emulations stay as they were.
  EXPECT_EQ(record->pLoadedEmul, nullptr);

  auto status = Nodes<ENGINE_STATUS_NODE>(record->pEngineStatus);
  ASSERT_EQ(status.size(), 2u);
  EXPECT_EQ(record->cEngineStatus, 2u);
  EXPECT_EQ(status[0]->code, 10001);
  EXPECT_EQ(status[0]->fullCode, 10001u);
  EXPECT_EQ(status[1]->fullCode, 41100u);
  EXPECT_EQ(std::string(status[0]->text), "SC542");
  EXPECT_EQ(std::string(status[1]->text), "SC542");
  EXPECT_EQ(record->online, 1);
  EXPECT_EQ(record->offline, 0);
  EXPECT_EQ(record->error, 1);

  auto counters = Nodes<COUNTER_NODE>(record->pCounterInfo);
  ASSERT_EQ(counters.size(), 1u);
  EXPECT_EQ(counters[0]->itemCode, 1);
  EXPECT_EQ(counters[0]->value, 1234u);
  EXPECT_EQ(record->pSupplyInfo, nullptr);
}

TEST(DeviceId, KeysAndFields) {
  struct Case {
    const char* name;
    std::string text;
    std::string maker, model;
    std::vector<int> counters;
  } cases[] = {
      {"unknown key skipped", "MANUFACTURER:Other;MFG:Maker;MDL:M2;", "Maker", "M2", {}},
      {"key is case-sensitive", "mfg:Maker;MDL:M2;", "<null>", "M2", {}},
      {"no closing semicolon", "MDL:M3", "<null>", "M3", {}},
      // Without '/' the counter runs over the rest of the whole text.
      {"counter without slash", "KIJ:77;MFG:Maker;", "<null>", "<null>", {1}},
      {"value cut at 255", "MFG:" + std::string(300, 'x') + ";MDL:M4;", std::string(255, 'x'), "M4", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Record record;
    EXPECT_EQ(ParseId(record.get(), c.text), 0u);
    EXPECT_EQ(Str(record->pMakerName), c.maker);
    EXPECT_EQ(Str(record->pModelName), c.model);
    EXPECT_EQ(Codes(record->pCounterInfo), c.counters);
  }
}

TEST(DeviceId, EngineStatusForms) {
  Record record;
  ASSERT_EQ(ParseId(record.get(), "STS:10001,1;"), 0u);
  EXPECT_EQ(record->cEngineStatus, 1u);
  EXPECT_EQ(record->online, 1);
  EXPECT_EQ(record->error, 0);
  EXPECT_EQ(std::string(Nodes<ENGINE_STATUS_NODE>(record->pEngineStatus)[0]->text), "");

  // A new STS replaces the old codes; an empty piece makes no node; state 2 is offline.
  ASSERT_EQ(ParseId(record.get(), "STS:10002//40010,2,;"), 0u);
  auto status = Nodes<ENGINE_STATUS_NODE>(record->pEngineStatus);
  ASSERT_EQ(status.size(), 2u);
  EXPECT_EQ(status[0]->fullCode, 10002u);
  EXPECT_EQ(status[1]->fullCode, 40010u);
  EXPECT_EQ(record->online, 2);
  EXPECT_EQ(record->offline, 1);
  EXPECT_EQ(record->error, 1);

  // An over-long engine text is cut to what the node holds.
  ASSERT_EQ(ParseId(record.get(), "STS:10001,1," + std::string(400, 'T') + ";MFG:M;"), 0u);
  EXPECT_EQ(std::string(Nodes<ENGINE_STATUS_NODE>(record->pEngineStatus)[0]->text), std::string(259, 'T'));
  EXPECT_EQ(Str(record->pMakerName), "M");
}

TEST(DeviceId, FailedStoresGiveOutOfMemory) {
  Record record;
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(ParseId(record.get(), "MFG:Maker;MDL:Model;"), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(record->pMakerName, nullptr);
  EXPECT_EQ(record->pModelName, nullptr);  // the parse stopped

  // A model name that cannot be stored leaves model code 255 and no error.
  Record second;
  second->modelCode = 7;
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(ParseId(second.get(), "MDL:Model;"), 0u);
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(second->modelCode, 255);
}

TEST(DeviceId, SplitField) {
  const std::string src = "abcdef;rest";
  const char* end = src.data() + src.size();
  char out[4];
  const char* p = PatSplitField(src.data(), end, out, sizeof out, ";");
  EXPECT_EQ(std::string(out), "abc");
  EXPECT_EQ(std::string(p), "rest");
  p = PatSplitField(p, end, out, sizeof out, "");
  EXPECT_EQ(std::string(out), "res");
  EXPECT_EQ(p, end);
  EXPECT_EQ(PatSplitField(end, end, out, sizeof out, ";"), end);
  EXPECT_EQ(std::string(out), "");

  EXPECT_EQ(PatDecimal("  42x"), 42);
  EXPECT_EQ(PatDecimal("-7"), -7);
  EXPECT_EQ(PatDecimal("x"), 0);
  EXPECT_EQ(PatDecimal("99999999999999999999999"), INT64_MAX);
}

}  // namespace
