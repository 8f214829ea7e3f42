// kvhost print PRINTER [--pages N] [--out FILE.zarn] [--script FILE] [settings]: stands in for an
// application printing through the spooler and the graphics engine. It queues a job for the printer, takes
// the printer's document settings with the public fields an application sets itself changed (paper,
// orientation, copies, resolution, colour; the title names the document), loads the printer's graphics
// library, runs a document of N pages through the job hooks (each drawn from the page script when one is
// given), and copies the job's spool file, which the output library wrote, to FILE.
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
#include "kvplat/devmode.h"
#include "page_script.h"
#include "kvplat/engine.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvsetup/replace_file.h"

namespace {

constexpr const char16_t* kDocument = u"kvhost sample job";
constexpr long kMaxPages = 10000;
constexpr long kMaxCopies = 999;
constexpr long kMaxCustomMM = 15000;  // custom paper sides, in millimetres

// The standard papers an application offers by name, with their DEVMODE codes.
struct PaperName {
  const char* name;
  SHORT code;
};
constexpr PaperName kPapers[] = {
    {"A0", 267}, {"A1", 268}, {"A2", 66}, {"A3", 8},  {"A4", 9},     {"B1", 270},    {"B2", 271},
    {"B3", 269}, {"B4", 12},  {"Letter", 1}, {"Legal", 5}, {"Ledger", 3}, {"Foolscap", 14},
};

// The public DEVMODE fields the user asked for; dmFields says which.
struct PublicFields {
  DEVMODEW dm{};
  std::u16string title = kDocument;
};

bool ParseNumber(const std::string& text, long low, long high, long* out) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno || !end || end == text.c_str() || *end || v < low || v > high) return false;
  *out = v;
  return true;
}

// NAME of a standard paper (compared without regard to case) or WxHmm for a custom size.
bool ParsePaper(const std::string& text, DEVMODEW* dm) {
  for (const PaperName& p : kPapers) {
    if (text.size() != std::strlen(p.name)) continue;
    bool same = true;
    for (size_t i = 0; i < text.size() && same; ++i) same = std::tolower((unsigned char)text[i]) == std::tolower((unsigned char)p.name[i]);
    if (!same) continue;
    dm->dmPaperSize = p.code;
    dm->dmFields |= DM_PAPERSIZE;
    return true;
  }
  size_t x = text.find('x');
  if (x == std::string::npos || text.size() < x + 3 || text.compare(text.size() - 2, 2, "mm") != 0) return false;
  long w = 0, h = 0;
  if (!ParseNumber(text.substr(0, x), 1, kMaxCustomMM, &w) ||
      !ParseNumber(text.substr(x + 1, text.size() - x - 3), 1, kMaxCustomMM, &h))
    return false;
  // DEVMODE sizes are in tenths of a millimetre and 16 bits wide.
  if (w * 10 > 32767 || h * 10 > 32767) return false;
  dm->dmPaperSize = 256;
  dm->dmPaperWidth = SHORT(w * 10);
  dm->dmPaperLength = SHORT(h * 10);
  dm->dmFields |= DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
  return true;
}

// One settings option at args[i] (its value after it); 1 taken, 0 not a settings option, -1 bad value
// (*error says why).
int ParseSetting(const std::vector<std::string>& args, size_t* i, PublicFields* f, std::string* error) {
  const std::string& a = args[*i];
  DEVMODEW& dm = f->dm;
  if (a == "--color" || a == "--mono") {
    dm.dmColor = a == "--color" ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    dm.dmFields |= DM_COLOR;
    return 1;
  }
  if (a != "--paper" && a != "--orientation" && a != "--copies" && a != "--resolution" && a != "--title") return 0;
  if (*i + 1 >= args.size()) {
    *error = a + " takes a value";
    return -1;
  }
  const std::string& v = args[++*i];
  long n = 0;
  if (a == "--paper") {
    if (ParsePaper(v, &dm)) return 1;
    *error = "--paper takes a paper name (A0-A4, B1-B4, Letter, Legal, Ledger, Foolscap) or WIDTHxLENGTHmm";
  } else if (a == "--orientation") {
    if (v == "portrait" || v == "landscape") {
      dm.dmOrientation = v == "portrait" ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
      dm.dmFields |= DM_ORIENTATION;
      return 1;
    }
    *error = "--orientation takes portrait or landscape";
  } else if (a == "--copies") {
    if (ParseNumber(v, 1, kMaxCopies, &n)) {
      dm.dmCopies = SHORT(n);
      dm.dmFields |= DM_COPIES;
      return 1;
    }
    *error = "--copies takes a number from 1 to " + std::to_string(kMaxCopies);
  } else if (a == "--resolution") {
    if (ParseNumber(v, 1, 32767, &n)) {
      dm.dmPrintQuality = SHORT(n);
      dm.dmYResolution = SHORT(n);
      dm.dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
      return 1;
    }
    *error = "--resolution takes dots per inch";
  } else {
    if (!v.empty()) {
      f->title = kvp::FromUtf8(v);
      return 1;
    }
    *error = "--title takes a text";
  }
  return -1;
}

// The job's DEVMODE: the printer's document settings with the asked fields merged in by the driver, as an
// application obtains it; none (the printer's defaults) when nothing was asked. Without the driver's
// document settings the public fields alone go to the graphics library, which merges them itself.
std::vector<BYTE> JobDevmode(HANDLE printer, std::u16string& name, const DEVMODEW& asked) {
  std::vector<BYTE> out;
  if (!asked.dmFields) return out;
  LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
  if (size >= LONG(sizeof(DEVMODEW))) {
    std::vector<BYTE> base(size_t(size), 0);
    auto* dm = reinterpret_cast<DEVMODEW*>(base.data());
    if (DocumentPropertiesW(nullptr, printer, name.data(), dm, nullptr, DM_OUT_BUFFER) >= 0) {
      const DWORD fields = asked.dmFields;
      dm->dmFields |= fields;
      if (fields & DM_ORIENTATION) dm->dmOrientation = asked.dmOrientation;
      if (fields & DM_PAPERSIZE) dm->dmPaperSize = asked.dmPaperSize;
      if (fields & DM_PAPERWIDTH) dm->dmPaperWidth = asked.dmPaperWidth;
      if (fields & DM_PAPERLENGTH) dm->dmPaperLength = asked.dmPaperLength;
      if (fields & DM_COPIES) dm->dmCopies = asked.dmCopies;
      if (fields & DM_PRINTQUALITY) dm->dmPrintQuality = asked.dmPrintQuality;
      if (fields & DM_YRESOLUTION) dm->dmYResolution = asked.dmYResolution;
      if (fields & DM_COLOR) dm->dmColor = asked.dmColor;
      out.assign(size_t(size), 0);
      if (DocumentPropertiesW(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(out.data()), dm,
                              DM_IN_BUFFER | DM_OUT_BUFFER) >= 0)
        return out;
    }
  }
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

// The queued job's end: marked printed once its stream is complete, failed on every other way out, so
// the queue never shows a failed job as a finished one.
struct QueuedJob {
  HANDLE printer = nullptr;
  DWORD id = 0;
  bool printed = false;
  ~QueuedJob() {
    if (id) kvp::SplSetJobStatus(printer, id, printed ? JOB_STATUS_PRINTED : JOB_STATUS_ERROR);
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
bool RunJob(kvp::eng::Device* dev, const std::u16string& title, DWORD jobId, long pages,
            const kvhost::page::Script* script, std::string* error) {
  DWORD r = kvp::eng::StartDoc(dev, title.c_str(), jobId);
  if (r != ERROR_SUCCESS) {
    *error = "the graphics library refused the document (error " + std::to_string(r) + ")";
    return false;
  }
  for (long page = 1; page <= pages; ++page) {
    r = kvp::eng::StartPage(dev);
    int declined = 0;
    // In raster mode the engine draws the page into each band; otherwise it goes to the hooks once.
    std::function<bool(POINTL)> band = [&](POINTL origin) {
      return kvhost::page::Play(*script, dev, origin, &declined, error);
    };
    if (r == ERROR_SUCCESS && script && !dev->banding && !band(POINTL{0, 0})) return false;
    if (r == ERROR_SUCCESS) r = kvp::eng::EndPage(dev, nullptr, script && dev->banding ? &band : nullptr);
    if (!error->empty()) return false;
    if (declined) std::printf("page %ld: %d drawing calls handed back to the engine\n", page, declined);
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
bool RunJobWithoutSurface(const kvp::eng::Driver& d, DHPDEV dhpdev, const std::u16string& title, DWORD jobId, long pages,
                          std::string* error) {
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
  std::u16string doc = title;
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
  PublicFields asked;
  for (size_t i = 0; i < args.size(); ++i) {
    int taken = ParseSetting(args, &i, &asked, &error);
    if (taken < 0) return kvhost::UsageError("print: " + error);
    if (taken > 0) continue;
    if (args[i] == "--pages" && i + 1 < args.size()) {
      if (!ParseNumber(args[++i], 1, kMaxPages, &pages))
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
  if (name.empty())
    return kvhost::UsageError("usage: kvhost print PRINTER [--pages N] [--out FILE.zarn] [--script FILE] [settings]");
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
  kvp::SplJobSpec spec;
  spec.document = asked.title;
  spec.totalPages = DWORD(pages);
  DWORD jobId = kvp::SplAddJob(printer.handle, spec);
  if (!jobId) return kvhost::Failed("print: the spooler refused the job (error " + std::to_string(GetLastError()) + ")");
  QueuedJob queued{printer.handle, jobId};

  LoadedDriver loaded;
  DWORD r = kvp::eng::LoadPrinterDriver(printer.handle, &loaded.driver);
  if (r != ERROR_SUCCESS)
    return kvhost::Failed("print: cannot load the graphics library of '" + name + "' (error " + std::to_string(r) + ")");
  std::vector<BYTE> devmode = JobDevmode(printer.handle, wname, asked.dm);
  r = kvp::eng::EnablePdev(loaded.driver, printer.handle, wname.c_str(),
                           devmode.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(devmode.data()), &loaded.device);
  if (r != ERROR_SUCCESS)
    return kvhost::Failed("print: the graphics library refused the device context (error " + std::to_string(r) + ")");
  // A setting the printer does not offer is not dropped silently: the user is told what was taken.
  const GDIINFO& took = loaded.device.gdiInfo;
  if ((asked.dm.dmFields & DM_PRINTQUALITY) && took.ulLogPixelsX && LONG(took.ulLogPixelsX) != asked.dm.dmPrintQuality)
    std::printf("note: '%s' does not print at %d dpi; the job prints at %u dpi\n", name.c_str(),
                asked.dm.dmPrintQuality, took.ulLogPixelsX);
  bool surface = kvp::eng::EnableSurface(&loaded.device) == ERROR_SUCCESS;
  if (!surface)
    std::printf("no drawing surface (page size %u x %u dots): the pages go out empty\n",
                loaded.device.gdiInfo.ulHorzRes, loaded.device.gdiInfo.ulVertRes);
  bool ok = surface ? RunJob(&loaded.device, asked.title, jobId, pages, scriptFile.empty() ? nullptr : &script, &error)
                    : RunJobWithoutSurface(loaded.driver, loaded.device.dhpdev, asked.title, jobId, pages, &error);
  if (!ok) return kvhost::Failed("print: " + error);

  namespace fs = std::filesystem;
  fs::path spool = fs::path(kvp::MachineRoot()) / "spool" / "output" / ("job" + std::to_string(jobId) + ".zarn");
  std::error_code ec;
  uintmax_t bytes = fs::file_size(spool, ec);
  if (ec) return kvhost::Failed("print: the output library wrote no spool file " + spool.string());
  queued.printed = true;
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
               "  print PRINTER [--pages N] [--out FILE.zarn] [--script FILE] [settings]\n"
               "                           print a job of N pages (1 by default) through the printer's\n"
               "                           graphics library and output library; the ZARN stream goes to FILE.\n"
               "                           Settings change the job's document settings as an application does:\n"
               "                           --paper NAME|WxHmm (A0-A4, B1-B4, Letter, Legal, Ledger, Foolscap, or\n"
               "                           a custom size in millimetres), --orientation portrait|landscape,\n"
               "                           --copies N (1-999), --resolution DPI, --color|--mono, --title TEXT\n"
               "                           (the document name of the job)"
               KVHOST_PAGE_SCRIPT_HELP,
               Print, kvhost::RootUse::kChecksItself);
