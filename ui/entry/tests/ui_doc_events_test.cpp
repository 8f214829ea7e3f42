// Document events and the hand-over table; the job query.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "config/paths.h"
#include "kvplat/drvcontract.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "kvplat/text.h"
#include "ui_doc_events.h"
#include "ui_fixture.h"
#include "ui_frame.h"
#include "ui_workers.h"

using namespace uitest;

namespace {

class DocEvents : public ModelPrinterTest {
 protected:
  void SetHelp(const std::u16string& name) {
    ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(u"HelpFileName"), REG_SZ, (LPBYTE)name.c_str(),
                              DWORD((name.size() + 1) * 2)),
              0u);
  }
};

TEST_F(DocEvents, EventsByTheirLowWord) {
  struct Case {
    int event;
    int answer;
  } cases[] = {{0, 0}, {DOCUMENTEVENT_CREATEDCPRE, 1}, {DOCUMENTEVENT_CREATEDCPOST, 1}, {DOCUMENTEVENT_RESETDCPRE, 0},
               {DOCUMENTEVENT_STARTDOC, 1}, {0x10005, 1}, {DOCUMENTEVENT_STARTPAGE, 1}, {DOCUMENTEVENT_ENDPAGE, 0},
               {DOCUMENTEVENT_ENDDOC, 0}, {DOCUMENTEVENT_ABORTDOC, 0}, {DOCUMENTEVENT_DELETEDC, 0},
               {DOCUMENTEVENT_ESCAPE, 0}, {DOCUMENTEVENT_STARTDOCPOST, 1}, {14, 0}, {0x7FFF0001, 1}};
  BYTE in[8] = {1, 2, 3, 4, 5, 6, 7, 8}, out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    EXPECT_EQ(UiDocumentEvent(printer_, nullptr, c.event, sizeof in, in, sizeof out, out), c.answer);
  }
  // The event's buffers are never touched.
  EXPECT_EQ(in[0], 1);
  EXPECT_EQ(out[7], 9);
}

TEST_F(DocEvents, TableWithoutHelpFileHasEmptyTextsAndItsKeys) {
  DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"HelpFileName"));
  STRING_HANDOVER_ROW t[kStringHandoverRows];
  std::memset(t, 0xAB, sizeof t);
  UiFillStringTable(printer_, t);
  const WORD keys[4][2] = {{731, 15000}, {733, 15001}, {735, 15002}, {0, 0}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(t[i].key, keys[i][0]);
    EXPECT_EQ(t[i].stringId, keys[i][1]);
    EXPECT_EQ(t[i].text[0], 0);
  }
  WCHAR buf[8];
  EXPECT_EQ(UiReadHelpFileNameValue(buf, sizeof buf, printer_), 0);
  EXPECT_EQ(UiReadHelpFileNameValue(nullptr, 16, printer_), 0);
  EXPECT_EQ(UiReadHelpFileNameValue(buf, 0, printer_), 0);
  HMODULE slot = nullptr;
  EXPECT_EQ(UiLoadHandoverLibrary(printer_, &slot), nullptr);
}

TEST_F(DocEvents, TextsComeFromTheHelpFilesLibraryCutTo260) {
  // The model's resource library of the printer's help file carries the hand-over strings when it has
  // them; a long string is cut to 260 characters.
  WCHAR dir[260] = {};
  CfgGetDriverDirForPrinter(printer_, dir);
  SetHelp(u"KV8350us.hlp");
  HMODULE slot = nullptr;
  HMODULE lib = UiLoadHandoverLibrary(printer_, &slot);
  if (!lib) GTEST_SKIP() << "no model resource library installed";
  EXPECT_EQ(UiLoadHandoverLibrary(printer_, &slot), lib);  // loaded once per hand-over
  WCHAR text[261];
  for (UINT id : {15000u, 15001u, 15002u}) {
    std::memset(text, 0xAB, sizeof text);
    UiLoadHandoverText(printer_, &slot, id, text);
    WCHAR expect[400] = {};
    int n = LoadStringW(lib, id, expect, 400);
    size_t want = n > 260 ? 260 : size_t(n > 0 ? n : 0);
    EXPECT_EQ(kvp::WLen(text), want) << id;
  }
  FreeLibrary(lib);
}

TEST_F(DocEvents, JobQueryAcceptsForeignAndMissingDevmodes) {
  EXPECT_FALSE(UiDevQueryPrint(nullptr));
  DEVQUERYPRINT_INFO q{};
  q.cbSize = sizeof q;
  q.hPrinter = printer_;
  EXPECT_TRUE(UiDevQueryPrint(&q));
  // Another model's DEVMODE: its private part is replaced by the printer's, and the job prints.
  std::vector<BYTE> dm(STG_DEVMODE_SIZE, 0);
  DEVMODEW* d = D(dm);
  std::memcpy(d->dmDeviceName, u"Other model", 24);
  d->dmSpecVersion = 0x401;
  d->dmSize = 220;
  d->dmDriverExtra = WORD(STG_DEVMODE_SIZE - 220);
  d->dmFields = DM_ORIENTATION;
  d->dmOrientation = DMORIENT_LANDSCAPE;
  std::memset(dm.data() + 220, 0x5A, dm.size() - 220);
  WCHAR err[16] = u"untouched";
  q.pDevMode = d;
  q.pszErrorStr = err;
  q.cchErrorStr = 16;
  EXPECT_TRUE(UiDevQueryPrint(&q));
  EXPECT_EQ(std::u16string(err), u"untouched");
  EXPECT_EQ(q.cchNeeded, 0u);
}

}  // namespace
