// Parsing a full set of printer replies (CONFIG, every tray inquiry, output bins, the ZARN block and
// the device id), checked against the query that asked for them. The argument repeats the PJL reply
// set inside one text, so the time per byte shows whether parsing stays linear in the length.
#include <benchmark/benchmark.h>

#include <string>

#include "kvplat/heap.h"
#include "statusdata/pjlreply.h"

namespace {

std::string Inquire(const std::string& category, const std::string& word) {
  return "@PJL INQUIRE " + category + "\r\n" + word + "\r\n\f";
}

std::string ReplySet() {
  std::string s =
      "@PJL INFO CONFIG\r\n"
      "IN TRAYS [4 ENUMERATED]\r\n"
      "\tINTRAY1\r\n\tINTRAY2\r\n\tINTRAY3\r\n\tINTRAYMANUAL\r\n"
      "OUT TRAYS [1 ENUMERATED]\r\n"
      "\tOUTTRAYACCORDIONFOLD\r\n"
      "MEMORY=268435456\r\n"
      "VERSION [2 ENUMERATED]\r\n"
      "\tFIRMWARE=1.10\r\n"
      "\tZARN=1.00\r\n"
      "DISK=INSTALLED\r\n"
      "\f";
  const char* trays[] = {"1", "2", "3"};
  const char* sizes[] = {"ROLL841", "ROLL594", "A3LONG"};
  const char* media[] = {"PLAIN", "COATED", "FILM"};
  for (int i = 0; i < 3; ++i) {
    std::string t = std::string("INTRAY") + trays[i];
    s += Inquire(t + "SIZE", sizes[i]) + Inquire(t + "QUANT", "3/5") + Inquire(t + "MEDIA", media[i]) +
         Inquire(t, i == 0 ? "LOCKED" : "UNLOCKED");
  }
  s += Inquire("INTRAYMSIZE", "CUSTOM") + Inquire("INTRAYMMEDIA", "PLAIN") + Inquire("INTRAYMULTI", "UNLOCKED");
  s += "@PJL INFO OUTBINSTATUS\r\nUPPER=READY\r\nLOWER=FULL\r\n\f";
  s += "@PJL INFO ZARN\r\nMEMORYUSAGE=USER\r\nOTHER=\"SOME TEXT\"\r\nIMAGEROTATION=POSSIBLE\r\n\f";
  return s;
}

const char kDeviceId[] = "MFG:Maker;MDL:Model 1;CMD:ZARN,PJL;DES:Wide printer;STS:10001/41100,1,SC542;KIJ:1234/;";

void BM_ParseFullReplySet(benchmark::State& state) {
  const int repeat = int(state.range(0));
  std::string text;
  for (int i = 0; i < repeat; ++i) text += ReplySet();

  auto* record = static_cast<PRN_INFO_EX*>(GlobalAlloc(GPTR, PRN_INFO_EX_MIN_SIZE));
  record->size = PRN_INFO_EX_MIN_SIZE;
  INFO_NODE* reply = InfoNodeCreate(nullptr, INFO_ID_REPLY, nullptr, 0);
  INFO_NODE* query = InfoNodeCreate(reply, INFO_ID_QUERY, nullptr, 0);
  for (WORD tray : {TRAY_ROLL1, TRAY_ROLL2, TRAY_CUT_PAPER, TRAY_BYPASS}) PatGetOrAddTray(record, tray);
  PatBuildQueryText(record, 0x2 | 0x4 | 0x8 | 0x10, query);
  InfoNodeCreate(reply, INFO_ID_PJL_TEXT, text.c_str(), DWORD(text.size() + 1));
  InfoNodeCreate(reply, INFO_ID_DEVICE_ID, kDeviceId, sizeof kDeviceId);

  for (auto _ : state) {
    DWORD r = PatParseInfoReply(g_PatModelReplyTable, reply, record);
    if (r) state.SkipWithError("reply did not parse");
    benchmark::DoNotOptimize(record->cTrayInfo);
  }
  state.SetItemsProcessed(state.iterations() * repeat);  // reply sets per second
  state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
  state.counters["text_bytes"] = double(text.size());

  InfoNodeFreeTree(reply);
  for (const char* key : {"pEngineStatus", "pLoadedEmul", "pLoadedFont", "pTrayInfo", "pOutBinInfo", "pDeviceInfo",
                          "pEmulUniqInfo", "pCounterInfo", "pSupplyInfo", "pColorCorrection", "pCustomMediaInfo"})
    PatClearPrnInfoList(record, key);
  for (const char* key : {"pModelName", "pMakerName", "pDescription", "pSYSVersion", "pMainProgVersion", "pKPSVersion"})
    PatSetPrnInfoString(record, key, nullptr);
  GlobalFree(record);
}
BENCHMARK(BM_ParseFullReplySet)->Arg(1)->Arg(8)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
