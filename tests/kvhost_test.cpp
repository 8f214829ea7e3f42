// kvhost as a user meets it: `kvhost setup` on a new root installs every file where the driver's own path
// functions look for it; misuse gives a message that says what is wrong and the documented exit code;
// `printer show` names device settings; a raw reply file is the [pjl] part of a status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/paths.h"
#include "driverdata/dfc_compiler.h"
#include "kvplat/heap.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvsetup/driver_set.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"

namespace {

namespace fs = std::filesystem;

const std::string kKvhost = std::string(KV_BINARY_DIR) + "/bin/kvhost";
const std::string kFixtures = std::string(KV_SOURCE_DIR) + "/statusdata/tests/fixtures";

struct Outcome {
  int code;
  std::string out;  // standard output and standard error
};

// Runs a shell command line, collecting what it prints.
Outcome Shell(const std::string& command) {
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  Outcome r{-1, {}};
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

Outcome Kvhost(const std::string& args) { return Shell(kKvhost + " " + args); }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The host file of a machine path; a library named "X.dll" is the "X.so" the loader takes in its place.
std::string HostFileOf(std::u16string_view machinePath) {
  std::string host;
  if (kvp::MapPath(machinePath, host) != 0) return {};
  if (fs::exists(host)) return host;
  fs::path so = fs::path(host).replace_extension(".so");
  return fs::exists(so) ? so.string() : std::string();
}

// A machine root set up by `kvhost setup`, shared by the tests of this file.
class SetUpMachine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new kvtest::TempRoot();  // a scratch folder; setup makes the root inside it
    root_ = new std::string(dir_->path() + "/machine");
    setup_ = new Outcome(Kvhost("setup --root " + Quote(*root_)));
  }
  static void TearDownTestSuite() {
    delete setup_;
    delete root_;
    delete dir_;
  }
  void SetUp() override {
    ASSERT_EQ(setup_->code, 0) << setup_->out;
    kvp::SetMachineRoot(*root_);
  }
  void TearDown() override { kvp::SetMachineRoot(dir_->path()); }

  static HANDLE OpenModelPrinter() {
    std::u16string name = kvsetup::kModelDriverName;
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
    EXPECT_TRUE(OpenPrinterW(name.data(), &h, &def));
    return h;
  }

  static kvtest::TempRoot* dir_;
  static std::string* root_;
  static Outcome* setup_;
};
kvtest::TempRoot* SetUpMachine::dir_ = nullptr;
std::string* SetUpMachine::root_ = nullptr;
Outcome* SetUpMachine::setup_ = nullptr;

// Every file setup installs is where the driver looks: the driver folder of the printer's driver
// information, the data file it names, the model INI and resource library of a settings context, and
// every dependent file; the context's image acquisition writes the ".BCS" beside the installed data file.
TEST_F(SetUpMachine, TheDriverFindsEveryInstalledFile) {
  EXPECT_NE(setup_->out.find("printer added: KAVRO Lumeta QT M8350 ZARN"), std::string::npos) << setup_->out;
  HANDLE h = OpenModelPrinter();
  ASSERT_NE(h, nullptr);

  WCHAR folder[260] = {};
  ASSERT_NE(CfgGetDriverDirForPrinter(h, folder), nullptr);
  EXPECT_EQ(kvp::WView(folder), std::u16string(kvsetup::kDriverFolder) + u"\\");
  for (const kvsetup::ModuleFile& m : kvsetup::kModules) {
    if (!fs::exists(fs::path(KV_MODULE_DIR) / m.built)) continue;  // only what is built is installed
    SCOPED_TRACE(m.registered);
    // The system's own components are in the system folder, where a load by name finds them.
    std::u16string place = m.system ? std::u16string(kvsetup::kSystemFolder) + u"\\" : std::u16string(kvp::WView(folder));
    EXPECT_FALSE(HostFileOf(place + kvp::FromUtf8(m.registered)).empty());
  }

  LPWSTR data = dfc::DfcGetDataFilePath(h);
  ASSERT_NE(data, nullptr);
  std::string dataHost = HostFileOf(kvp::WView(data));
  GlobalFree(data);
  ASSERT_FALSE(dataHost.empty());

  DWORD need = 0;
  GetPrinterDriverW(h, nullptr, 3, nullptr, 0, &need);
  std::vector<BYTE> buf(need);
  ASSERT_TRUE(GetPrinterDriverW(h, nullptr, 3, buf.data(), need, &need));
  auto* di = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
  int dependents = 0;
  for (const WCHAR* d = di->pDependentFiles; d && *d; d += kvp::WView(d).size() + 1, ++dependents) {
    SCOPED_TRACE(kvp::ToUtf8(kvp::WView(d)));
    EXPECT_FALSE(HostFileOf(kvp::WView(d)).empty());
  }
  EXPECT_GE(dependents, 5);  // the model INI files, the two resource libraries and the picture library at least

  fs::remove(fs::path(dataHost).replace_extension(".BCS"));
  StgInitLibraryLocks();
  SETTING_CONTEXT* ctx = StgCreateContextEx(h, h, nullptr, 0, STG_KIND_UI, 0, nullptr);
  ASSERT_NE(ctx, nullptr);
  EXPECT_NE(ctx->image, nullptr);
  EXPECT_FALSE(HostFileOf(kvp::WView(CfgGetModelIniPath(ctx))).empty());
  EXPECT_FALSE(HostFileOf(kvp::WView(CfgGetResourceDllPath(ctx))).empty()) << kvp::ToUtf8(kvp::WView(CfgGetResourceDllPath(ctx)));
  // The picture library lies beside it, under the name the interface library derives from it: the 8th
  // character from the end becomes 'C', the 6th and 5th become 'X'. It carries its version block and
  // the marks the pages draw.
  std::u16string pictures(kvp::WView(CfgGetResourceDllPath(ctx)));
  ASSERT_GT(pictures.size(), 8u);
  pictures[pictures.size() - 8] = u'C';
  pictures[pictures.size() - 6] = pictures[pictures.size() - 5] = u'X';
  EXPECT_EQ(pictures.substr(pictures.rfind(u'\\') + 1), u"KV83C0XX.DLL");
  HMODULE pm = LoadLibraryExW(pictures.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(pm, nullptr) << kvp::ToUtf8(pictures);
  EXPECT_NE(FindResourceW(pm, MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
  for (WORD id : {7005, 7006}) EXPECT_NE(FindResourceW(pm, MAKEINTRESOURCEW(id), RT_BITMAP), nullptr) << id;
  FreeLibrary(pm);
  StgReleaseContext(ctx, STG_RELEASE_FREE);
  StgPurgeContextCache(1);
  StgFreeLibraryLocks();
  EXPECT_TRUE(fs::exists(fs::path(dataHost).replace_extension(".BCS")));
  ClosePrinter(h);
}

// Setup twice is harmless: the files are there, the driver registered again and the printer kept.
TEST_F(SetUpMachine, SettingUpAgainKeepsThePrinter) {
  Outcome again = Kvhost("setup --root " + Quote(*root_));
  EXPECT_EQ(again.code, 0) << again.out;
  EXPECT_NE(again.out.find("printer kept: KAVRO Lumeta QT M8350 ZARN"), std::string::npos) << again.out;
}

// Device settings in printer data are shown by their names and with readable values.
TEST_F(SetUpMachine, PrinterShowNamesDeviceSettings) {
  HANDLE h = OpenModelPrinter();
  ASSERT_NE(h, nullptr);
  std::u16string tray = u"Tray1Paper", logging = u"Logging";
  BYTE paper[2] = {9, 0};  // the stored paper code of A4
  DWORD on = 1;
  EXPECT_EQ(SetPrinterDataW(h, tray.data(), REG_BINARY, paper, 2), 0u);
  EXPECT_EQ(SetPrinterDataW(h, logging.data(), REG_DWORD, reinterpret_cast<BYTE*>(&on), 4), 0u);
  ClosePrinter(h);
  Outcome r = Kvhost("--root " + Quote(*root_) + " printer show 'KAVRO Lumeta QT M8350 ZARN'");
  EXPECT_EQ(r.code, 0) << r.out;
  // The driver's set-up wrote the printer's device settings; the two changed here show by name.
  EXPECT_NE(r.out.find("Device settings ("), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  rdmTray1Paper = 9"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  rdmLogging = 1"), std::string::npos) << r.out;
}

// The capabilities an application's print dialog asks, answered by the installed driver.
TEST_F(SetUpMachine, CapsListsWhatTheDriverAnswers) {
  Outcome r = Kvhost("--root " + Quote(*root_) + " caps 'KAVRO Lumeta QT M8350 ZARN'");
  ASSERT_EQ(r.code, 0) << r.out;
  for (const char* line : {"    267  ", "841.0 x 1189.0 mm", "resolutions: 300 x 300 dpi, 600 x 600 dpi\n",
                           "copies: 999\n", "pages per sheet: 1 2 4 9 16\n", "personality: ZARN\n",
                           "print rate: 4 pages per minute\n", "duplex: 0\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  Outcome some = Kvhost("--root " + Quote(*root_) + " caps 'KAVRO Lumeta QT M8350 ZARN' copies personality");
  EXPECT_EQ(some.out, "copies: 999\npersonality: ZARN\n");
  EXPECT_EQ(Kvhost("--root " + Quote(*root_) + " caps 'KAVRO Lumeta QT M8350 ZARN' colour").code, 2);
  Outcome missing = Kvhost("--root " + Quote(*root_) + " caps 'No such printer'");
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.out.find("does not answer"), std::string::npos) << missing.out;
}

// A file of raw reply bytes (no sections) is the [pjl] part of the reply: it is read and parsed, and as
// it carries no device id there is no status code to show, which kvhost says.
TEST_F(SetUpMachine, RawReplyBytesAreThePjlPart) {
  std::string raw = dir_->path() + "/raw_reply.bin";
  std::ofstream(raw, std::ios::binary) << "@PJL INFO CONFIG\r\nIN TRAYS [1 ENUMERATED]\r\n\tINTRAY1\r\n\f";
  Outcome r = Kvhost("--root " + Quote(*root_) + " status --reply " + Quote(raw));
  EXPECT_EQ(r.code, 1) << r.out;
  EXPECT_NE(r.out.find("the reply was read, but it holds no device status"), std::string::npos) << r.out;
}

// Misuse: each case gives its message and the exit code that `kvhost --help` documents.
TEST_F(SetUpMachine, MisuseGivesAMessageAndTheDocumentedExitCode) {
  const std::string tmp = dir_->path();
  std::ofstream(tmp + "/binary.dat", std::ios::binary) << std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16);
  std::ofstream(tmp + "/no_sections.txt") << "the printer said nothing useful\n";
  std::ofstream(tmp + "/odd_section.txt") << "[pjl]\n@PJL INFO STATUS\n[colour]\nred\n";
  std::ofstream(tmp + "/empty.page") << "";
  const std::string root = "--root " + Quote(*root_) + " ";
  const std::string typo = tmp + "/machnie";
  const struct {
    std::string args;
    int code;
    const char* message;
  } cases[] = {
      {"", 2, "no command given"},
      {"frobnicate", 2, "unknown command 'frobnicate'"},
      {"--verbose printer list", 2, "unknown option --verbose"},
      {"--root", 2, "--root needs a folder"},
      {"--root " + Quote(typo) + " printer list", 1, "is not a machine root"},
      {"--root " + Quote(typo) + " printer add P --driver D", 1, "is not a machine root"},
      {"--root " + Quote(typo) + " status --reply x", 1, "is not a machine root"},
      {"--root " + Quote(typo) + " print P --script x", 1, "is not a machine root"},
      // The command line is read first: a wrong one is reported as such even on a folder that is no root.
      {"--root " + Quote(typo) + " printer", 2, "usage: kvhost printer"},
      {"--root " + Quote(typo) + " print", 2, "usage: kvhost print"},
      {"--root " + Quote(typo) + " engine P extra", 2, "unexpected 'extra'"},
      {"--root " + Quote(typo) + " ui show", 2, "usage: kvhost ui show"},
      // A folder where a file is needed, and an empty file.
      {root + "print 'KAVRO Lumeta QT M8350 ZARN' --script " + Quote(tmp), 1, "it is a folder, and a file is needed"},
      {root + "print 'KAVRO Lumeta QT M8350 ZARN' --script " + Quote(tmp + "/empty.page"), 1, "is empty"},
      {root + "engine 'KAVRO Lumeta QT M8350 ZARN' --devmode " + Quote(tmp), 1, "it is a folder, and a file is needed"},
      {root + "engine 'KAVRO Lumeta QT M8350 ZARN' --devmode " + Quote(tmp + "/missing.dm"), 1, "no such file"},
      {"compile", 2, "usage: kvhost compile"},
      {"compile a b c", 2, "usage: kvhost compile"},
      {"compile " + Quote(tmp + "/missing.dat"), 1, "no such file"},
      {"compile " + Quote(tmp + "/binary.dat"), 1, "is binary data, not a driver data file"},
      {"compile --check " + Quote(std::string(KV_SOURCE_DIR) + "/model/kvdrvmod.ini"), 1,
       "holds no statement of the driver data file"},
      {root + "printer show Nobody", 1, "no such printer"},
      {root + "printer", 2, "usage: kvhost printer"},
      {root + "status", 2, "usage: kvhost status"},
      {root + "status --reply " + Quote(tmp + "/missing.txt"), 1, "no such file"},
      {root + "status --reply " + Quote(tmp + "/no_sections.txt"), 1, "nor a raw PJL reply"},
      {root + "status --reply " + Quote(tmp + "/odd_section.txt"), 1, "unknown section [colour]"},
      {root + "status --reply " + Quote(kFixtures + "/tray1_empty.txt") + " --lang XX", 2, "language XX is not known"},
      {"machine", 2, "usage: kvhost machine init"},
      {"setup --rooot x", 2, "usage: kvhost setup"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    Outcome r = Kvhost(c.args);
    EXPECT_EQ(r.code, c.code) << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
  }
  EXPECT_FALSE(fs::exists(typo)) << "a mistyped root was created";
  // A status on a root without the driver set says how to install it.
  Outcome bare = Kvhost("machine init " + Quote(tmp + "/bare"));
  ASSERT_EQ(bare.code, 0) << bare.out;
  bare = Kvhost("--root " + Quote(tmp + "/bare") + " status --reply " + Quote(kFixtures + "/tray1_empty.txt"));
  EXPECT_EQ(bare.code, 1) << bare.out;
  EXPECT_NE(bare.out.find("install the driver set with kvhost setup"), std::string::npos) << bare.out;
  Outcome help = Kvhost("--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("exit codes:"), std::string::npos) << help.out;

  // zarndump: the same split, and its own help.
  const std::string zarndump = std::string(KV_BINARY_DIR) + "/bin/zarndump ";
  std::ofstream(tmp + "/empty.zarn") << "";
  const struct {
    std::string args;
    int code;
    const char* message;
  } dumps[] = {
      {"--help", 0, "exit codes:"},
      {"", 2, "usage: zarndump"},
      {"--sumary x", 2, "unexpected '--sumary'"},
      {Quote(tmp), 1, "it is not a file (a print stream file is needed)"},
      {Quote(tmp + "/empty.zarn"), 1, "it is empty, not a print stream"},
      {Quote(tmp + "/missing.zarn"), 1, "No such file or directory"},
  };
  for (const auto& d : dumps) {
    SCOPED_TRACE("zarndump " + d.args);
    Outcome r = Shell(zarndump + d.args);
    EXPECT_EQ(r.code, d.code) << r.out;
    EXPECT_NE(r.out.find(d.message), std::string::npos) << r.out;
  }
}

// Settings the printer does not offer are named with what was taken instead; a failed job is marked
// failed in the queue, a printed one printed, and `printer show` says which.
TEST_F(SetUpMachine, SettingsNotTakenAreNamedAndFailedJobsMarked) {
  const std::string root = "--root " + Quote(*root_) + " ", printer = Quote(kvp::ToUtf8(kvsetup::kModelDriverName));
  Outcome r = Kvhost(root + "print " + printer + " --color --resolution 1200 --title 'asked too much'");
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_NE(r.out.find("does not print at 1200 dpi; the job prints at 600 dpi"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("prints in black and white only"), std::string::npos) << r.out;
  r = Kvhost(root + "print " + printer + " --mono --resolution 300");
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out.find("note:"), std::string::npos) << r.out;

  // A job whose page script fails on its page.
  std::string bad = dir_->path() + "/fails.page";
  std::ofstream(bad) << "bitmap 10 10 no-such-picture.png 24\n";
  r = Kvhost(root + "print " + printer + " --title 'will fail' --script " + Quote(bad));
  ASSERT_EQ(r.code, 1) << r.out;
  Outcome show = Kvhost(root + "printer show " + printer);
  EXPECT_NE(show.out.find("\"asked too much\", 1 page: printed"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("\"will fail\", 1 page: failed"), std::string::npos) << show.out;
}

// A host that exits with the interface and graphics libraries still loaded and a printer open with full
// access ends cleanly: the libraries' unload work runs while the platform's state is still there.
TEST_F(SetUpMachine, LibrariesLeftLoadedAtExitUnloadCleanly) {
  std::fflush(nullptr);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::u16string folder = std::u16string(kvsetup::kDriverFolder) + u"\\";
    HMODULE ui = LoadLibraryW((folder + u"kvdrvui.dll").c_str());
    HMODULE gr = LoadLibraryW((folder + u"kvdrvgr.dll").c_str());
    std::u16string name = kvsetup::kModelDriverName;
    PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    bool opened = OpenPrinterW(name.data(), &h, &def);
    std::exit(ui && gr && opened ? 0 : 3);  // no FreeLibrary, no ClosePrinter
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "the process ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3: a library or the printer did not open; 1: the sanitizer found a fault";
}

// An output is replaced as a whole: a writer killed mid-file (here by the file-size limit) or refused by
// the disk leaves the old content and says why, and the next write clears what the killed one left.
TEST_F(SetUpMachine, OutputsAreReplacedWhole) {
  const std::string out = dir_->path() + "/replaced.BCS";
  const std::string compile = kKvhost + " compile " + Quote(std::string(KV_SOURCE_DIR) + "/model/kvdrvdat") + " " + Quote(out);
  auto parts = [&] {
    int n = 0;
    for (auto& e : fs::directory_iterator(dir_->path())) n += e.path().filename().string().rfind(".replaced.BCS.part-", 0) == 0;
    return n;
  };
  std::ofstream(out) << "the old image";
  Outcome killed = Shell("bash -c \"ulimit -f 1; exec " + compile + "\"");
  EXPECT_NE(killed.code, 0) << killed.out;
  EXPECT_EQ(parts(), 1);  // the killed writer's temporary file, cleared by the next write
  Outcome full = Shell("bash -c \"trap '' XFSZ; ulimit -f 1; exec " + compile + "\"");
  EXPECT_EQ(full.code, 1) << full.out;
  EXPECT_NE(full.out.find("cannot write " + out + ": File too large"), std::string::npos) << full.out;
  std::ifstream in(out);
  std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "the old image");
  EXPECT_EQ(parts(), 0);
  Outcome done = Kvhost("compile " + Quote(std::string(KV_SOURCE_DIR) + "/model/kvdrvdat") + " " + Quote(out));
  EXPECT_EQ(done.code, 0) << done.out;
  EXPECT_GT(fs::file_size(out), 1024u);
}

// The sample page script draws through the graphics library's hooks: paths, Béziers, clips, fills,
// hatches, images, a stretched image and text reach the stream; a script with a mistake is refused with
// its line before any job is queued.
TEST_F(SetUpMachine, PrintDrawsThePageScript) {
  std::string root = "--root " + Quote(*root_) + " ";
  std::string out = dir_->path() + "/drawn.zarn";
  Outcome r = Kvhost(root + "print 'KAVRO Lumeta QT M8350 ZARN' --script " +
                     Quote(std::string(KV_SOURCE_DIR) + "/hosts/kvhost/samples/plotter.page") + " --out " + Quote(out));
  ASSERT_EQ(r.code, 0) << r.out;
  FILE* p = popen((std::string(KV_BINARY_DIR) + "/bin/zarndump " + Quote(out) + " 2>&1").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string dump;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) dump.append(buf, n);
  pclose(p);
  for (const char* record : {"record 17 path", "record 18 path mode 0x0A", "record 16 rect mode 5", "record 16 rect mode 1",
                             "path mode 0x1D", "line-width 1 dash 0xFFFF0000", "record 32 image format 00 A4",
                             "record 32 image format 00 A2", "record 32 image format 00 20",
                             "record 80 font-header", "record 82 char-string", "record 81 char box",
                             "record 64 pattern-brush flags 0x80 side 32 bits 128 bytes",  // the hatch
                             "record 32 image format 00 32 00"})  // the stretched picture, grey in this job
    EXPECT_NE(dump.find(record), std::string::npos) << record;

  // A raster operation of 0000 is BLACKNESS: the fill paints black whatever the colour.
  std::string black = dir_->path() + "/black.page";
  std::ofstream(black) << "color 0 0 255\nrop 0000\nfill 10 10 20 20\n";
  std::string blackOut = dir_->path() + "/black.zarn";
  r = Kvhost(root + "print 'KAVRO Lumeta QT M8350 ZARN' --script " + Quote(black) + " --out " + Quote(blackOut));
  ASSERT_EQ(r.code, 0) << r.out;
  p = popen((std::string(KV_BINARY_DIR) + "/bin/zarndump " + Quote(blackOut) + " 2>&1").c_str(), "r");
  ASSERT_NE(p, nullptr);
  dump.clear();
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) dump.append(buf, n);
  pclose(p);
  EXPECT_NE(dump.find("colour-brush flags 0x09 bgr 000000"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("rop 0xCC"), std::string::npos) << dump;

  std::string bad = dir_->path() + "/bad.page";
  std::ofstream(bad) << "color 1 2 3\nline 0 0 ten 10\n";
  r = Kvhost(root + "print 'KAVRO Lumeta QT M8350 ZARN' --script " + Quote(bad));
  EXPECT_EQ(r.code, 1) << r.out;
  EXPECT_NE(r.out.find("line 2: 'ten' is not a number"), std::string::npos) << r.out;
}

// An outside program's exchange of settings as SET text: a base from a file of plain lines, one change,
// the change list the model's rules produce, the rebuilt base, and the ANSI DEVMODE written to a file.
TEST_F(SetUpMachine, ExcExchangesSettingsAsSetLines) {
  std::string base = dir_->path() + "/base.pjl", dm = dir_->path() + "/exc.dm";
  std::ofstream(base, std::ios::binary) << "@PJL SET APLPAGESIZE = A0\n@PJL SET APLPAGELAYOUT = PORTRAIT\n"
                                           "@PJL SET PAPER = A0\n@PJL SET TRAY = ROLL1\n";
  Outcome r = Kvhost("--root " + Quote(*root_) + " exc 'KAVRO Lumeta QT M8350 ZARN' base " + Quote(base) +
                     " update TRAY=TRAY2 change show-base options TRAY devmode --out " + Quote(dm));
  ASSERT_EQ(r.code, 0) << r.out;
  for (const char* text : {"base " , ": 0 (done)\n", "update TRAY=TRAY2: 1 (change list waiting)\n",
                           "change: 0 (done)\n  @PJL SET PAPER = SAME \n",
                           "show-base: 0 (done)\n  @PJL SET APLPAGESIZE = A0 \n  @PJL SET APLPAGELAYOUT = PORTRAIT \n"
                           "  @PJL SET PAPER = SAME \n  @PJL SET TRAY = TRAY2 \n",
                           "options TRAY: 0 (done)\n  ALL\n  ROLL1\n  ROLL2\n  MANUAL\n", "devmode: 0 (done)\n  1172 bytes"})
    EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
  EXPECT_EQ(fs::file_size(dm), 1172u);
  EXPECT_EQ(Kvhost("--root " + Quote(*root_) + " exc 'KAVRO Lumeta QT M8350 ZARN' update TRAY").code, 2);
  EXPECT_EQ(Kvhost("--root " + Quote(*root_) + " exc 'KAVRO Lumeta QT M8350 ZARN' watermarks both").code, 2);
  EXPECT_EQ(Kvhost("--root " + Quote(*root_) + " exc 'No such printer' change").code, 1);
}

}  // namespace
