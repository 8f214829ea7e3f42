// The settings-and-constraints library of a printer, as an outside program of the maker finds it: the
// driver file's folder and the name the model INI gives ([DriversFileName] DriverEDFileName).
#include <vector>

#include "command.h"
#include "kvplat/profile.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"

namespace kvhost {

bool SettingsLibraryPath(const std::string& printerName, std::u16string* path, std::string* error) {
  std::u16string wide = kvp::FromUtf8(printerName);
  HANDLE printer = nullptr;
  if (!OpenPrinterW(wide.data(), &printer, nullptr) || !printer) {
    *error = "no printer named '" + printerName + "'";
    return false;
  }
  std::vector<BYTE> buf(8192);
  DWORD needed = 0;
  bool ok = GetPrinterDriverW(printer, nullptr, 3, buf.data(), (DWORD)buf.size(), &needed);
  ClosePrinter(printer);
  if (!ok) {
    *error = "cannot read the driver information of '" + printerName + "'";
    return false;
  }
  std::u16string driverPath = reinterpret_cast<DRIVER_INFO_3W*>(buf.data())->pDriverPath;
  std::u16string folder = driverPath.substr(0, driverPath.rfind(u'\\') + 1);
  WCHAR name[261] = {};
  GetPrivateProfileStringW(u"DriversFileName", u"DriverEDFileName", u"", name, 261,
                           (folder + u"kvdrvmod.ini").c_str());
  if (!name[0]) {
    *error = "the model INI names no settings-and-constraints library ([DriversFileName] DriverEDFileName)";
    return false;
  }
  *path = folder + name;
  return true;
}

}  // namespace kvhost
