// kvhost print PRINTER [--pages N] [--out FILE.zarn] [--script FILE]: stands in for an application
// printing through the spooler and the graphics engine. It queues a job for the printer, loads the printer's graphics library,
// runs a document of N pages through the job hooks (each drawn from the page script when one is given), and
// copies the job's spool file, which the output library wrote, to FILE.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "command.h"
#include "page_script.h"
#include "kvplat/engine.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"

namespace {

constexpr const char16_t* kDocument = u"kvhost sample job";
constexpr long kMaxPages = 10000;

struct OpenPrinter {
  HANDLE handle = nullptr;
  ~OpenPrinter() {
    if (handle) ClosePrinter(handle);
  }
};

struct LoadedDriver {
  kvp::eng::Driver driver;
  kvp::eng::Device device;
  ~LoadedDriver() {
    kvp::eng::DisablePdev(&device);  // ends an open page or document first
    kvp::eng::UnloadDriver(&driver);
  }
};

// The job's pages through the engine's job hooks; a message for the step that failed.
bool RunJob(kvp::eng::Device* dev, DWORD jobId, long pages, const kvhost::page::Script* script, std::string* error) {
  DWORD r = kvp::eng::StartDoc(dev, kDocument, jobId);
  if (r != ERROR_SUCCESS) {
    *error = "the graphics library refused the document (error " + std::to_string(r) + ")";
    return false;
  }
  for (long page = 1; page <= pages; ++page) {
    r = kvp::eng::StartPage(dev);
    int declined = 0;
    if (r == ERROR_SUCCESS && script && !kvhost::page::Play(*script, dev, &declined, error)) return false;
    if (declined) std::printf("page %ld: %d drawing calls handed back to the engine\n", page, declined);
    if (r == ERROR_SUCCESS) r = kvp::eng::EndPage(dev);
    if (r != ERROR_SUCCESS) {
      *error = "page " + std::to_string(page) + " failed (error " + std::to_string(r) + ")";
      return false;
    }
  }
  r = kvp::eng::EndDoc(dev);
  if (r != ERROR_SUCCESS) *error = "the document did not end (error " + std::to_string(r) + ")";
  return r == ERROR_SUCCESS;
}

// The same on a device without a drawing surface (a printer whose page size is not known yet): the job
// hooks run on a surface object that carries only the device, as an engine does for a document whose
// pages are not drawn.
bool RunJobWithoutSurface(const kvp::eng::Driver& d, DHPDEV dhpdev, DWORD jobId, long pages, std::string* error) {
  auto startDoc = d.Hook<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
  auto startPage = d.Hook<PFN_DrvStartPage>(INDEX_DrvStartPage);
  auto sendPage = d.Hook<PFN_DrvSendPage>(INDEX_DrvSendPage);
  auto endDoc = d.Hook<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
  if (!startDoc || !startPage || !sendPage || !endDoc) {
    *error = "the graphics library lacks a job hook";
    return false;
  }
  SURFOBJ so{};
  so.dhpdev = dhpdev;
  std::u16string doc = kDocument;
  if (!startDoc(&so, doc.data(), jobId)) {
    *error = "the graphics library refused the document (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  for (long page = 1; page <= pages; ++page) {
    if (!startPage(&so) || !sendPage(&so)) {
      *error = "page " + std::to_string(page) + " failed";
      endDoc(&so, ED_ABORTDOC);
      return false;
    }
  }
  endDoc(&so, 0);
  return true;
}

int Print(const std::vector<std::string>& args) {
  std::string name, out, scriptFile;
  long pages = 1;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--pages" && i + 1 < args.size()) {
      char* end = nullptr;
      errno = 0;
      pages = std::strtol(args[++i].c_str(), &end, 10);
      if (errno || !end || *end || pages < 1 || pages > kMaxPages)
        return kvhost::UsageError("print: --pages takes a number from 1 to " + std::to_string(kMaxPages));
    } else if (args[i] == "--out" && i + 1 < args.size()) {
      out = args[++i];
    } else if (args[i] == "--script" && i + 1 < args.size()) {
      scriptFile = args[++i];
    } else if (args[i].rfind("--", 0) == 0 || !name.empty()) {
      return kvhost::UsageError("print: unexpected '" + args[i] + "'");
    } else {
      name = args[i];
    }
  }
  if (name.empty()) return kvhost::UsageError("usage: kvhost print PRINTER [--pages N] [--out FILE.zarn] [--script FILE]");
  kvhost::page::Script script;
  std::string scriptError;
  if (!scriptFile.empty() && !kvhost::page::Load(scriptFile, &script, &scriptError))
    return kvhost::UsageError("print: " + scriptError);
  std::string outHost;
  if (!out.empty() && !kvhost::HostPathOf(out, &outHost)) return kvhost::Failed("print: cannot place " + out);

  std::u16string wname = kvp::FromUtf8(name);
  OpenPrinter printer;
  if (!OpenPrinterW(wname.data(), &printer.handle, nullptr))
    return kvhost::Failed("print: cannot open printer '" + name + "' (error " + std::to_string(GetLastError()) + ")");
  kvp::SplJobSpec spec;
  spec.document = kDocument;
  spec.totalPages = DWORD(pages);
  DWORD jobId = kvp::SplAddJob(printer.handle, spec);
  if (!jobId) return kvhost::Failed("print: the spooler refused the job (error " + std::to_string(GetLastError()) + ")");

  LoadedDriver loaded;
  DWORD r = kvp::eng::LoadPrinterDriver(printer.handle, &loaded.driver);
  if (r != ERROR_SUCCESS)
    return kvhost::Failed("print: cannot load the graphics library of '" + name + "' (error " + std::to_string(r) + ")");
  r = kvp::eng::EnablePdev(loaded.driver, printer.handle, wname.c_str(), nullptr, &loaded.device);
  if (r != ERROR_SUCCESS)
    return kvhost::Failed("print: the graphics library refused the device context (error " + std::to_string(r) + ")");
  std::string error;
  bool surface = kvp::eng::EnableSurface(&loaded.device) == ERROR_SUCCESS;
  if (!surface)
    std::printf("no drawing surface (page size %u x %u dots): the pages go out empty\n",
                loaded.device.gdiInfo.ulHorzRes, loaded.device.gdiInfo.ulVertRes);
  bool ok = surface ? RunJob(&loaded.device, jobId, pages, scriptFile.empty() ? nullptr : &script, &error)
                    : RunJobWithoutSurface(loaded.driver, loaded.device.dhpdev, jobId, pages, &error);
  if (!ok) return kvhost::Failed("print: " + error);

  namespace fs = std::filesystem;
  fs::path spool = fs::path(kvp::MachineRoot()) / "spool" / "output" / ("job" + std::to_string(jobId) + ".zarn");
  std::error_code ec;
  uintmax_t bytes = fs::file_size(spool, ec);
  if (ec) return kvhost::Failed("print: the output library wrote no spool file " + spool.string());
  std::printf("printed job %u of %ld page%s on '%s': %ju bytes in %s\n", jobId, pages, pages == 1 ? "" : "s",
              name.c_str(), bytes, spool.string().c_str());
  if (!outHost.empty()) {
    fs::copy_file(spool, outHost, fs::copy_options::overwrite_existing, ec);
    if (ec) return kvhost::Failed("print: cannot write " + outHost + ": " + ec.message());
    std::printf("copied to %s\n", outHost.c_str());
  }
  return kvhost::kExitDone;
}

}  // namespace

KVHOST_COMMAND("print",
               "  print PRINTER [--pages N] [--out FILE.zarn] [--script FILE]\n"
               "                           print a job of N pages (1 by default) through the printer's\n"
               "                           graphics library and output library; the ZARN stream goes to FILE"
               KVHOST_PAGE_SCRIPT_HELP,
               Print);
