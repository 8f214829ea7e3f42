// kvhost print PRINTER [--pages N] [--out FILE.zarn] [--script FILE] [--trace] [settings]: stands in for
// an application. It asks the driver for the job's document settings with the public fields an
// application sets itself changed (paper, orientation, copies, resolution, colour; the title names the
// document), prints a document of N pages through a printer device context (each page drawn from the page
// script when one is given), and copies the job's spool file, which the output library wrote, to FILE.
#include <cerrno>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command.h"
#include "doc_settings.h"
#include "kvplat/drvcontract.h"
#include "kvplat/printdc.h"
#include "kvplat/devmode.h"
#include "page_script.h"
#include "kvplat/engine.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvsetup/replace_file.h"

namespace {

constexpr long kMaxPages = 10000;

// The job's DEVMODE: the printer's document settings with the asked fields merged in by the driver
// (silent DocumentPropertiesW), as an application obtains it. Only when the driver gives no document
// settings do the asked public fields go to the graphics library alone, which merges them itself; the
// user is told so.
std::vector<BYTE> JobDevmode(HANDLE printer, std::u16string& name, const DEVMODEW& asked) {
  std::vector<BYTE> out;
  LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
  DWORD error = GetLastError();
  if (size >= LONG(sizeof(DEVMODEW))) {
    std::vector<BYTE> base(size_t(size), 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(base.data());
    LONG r = DocumentPropertiesW(nullptr, printer, name.data(), dm, nullptr, DM_OUT_BUFFER);
    error = GetLastError();
    if (r >= 0) {
      if (!asked.dmFields) return base;
      kvhost::MergePublicFields(asked, dm);
      out.assign(size_t(size), 0);
      r = DocumentPropertiesW(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(out.data()), dm,
                              DM_IN_BUFFER | DM_OUT_BUFFER);
      error = GetLastError();
      if (r >= 0) return out;
    }
  }
  std::printf("the driver gave no document settings (error %u): the job takes the printer's own%s\n", error,
              asked.dmFields ? " with the asked fields" : "");
  out.clear();
  if (!asked.dmFields) return out;
  out.assign(sizeof(DEVMODEW), 0);
  DEVMODEW dm = asked;
  dm.dmSpecVersion = DM_SPECVERSION;
  dm.dmSize = sizeof(DEVMODEW);
  dm.dmDriverExtra = 0;
  std::memcpy(out.data(), &dm, sizeof dm);
  return out;
}

struct OpenPrinter {
  HANDLE handle = nullptr;
  ~OpenPrinter() {
    if (handle) ClosePrinter(handle);
  }
};

struct PrinterContext {
  HDC dc = nullptr;
  ~PrinterContext() {
    if (dc) DeleteDC(dc);  // aborts an open document
  }
};

// The job's pages through the printer device context; a message for the step that failed.
bool RunJob(HDC dc, const std::u16string& title, long pages, std::string* error, DWORD* jobId) {
  DOCINFOW info{};
  info.cbSize = sizeof info;
  info.lpszDocName = title.c_str();
  int job = StartDocW(dc, &info);
  *jobId = kvp::PrinterDcJobId(dc);
  if (job <= 0) {
    *error = "the document did not start (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  *jobId = DWORD(job);
  for (long page = 1; page <= pages; ++page) {
    if (StartPage(dc) <= 0 || EndPage(dc) <= 0) {
      if (error->empty()) *error = "page " + std::to_string(page) + " failed (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
  }
  if (EndDoc(dc) <= 0) {
    *error = "the document did not end (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  return true;
}

// The reason the driver's job query gave for holding the job, or "".
std::string HeldReason(HANDLE printer, DWORD jobId) {
  DWORD needed = 0;
  GetJobW(printer, jobId, 2, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed ? needed : 1);
  if (!jobId || !GetJobW(printer, jobId, 2, buf.data(), needed, &needed)) return {};
  const auto* job = reinterpret_cast<const JOB_INFO_2W*>(buf.data());
  if (!(job->Status & JOB_STATUS_BLOCKED_DEVQ)) return {};
  return job->pStatus ? kvp::ToUtf8(kvp::WView(job->pStatus)) : std::string("(no reason given)");
}

// Whether the job header at the start of the stream file holds `text` (a PJL setting the driver wrote).
bool JobHeaderSays(const std::filesystem::path& stream, const std::string& text) {
  std::ifstream in(stream, std::ios::binary);
  std::string head(4096, '\0');
  in.read(head.data(), std::streamsize(head.size()));
  head.resize(size_t(in.gcount()));
  return head.find("@PJL SET " + text) != std::string::npos;
}

int Print(const std::vector<std::string>& args) {
  std::string name, out, error, scriptFile;
  long pages = 1;
  bool trace = false;
  kvhost::PublicFields asked;
  for (size_t i = 0; i < args.size(); ++i) {
    int taken = kvhost::ParseSetting(args, &i, &asked, &error);
    if (taken < 0) return kvhost::UsageError("print: " + error);
    if (taken > 0) continue;
    if (args[i] == "--pages" && i + 1 < args.size()) {
      if (!kvhost::ParseNumber(args[++i], 1, kMaxPages, &pages))
        return kvhost::UsageError("print: --pages takes a number from 1 to " + std::to_string(kMaxPages));
    } else if (args[i] == "--out" && i + 1 < args.size()) {
      out = args[++i];
    } else if (args[i] == "--script" && i + 1 < args.size()) {
      scriptFile = args[++i];
    } else if (args[i] == "--trace") {
      trace = true;
    } else if (args[i].rfind("--", 0) == 0 || !name.empty()) {
      return kvhost::UsageError("print: unexpected '" + args[i] + "'");
    } else {
      name = args[i];
    }
  }
  if (name.empty())
    return kvhost::UsageError("usage: kvhost print PRINTER [--pages N] [--out FILE.zarn] [--script FILE] [--trace] [settings]");
  if (int rc = kvhost::CheckRoot()) return rc;
  kvhost::page::Script script;
  std::string scriptError;
  if (!scriptFile.empty() && !kvhost::page::Load(scriptFile, &script, &scriptError))
    return kvhost::Failed("print: " + scriptError);
  std::string outHost;
  if (!out.empty() && !kvhost::HostPathOf(out, &outHost)) return kvhost::Failed("print: cannot place " + out);

  std::u16string wname = kvp::FromUtf8(name);
  OpenPrinter printer;
  if (!OpenPrinterW(wname.data(), &printer.handle, nullptr))
    return kvhost::Failed("print: cannot open printer '" + name + "' (error " + std::to_string(GetLastError()) + ")");
  if (trace)
    kvp::SetDriverCallObserver([](const kvp::DriverCallRecord& r) {
      std::printf("  > %s%s%s -> %s\n", r.call.c_str(), r.arguments.empty() ? "" : " ", r.arguments.c_str(),
                  r.answer.c_str());
    });
  std::vector<BYTE> devmode = JobDevmode(printer.handle, wname, asked.dm);
  PrinterContext context;
  context.dc = CreateDCW(u"WINSPOOL", wname.c_str(), nullptr, devmode.empty() ? nullptr : devmode.data());
  if (!context.dc)
    return kvhost::Failed("print: no device context on '" + name + "' (error " + std::to_string(GetLastError()) + ")");
  kvp::eng::Device* device = kvp::PrinterDcDevice(context.dc);
  // A setting the printer does not offer is not dropped silently: the user is told what was taken.
  const GDIINFO& took = device->gdiInfo;
  if ((asked.dm.dmFields & DM_PRINTQUALITY) && took.ulLogPixelsX && LONG(took.ulLogPixelsX) != asked.dm.dmPrintQuality)
    std::printf("note: '%s' does not print at %d dpi; the job prints at %u dpi\n", name.c_str(),
                asked.dm.dmPrintQuality, took.ulLogPixelsX);
  if (!device->surfobj)
    std::printf("no drawing surface (page size %u x %u dots): the pages go out empty\n", took.ulHorzRes, took.ulVertRes);
  if (!scriptFile.empty() && device->surfobj)
    kvp::SetPrinterDcPageDrawer(context.dc, [&](POINTL origin) {
      int declined = 0;
      bool ok = kvhost::page::Play(script, device, origin, &declined, &error);
      if (declined) std::printf("band at %d,%d: %d drawing calls handed back to the engine\n", origin.x, origin.y, declined);
      return ok;
    });
  DWORD jobId = 0;
  bool ok = RunJob(context.dc, asked.title, pages, &error, &jobId);
  if (!ok) {
    std::string held = HeldReason(printer.handle, jobId);
    if (!held.empty()) return kvhost::Failed("print: the driver held the job: " + held);
    return kvhost::Failed("print: " + error);
  }
  DeleteDC(context.dc);
  context.dc = nullptr;
  kvp::SetDriverCallObserver(nullptr);

  namespace fs = std::filesystem;
  fs::path spool = fs::path(kvp::MachineRoot()) / "spool" / "output" / ("job" + std::to_string(jobId) + ".zarn");
  std::error_code ec;
  uintmax_t bytes = fs::file_size(spool, ec);
  if (ec) return kvhost::Failed("print: the output library wrote no spool file " + spool.string());
  if ((asked.dm.dmFields & DM_COLOR) && asked.dm.dmColor == DMCOLOR_COLOR && JobHeaderSays(spool, "COLORSELECT = MONO"))
    std::printf("note: '%s' prints in black and white only; the job is monochrome, not in colour\n", name.c_str());
  std::printf("printed job %u of %ld page%s on '%s': %ju bytes in %s\n", jobId, pages, pages == 1 ? "" : "s",
              name.c_str(), bytes, spool.string().c_str());
  if (!outHost.empty()) {
    std::string why;
    if (!kvsetup::CopyFileReplacing(spool, outHost, &why)) return kvhost::Failed("print: cannot write " + outHost + ": " + why);
    std::printf("copied to %s\n", outHost.c_str());
  }
  return kvhost::kExitDone;
}

}  // namespace

KVHOST_COMMAND_ROOT("print",
               "  print PRINTER [--pages N] [--out FILE.zarn] [--script FILE] [--trace] [settings]\n"
               "                           print a job of N pages (1 by default) through the printer's\n"
               "                           graphics library and output library; the ZARN stream goes to FILE.\n"
               "                           Settings change the job's document settings as an application does:\n"
               KVHOST_SETTINGS_HELP "\n"
               "                           --trace lists the calls into the driver as they happen"
               KVHOST_PAGE_SCRIPT_HELP,
               Print, kvhost::RootUse::kChecksItself);
