// Jobs of an installed printer of the model through the stand-in output library and filter plug-in: the
// block order and the output side's calls, the job-name line, binding fall-backs and failures, output
// errors and pass-through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "devlink/plugins.h"
#include "gr_fixture.h"
#include "gr_blt.h"
#include "gr_hooks.h"
#include "gr_job.h"
#include "gr_pdev.h"
#include "zs_stream.h"
#include "kvplat/engine_draw.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/root.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "zarn_decode.h"

namespace {

class JobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(kvp::MachineRoot() + "/companions");  // the stand-ins' call logs
    ASSERT_EQ(kvp::eng::EnableDriver(&DrvEnableDriver, &drv_), 0u);
  }
  void TearDown() override {
    kvp::eng::DisablePdev(&dev_);
    StgPurgeContextCache(1);
    EXPECT_EQ(kvp::eng::LiveObjectCount(), 0u);
  }
  GR_PDEV* Enable() {
    EXPECT_EQ(kvp::eng::EnablePdev(drv_, machine_.printer, machine_.name.c_str(), nullptr, &dev_), 0u);
    so_.dhpdev = dev_.dhpdev;
    return static_cast<GR_PDEV*>(dev_.dhpdev);
  }
  void Script(const char* module, const std::string& answers) {
    std::filesystem::create_directories(kvp::MachineRoot() + "/companions");
    std::ofstream(kvp::MachineRoot() + "/companions/" + module + ".ini") << "[Answers]\n" << answers;
  }
  std::string Log(const char* module) { return grtest::ReadHostFile(kvp::MachineRoot() + "/companions/" + module + ".log"); }
  std::string Spool(DWORD job) { return grtest::ReadHostFile(kvp::MachineRoot() + "/spool/output/job" + std::to_string(job) + ".zarn"); }
  std::string Dump(const std::string& bytes, bool summary = false) {
    std::string out;
    zarn::DecodeResult r = zarn::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), summary, &out);
    EXPECT_TRUE(r.ok) << out;
    return out;
  }
  // A job of `pages` empty pages; FALSE at the first hook that fails.
  bool Job(int pages, const char16_t* name = u"doc", DWORD id = 1) {
    if (!DrvStartDoc(&so_, const_cast<LPWSTR>(name), id)) return false;
    for (int i = 0; i < pages; ++i)
      if (!DrvStartPage(&so_) || !DrvSendPage(&so_)) return false;
    return DrvEndDoc(&so_, 0);
  }
  // A page of the model's data file: its page header, the page records and its trailer.
  std::string PageText(const GR_PDEV* p) {
    return "block 244 page-header length 77\n  | @PJL COMMENT PAGE \\r\\n\n  | @PJL SET PAGESIZE = A4 \\r\\n\n"
           "  | @PJL SET PAGERESOLUTION = 600 \\r\\n\nblock 240 marker\nblock 245 records length 20\n  record 96 page-start " +
           std::to_string(p->printWidthDot) + "x" + std::to_string(p->printLengthDot) + " dots " +
           std::to_string(p->resolution) + "x" + std::to_string(p->resolution) +
           " dpi\n  record 97 page-end\nblock 241 page-trailer length 27\n  | @PJL COMMENT END OF PAGE \\r\\n\n";
  }
  // The bytes of a stream's leading job-header block (its text has tests of its own).
  static size_t JobHeaderBytes(const std::string& spool) {
    DWORD len = 0;
    if (spool.size() >= 8) std::memcpy(&len, spool.data() + 4, 4);
    return 8 + size_t(len);
  }
  // A stream's dump from the block after the leading job header.
  std::string DumpAfterJobHeader(const std::string& spool) {
    size_t skip = std::min(JobHeaderBytes(spool), spool.size());
    return Dump(spool.substr(skip));
  }
  static constexpr const char* kJobNameDoc = "block 243 job-header length 26\n  | @PJL SET JOBNAME = \"doc\"\\r\\n\n";

  grtest::ModelPrinter machine_;
  kvp::eng::Driver drv_;
  kvp::eng::Device dev_;
  SURFOBJ so_{};
};

TEST_F(JobTest, TwoEmptyPagesInBlockOrderWithTheOutputCallsLogged) {
  GR_PDEV* p = Enable();
  ASSERT_TRUE(Job(2));
  std::string spool = Spool(1);
  EXPECT_EQ(DumpAfterJobHeader(spool), kJobNameDoc + PageText(p) + PageText(p));
  std::string header = std::to_string(JobHeaderBytes(spool));
  // The output side hears of the page end before the page's records reach it.
  EXPECT_EQ(Log("kvdrvspl"),
            std::string("DrvSplStartDocEx job 1\n"
                        "DrvSplStartPage job1\n") +
            "DrvSplWritePrinter job1 " + header + "\n"  // job header
            "DrvSplWritePrinter job1 8\n"   // job name
            "DrvSplWritePrinter job1 26\n"
            "DrvSplWritePrinter job1 85\n"  // page header
            "DrvSplWritePrinter job1 8\n"   // marker
            "DrvSplEndPage job1\n"
            "DrvSplWritePrinter job1 8\n"
            "DrvSplWritePrinter job1 20\n"
            "DrvSplWritePrinter job1 35\n"  // trailer
            "DrvSplStartPage job1\n"
            "DrvSplWritePrinter job1 85\n"
            "DrvSplWritePrinter job1 8\n"
            "DrvSplEndPage job1\n"
            "DrvSplWritePrinter job1 8\n"
            "DrvSplWritePrinter job1 20\n"
            "DrvSplWritePrinter job1 35\n"
            "DrvSplEndDoc job1\n"
            "DrvSplClose job1\n");
  EXPECT_EQ(p->stream.module, nullptr);
  EXPECT_EQ(p->pageCount, 2);
  EXPECT_FALSE(p->state & (GR_STATE_DOC_STARTED | GR_STATE_PAGE_OPEN));
}

TEST_F(JobTest, PageCountingAndARepeatedStartPage) {
  GR_PDEV* p = Enable();
  ASSERT_TRUE(DrvStartDoc(&so_, const_cast<LPWSTR>(u""), 2));
  ASSERT_TRUE(DrvStartPage(&so_));
  ASSERT_TRUE(DrvStartPage(&so_));  // one page header only
  ASSERT_TRUE(DrvSendPage(&so_));
  ASSERT_TRUE(DrvSendPage(&so_));  // not opened by DrvStartPage: counted here
  EXPECT_EQ(p->pageCount, 2);
  ASSERT_TRUE(DrvEndDoc(&so_, 0));
  std::string text = Dump(Spool(2), true);
  EXPECT_NE(text.find("page 1: 4 blocks, 2 records"), std::string::npos) << text;
  EXPECT_EQ(text.find("page 2:"), std::string::npos) << text;
}

TEST_F(JobTest, JobNameLineIsCutQuotedAndKeepsDoubleByteCharactersWhole) {
  struct Case {
    const char* name;
    std::u16string doc;
    UINT codePage;
    size_t nameBytes;  // bytes of the name in the line
  } cases[] = {
      {"300 bytes", std::u16string(300, u'a'), 1252, 232},
      {"lead byte at 232", std::u16string(231, u'a') + u"\u3042\u3042", 932, 231},
      {"double byte fits", std::u16string(230, u'a') + u"\u3042", 932, 232},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    kvp::ProfileSet("ACP", std::to_string(k.codePage));
    Enable();
    ASSERT_TRUE(Job(1, k.doc.c_str(), 3));
    std::string spool = Spool(3);
    size_t at = JobHeaderBytes(spool);  // the job-name block follows the job header
    ASSERT_GT(spool.size(), at + 8);
    DWORD len = 0;
    std::memcpy(&len, spool.data() + at + 4, 4);
    EXPECT_EQ(len, 20 + k.nameBytes + 3);
    EXPECT_LE(len, 255u);
    EXPECT_EQ(spool.substr(at + 8 + len - 3, 3), "\"\r\n");
    kvp::eng::DisablePdev(&dev_);
  }
  kvp::ProfileSet("ACP", "1252");
  Enable();
  ASSERT_TRUE(Job(1, u"say \"hi\"", 4));
  EXPECT_NE(Spool(4).find("@PJL SET JOBNAME = \"say 'hi'\"\r\n"), std::string::npos);
}

// A document name cannot add a PJL command or leave the job's language: every control character of
// the name becomes a blank, so the job-name block stays one line.
TEST_F(JobTest, ControlCharactersOfTheDocumentNameCannotSplitTheJobNameLine) {
  struct Case {
    const char* what;
    std::u16string doc;
    std::string line;
  } cases[] = {
      {"CR LF", u"report\r\n@PJL SET COPIES = 999", "report  @PJL SET COPIES = 999"},
      {"LF alone", u"a\nb", "a b"},
      {"ESC and a UEL", u"x\x1B%-12345X@PJL ENTER LANGUAGE = PCL", "x %-12345X@PJL ENTER LANGUAGE = PCL"},
      {"other controls and DEL", u"\x01t\ta\x7F", " t a "},
  };
  DWORD id = 20;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Enable();
    ASSERT_TRUE(Job(1, k.doc.c_str(), id));
    std::string spool = Spool(id++);
    size_t at = JobHeaderBytes(spool);
    ASSERT_GT(spool.size(), at + 8);
    DWORD len = 0;
    std::memcpy(&len, spool.data() + at + 4, 4);
    std::string block = spool.substr(at + 8, len);
    EXPECT_EQ(block, "@PJL SET JOBNAME = \"" + k.line + "\"\r\n");
    kvp::eng::DisablePdev(&dev_);
  }
}

TEST_F(JobTest, AFailedWriteFailsThePageAndEveryLaterPage) {
  struct Case {
    const char* script;
    int failingPage;  // 1-based page whose hooks fail
  } cases[] = {
      {"FailWriteAt=2\n", 1},   // the job-name line
      {"ShortWriteAt=7\n", 1},  // the page's records
      {"FailWriteAt=11\n", 2},  // the second page's header
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.script);
    Script("kvdrvspl", k.script);
    GR_PDEV* p = Enable();
    ASSERT_TRUE(DrvStartDoc(&so_, const_cast<LPWSTR>(u"doc"), 5));
    int page = 1;
    for (; page <= 3; ++page) {
      BOOL started = DrvStartPage(&so_);
      BOOL sent = DrvSendPage(&so_);
      if (!started || !sent) break;
    }
    EXPECT_EQ(page, k.failingPage);
    EXPECT_TRUE(p->state & GR_STATE_OUTPUT_ERROR);
    EXPECT_FALSE(DrvStartPage(&so_));  // sticky
    EXPECT_TRUE(DrvEndDoc(&so_, 0));
    kvp::eng::DisablePdev(&dev_);
    std::filesystem::remove(kvp::MachineRoot() + "/companions/kvdrvspl.ini");
  }
}

// An image record whose start was flushed before the allocation for its rest failed: the image, the
// drawing hooks after it, the page and every later page fail, and nothing of the page follows the cut
// record (no second copy of the image, no page end, no trailer). A record withdrawn whole is written
// again row by row and the page prints.
TEST_F(JobTest, AnImageRecordCutAfterItsStartWasSentFailsThePage) {
  auto bitmap = [](LONG w, LONG h) {
    HSURF hs = EngCreateBitmap(SIZEL{w, h}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
    SURFOBJ* so = EngLockSurface(hs);
    std::memset(so->pvBits, 0x5A, so->cjBits);
    return std::make_pair(hs, so);
  };
  auto release = [](std::pair<HSURF, SURFOBJ*> b) {
    EngUnlockSurface(b.second);
    EngDeleteSurface(b.first);
  };
  // Rows of 384 KiB in several row pieces: with the buffer at its flush threshold the record's start
  // goes out with the first flush inside the record.
  auto big = bitmap(0x20000, 24), small = bitmap(8, 8);
  bool cut = false;
  for (unsigned n = 1; n <= 16; ++n) {
    SCOPED_TRACE(n);
    GR_PDEV* p = Enable();
    so_.iType = STYPE_DEVICE;
    p->printMethod = 0;  // images in row pieces rather than whole records
    const DWORD id = 100 + n;
    ASSERT_TRUE(DrvStartDoc(&so_, const_cast<LPWSTR>(u"doc"), id));
    ASSERT_TRUE(DrvStartPage(&so_));
    while (p->stream.buffered <= ZS_FLUSH_THRESHOLD) ASSERT_NE(ZsPutRop(&p->stream, 0xCC), nullptr);
    kvp::test::FailAllocAt(n);
    BOOL drawn = GrPutWholeImage(p, 0, 0, 0x20000, 24, 0, 0, big.second, 4, nullptr);
    kvp::test::FailAllocAt(0);
    const bool failed = p->state & GR_STATE_OUTPUT_ERROR;
    POINTL at{0, 0};
    RECTL r{0, 0, 8, 8};
    BOOL later = DrvCopyBits(&so_, small.second, nullptr, nullptr, &r, &at);
    BOOL sent = DrvSendPage(&so_);
    BOOL next = DrvStartPage(&so_);
    DrvSendPage(&so_);
    EXPECT_TRUE(DrvEndDoc(&so_, 0));
    std::string spool = Spool(id);
    std::string out;
    bool whole = zarn::Decode(reinterpret_cast<const uint8_t*>(spool.data()), spool.size(), true, &out).ok;
    if (failed) {
      cut = true;
      EXPECT_FALSE(drawn);
      EXPECT_FALSE(later);
      EXPECT_FALSE(sent);
      EXPECT_FALSE(next);
      EXPECT_EQ(spool.find("END OF PAGE"), std::string::npos);
      EXPECT_LT(spool.size(), size_t(0x20000) * 3 * 24) << "the image was not sent again";
    } else {
      EXPECT_TRUE(drawn);
      EXPECT_TRUE(sent);
      EXPECT_TRUE(whole) << out.substr(0, 2000);
    }
    kvp::eng::DisablePdev(&dev_);
  }
  release(big);
  release(small);
  EXPECT_TRUE(cut) << "no allocation failed after the record's start was sent";
}

TEST_F(JobTest, LibraryWithoutStartDocExOrWritePrinter) {
  grtest::CopyModule("kvdrvspl_noex", "kvdrvspl.so");
  Enable();
  ASSERT_TRUE(Job(1, u"doc", 6));
  EXPECT_EQ(Log("kvdrvspl").rfind("DrvSplStartDoc job 6\n", 0), 0u);
  EXPECT_FALSE(Spool(6).empty());
  kvp::eng::DisablePdev(&dev_);
  grtest::CopyModule("kvdrvspl_nowrite", "kvdrvspl.so");
  Enable();
  ASSERT_TRUE(Job(2, u"doc", 7));  // the job runs, the bytes are dropped
  EXPECT_TRUE(Spool(7).empty());
}

TEST_F(JobTest, AMissingOutputLibraryFailsStartDocWithNothingLoaded) {
  std::filesystem::remove(std::filesystem::path(grtest::HostDriverDir()) / "kvdrvspl.so");
  GR_PDEV* p = Enable();
  EXPECT_FALSE(DrvStartDoc(&so_, const_cast<LPWSTR>(u"doc"), 8));
  EXPECT_EQ(p->stream.module, nullptr);
  EXPECT_FALSE(p->state & GR_STATE_DOC_STARTED);
}

class FilterJobTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    grtest::CopyModule("kvzfilter", "kvzfilter.so");
    kvtest::WriteMachineFile(std::u16string(grtest::kDriverDir) + u"\\ZARNPLUG.ini",
                             "[iZARNFilter]\r\nCount=1\r\nPluginID0=Pass\r\n[Pass]\r\nInstallPath=kvzfilter.dll\r\n");
  }
};

TEST_F(FilterJobTest, APluginPassesTheJobOnToTheOutputLibrary) {
  GR_PDEV* p = Enable();
  ASSERT_NE(p->filterPlugins, nullptr);
  ASSERT_TRUE(Job(1, u"doc", 9));
  std::string spool = Spool(9);
  EXPECT_EQ(DumpAfterJobHeader(spool), kJobNameDoc + PageText(p));
  EXPECT_EQ(Log("kvzfilter"),
            "IZARNGetInterface 256\nOpen\nStartDoc job 9\nStartPage\nWritePrinter " + std::to_string(JobHeaderBytes(spool)) +
                "\nWritePrinter 8\nWritePrinter 26\n"
                "WritePrinter 85\nWritePrinter 8\nEndPage\nWritePrinter 8\nWritePrinter 20\nWritePrinter 35\nEndDoc\n"
                "Close\nIZARNDisposeInterface\n");
  EXPECT_EQ(p->filterInterface, nullptr);
  EXPECT_EQ(p->stream.module, nullptr);
}

TEST_F(FilterJobTest, AMissingPluginFallsBackToTheOutputLibrary) {
  std::filesystem::remove(std::filesystem::path(grtest::HostDriverDir()) / "kvzfilter.so");
  GR_PDEV* p = Enable();
  ASSERT_TRUE(Job(1, u"doc", 10));
  EXPECT_EQ(p->filterChainInUse, 0);
  EXPECT_EQ(Log("kvzfilter"), "");
  EXPECT_EQ(Dump(Spool(10), true).rfind("page 1: 4 blocks, 2 records", 0), 0u);
}

TEST_F(FilterJobTest, APluginThatCannotBeBoundOrOpenedFailsStartDocAndIsUnloaded) {
  for (const char* script : {"FailGetInterface=1\n", "FailOpen=1\n"}) {
    SCOPED_TRACE(script);
    Script("kvzfilter", script);
    GR_PDEV* p = Enable();
    EXPECT_FALSE(DrvStartDoc(&so_, const_cast<LPWSTR>(u"doc"), 11));
    EXPECT_EQ(p->stream.module, nullptr);
    EXPECT_EQ(p->filterInterface, nullptr);
    std::string log = Log("kvzfilter");
    if (std::string(script).rfind("FailOpen", 0) == 0) {
      EXPECT_NE(log.find("Open\nIZARNDisposeInterface\n"), std::string::npos) << log;
    }
    // Nothing of the plug-in stays in the process.
    HMODULE left = GetModuleHandleW(u"kvzfilter.dll");
    EXPECT_EQ(left, nullptr);
    kvp::eng::DisablePdev(&dev_);
  }
}

TEST_F(FilterJobTest, APluginRefusingThePageEndFailsThePage) {
  Script("kvzfilter", "FailEndPage=1\n");
  Enable();
  ASSERT_TRUE(DrvStartDoc(&so_, const_cast<LPWSTR>(u"doc"), 12));
  ASSERT_TRUE(DrvStartPage(&so_));
  EXPECT_FALSE(DrvSendPage(&so_));
  EXPECT_TRUE(DrvEndDoc(&so_, 0));
}

TEST_F(JobTest, PassThroughFirstPageHasNoPageFraming) {
  GR_PDEV* p = Enable();
  p->passThrough = 1;
  ASSERT_TRUE(DrvStartDoc(&so_, const_cast<LPWSTR>(u"doc"), 13));
  ASSERT_TRUE(DrvStartPage(&so_));
  ASSERT_NE(ZsPutRop(&p->stream, 0x5A), nullptr);  // buffered but never sent on page 1
  ASSERT_TRUE(DrvSendPage(&so_));
  ASSERT_TRUE(DrvStartPage(&so_));
  ASSERT_TRUE(DrvSendPage(&so_));
  ASSERT_TRUE(DrvEndDoc(&so_, 0));
  EXPECT_EQ(DumpAfterJobHeader(Spool(13)), kJobNameDoc + PageText(p));
}

// Preview print sends the job's DEVMODE with the user's own paper values: a saved fit slot is restored
// around the block and re-applied after it.
TEST_F(JobTest, PreviewPrintSendsTheDevmodeBeforeTheFirstPage) {
  GR_PDEV* p = Enable();
  ASSERT_TRUE(DrvStartDoc(&so_, const_cast<LPWSTR>(u"doc"), 14));
  p->previewPrint = 1;
  SETTING_CONTEXT* ctx = p->settings;
  GR_FIT_SLOTS* slots = GrFitSlots(ctx);
  ASSERT_NE(slots, nullptr);
  slots->a = GR_FIT_SLOT{1, 8, 0, 0};  // the user chose A3 before the fit
  StgSetValue(ctx, sid::rdmFrontFunc, StgGetValue(ctx, sid::rdmFrontFunc, nullptr) | 0x8);
  ASSERT_TRUE(DrvStartPage(&so_));
  ASSERT_TRUE(DrvSendPage(&so_));
  ASSERT_TRUE(DrvEndDoc(&so_, 0));
  EXPECT_EQ(StgGetValue(ctx, sid::rdmOutPaperSize, nullptr), 8u);
  EXPECT_EQ(slots->a.saved, 0u);
  std::string text = Dump(Spool(14));
  const DEVMODEW* dm = StgGetDevmode(ctx);
  DWORD size = std::max<DWORD>(DWORD(dm->dmSize) + dm->dmDriverExtra, StgGetDevmodeSize());
  std::string want = "block 247 devmode length " + std::to_string(size) + " dmSize " + std::to_string(dm->dmSize);
  size_t at = text.find(want);
  EXPECT_NE(at, std::string::npos) << text;
  EXPECT_LT(text.find("JOBNAME"), at);
  EXPECT_LT(at, text.find("block 244"));
}

TEST_F(JobTest, HooksRefuseAnInvalidContext) {
  SURFOBJ bad{};
  for (auto hook : {+[](SURFOBJ* s) { return DrvStartPage(s); }, +[](SURFOBJ* s) { return DrvSendPage(s); },
                    +[](SURFOBJ* s) { return DrvEndDoc(s, 0); },
                    +[](SURFOBJ* s) { return DrvStartDoc(s, const_cast<LPWSTR>(u"x"), 1); }}) {
    SetLastError(0);
    EXPECT_FALSE(hook(&bad));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  }
}

TEST(FilterChain, NamesInListOrderThenTheOutputLibraryThenNull) {
  char a[] = "C:\\d\\a.dll", b[] = "C:\\d\\b.dll";
  PLUGIN_ENTRY ea{}, eb{}, none{};
  ea.installPath = a;
  eb.installPath = b;
  PLUGIN_ENTRY* entries[] = {&ea, &none, &eb};
  PLUGIN_LIST plugins{3, entries};
  NAME_LIST* names = GrBuildFilterChain(&plugins, "C:\\d\\kvdrvspl.dll");
  ASSERT_NE(names, nullptr);
  ASSERT_EQ(names->count, 4u);
  EXPECT_STREQ(names->names[0], a);
  EXPECT_STREQ(names->names[1], b);
  EXPECT_STREQ(names->names[2], "C:\\d\\kvdrvspl.dll");
  EXPECT_EQ(names->names[3], nullptr);
  PlgFreeNameList(names);
}

}  // namespace
