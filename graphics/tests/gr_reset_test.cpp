// Reset within a document: the running job moves to the new device context and goes on through the same
// output; the DEVMODE merge of the two copies; the job-log items and the colour transform that move.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gr_doc_fixture.h"
#include "gr_escape.h"
#include "gr_reset.h"
#include "kvplat/error.h"
#include "kvplat/icm.h"
#include "settings/access.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

class ResetTest : public grtest::DocTest {
 protected:
  // The block lines of a dump with their kinds only (the PJL text lines and lengths left out), and the
  // page-start record of a page of the context.
  static std::string BlockKinds(const std::string& dump) {
    std::string out;
    size_t at = 0;
    while (at < dump.size()) {
      size_t end = dump.find('\n', at);
      if (end == std::string::npos) end = dump.size();
      std::string line = dump.substr(at, end - at);
      at = end + 1;
      if (line.rfind("block ", 0) != 0) {
        if (line.find("record 96") != std::string::npos) out += line + "\n";
        continue;
      }
      size_t len = line.find(" length");
      out += line.substr(0, len) + "\n";
    }
    return out;
  }
  std::string PageKinds(const GR_PDEV* p) {
    return "block 244 page-header\nblock 240 marker\nblock 245 records\n  record 96 page-start " +
           std::to_string(p->printWidthDot) + "x" + std::to_string(p->printLengthDot) + " dots " +
           std::to_string(p->resolution) + "x" + std::to_string(p->resolution) +
           " dpi\nblock 241 page-trailer\n";
  }
  static std::vector<BYTE> Profile() {
    std::vector<BYTE> bytes(ICC_HEADER_BYTES, 0);
    std::memcpy(bytes.data() + ICC_SIGNATURE_OFFSET, "acsp", 4);
    return bytes;
  }
  static LOGCOLORSPACEW Srgb() {
    LOGCOLORSPACEW cs{};
    cs.lcsSignature = LCS_SIGNATURE;
    cs.lcsVersion = LCS_VERSION;
    cs.lcsSize = sizeof cs;
    cs.lcsCSType = LCS_sRGB;
    return cs;
  }
};

TEST_F(ResetTest, BeforeStartDocNothingMoves) {
  Dc& a = Enable(0);
  Dc& b = Enable(1);
  b.p()->pageCount = 5;
  EXPECT_TRUE(DrvResetPDEV(a.p(), b.p()));
  EXPECT_EQ(b.p()->pageCount, 5);
  EXPECT_EQ(b.p()->state & (GR_STATE_TAKEN_OVER | GR_STATE_DOC_STARTED), 0u);
  EXPECT_EQ(a.p()->state & GR_STATE_TAKEN_OVER, 0u);
}

TEST_F(ResetTest, RefusesInvalidContexts) {
  Dc& a = Enable(0);
  GR_PDEV bad{};
  SetLastError(0);
  EXPECT_FALSE(DrvResetPDEV(a.p(), &bad));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(DrvResetPDEV(nullptr, a.p()));
  EXPECT_FALSE(DrvResetPDEV(a.p(), a.p()));
}

TEST_F(ResetTest, MidDocumentTheNewContextWritesThroughTheSameOutputAndCountsOn) {
  Dc& a = Enable(0);
  Dc& b = Enable(1);
  ASSERT_TRUE(DrvStartDoc(&a.so, const_cast<LPWSTR>(u"doc"), 7));
  ASSERT_TRUE(DrvStartPage(&a.so));
  ASSERT_TRUE(DrvSendPage(&a.so));
  HMODULE output = a.p()->stream.module;
  ASSERT_NE(output, nullptr);

  ASSERT_TRUE(DrvResetPDEV(a.p(), b.p()));
  EXPECT_EQ(b.p()->stream.module, output);
  EXPECT_EQ(a.p()->stream.module, nullptr);  // moved, so the old context cannot release it
  EXPECT_EQ(b.p()->pageCount, 1);
  EXPECT_EQ(b.p()->jobId, 7u);
  EXPECT_TRUE(b.p()->state & GR_STATE_DOC_STARTED);
  EXPECT_TRUE(b.p()->state & GR_STATE_TAKEN_OVER);
  ASSERT_NE(b.p()->jobName, nullptr);
  EXPECT_EQ(std::string(b.p()->jobName, size_t(b.p()->jobNameBytes)), "doc");
  Disable(0);

  ASSERT_TRUE(DrvStartDoc(&b.so, const_cast<LPWSTR>(u"doc"), 7));  // taken over: no new binding
  EXPECT_EQ(b.p()->stream.module, output);
  ASSERT_TRUE(DrvStartPage(&b.so));
  ASSERT_TRUE(DrvSendPage(&b.so));
  EXPECT_EQ(b.p()->pageCount, 2);
  ASSERT_TRUE(DrvEndDoc(&b.so, 0));
  // The first page after the reset gets a job header again, but no job-name block.
  const std::string dump = Dump(Spool(7));
  EXPECT_EQ(BlockKinds(dump), "block 243 job-header\nblock 243 job-header\n" + PageKinds(b.p()) +
                                  "block 243 job-header\n" + PageKinds(b.p()));
  const std::string jobName = "@PJL SET JOBNAME = \"doc\"";
  size_t first = dump.find(jobName);
  EXPECT_NE(first, std::string::npos) << dump;
  EXPECT_EQ(dump.find(jobName, first + 1), std::string::npos) << dump;
  size_t enter = dump.find("ENTER LANGUAGE");
  ASSERT_NE(enter, std::string::npos);
  EXPECT_NE(dump.find("ENTER LANGUAGE", enter + 1), std::string::npos) << "the second job header is full";
}

TEST_F(ResetTest, JobLogItemsMoveInRasterModeOnly) {
  for (SHORT raster : {1, 0}) {
    SCOPED_TRACE(raster);
    Dc& a = Enable(0);
    Dc& b = Enable(1);
    ASSERT_EQ(DrvEscape(&a.so, GR_ESC_USER_CODE, 5, const_cast<char*>("U777"), 0, nullptr), 1u);
    ASSERT_EQ(DrvEscape(&a.so, GR_ESC_TEL_LINE, 3, const_cast<char*>("15"), 0, nullptr), 1u);
    ASSERT_TRUE(DrvStartDoc(&a.so, const_cast<LPWSTR>(u"doc"), 3));
    b.p()->rasterMode = raster;
    uint64_t ownLine = StgGetValue(b.p()->settings, sid::rdmTelLine, nullptr);
    ASSERT_NE(ownLine, 15u);
    ASSERT_TRUE(DrvResetPDEV(a.p(), b.p()));
    WCHAR text[16] = {};
    StgGetString(b.p()->settings, StgFindItem(b.p()->settings, sid::rdmUserCode), text);
    EXPECT_EQ(std::u16string(text), raster ? u"U777" : u"");
    EXPECT_EQ(StgGetValue(b.p()->settings, sid::rdmTelLine, nullptr), raster ? 15u : ownLine);
    ASSERT_TRUE(DrvEndDoc(&b.so, 0));
    Disable(0);
    Disable(1);
    StgPurgeContextCache(1);
  }
}

TEST_F(ResetTest, TheColourTransformMovesAndIsClosedByTheContextThatHoldsIt) {
  Dc& a = Enable(0);
  Dc& b = Enable(1);
  std::vector<BYTE> profile = Profile();
  LOGCOLORSPACEW cs = Srgb();
  HANDLE t = DrvIcmCreateColorTransform(a.p(), &cs, nullptr, 0, profile.data(), ULONG(profile.size()), nullptr, 0, 0);
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(DrvStartDoc(&a.so, const_cast<LPWSTR>(u"doc"), 4));
  ASSERT_TRUE(DrvResetPDEV(a.p(), b.p()));
  EXPECT_EQ(b.p()->colorTransform, t);
  EXPECT_EQ(a.p()->colorTransform, nullptr);
  Disable(0);
  EXPECT_TRUE(kvp::icm::IsLiveTransform(t));  // handed on, so the old context's release leaves it open
  EXPECT_TRUE(DrvIcmDeleteColorTransform(b.p(), t));
  EXPECT_FALSE(kvp::icm::IsLiveTransform(t));
  EXPECT_EQ(kvp::icm::LiveProfileCount(), 0u);
  ASSERT_TRUE(DrvEndDoc(&b.so, 0));
}

// DEVMODE copies built from the model's defaults.
class ResetMergeTest : public ResetTest {
 protected:
  void SetUp() override {
    ResetTest::SetUp();
    Dc& a = Enable(0);
    const DEVMODEW* dm = StgGetDevmode(a.p()->settings);
    base_.assign(reinterpret_cast<const BYTE*>(dm), reinterpret_cast<const BYTE*>(dm) + dm->dmSize + dm->dmDriverExtra);
  }
  static DWORD Offset(WORD id) { return DWORD(StgFindItem(nullptr, id)->offset); }
  static void Put16(std::vector<BYTE>& dm, WORD id, WORD v) { std::memcpy(dm.data() + Offset(id), &v, 2); }
  static WORD Get16(const std::vector<BYTE>& dm, WORD id) {
    WORD v;
    std::memcpy(&v, dm.data() + Offset(id), 2);
    return v;
  }
  static DEVMODEW* Dm(std::vector<BYTE>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }
  std::vector<BYTE> base_;
};

TEST_F(ResetMergeTest, AgreeingCopiesKeepTheOldSettingsWithTheNewPageSettings) {
  std::vector<BYTE> old = base_, neu = base_;
  Dm(old)->dmOrientation = 1;
  Dm(neu)->dmOrientation = 2;
  Dm(old)->dmCopies = 1;
  Dm(neu)->dmCopies = 4;
  old[Offset(sid::rdmTelLine)] = 9;  // not a page setting: the old copy's value stays
  neu[Offset(sid::rdmTelLine)] = 2;
  old[Offset(sid::rdmPlaneUseCMYKCyan)] = 0x0F;
  neu[Offset(sid::rdmPlaneUseCMYKCyan)] = 0x03;
  Put16(old, sid::rdmQualityFunc168Line, 0x1234);
  Put16(neu, sid::rdmQualityFunc168Line, 0x00FF);
  Put16(old, sid::rdmOutPaperSize, 5);  // not 1024: the paper settings stay the old ones
  Dm(old)->dmDefaultSource = 15;
  Dm(neu)->dmDefaultSource = 260;
  ASSERT_TRUE(GrMergeResetDevmode(Dm(old), Dm(neu)));
  EXPECT_EQ(Dm(neu)->dmOrientation, 2);
  EXPECT_EQ(Dm(neu)->dmCopies, 4);
  EXPECT_EQ(neu[Offset(sid::rdmTelLine)], 9);
  EXPECT_EQ(neu[Offset(sid::rdmPlaneUseCMYKCyan)], 0x03);
  EXPECT_EQ(Get16(neu, sid::rdmQualityFunc168Line), 0x00FF);
  EXPECT_EQ(Get16(neu, sid::rdmOutPaperSize), 5);
  EXPECT_EQ(Dm(neu)->dmDefaultSource, 15);

  std::vector<BYTE> old2 = base_, neu2 = base_;
  Put16(old2, sid::rdmOutPaperSize, 1024);
  Put16(neu2, sid::rdmOutPaperSize, 8);
  Dm(neu2)->dmDefaultSource = 260;
  ASSERT_TRUE(GrMergeResetDevmode(Dm(old2), Dm(neu2)));
  EXPECT_EQ(Get16(neu2, sid::rdmOutPaperSize), 8);
  EXPECT_EQ(Dm(neu2)->dmDefaultSource, 260);
}

TEST_F(ResetMergeTest, CopiesThatDisagreeAreNotMerged) {
  for (WORD id : {WORD(sid::dmColor), WORD(sid::dmPrintQuality), WORD(sid::rdmFuncSelectDuplex)}) {
    SCOPED_TRACE(id);
    std::vector<BYTE> old = base_, neu = base_;
    old[Offset(id)] ^= 0x03;
    Dm(neu)->dmOrientation = WORD(Dm(old)->dmOrientation == 1 ? 2 : 1);
    std::vector<BYTE> before = neu;
    EXPECT_FALSE(GrResetFieldsMatch(Dm(old), Dm(neu)));
    EXPECT_FALSE(GrMergeResetDevmode(Dm(old), Dm(neu)));
    EXPECT_EQ(neu, before);
  }
  EXPECT_FALSE(GrMergeResetDevmode(nullptr, Dm(base_)));
  EXPECT_FALSE(GrMergeResetDevmode(Dm(base_), nullptr));
}

TEST_F(ResetMergeTest, CopiesOfDifferentSizesAreBounded) {
  // A new copy with a short private part: the merge writes only its own bytes and keeps its size.
  std::vector<BYTE> old = base_;
  std::vector<BYTE> neu(base_.begin(), base_.begin() + 220 + 300);
  Dm(neu)->dmDriverExtra = 300;
  Dm(old)->dmCopies = 2;
  old[400] = 0x77;
  ASSERT_TRUE(GrMergeResetDevmode(Dm(old), Dm(neu)));
  EXPECT_EQ(Dm(neu)->dmDriverExtra, 300);
  EXPECT_EQ(neu[400], 0x77);

  // An old copy shorter than the new one: the new copy's tail is its own.
  std::vector<BYTE> shortOld(base_.begin(), base_.begin() + 220 + 300);
  Dm(shortOld)->dmDriverExtra = 300;
  std::vector<BYTE> full = base_;
  full[1000] = 0x5C;
  ASSERT_TRUE(GrMergeResetDevmode(Dm(shortOld), Dm(full)));
  EXPECT_EQ(full[1000], 0x5C);
  EXPECT_EQ(Dm(full)->dmDriverExtra, base_.size() - 220);
}

TEST_F(ResetTest, TakeOverCarriesPassThroughAndPrintMethodWhenTheCopiesMerge) {
  Dc& a = Enable(0);
  Dc& b = Enable(1);
  ASSERT_TRUE(DrvStartDoc(&a.so, const_cast<LPWSTR>(u"doc"), 5));
  const DEVMODEW* dm = StgGetDevmode(a.p()->settings);
  DWORD bytes = DWORD(dm->dmSize) + dm->dmDriverExtra;
  for (GR_PDEV* p : {a.p(), b.p()}) {
    p->devmode = static_cast<DEVMODEW*>(GrHeapAlloc(p->heap, bytes));
    std::memcpy(p->devmode, dm, bytes);
  }
  a.p()->takeOver = 1;
  a.p()->passThrough = 1;
  a.p()->printMethod = 7;
  b.p()->printMethod = 2;
  ASSERT_TRUE(DrvResetPDEV(a.p(), b.p()));
  EXPECT_EQ(b.p()->takeOver, 1u);
  EXPECT_EQ(b.p()->passThrough, 1);
  EXPECT_EQ(b.p()->printMethod, 7u);
  ASSERT_TRUE(DrvEndDoc(&b.so, 0));
}

}  // namespace
