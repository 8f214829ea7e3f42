// The compiled image file beside the driver data file and the process cache: when a ".BCS" file is
// used and when the data file is compiled again, what a corrupt or half-written file leads to, the
// cache key, two processes that start at once, and a full context built on an installed printer.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <cstring>
#include <filesystem>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "driverdata/dfc_compiler.h"
#include "driverdata/img_image.h"
#include "kvplat/heap.h"
#include "kvplat/testhooks.h"
#include "driverdata/tests/img_test_support.h"
#include "kvtest/temp_root.h"
#include "settings/access.h"
#include "settings/context.h"

namespace {

namespace fs = std::filesystem;
using imgtest::InstalledPrinter;
constexpr DWORD kPortrait = 2026, kLandscape = 2027;  // option values of the orientation names

// A small data file of our own: orientation, resolution and a paper list.
std::string SmallData(const char* version = "8.63", const char* orientation = "IDS_ORIENTATION_LANDSCAPE") {
  std::string s = std::string("*FileVersion: ") + version + "\n";
  s += "*OpenUI *QDV_RADIOLIST_1: PickOne\n*DefaultQDV_RADIOLIST_1: ";
  s += orientation;
  s += "\n*QDV_RADIOLIST_1 IDS_ORIENTATION_PORTRAIT: \"P\"\n*QDV_RADIOLIST_1 IDS_ORIENTATION_LANDSCAPE: \"L\"\n"
       "*CloseUI\n";
  return s;
}

class ImageFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ImgFreeCache();
    StgInitLibraryLocks();
    work_ = CONTEXT_WORK_AREA{};
    work_.useSharedLock = 1;
  }
  void TearDown() override {
    ImgFreeCache();
    StgFreeLibraryLocks();
    img::test::SetWriteChunkHook(nullptr);
  }
  // A context that holds only what the acquisition reads: the second handle and the lock switch.
  SETTING_CONTEXT* Ctx(const InstalledPrinter& p) {
    ctx_ = SETTING_CONTEXT{};
    ctx_.printer2 = p.handle;
    ctx_.work = &work_;
    return &ctx_;
  }
  const BYTE* Acquire(const InstalledPrinter& p) { return reinterpret_cast<const BYTE*>(ImgAcquire(Ctx(p))); }
  // The default of orientation in an image, as the queries see it.
  DWORD Orientation(const BYTE* image) {
    SETTING_CONTEXT c{};
    c.image = reinterpret_cast<COMPILED_IMAGE*>(const_cast<BYTE*>(image));
    return ImgGetDefaultValue(&c, 7);
  }

  kvtest::TempRoot root_;
  CONTEXT_WORK_AREA work_{};
  SETTING_CONTEXT ctx_{};
};

void SetTime(const std::string& host, fs::file_time_type t) { fs::last_write_time(host, t); }

TEST_F(ImageFile, ImagePathReplacesTheExtension) {
  struct Case {
    const char16_t* data;
    const char16_t* image;
  } cases[] = {
      {u"C:\\D\\kvdrvdat", u"C:\\D\\kvdrvdat.BCS"},
      {u"C:\\D\\kvdrv.dat", u"C:\\D\\kvdrv.BCS"},
      {u"C:\\D.x\\kvdrvdat", u"C:\\D.x\\kvdrvdat.BCS"},
      {u"C:\\D\\a.b.c", u"C:\\D\\a.b.BCS"},
  };
  for (const Case& k : cases) {
    WCHAR out[260];
    ImgMakeImagePath(out, k.data);
    EXPECT_EQ(std::u16string(out), std::u16string(k.image));
  }
  std::u16string longPath = u"C:\\" + std::u16string(254, u'a');
  WCHAR out[260];
  ImgMakeImagePath(out, longPath.c_str());
  EXPECT_EQ(out[0], 0) << "a name that does not fit gives an empty path";
}

TEST_F(ImageFile, CompiledOnceThenLoadedFromTheFile) {
  InstalledPrinter p = imgtest::Install(u"P", SmallData());
  int compiles = img::test::CompileCount();
  const BYTE* a = Acquire(p);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(img::test::CompileCount(), compiles + 1);
  ASSERT_TRUE(fs::exists(p.imageHost));
  EXPECT_EQ(fs::file_size(p.imageHost), dfc::Get<uint32_t>(a, 32));
  EXPECT_FALSE(fs::exists(p.imageHost + ".new"));
  EXPECT_EQ(Acquire(p), a) << "the process cache answers the second time";
  EXPECT_EQ(ImgCacheCount(), 1);

  ImgFreeCache();  // a new process: the file is loaded, not compiled
  const BYTE* b = Acquire(p);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(img::test::CompileCount(), compiles + 1);
  EXPECT_EQ(Orientation(b), kLandscape);
  ClosePrinter(p.handle);
}

// Every reason to distrust a ".BCS" file, each leading to a compile that writes a sound file again.
TEST_F(ImageFile, StaleOrCorruptFilesAreCompiledAgain) {
  InstalledPrinter p = imgtest::Install(u"P", SmallData());
  ASSERT_NE(Acquire(p), nullptr);
  const std::string good = imgtest::ReadFile(p.imageHost);
  const fs::file_time_type dataTime = fs::last_write_time(p.dataHost);
  struct Case {
    const char* what;
    std::function<void()> spoil;
    bool compiled;
  } cases[] = {
      {"fresh file", [] {}, false},
      {"same time as the data file", [&] { SetTime(p.imageHost, dataTime); }, false},
      {"older than the data file", [&] { SetTime(p.imageHost, dataTime - std::chrono::seconds(5)); }, true},
      {"one byte short", [&] { imgtest::WriteFile(p.imageHost, good.substr(0, good.size() - 1)); }, true},
      {"header only", [&] { imgtest::WriteFile(p.imageHost, good.substr(0, dfc::kHeaderSize)); }, true},
      {"another version in the header",
       [&] {
         std::string s = good;
         s[2] = '7';  // "8.63" -> "8.73"
         imgtest::WriteFile(p.imageHost, s);
       },
       true},
      {"feature list pointing outside",
       [&] {
         std::string s = good;
         uint64_t far = s.size() + 4096;
         std::memcpy(&s[40], &far, 8);
         imgtest::WriteFile(p.imageHost, s);
       },
       true},
      {"node slot pointing into the header",
       [&] {
         std::string s = good;
         uint64_t inside = 64;
         std::memcpy(&s[dfc::SlotOffset(dfc::SlotIndex(7))], &inside, 8);
         imgtest::WriteFile(p.imageHost, s);
       },
       true},
      {"garbage of the right length",
       [&] {
         std::string s(good.size(), '\xA5');
         uint32_t n = uint32_t(s.size());
         std::memcpy(&s[32], &n, 4);
         imgtest::WriteFile(p.imageHost, s);
       },
       true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    imgtest::WriteFile(p.imageHost, good);
    k.spoil();
    ImgFreeCache();
    int before = img::test::CompileCount();
    const BYTE* image = Acquire(p);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Orientation(image), kLandscape);
    EXPECT_EQ(img::test::CompileCount() - before, k.compiled ? 1 : 0);
    EXPECT_EQ(imgtest::ReadFile(p.imageHost), good) << "a sound file is in place afterwards";
  }
  ClosePrinter(p.handle);
}

// A data file of another version than the library's is compiled by every process and never stored; a
// matching ".BCS" beside it is deleted.
TEST_F(ImageFile, DataFileOfAnotherVersionIsNeverStored) {
  InstalledPrinter p = imgtest::Install(u"P", SmallData("8.62"));
  ASSERT_NE(Acquire(p), nullptr);
  EXPECT_FALSE(fs::exists(p.imageHost));
  // A file that would pass the load checks (same version as the data file) is removed.
  {
    dfc::COMPILE_RECORD* rec = dfc::DfcParseDataFile(p.dataPath.c_str());
    uint32_t len = 0;
    BYTE* image = dfc::DfcAssembleImage(rec, &len);
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(ImgWriteImageFile(image, p.dataPath.c_str()));
    GlobalFree(image);
  }
  ASSERT_TRUE(fs::exists(p.imageHost));
  ImgFreeCache();
  int before = img::test::CompileCount();
  ASSERT_NE(Acquire(p), nullptr);
  EXPECT_EQ(img::test::CompileCount(), before + 1);
  EXPECT_FALSE(fs::exists(p.imageHost));
  ClosePrinter(p.handle);
}

// Two printers whose data files have the same name in different folders keep their own images.
TEST_F(ImageFile, CacheKeyIsTheFullPath) {
  InstalledPrinter a = imgtest::Install(u"A", SmallData("8.63", "IDS_ORIENTATION_PORTRAIT"),
                                        u"C:\\Drivers\\One\\kvdrvdat", u"Driver one");
  InstalledPrinter b = imgtest::Install(u"B", SmallData("8.63", "IDS_ORIENTATION_LANDSCAPE"),
                                        u"C:\\Drivers\\Two\\kvdrvdat", u"Driver two");
  const BYTE* ia = Acquire(a);
  const BYTE* ib = Acquire(b);
  ASSERT_NE(ia, nullptr);
  ASSERT_NE(ib, nullptr);
  EXPECT_NE(ia, ib);
  EXPECT_EQ(Orientation(ia), kPortrait);
  EXPECT_EQ(Orientation(ib), kLandscape);
  EXPECT_EQ(ImgCacheCount(), 2);
  // The same path in another spelling of case is the same file.
  EXPECT_EQ(ImgCacheLookup(u"c:\\drivers\\one\\KVDRVDAT"), ia);
  ClosePrinter(a.handle);
  ClosePrinter(b.handle);
}

TEST_F(ImageFile, FailedAcquisitionLeavesTheCacheAlone) {
  InstalledPrinter p = imgtest::Install(u"P", SmallData());
  ASSERT_NE(Acquire(p), nullptr);
  fs::remove(p.dataHost);
  fs::remove(p.imageHost);
  InstalledPrinter q = imgtest::Install(u"Q", "", u"C:\\Other\\kvdrvdat", u"Other driver");
  fs::remove(q.dataHost);  // the driver names a data file that is not there
  EXPECT_EQ(Acquire(q), nullptr);
  SETTING_CONTEXT none{};
  none.work = &work_;
  EXPECT_EQ(ImgAcquire(&none), nullptr) << "no printer handle";
  EXPECT_EQ(ImgCacheCount(), 1);
  ClosePrinter(p.handle);
  ClosePrinter(q.handle);
}

// Memory running out at any allocation of an acquisition (compile, file, cache entry) gives no image,
// leaves the cache as it was and leaks nothing; the next attempt succeeds.
TEST_F(ImageFile, EveryFailedAllocationLeavesNothingBehind) {
  InstalledPrinter p = imgtest::Install(u"P", SmallData());
  for (bool fromFile : {false, true}) {
    SCOPED_TRACE(fromFile ? "loading the file" : "compiling");
    const BYTE* image = nullptr;
    for (unsigned n = 1; !image && n < 10000; ++n) {
      ImgFreeCache();
      if (!fromFile) fs::remove(p.imageHost);
      kvp::test::FailAllocAt(n);
      image = Acquire(p);
      kvp::test::FailAllocAt(0);
      EXPECT_EQ(ImgCacheCount(), image ? 1 : 0);
    }
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Orientation(image), kLandscape);
  }
  ClosePrinter(p.handle);
}

// Every library keeps its own cache: two modules with their own copy of the common library each build
// their image once, and neither sees the other's (nor the test program's).
TEST_F(ImageFile, EachLibraryHasItsOwnCache) {
  InstalledPrinter p = imgtest::Install(u"P", SmallData());
  struct Probe {
    void* lib;
    const void* (*acquire)(HANDLE);
    int (*count)();
    void (*free)();
  } probes[2];
  const char* names[2] = {"/img_probe_a.so", "/img_probe_b.so"};
  for (int i = 0; i < 2; ++i) {
    probes[i].lib = dlopen((std::string(KV_MODULE_DIR) + names[i]).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(probes[i].lib, nullptr) << dlerror();
    probes[i].acquire = reinterpret_cast<const void* (*)(HANDLE)>(dlsym(probes[i].lib, "ImgProbeAcquire"));
    probes[i].count = reinterpret_cast<int (*)()>(dlsym(probes[i].lib, "ImgProbeCount"));
    probes[i].free = reinterpret_cast<void (*)()>(dlsym(probes[i].lib, "ImgProbeFree"));
    ASSERT_TRUE(probes[i].acquire && probes[i].count && probes[i].free);
  }
  const void* a1 = probes[0].acquire(p.handle);
  const void* a2 = probes[0].acquire(p.handle);
  const void* b1 = probes[1].acquire(p.handle);
  ASSERT_NE(a1, nullptr);
  ASSERT_NE(b1, nullptr);
  EXPECT_EQ(a1, a2) << "shared within the library";
  EXPECT_NE(a1, b1) << "each library its own";
  EXPECT_EQ(probes[0].count(), 1);
  EXPECT_EQ(probes[1].count(), 1);
  EXPECT_EQ(ImgCacheCount(), 0);
  for (Probe& pr : probes) {
    pr.free();
    EXPECT_EQ(pr.count(), 0);
  }
  // The modules stay loaded: the library's process-wide locks live until the process ends.
  ClosePrinter(p.handle);
}

// Runs fn in a child process; the child's exit code is fn's result.
pid_t Fork(const std::function<int()>& fn) {
  pid_t pid = fork();
  if (pid == 0) _exit(fn());
  return pid;
}
int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// Two processes creating their first image at the same moment: one compiles and stores, the other
// waits for the mutex and loads what the first stored; both have a sound image.
TEST_F(ImageFile, TwoProcessesAtOnceCompileOnce) {
  InstalledPrinter p = imgtest::Install(u"P", imgtest::ModelDataText());
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  auto child = [&]() -> int {
    close(go[1]);
    char c;
    if (read(go[0], &c, 1) != 1) return 90;
    int before = img::test::CompileCount();
    const BYTE* image = Acquire(p);
    if (!image) return 91;
    SETTING_CONTEXT c2{};
    c2.image = reinterpret_cast<COMPILED_IMAGE*>(const_cast<BYTE*>(image));
    if (!ImgFindNode(&c2, 8) || !ImgFindNode(&c2, 13)) return 92;
    return img::test::CompileCount() - before;  // 1 compiled, 0 loaded
  };
  pid_t a = Fork(child), b = Fork(child);
  close(go[0]);
  ASSERT_EQ(write(go[1], "gg", 2), 2);
  close(go[1]);
  int ra = Wait(a), rb = Wait(b);
  EXPECT_TRUE((ra == 1 && rb == 0) || (ra == 0 && rb == 1)) << ra << " " << rb;
  EXPECT_TRUE(fs::exists(p.imageHost));
  ClosePrinter(p.handle);
}

// A process killed in the middle of writing the ".BCS" file leaves nothing a later process accepts.
TEST_F(ImageFile, WriterKilledMidwayLeavesNoAcceptedFile) {
  InstalledPrinter p = imgtest::Install(u"P", imgtest::ModelDataText());
  pid_t pid = Fork([&] {
    img::test::SetWriteChunkHook([](size_t) { raise(SIGKILL); });
    Acquire(p);
    return 0;
  });
  EXPECT_EQ(Wait(pid), 100 + SIGKILL);
  EXPECT_FALSE(fs::exists(p.imageHost)) << "only the aside file may hold the partial write";
  int before = img::test::CompileCount();
  const BYTE* image = Acquire(p);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(img::test::CompileCount(), before + 1);
  EXPECT_EQ(fs::file_size(p.imageHost), dfc::Get<uint32_t>(image, 32));
  EXPECT_FALSE(fs::exists(p.imageHost + ".new"));
  ClosePrinter(p.handle);
}

// The whole road: a printer installed with the model's data file, a full context carries the image and
// its settings hold the compiled defaults.
TEST_F(ImageFile, FullContextCarriesTheImageAndItsDefaults) {
  InstalledPrinter p = imgtest::Install(u"Plotter", imgtest::ModelDataText(), u"kvdrvdat",
                                        u"KAVRO Lumeta QT M8350 ZARN");
  SETTING_CONTEXT* c = StgCreateContextEx(p.handle, p.handle, nullptr, 0, STG_KIND_UI, 0, nullptr);
  ASSERT_NE(c, nullptr);
  ASSERT_NE(c->image, nullptr);
  EXPECT_EQ(reinterpret_cast<const BYTE*>(c->image), ImgCacheLookup(p.dataPath.c_str()));
  EXPECT_NE(c->work->evalStack, nullptr);
  int checked = 0;
  for (WORD id : {WORD(7), WORD(8), WORD(13), WORD(38), WORD(QDV_rdmOutPaperSize)}) {
    SCOPED_TRACE(id);
    ASSERT_NE(ImgFindNode(c, id), 0u);
    EXPECT_EQ(StgGetOptionValue(c, id, nullptr), ImgGetDefaultValue(c, id));
    ++checked;
  }
  EXPECT_EQ(checked, 5);
  // A second context of the process shares the image.
  SETTING_CONTEXT* d = StgCreateContextEx(p.handle, p.handle, nullptr, 1, STG_KIND_CAPS, 0, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->image, c->image);
  StgReleaseContext(d, STG_RELEASE_FREE);
  StgReleaseContext(c, STG_RELEASE_FREE);
  StgPurgeContextCache(1);
  ClosePrinter(p.handle);
}

}  // namespace
