// kvhost printer add|list|show|remove|connect|disconnect|convert: manages the printers of a machine root
// through the spooler calls, which have the printers' drivers set them up, and calls a driver's DEVMODE
// conversion as the spooler does.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "setting_text.h"
#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvsetup/driver_set.h"
#include "settings/devmode.h"
#include "settings/item_records.h"

namespace {

using kvhost::Quoted;
using kvhost::SettingText;
using kvhost::TextOf;

struct AttrName {
  DWORD bit;
  const char* name;
};
constexpr AttrName kAttrs[] = {
    {PRINTER_ATTRIBUTE_QUEUED, "QUEUED"},
    {PRINTER_ATTRIBUTE_DIRECT, "DIRECT"},
    {PRINTER_ATTRIBUTE_DEFAULT, "DEFAULT"},
    {PRINTER_ATTRIBUTE_SHARED, "SHARED"},
    {PRINTER_ATTRIBUTE_NETWORK, "NETWORK"},
    {PRINTER_ATTRIBUTE_HIDDEN, "HIDDEN"},
    {PRINTER_ATTRIBUTE_LOCAL, "LOCAL"},
    {PRINTER_ATTRIBUTE_ENABLE_DEVQ, "ENABLE_DEVQ"},
    {PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS, "KEEPPRINTEDJOBS"},
    {PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST, "DO_COMPLETE_FIRST"},
    {PRINTER_ATTRIBUTE_WORK_OFFLINE, "WORK_OFFLINE"},
    {PRINTER_ATTRIBUTE_ENABLE_BIDI, "ENABLE_BIDI"},
    {PRINTER_ATTRIBUTE_RAW_ONLY, "RAW_ONLY"},
    {PRINTER_ATTRIBUTE_PUBLISHED, "PUBLISHED"},
    {PRINTER_ATTRIBUTE_FAX, "FAX"},
    {PRINTER_ATTRIBUTE_TS, "TS"},
};


std::string U8(const WCHAR* s) { return s ? kvp::ToUtf8(kvp::WView(s)) : std::string(); }

// "0x840", "2048" or names joined by ',' or '|' ("ENABLE_BIDI,SHARED"). False for an unknown word.
bool ParseAttributes(const std::string& text, DWORD& out) {
  out = 0;
  if (text.empty()) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(text.c_str(), &end, 0);
  if (end && *end == 0 && v <= 0xffffffffUL) {
    out = DWORD(v);
    return true;
  }
  size_t start = 0;
  while (start <= text.size()) {
    size_t sep = text.find_first_of(",|", start);
    std::string word = text.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
    if (word.rfind("PRINTER_ATTRIBUTE_", 0) == 0) word = word.substr(18);
    bool found = false;
    for (auto& a : kAttrs)
      if (kvp::WEqualI(kvp::FromUtf8(word), kvp::FromUtf8(a.name))) {
        out |= a.bit;
        found = true;
      }
    if (!found) return false;
    if (sep == std::string::npos) break;
    start = sep + 1;
  }
  return true;
}

std::string AttributeText(DWORD a) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", a);
  std::string names;
  for (auto& x : kAttrs)
    if (a & x.bit) names += std::string(names.empty() ? "" : ", ") + x.name;
  return std::string(buf) + (names.empty() ? "" : " (" + names + ")");
}

const char* TypeName(DWORD t) {
  switch (t) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "type";
  }
}


std::string ValueText(const kvp::SplDataValue& v) {
  char buf[64];
  switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::u16string s = TextOf(v.data);
      size_t nul = s.find(u'\0');
      if (nul != std::u16string::npos) s.resize(nul);
      return Quoted(kvp::ToUtf8(s));
    }
    case REG_MULTI_SZ: {
      std::u16string s = TextOf(v.data);
      std::string out;
      size_t i = 0;
      while (i < s.size() && s[i]) {
        size_t e = s.find(u'\0', i);
        if (e == std::u16string::npos) e = s.size();
        out += std::string(out.empty() ? "" : ", ") + "\"" + kvp::ToUtf8(s.substr(i, e - i)) + "\"";
        i = e + 1;
      }
      return "[" + out + "]";
    }
    case REG_DWORD:
      if (v.data.size() == 4) {
        DWORD d;
        std::memcpy(&d, v.data.data(), 4);
        std::snprintf(buf, sizeof buf, "%u (0x%08X)", d, d);
        return buf;
      }
      break;
    default:
      break;
  }
  std::string hex;
  size_t shown = v.data.size() < 256 ? v.data.size() : 256;
  for (size_t i = 0; i < shown; ++i) {
    std::snprintf(buf, sizeof buf, "%s%02X", i ? " " : "", v.data[i]);
    hex += buf;
  }
  if (shown < v.data.size()) hex += " ...";
  std::snprintf(buf, sizeof buf, " (%zu bytes)", v.data.size());
  return hex + buf;
}

// The device setting stored in printer data under a value name, or none.
const ITEM_DESC* SettingOfValue(const std::u16string& valueName) {
  const ITEM_DICTIONARY* d = StgGetTemplateDictionary();
  for (int16_t i = 0; d && i < d->count; ++i) {
    const ITEM_DESC& row = d->rows[i];
    if (row.medium == STG_MEDIUM_BLOCK && StgTypeBlock(row.type) == STG_BLOCK_DEVICE && row.iniKey &&
        kvp::WEqualI(kvp::WView(row.iniKey), valueName))
      return &row;
  }
  return nullptr;
}


int Fail(const char* what, const std::string& name) {
  DWORD e = GetLastError();
  const char* why = "";
  switch (e) {
    case ERROR_INVALID_PRINTER_NAME: why = ": no such printer or an invalid name"; break;
    case ERROR_PRINTER_ALREADY_EXISTS: why = ": the printer already exists"; break;
    case ERROR_UNKNOWN_PRINTER_DRIVER: why = ": the driver is not installed"; break;
    case ERROR_ACCESS_DENIED: why = ": access denied (the system profile says not administrator)"; break;
    case ERROR_INVALID_DATA: why = ": the printer's file is damaged"; break;
    default: break;
  }
  std::fprintf(stderr, "kvhost: %s '%s' failed (error %u%s)\n", what, name.c_str(), e, why);
  return 1;
}

int Add(const std::vector<std::string>& args) {
  std::string name, driver, port, attrs, server, data;
  for (size_t i = 1; i < args.size(); ++i) {
    auto takes = [&](const char* opt, std::string& into) {
      if (args[i] != opt) return false;
      if (i + 1 >= args.size()) return false;
      into = args[++i];
      return true;
    };
    if (takes("--driver", driver) || takes("--port", port) || takes("--attributes", attrs) || takes("--server", server) ||
        takes("--data", data))
      continue;
    if (args[i].rfind("--", 0) == 0 || !name.empty()) {
      std::fprintf(stderr, "kvhost: printer add: unexpected '%s'\n", args[i].c_str());
      return 2;
    }
    name = args[i];
  }
  if (name.empty() || driver.empty()) {
    std::fprintf(stderr, "usage: kvhost printer add NAME --driver DRIVER [--server \\\\SERVER] [--port PORT] [--attributes A]"
                         " [--data FILE]\n");
    return 2;
  }
  DWORD attributes = 0;
  if (!attrs.empty() && !ParseAttributes(attrs, attributes)) {
    std::fprintf(stderr, "kvhost: printer add: unknown attributes '%s'\n", attrs.c_str());
    return 2;
  }
  if (int rc = kvhost::CheckRoot()) return rc;
  std::u16string wname = kvp::FromUtf8(name), wdriver = kvp::FromUtf8(driver), wport = kvp::FromUtf8(port);
  PRINTER_INFO_2W pi{};
  pi.pPrinterName = wname.data();
  pi.pDriverName = wdriver.data();
  pi.pPortName = wport.empty() ? nullptr : wport.data();
  pi.Attributes = attributes;
  std::u16string wserver = kvp::FromUtf8(server);
  if (!data.empty() && !server.empty()) {
    std::fprintf(stderr, "kvhost: printer add: --data installs a driver on this machine, not on a server\n");
    return 2;
  }
  // With --data the driver set is installed under the driver's name with that data file (a machine
  // path), whether or not a driver of that name was installed before.
  HANDLE h = data.empty() ? AddPrinterW(wserver.empty() ? nullptr : wserver.data(), 2, reinterpret_cast<LPBYTE>(&pi))
                          : nullptr;
  if (!data.empty()) SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
  if (!h && GetLastError() == ERROR_UNKNOWN_PRINTER_DRIVER && server.empty()) {
    // The driver is new to this machine: install the driver set under that name, with the printer.
    kvsetup::Request q;
    q.driverName = wdriver;
    q.printerName = wname;
    q.port = wport;
    q.attributes = attributes;
    q.keepExisting = false;
    q.dataFile = kvp::FromUtf8(data);
    return kvhost::InstallDriverSet(q);
  }
  if (!h) return Fail("adding printer", name);
  ClosePrinter(h);
  std::printf("printer added: %s\n", (server.empty() ? name : server + "\\" + name).c_str());
  return 0;
}

int List() {
  std::vector<std::string> broken;
  auto names = kvp::SplListPrinters(&broken);
  for (auto& n : names) std::printf("%s\n", kvp::ToUtf8(n).c_str());
  for (auto& b : broken) std::fprintf(stderr, "kvhost: unreadable printer file %s\n", b.c_str());
  if (names.empty() && broken.empty()) std::printf("(no printers)\n");
  return 0;
}

// A job's state in words, the most telling status bit first.
const char* JobStatusText(DWORD status) {
  if (status & JOB_STATUS_ERROR) return "failed";
  if (status & JOB_STATUS_PRINTED) return "printed";
  if (status & JOB_STATUS_PRINTING) return "printing";
  if (status & JOB_STATUS_SPOOLING) return "spooling";
  if (status & JOB_STATUS_PAUSED) return "paused";
  return "queued";
}

int Show(const std::string& name) {
  std::u16string wname = kvp::FromUtf8(name);
  HANDLE h = nullptr;
  if (!OpenPrinterW(wname.data(), &h, nullptr)) return Fail("opening printer", name);
  DWORD need = 0;
  GetPrinterW(h, 2, nullptr, 0, &need);
  std::vector<BYTE> buf(need ? need : 1);
  if (!GetPrinterW(h, 2, buf.data(), DWORD(buf.size()), &need)) {
    int rc = Fail("reading printer", name);
    ClosePrinter(h);
    return rc;
  }
  auto* pi = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
  auto line = [](const char* label, const std::string& v) { std::printf("  %-17s %s\n", label, v.c_str()); };
  std::printf("Printer %s\n", U8(pi->pPrinterName).c_str());
  line("Server:", pi->pServerName ? U8(pi->pServerName) : "(local)");
  line("Share:", U8(pi->pShareName));
  line("Port:", U8(pi->pPortName));
  line("Driver:", U8(pi->pDriverName));
  line("Comment:", U8(pi->pComment));
  line("Location:", U8(pi->pLocation));
  line("Separator file:", U8(pi->pSepFile));
  line("Print processor:", U8(pi->pPrintProcessor));
  line("Datatype:", U8(pi->pDatatype));
  line("Parameters:", U8(pi->pParameters));
  line("Attributes:", AttributeText(pi->Attributes));
  line("Priority:", std::to_string(pi->Priority));
  line("Default priority:", std::to_string(pi->DefaultPriority));
  line("Start time:", std::to_string(pi->StartTime));
  line("Until time:", std::to_string(pi->UntilTime));
  line("Status:", std::to_string(pi->Status));
  line("Jobs:", std::to_string(pi->cJobs));
  std::vector<kvp::SplJobState> jobs;
  kvp::SplListJobs(h, jobs);
  for (const kvp::SplJobState& j : jobs)
    std::printf("    job %u \"%s\", %u page%s: %s\n", j.id, kvp::ToUtf8(j.document).c_str(), j.totalPages,
                j.totalPages == 1 ? "" : "s", JobStatusText(j.status));
  if (pi->pDevMode) {
    const DEVMODEW* dm = pi->pDevMode;
    line("DEVMODE:", std::to_string(dm->dmSize) + " + " + std::to_string(dm->dmDriverExtra) + " bytes, device \"" +
                         U8(dm->dmDeviceName) + "\"");
    if (size_t(dm->dmSize) + dm->dmDriverExtra >= PDM_OFF_VERSION + sizeof(DWORD)) {
      DWORD version = 0;
      std::memcpy(&version, reinterpret_cast<const BYTE*>(dm) + PDM_OFF_VERSION, sizeof version);
      char text[32];
      std::snprintf(text, sizeof text, "0x%08X", version);
      line("Settings version:", text);
    }
  } else
    line("DEVMODE:", "(none)");
  std::vector<kvp::SplDataValue> data;
  DWORD e = kvp::SplGetAllPrinterData(h, data);
  ClosePrinter(h);
  if (e) {
    SetLastError(e);
    return Fail("reading printer data of", name);
  }
  // Device settings by their names and values first, then every other value as the spooler holds it.
  std::vector<std::pair<const ITEM_DESC*, const kvp::SplDataValue*>> settings;
  std::vector<const kvp::SplDataValue*> others;
  for (auto& v : data)
    if (const ITEM_DESC* row = SettingOfValue(v.name); row && v.type != REG_SZ && v.type != REG_MULTI_SZ)
      settings.push_back({row, &v});
    else
      others.push_back(&v);
  std::printf("Device settings (%zu):\n", settings.size());
  for (auto& [row, v] : settings) {
    std::string name = row->ext && row->ext->name ? kvp::ToUtf8(kvp::WView(row->ext->name)) : kvp::ToUtf8(v->name);
    std::printf("  %s = %s\n", name.c_str(), SettingText(*row, v->data).c_str());
  }
  // What set-up registered for the printer, by name.
  static constexpr const char16_t* kRegistration[] = {u"SPLUserModePrinterDriver", u"DriverIniFileName",
                                                      u"DriverGRFileName",         u"DriverEDFileName",
                                                      u"HelpFileName",             u"LogFileName",
                                                      u"ZARNPrinterName",          u"DriverName"};
  std::printf("Registration values:\n");
  for (const char16_t* reg : kRegistration) {
    const kvp::SplDataValue* found = nullptr;
    for (auto& v : data)
      if (v.name == reg) found = &v;
    std::printf("  %-25s %s\n", kvp::ToUtf8(reg).c_str(), found ? ValueText(*found).c_str() : "(none)");
  }
  std::printf("Printer data (%zu values):\n", others.size());
  for (auto* v : others)
    std::printf("  %s\\%s = %s %s\n", kvp::ToUtf8(v->key).c_str(), kvp::ToUtf8(v->name).c_str(), TypeName(v->type),
                ValueText(*v).c_str());
  return 0;
}

int Remove(const std::string& name) {
  std::u16string wname = kvp::FromUtf8(name);
  HANDLE h = nullptr;
  PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(wname.data(), &h, &def)) return Fail("opening printer", name);
  BOOL ok = DeletePrinter(h);
  ClosePrinter(h);
  if (!ok) return Fail("removing printer", name);
  std::printf("printer removed: %s\n", name.c_str());
  return 0;
}

int Connect(const std::string& name, bool add) {
  std::u16string wname = kvp::FromUtf8(name);
  if (!(add ? AddPrinterConnectionW(wname.data()) : DeletePrinterConnectionW(wname.data())))
    return Fail(add ? "connecting to printer" : "disconnecting from printer", name);
  std::printf(add ? "printer connected: %s\n" : "printer disconnected: %s\n", name.c_str());
  return 0;
}

// The printer's driver interface library, loaded as the spooler loads it.
HMODULE LoadInterfaceLibrary(HANDLE printer) {
  DWORD need = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &need);
  std::vector<BYTE> buf(need ? need : 1);
  if (!GetPrinterDriverW(printer, nullptr, 2, buf.data(), DWORD(buf.size()), &need)) return nullptr;
  auto* di = reinterpret_cast<DRIVER_INFO_2W*>(buf.data());
  return di->pConfigFile ? LoadLibraryW(di->pConfigFile) : nullptr;
}

int Convert(const std::vector<std::string>& args) {
  std::string name, modeText, in, out, sizeText;
  for (size_t i = 1; i < args.size(); ++i) {
    auto takes = [&](const char* opt, std::string& into) {
      if (args[i] != opt || i + 1 >= args.size()) return false;
      into = args[++i];
      return true;
    };
    if (takes("--mode", modeText) || takes("--in", in) || takes("--out", out) || takes("--size", sizeText)) continue;
    if (args[i].rfind("--", 0) == 0 || !name.empty()) return kvhost::UsageError("printer convert: unexpected '" + args[i] + "'");
    name = args[i];
  }
  DWORD mode = modeText == "default" ? CDM_DRIVER_DEFAULT : modeText == "convert" ? CDM_CONVERT : modeText == "351" ? CDM_CONVERT351 : 0;
  char* end = nullptr;
  long given = sizeText.empty() ? -1 : std::strtol(sizeText.c_str(), &end, 0);
  if (name.empty() || !mode || (!sizeText.empty() && (!end || *end || given < 0 || given > (1 << 20))))
    return kvhost::UsageError(
        "usage: kvhost printer convert PRINTER --mode default|convert|351 [--in FILE] [--size N] [--out FILE]");
  std::u16string wname = kvp::FromUtf8(name);
  HANDLE h = nullptr;
  if (!OpenPrinterW(wname.data(), &h, nullptr)) return Fail("opening printer", name);
  // The input: the file given, else the printer's own DEVMODE.
  std::string input;
  if (!in.empty()) {
    std::string error;
    if (!kvhost::ReadHostFile(in, &input, &error)) {
      ClosePrinter(h);
      return kvhost::Failed(error);
    }
  } else {
    DWORD need = 0;
    GetPrinterW(h, 2, nullptr, 0, &need);
    std::vector<BYTE> buf(need ? need : 1);
    if (GetPrinterW(h, 2, buf.data(), DWORD(buf.size()), &need)) {
      const DEVMODEW* dm = reinterpret_cast<PRINTER_INFO_2W*>(buf.data())->pDevMode;
      if (dm) input.assign(reinterpret_cast<const char*>(dm), size_t(dm->dmSize) + dm->dmDriverExtra);
    }
  }
  HMODULE lib = LoadInterfaceLibrary(h);
  ClosePrinter(h);
  auto fn = lib ? reinterpret_cast<PFN_DrvConvertDevMode>(GetProcAddress(lib, "DrvConvertDevMode")) : nullptr;
  if (!fn) {
    if (lib) FreeLibrary(lib);
    return kvhost::Failed("the driver of '" + name + "' has no DrvConvertDevMode to call");
  }
  // Without --size the buffer is sized as the spooler sizes it: the DEVMODE a conversion aims at names
  // its own sizes (those of the input), the other modes answer their size to a query first.
  std::vector<BYTE> inBytes(input.begin(), input.end());
  const DEVMODEW* inDm = inBytes.size() >= offsetof(DEVMODEW, dmFields) ? reinterpret_cast<const DEVMODEW*>(inBytes.data()) : nullptr;
  LONG size = given;
  if (size < 0) {
    if (mode == CDM_CONVERT) {
      size = inDm ? LONG(inDm->dmSize) + inDm->dmDriverExtra : 0;
    } else {
      size = 0;
      fn(wname.data(), nullptr, nullptr, &size, mode);
    }
  }
  std::vector<BYTE> outBytes(size_t(size > 0 ? size : 0) + sizeof(DEVMODEW), 0);
  auto* outDm = reinterpret_cast<DEVMODEW*>(outBytes.data());
  if (mode == CDM_CONVERT && inDm) {
    outDm->dmSpecVersion = inDm->dmSpecVersion;
    outDm->dmDriverVersion = inDm->dmDriverVersion;
    outDm->dmSize = inDm->dmSize;
    outDm->dmDriverExtra = inDm->dmDriverExtra;
  }
  // The input is padded so that a driver reading a whole header never reads past the file's bytes.
  inBytes.resize(inBytes.size() + sizeof(DEVMODEW), 0);
  SetLastError(ERROR_SUCCESS);
  BOOL ok = fn(wname.data(), inDm ? reinterpret_cast<PDEVMODEW>(inBytes.data()) : nullptr, size > 0 ? outDm : nullptr,
               &size, mode);
  DWORD error = GetLastError();
  std::printf("DrvConvertDevMode %s: %s, size %d, last error %u\n", modeText.c_str(), ok ? "TRUE" : "FALSE", size, error);
  int rc = ok ? 0 : 1;
  if (ok && size > 0 && size_t(size) <= outBytes.size()) {
    std::printf("DEVMODE: %u + %u bytes, DEVMODE version 0x%04X, driver version 0x%04X\n", outDm->dmSize,
                outDm->dmDriverExtra, outDm->dmSpecVersion, outDm->dmDriverVersion);
    std::string host;
    if (!out.empty()) {
      FILE* f = kvhost::HostPathOf(out, &host) ? std::fopen(host.c_str(), "wb") : nullptr;
      if (!f || std::fwrite(outBytes.data(), 1, size_t(size), f) != size_t(size)) rc = kvhost::Failed("cannot write " + out);
      if (f) std::fclose(f);
      if (rc == 0) std::printf("written: %s (%d bytes)\n", out.c_str(), size);
    }
  }
  FreeLibrary(lib);
  return rc;
}

int RunPrinter(const std::vector<std::string>& args) {
  if (!args.empty()) {
    if (args[0] == "add") return Add(args);
    if (args[0] == "properties" && args.size() >= 2)
      return kvhost::RunDeviceSheet(
          kvhost::SheetArguments(args[1], std::vector<std::string>(args.begin() + 2, args.end()), ""));
    bool one = args[0] == "list" && args.size() == 1;
    bool named = (args[0] == "show" || args[0] == "remove" || args[0] == "connect" || args[0] == "disconnect") &&
                 args.size() == 2;
    if (one || named || args[0] == "convert") {
      if (int rc = kvhost::CheckRoot()) return rc;
      if (one) return List();
      if (args[0] == "show") return Show(args[1]);
      if (args[0] == "remove") return Remove(args[1]);
      if (args[0] == "connect") return Connect(args[1], true);
      if (args[0] == "disconnect") return Connect(args[1], false);
      return Convert(args);
    }
  }
  std::fprintf(stderr,
               "usage: kvhost printer add NAME --driver DRIVER [--server \\\\SERVER] [--port PORT] [--attributes A]\n"
               "                          [--data FILE]   (FILE: a machine path of the driver data file to install)\n"
               "       kvhost printer list | show NAME | remove NAME\n"
               "       kvhost printer connect \\\\SERVER\\NAME | disconnect \\\\SERVER\\NAME\n"
               "       kvhost printer convert PRINTER --mode default|convert|351 [--in FILE] [--size N] [--out FILE]\n"
               "       kvhost printer properties PRINTER [--script FILE] [--pictures DIR]\n");
  return 2;
}

}  // namespace

KVHOST_COMMAND_ROOT("printer",
               "  printer add NAME --driver DRIVER [--server \\\\SERVER] [--port PORT] [--attributes A]\n"
               "                           add a printer (of a server with --server), set up by its driver\n"
               "                           (installs DRIVER with the driver set's files if needed; --data FILE\n"
               "                           installs it with that driver data file, a machine path)\n"
               "  printer list             list the printers of the machine\n"
               "  printer show NAME        print a printer's fields, DEVMODE, registration and printer-data values\n"
               "  printer remove NAME      delete a printer with its data and jobs (the driver is told first)\n"
               "  printer connect \\\\SERVER\\NAME | disconnect \\\\SERVER\\NAME\n"
               "                           connect the user to a server's printer, or remove the connection\n"
               "  printer convert PRINTER --mode default|convert|351 [--in FILE] [--size N] [--out FILE]\n"
               "                           call the driver's DrvConvertDevMode as the spooler does (input: FILE\n"
               "                           or the printer's DEVMODE) and print the answer, size and last error\n"
               "  printer properties PRINTER [--script FILE] [--pictures DIR]\n"
               "                           the device sheet of the printers folder (as ui device; --pictures\n"
               "                           writes a picture of each page)",
               RunPrinter, kvhost::RootUse::kChecksItself);
