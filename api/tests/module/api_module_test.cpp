// The settings-and-constraints library as an outside program meets it: installed by set-up, loaded from
// the printer's driver folder by the name the model INI gives, its exports bound by name, nothing of it
// linked, and only its public header compiled in.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "kvdrvexc.h"
#include "kvplat/module.h"
#include "kvplat/profile.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"

namespace {

const std::set<std::string> kExports = {
    "ZARNDrvCheckAPIVer", "ZARNDrvEnable",         "ZARNDrvDisable",         "ZARNDrvInit",
    "ZARNDrvGetDevmode",  "ZARNDrvGetDevmodeEx",   "ZARNDrvGetCaps",         "ZARNDrvSetStatus",
    "ZARNDrvGetStatus",   "ZARNDrvSaveQualityData", "ZARNDrvRestoreQualityData", "ZARNDrvGetLastError",
    "ExcGetIniFileName",  "ExcGetDriverDevmode",   "ExcGetExclusive",        "ExcFreeExclusive",
    "ExcGetPrinterOption", "ExcGetPrinterValue",   "ExcGetWaterMarkList",    "ExcSetCommandBase",
    "ExcGetCommandBase",  "ExcUpdateCommand",      "ExcGetCommandChange",    "ExcGetCommandValue"};

// The functions a shared object defines in its dynamic symbol table, without the C++ runtime's own
// (mangled names, which the toolchain exports for template statics) and the toolchain's entries.
std::set<std::string> DefinedFunctions(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::set<std::string> out;
  if (f.size() < sizeof(Elf64_Ehdr)) return out;
  const auto* eh = reinterpret_cast<const Elf64_Ehdr*>(f.data());
  if (eh->e_shoff + (uint64_t)eh->e_shnum * sizeof(Elf64_Shdr) > f.size()) return out;
  const auto* sh = reinterpret_cast<const Elf64_Shdr*>(f.data() + eh->e_shoff);
  for (int i = 0; i < eh->e_shnum; ++i) {
    if (sh[i].sh_type != SHT_DYNSYM || sh[i].sh_link >= eh->e_shnum) continue;
    const Elf64_Shdr& strtab = sh[sh[i].sh_link];
    for (uint64_t off = sh[i].sh_offset; off + sizeof(Elf64_Sym) <= sh[i].sh_offset + sh[i].sh_size; off += sizeof(Elf64_Sym)) {
      const auto* s = reinterpret_cast<const Elf64_Sym*>(f.data() + off);
      if (s->st_shndx == SHN_UNDEF || ELF64_ST_TYPE(s->st_info) != STT_FUNC) continue;
      std::string name(f.data() + strtab.sh_offset + s->st_name);
      if (name.rfind("_Z", 0) == 0 || name == "_init" || name == "_fini") continue;
      out.insert(name);
    }
  }
  return out;
}

class ApiModule : public ::testing::Test {
 protected:
  void SetUp() override {
    HANDLE printer = kvtest::InstallModelPrinter(kvp::FromUtf8(kPrinter), kvsetup::kDeliverables | kvsetup::kModelFiles);
    ASSERT_NE(printer, nullptr);
    // The library's name, as the model INI in the driver folder gives it.
    std::vector<BYTE> buf(8192);
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverW(printer, nullptr, 3, buf.data(), (DWORD)buf.size(), &needed));
    std::u16string driverPath = reinterpret_cast<DRIVER_INFO_3W*>(buf.data())->pDriverPath;
    ClosePrinter(printer);
    folder_ = driverPath.substr(0, driverPath.rfind(u'\\') + 1);
    WCHAR name[261] = {};
    GetPrivateProfileStringW(u"DriversFileName", u"DriverEDFileName", u"", name, 261, (folder_ + u"kvdrvmod.ini").c_str());
    ASSERT_EQ(kvp::ToUtf8(name), "kvdrvexc.dll");
    module_ = LoadLibraryW((folder_ + name).c_str());
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }
  template <typename F>
  F Entry(const char* name) {
    return reinterpret_cast<F>(GetProcAddress(module_, name));
  }

  static constexpr char kPrinter[] = "Outside plotter";
  kvtest::TempRoot root_;
  std::u16string folder_;
  HMODULE module_ = nullptr;
};

TEST_F(ApiModule, ExportsExactlyTheTwoFamilies) {
  EXPECT_EQ(DefinedFunctions(std::string(KV_MODULE_DIR) + "/kvdrvexc.so"), kExports);
  for (const std::string& name : kExports) EXPECT_NE(GetProcAddress(module_, name.c_str()), nullptr) << name;
  for (const char* inside : {"ApiOpenHandle", "ApiSetLastError", "StgCreateContext", "ApiIsAlphanumeric"})
    EXPECT_EQ(GetProcAddress(module_, inside), nullptr) << inside;
}

TEST_F(ApiModule, AConnectionThroughTheExports) {
  auto check = Entry<decltype(&ZARNDrvCheckAPIVer)>("ZARNDrvCheckAPIVer");
  auto enable = Entry<decltype(&ZARNDrvEnable)>("ZARNDrvEnable");
  auto init = Entry<decltype(&ZARNDrvInit)>("ZARNDrvInit");
  auto lastError = Entry<decltype(&ZARNDrvGetLastError)>("ZARNDrvGetLastError");
  auto getDevmode = Entry<decltype(&ZARNDrvGetDevmode)>("ZARNDrvGetDevmode");
  auto disable = Entry<decltype(&ZARNDrvDisable)>("ZARNDrvDisable");
  EXPECT_EQ(check(kPrinter), 16);
  API_HANDLE h = enable(kPrinter);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(lastError(h), -1);  // version 3 keeps no last error
  API_INIT_RECORD record{sizeof(API_INIT_RECORD), 16};
  EXPECT_EQ(init(h, &record), 1);
  EXPECT_EQ(lastError(h), 0);
  EXPECT_EQ(getDevmode(h, API_DEVMODE_DEFAULTS, nullptr), (int32_t)sizeof(API_DRIVER_DEVMODEW));
  API_DRIVER_DEVMODEW dm{};
  EXPECT_EQ(getDevmode(h, API_DEVMODE_DEFAULTS, &dm), (int32_t)sizeof dm);
  EXPECT_EQ(dm.pub.dmSize, sizeof(API_DEVMODEW));
  EXPECT_EQ(dm.pub.dmCopies, 1);
  EXPECT_EQ(disable(h), 1);
  EXPECT_EQ(lastError(h), -1);
}

// The sample client, run as a user runs it on a set-up machine: its lines name what it did.
TEST_F(ApiModule, SampleClientRuns) {
  std::string library;
  ASSERT_EQ(kvp::MapPath(folder_ + u"kvdrvexc.dll", library), 0u);
  FILE* probe = std::fopen(library.c_str(), "rb");
  if (probe)
    std::fclose(probe);
  else
    library = library.substr(0, library.size() - 4) + ".so";  // the file as it is stored
  std::string cmd = "KV_MACHINE_ROOT='" + root_.path() + "' '" + KV_BINARY_DIR + "/api/kvexc_sample' '" + library +
                    "' '" + kPrinter + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char line[512];
  while (std::fgets(line, sizeof line, p)) out += line;
  EXPECT_EQ(pclose(p), 0) << out;
  for (const char* expected : {"highest API version: 16\n", "connection opened\n", "agree version 16: done\n",
                               "data version 8.63, core version 6.641\n", "default DEVMODE: paper ", "copies 1\n", "input bins: 4\n", "  287 Roll 1\n",
                               "  4 Manual feed\n", "set copies 2: 0\n", "set paper A3: 0\n",
                               "read back: copies 2, paper 8\n", "resulting DEVMODE: paper 8 ", "copies 2\n",
                               "last error: 0\n", "connection closed\n"})
    EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
  // The exclusion road: the cut-sheet tray takes A0 only as it comes, so the rules set PAPER to SAME.
  for (const char* expected : {"exclusion handle taken\n", "command base: 0\n", "update TRAY = TRAY2: 1\n",
                               "change list:\n  @PJL SET PAPER = SAME \n", "PAPER values available now: SAME",
                               "exclusion handle freed\n"})
    EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
}

}  // namespace
