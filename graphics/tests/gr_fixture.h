// A machine root with one printer of the model installed: the driver data file, the model's resource
// libraries and the output library stand-in in the driver folder (and, for the module tests, the
// graphics library itself), and the printer opened.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kvplat/engine.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"

namespace grtest {

inline const char16_t* kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3";
inline const char16_t* kModelDriver = u"KAVRO Lumeta QT M8350 ZARN";

inline std::string HostDriverDir() {
  std::string host;
  kvp::MapPath(kDriverDir, host);
  std::filesystem::create_directories(host);
  return host;
}

// The bytes of a file on the host ("" when it cannot be read).
inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void CopyModule(const std::string& module, const std::string& as) {
  std::filesystem::copy_file(std::string(KV_MODULE_DIR) + "/" + module + ".so",
                             std::filesystem::path(HostDriverDir()) / as,
                             std::filesystem::copy_options::overwrite_existing);
}

struct ModelPrinter {
  kvtest::TempRoot root;
  HANDLE printer = nullptr;
  std::u16string name = u"Engine plotter";

  explicit ModelPrinter(bool withGraphicsLibrary = false) {
    std::ifstream in(std::string(KV_SOURCE_DIR) + "/model/kvdrvdat", std::ios::binary);
    std::stringstream data;
    data << in.rdbuf();
    kvtest::WriteMachineFile(std::u16string(kDriverDir) + u"\\kvdrvdat", data.str());
    for (const char* region : {"us", "jp"}) CopyModule(std::string("KV8350") + region, std::string("KV8350") + region + ".DLL");
    if (withGraphicsLibrary) CopyModule("kvdrvgr", "kvdrvgr.so");
    CopyModule("kvdrvspl", "kvdrvspl.so");  // the output library a job binds
    printer = kvtest::InstallPrinter(name, kModelDriver, std::u16string(kDriverDir) + u"\\kvdrvdat");
    EXPECT_NE(printer, nullptr);
  }
  ~ModelPrinter() {
    if (printer) ClosePrinter(printer);
  }
};

}  // namespace grtest
