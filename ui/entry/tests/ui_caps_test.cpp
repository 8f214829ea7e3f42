// Device capabilities: every index of the contract, the list answers' count agreeing with what they
// write, the N-up lock cases and the trays' papers listed once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kvplat/drvcontract.h"
#include "kvplat/text.h"
#include "settings/setting_ids.h"
#include "ui_caps.h"
#include "ui_fixture.h"
#include "ui_workers.h"

using namespace uitest;

namespace {

constexpr DWORD kNo = 0xFFFFFFFFu;

class Caps : public ModelPrinterTest {
 protected:
  DWORD Ask(WORD index, void* out = nullptr, DEVMODEW* dm = nullptr) {
    return UiDeviceCapabilities(printer_, name_.data(), index, out, dm);
  }
  // Puts the N-up kind into the printer's own DEVMODE.
  void SetPrinterNupKind(BYTE kind) {
    DWORD needed = 0;
    GetPrinterW(printer_, 2, nullptr, 0, &needed);
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(GetPrinterW(printer_, 2, buf.data(), needed, &needed));
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    SETTING_CONTEXT* ctx = Open();
    ASSERT_NE(ctx, nullptr);
    printerDm_ = StoreDevmode(ctx);
    StgReleaseContext(ctx, 0);
    printerDm_[446] = kind;
    info->pDevMode = D(printerDm_);
    ASSERT_TRUE(SetPrinterW(printer_, 2, buf.data(), 0)) << GetLastError();
  }
  std::vector<BYTE> printerDm_;
};

TEST_F(Caps, ConstantAndRefusedIndexes) {
  struct Case {
    WORD index;
    DWORD answer;
  } cases[] = {{0, kNo},           {DC_SIZE, 220},        {DC_EXTRA, 1016},          {DC_VERSION, 0x401},
               {DC_DRIVER, 0x400}, {DC_FILEDEPENDENCIES, 0}, {DC_ORIENTATION, 90},    {DC_COPIES, 999},
               {DC_BINADJUST, kNo}, {DC_EMF_COMPLIANT, kNo}, {DC_DATATYPE_PRODUCED, kNo}, {DC_MANUFACTURER, kNo},
               {DC_MODEL, kNo},    {DC_PRINTRATEUNIT, PRINTRATEUNIT_PPM}, {DC_PRINTRATE, 4}, {DC_PRINTRATEPPM, 4},
               {DC_PRINTERMEM, kNo}, {DC_INDEX_END, kNo}, {999, kNo}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(Ask(c.index), c.answer);
  }
  WCHAR personality[40];
  std::memset(personality, 0xAB, sizeof personality);
  EXPECT_EQ(Ask(DC_PERSONALITY, personality), 1u);
  EXPECT_EQ(std::u16string(personality), u"ZARN");
  EXPECT_EQ(personality[31], 0);
  EXPECT_EQ(personality[32], 0xABAB);  // 32 characters and no more
}

TEST_F(Caps, ListsWriteExactlyTheCountTheyAnswer) {
  struct Case {
    WORD index;
    size_t entry;
  } cases[] = {{DC_PAPERS, DC_PAPERS_ENTRY},         {DC_PAPERSIZE, DC_PAPERSIZE_ENTRY},
               {DC_BINS, DC_BINS_ENTRY},             {DC_BINNAMES, DC_BINNAMES_ENTRY},
               {DC_ENUMRESOLUTIONS, DC_ENUMRESOLUTIONS_ENTRY}, {DC_PAPERNAMES, DC_PAPERNAMES_ENTRY},
               {DC_MEDIAREADY, DC_MEDIAREADY_ENTRY}, {DC_NUP, DC_NUP_ENTRY}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    DWORD n = Ask(c.index);
    ASSERT_NE(n, kNo);
    std::vector<BYTE> out(n * c.entry + 64, 0xCC);
    EXPECT_EQ(Ask(c.index, out.data()), n);
    for (size_t i = n * c.entry; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCC) << i;
  }
  EXPECT_EQ(Ask(DC_ENUMRESOLUTIONS), 2u);
  EXPECT_GT(Ask(DC_PAPERS), 0u);
}

TEST_F(Caps, MergedIndexesFollowTheCallersDevmode) {
  // A landscape DEVMODE with a field the caller set: DC_FIELDS reports the merged fields.
  std::vector<BYTE> dm;
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  dm = StoreDevmode(ctx);
  StgReleaseContext(ctx, 0);
  DWORD fields = Ask(DC_FIELDS, nullptr, D(dm));
  EXPECT_NE(fields, kNo);
  EXPECT_NE(fields & DM_PAPERSIZE, 0u);
  // A corrupt DEVMODE: DC_TRUETYPE answers without taking it in.
  std::vector<BYTE> bad(64, 0xFF);
  DWORD tt = Ask(DC_TRUETYPE, nullptr, D(bad));
  EXPECT_TRUE(tt == DCTT_BITMAP || tt == (DCTT_BITMAP | DCTT_SUBDEV)) << tt;
}

TEST_F(Caps, DuplexFromPrinterData) {
  DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"Duplex"));
  EXPECT_EQ(Ask(DC_DUPLEX), kNo);
  for (DWORD v : {0u, 1u, 7u}) {
    SCOPED_TRACE(v);
    ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(u"Duplex"), REG_DWORD, (LPBYTE)&v, 4), 0u);
    EXPECT_EQ(Ask(DC_DUPLEX), v ? 1u : 0u);
  }
  EXPECT_EQ(UiCapsDuplex(printer_, nullptr, DC_COPIES), kNo);
}

TEST_F(Caps, NupLockCases) {
  struct Case {
    BYTE bits;
    BYTE kind;
    std::vector<DWORD> pages;
  } cases[] = {
      {0, 2, {1, 2, 4, 9, 16}},
      {UI_LOCK_NUP_KIND | UI_LOCK_NUP_ALL, 2, {1, 2, 4, 9, 16}},
      {UI_LOCK_NUP_KIND, 2, {1, 4}},
      {UI_LOCK_NUP_KIND, 4, {1, 16}},
      // Kind 0 or a kind outside the steps: only the one entry there is, and the answer says so.
      {UI_LOCK_NUP_KIND, 0, {1}},
      {UI_LOCK_NUP_KIND, 9, {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + "/" + std::to_string(c.kind));
    SetPrinterNupKind(c.kind);
    DWORD out[8];
    std::memset(out, 0xCC, sizeof out);
    ASSERT_EQ(UiCapsNup(printer_, c.bits, nullptr), int(c.pages.size()));
    ASSERT_EQ(UiCapsNup(printer_, c.bits, out), int(c.pages.size()));
    EXPECT_EQ(std::vector<DWORD>(out, out + c.pages.size()), c.pages);
    EXPECT_EQ(out[c.pages.size()], 0xCCCCCCCCu);
  }
}

TEST_F(Caps, MediaReadyListsAPaperHeldByTwoTraysOnce) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  for (int j = 0; j < 32; ++j) StgSetValue(ctx, WORD(sid::rdmTrayField0 + j), 0);
  StgSetValue(ctx, sid::rdmTrayField0, 1);
  StgSetValue(ctx, sid::rdmTrayField0 + 1, 1);
  StgSetValue(ctx, sid::rdmTrayField0 + 2, 1);
  StgSetValue(ctx, sid::rdmTray1Paper, 9);
  StgSetValue(ctx, sid::rdmTray1Paper + 1, 9);
  StgSetValue(ctx, sid::rdmTray1Paper + 2, 8);
  StgSetValue(ctx, sid::rdmTray1Paper + 3, 5);  // a paper in a tray without its field: not ready
  EXPECT_EQ(UiCapsMediaReady(ctx, nullptr), 2);
  std::vector<WCHAR> names(3 * 64, 0xCCCC);
  EXPECT_EQ(UiCapsMediaReady(ctx, names.data()), 2);
  EXPECT_EQ(names[2 * 64], 0xCCCC);
  EXPECT_EQ(names[63], 0);
  StgReleaseContext(ctx, 0);
}

TEST_F(Caps, PrinterDevmodeOfAnotherSizeCountsAsNone) {
  std::vector<BYTE> dm(STG_DEVMODE_SIZE, 0);
  EXPECT_EQ(UiGetPrinterDevmode(printer_, D(dm)), 0);
  EXPECT_EQ(Ask(DC_COLORDEVICE), kNo);
  SetPrinterNupKind(0);
  EXPECT_EQ(UiGetPrinterDevmode(printer_, D(dm)), 1);
  EXPECT_EQ(UiGetPrinterDevmode((HANDLE)0x7777, D(dm)), 0);
  EXPECT_NE(Ask(DC_COLORDEVICE), kNo);
}

}  // namespace
