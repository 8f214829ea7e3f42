// Installing a printer of a driver whose data file lies on the machine root, for tests, benchmarks and
// fuzz targets (no test framework needed). Both helpers go through the driver set's one installation
// path (kvsetup/driver_set.h).
#pragma once
#include <filesystem>
#include <fstream>
#include <string>

#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvsetup/driver_set.h"

namespace kvtest {

// Writes `bytes` to a machine path ("C:\..."), creating its folders; returns the host path.
inline std::string WriteMachineFile(std::u16string_view machinePath, const std::string& bytes) {
  std::string host;
  if (kvp::MapPath(machinePath, host) != 0) return {};
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::ofstream(host, std::ios::binary) << bytes;
  return host;
}

// Registers `driver` with the data file `dataPath` (a machine path the caller wrote) and adds printer
// `name`; returns the open handle of the new printer, or null. No file is copied.
inline HANDLE InstallPrinter(const std::u16string& name, const std::u16string& driver,
                             const std::u16string& dataPath) {
  kvsetup::Request q;
  q.parts = kvsetup::kNoFiles;
  q.driverName = driver;
  q.printerName = name;
  q.dataFile = dataPath;
  return kvsetup::Install(q).printer;
}

#ifdef KV_MODULE_DIR
// Installs the built driver set with the model's files and adds printer `name` of the model's driver;
// returns the open handle, or null.
inline HANDLE InstallModelPrinter(const std::u16string& name, unsigned parts = kvsetup::kModelFiles) {
  kvsetup::Request q;
  q.moduleDir = KV_MODULE_DIR;
  q.parts = parts;
  q.printerName = name;
  return kvsetup::Install(q).printer;
}
#endif

}  // namespace kvtest
