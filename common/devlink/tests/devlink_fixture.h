// A machine with a printer of the model whose bidi attribute is on, the model INI and the companion
// stand-ins of the device links in its driver folder, and full settings contexts of it.
#pragma once
#include <string>
#include <vector>

#include "devlink/bidi_query.h"
#include "driverdata/tests/img_test_support.h"
#include "kvplat/file.h"
#include "kvplat/profile.h"
#include "settings/modules.h"
#include "settings/tests/platform_queries_fixture.h"
#include "settings/setting_ids.h"

namespace devlinktest {

using namespace kvcfgtest;

// Feature-module answers a device query asks for, standing in for the job-settings and chapter modules
// of a context: tray details are wanted; status bits 5, 6 and 7 mark chapter trays 1, 2 and 3.
inline int TrayEvents(SETTING_CONTEXT* ctx, DWORD event, void* arg, void*) {
  switch (event) {
    case STG_EVENT_TRAY_DETAILS:
      static_cast<BIDI_TRAY_DETAILS_ARG*>(arg)->answer = 1;
      return 1;
    case STG_EVENT_TRAY_STATUS: {
      auto* a = static_cast<BIDI_TRAY_STATUS_ARG*>(arg);
      DWORD bits = a->kind ? (BIDI_TRAY_CHAPTER1 << (a->kind - 1)) : (BIDI_TRAY_CHAPTER1 | BIDI_TRAY_CHAPTER2 | BIDI_TRAY_CHAPTER3);
      a->answer = (a->status & bits) ? 1 : 0;
      return 1;
    }
    case STG_EVENT_TRAY_FUNCTION: {
      auto* a = static_cast<BIDI_TRAY_FUNCTION_ARG*>(arg);
      for (DWORD k = 0; k < 3; ++k)
        if (a->status & (BIDI_TRAY_CHAPTER1 << k)) {
          StgSetValue(ctx, WORD(sid::rdmChapterDefTray1 + k), a->binValue);
          *a->functionByte |= BYTE(BIDI_FUNC_CHAPTER1 << k);
          break;
        }
      return 1;
    }
    default:
      return 0;
  }
}

class DevlinkTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    CreateDirectoryW(u"C:\\_zarn", nullptr);
    printer_ = AddPrinter(u"Plotter", PRINTER_ATTRIBUTE_ENABLE_BIDI);
    PlaceModule("kvbidi64", std::u16string(kDriverDir) + u"kvbidi64.dll");
    PlaceModule("KAVJC64", std::u16string(kDriverDir) + u"KAVJC64.DLL");
    WriteFile(std::u16string(kDriverDir) + u"kvdrvmod.ini",
              imgtest::ReadFile(std::string(KV_SOURCE_DIR) + "/model/kvdrvmod.ini"));
  }
  void TearDown() override {
    for (SETTING_CONTEXT* c : contexts_) StgReleaseContext(c, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  // A full context of `printer` (the fixture's printer by default) whose job-settings row answers the
  // tray events.
  SETTING_CONTEXT* Full(HANDLE printer = nullptr) {
    SETTING_CONTEXT* c = Context(printer ? printer : printer_, 0, STG_KIND_UI);
    EXPECT_NE(c, nullptr);
    if (!c) return nullptr;
    contexts_.push_back(c);
    if (c->work && c->work->modules && c->work->modules->count > STG_MODULE_JOB_SETTINGS)
      c->work->modules->rows[STG_MODULE_JOB_SETTINGS].event = TrayEvents;
    return c;
  }
  // The fixture's printer opened again with use rights only: its printer data cannot be written.
  HANDLE UserHandle() {
    std::u16string name = u"Plotter";
    PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(name.data(), &h, &def));
    if (h) open_.push_back(h);
    return h;
  }
  DWORD Get(SETTING_CONTEXT* c, WORD id) { return DWORD(StgGetValue(c, id, nullptr)); }
  std::string Text(SETTING_CONTEXT* c, WORD id) {
    ITEM_DESC* row = StgFindItem(c, id);
    std::u16string out(row ? StgTypeLength(row->type) + 1 : 1, u'\0');
    StgGetString(c, row, out.data());
    return kvp::ToUtf8(out.c_str());
  }

  HANDLE printer_ = nullptr;
  std::vector<SETTING_CONTEXT*> contexts_;
};

}  // namespace devlinktest
