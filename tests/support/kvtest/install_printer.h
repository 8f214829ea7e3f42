// Installing a printer of a driver whose data file lies on the machine root, for tests, benchmarks and
// fuzz targets (no test framework needed).
#pragma once
#include <filesystem>
#include <fstream>
#include <string>

#include "kvplat/root.h"
#include "kvplat/spooler.h"

namespace kvtest {

// Writes `bytes` to a machine path ("C:\..."), creating its folders; returns the host path.
inline std::string WriteMachineFile(std::u16string_view machinePath, const std::string& bytes) {
  std::string host;
  if (kvp::MapPath(machinePath, host) != 0) return {};
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::ofstream(host, std::ios::binary) << bytes;
  return host;
}

// Installs `driver` with the data file `dataPath` (a machine path) and adds printer `name`; returns the
// open handle of the new printer, or null.
inline HANDLE InstallPrinter(const std::u16string& name, const std::u16string& driver,
                             const std::u16string& dataPath) {
  std::u16string n = name, d = driver, data = dataPath, env = KV_PRINT_ENVIRONMENT, path = u"kvdrvgr.dll",
                 config = u"kvdrvui.dll";
  DRIVER_INFO_2W di{};
  di.cVersion = 3;
  di.pName = d.data();
  di.pEnvironment = env.data();
  di.pDriverPath = path.data();
  di.pDataFile = data.data();
  di.pConfigFile = config.data();
  AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&di));
  PRINTER_INFO_2W pi{};
  pi.pPrinterName = n.data();
  pi.pDriverName = d.data();
  return AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
}

}  // namespace kvtest
