// Test support for the judges: a full context of the model printer whose device block starts empty (no
// options installed, no paper in any tray), with a portrait sheet, no n-up or duplex layout, tray 1
// selected and A4 as the output paper, so each case sets only what it is about.
#pragma once
#include <cstring>

#include "driverdata/rule_flags.h"
#include "driverdata/rule_judges.h"
#include "driverdata/tests/img_test_support.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"

namespace judgetest {

class JudgeContext : public imgtest::ModelContext {
 protected:
  void SetUp() override {
    imgtest::ModelContext::SetUp();
    if (HasFatalFailure()) return;
    std::memset(ctx_->store->bytes + STG_DEVICE_BLOCK_OFFSET, 0, STG_DEVICE_BLOCK_SIZE);
    for (auto [id, value] : std::initializer_list<std::pair<WORD, DWORD>>{
             {sid::dmOrientation, 1}, {sid::rdmFuncSelectNup, 0}, {sid::rdmFuncSelectDuplex, 0},
             {sid::dmDefaultSource, 1}, {sid::dmPaperSize, 9}, {sid::rdmOutPaperSize, 9},
             {sid::rdmFuncSelectStaple, 0}, {sid::rdmFuncSelectPunch, 0}, {sid::rdmLoadShare, 0}})
      V(id, value);
  }
  void V(WORD id, uint64_t value) { StgSetValue(ctx_, id, value); }
  DWORD R(WORD id) { return DWORD(StgGetValue(ctx_, id, nullptr)); }
  int Flag(WORD id) { return RuleGetComputedFlag(ctx_, id); }
  // Loads a tray: paper code, orientation bit (0 short edge first), lock bit.
  void Tray(WORD paperId, WORD orientId, WORD lockId, DWORD paper, DWORD orient = 0, DWORD lock = 0) {
    V(paperId, paper);
    V(orientId, orient);
    if (lockId) V(lockId, lock);
  }
  // The output paper P (rdmOutPaperSize other than 1024-1028 is P itself).
  void Paper(DWORD paper) {
    V(sid::dmPaperSize, paper);
    V(sid::rdmOutPaperSize, paper);
  }
};

}  // namespace judgetest
