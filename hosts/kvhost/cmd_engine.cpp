// kvhost engine PRINTER [--devmode FILE]: stands in for the graphics engine. It loads the printer's
// graphics library from its driver folder, enables it, creates a device context from the printer's default
// DEVMODE (or the DEVMODE in FILE), prints the device's capability answers readably and releases
// everything again.
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "kvplat/engine.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"

namespace {

struct Printer {
  HANDLE handle = nullptr;
  ~Printer() {
    if (handle) ClosePrinter(handle);
  }
};

// The printer's default DEVMODE (none when it has none).
std::vector<BYTE> DefaultDevmode(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  if (!needed || !GetPrinterW(printer, 2, info.data(), needed, &needed)) return {};
  const DEVMODEW* dm = reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDevMode;
  if (!dm) return {};
  const BYTE* b = reinterpret_cast<const BYTE*>(dm);
  return std::vector<BYTE>(b, b + dm->dmSize + dm->dmDriverExtra);
}

// A DEVMODE file: the record, public and private part, exactly as large as it says.
bool ReadDevmode(const std::string& path, std::vector<BYTE>& out, std::string& error) {
  std::string bytes;
  if (!kvhost::ReadHostFile(path, &bytes, &error)) return false;
  out.assign(bytes.begin(), bytes.end());
  const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
  if (out.size() < offsetof(DEVMODEW, dmFields) + sizeof(DWORD) || dm->dmSize < offsetof(DEVMODEW, dmFields) ||
      size_t(dm->dmSize) + dm->dmDriverExtra > out.size()) {
    error = path + " is not a DEVMODE (" + std::to_string(out.size()) + " bytes)";
    return false;
  }
  out.resize(size_t(dm->dmSize) + dm->dmDriverExtra);
  return true;
}

// Millimetres from a GDIINFO size: positive values are millimetres, negative ones micrometres.
double Millimetres(ULONG size) {
  LONG v = LONG(size);
  return v < 0 ? -v / 1000.0 : double(v);
}

const char* FormatName(ULONG f) {
  switch (f) {
    case BMF_1BPP: return "1 bit per pixel";
    case BMF_4BPP: return "4 bits per pixel";
    case BMF_8BPP: return "8 bits per pixel";
    case BMF_24BPP: return "24 bits per pixel";
    case BMF_32BPP: return "32 bits per pixel";
    default: return "none";
  }
}

void PrintAnswers(const kvp::eng::Device& dev) {
  const GDIINFO& g = dev.gdiInfo;
  const DEVINFO& d = dev.devInfo;
  double dpiX = g.ulLogPixelsX ? g.ulLogPixelsX : 1, dpiY = g.ulLogPixelsY ? g.ulLogPixelsY : 1;
  std::printf("GDIINFO\n");
  std::printf("  technology          %u%s\n", g.ulTechnology, g.ulTechnology == DT_RASPRINTER ? " (raster printer)" : "");
  std::printf("  resolution          %u x %u dpi\n", g.ulLogPixelsX, g.ulLogPixelsY);
  std::printf("  printable area      %u x %u dots, %.1f x %.1f mm (reported %s)\n", g.ulHorzRes, g.ulVertRes,
              Millimetres(g.ulHorzSize), Millimetres(g.ulVertSize),
              LONG(g.ulHorzSize) < 0 ? "in micrometres" : "in millimetres");
  std::printf("  paper               %d x %d dots, %.1f x %.1f mm\n", g.szlPhysSize.cx, g.szlPhysSize.cy,
              g.szlPhysSize.cx * 25.4 / dpiX, g.szlPhysSize.cy * 25.4 / dpiY);
  std::printf("  printable offset    %d, %d dots\n", g.ptlPhysOffset.x, g.ptlPhysOffset.y);
  std::printf("  colour depth        %u bits x %u planes, %u colours, %u palette entries\n", g.cBitsPixel,
              g.cPlanes, g.ulNumColors, g.ulNumPalReg);
  std::printf("  text caps           0x%04X\n", g.flTextCaps);
  std::printf("  halftone            pattern %u, output format %u, flags 0x%X, primary order %u\n",
              g.ulHTPatternSize, g.ulHTOutputFormat, g.flHTFlags, g.ulPrimaryOrder);
  std::printf("DEVINFO\n");
  std::printf("  graphics caps       0x%08X\n", d.flGraphicsCaps);
  std::printf("  dither              %s, %u x %u\n", FormatName(d.iDitherFormat), d.cxDither, d.cyDither);
  kvp::eng::PaletteInfo pal;
  if (kvp::eng::DescribePalette(d.hpalDefault, &pal)) {
    if (pal.mode == PAL_INDEXED) {
      std::printf("  palette             indexed, %zu entries:", pal.colors.size());
      for (ULONG c : pal.colors) std::printf(" %06X", c);
      std::printf("\n");
    } else {
      std::printf("  palette             %s\n", pal.mode == PAL_BGR ? "BGR" : pal.mode == PAL_RGB ? "RGB" : "bit fields");
    }
  } else {
    std::printf("  palette             none\n");
  }
  const LOGFONTW& f = d.lfDefaultFont;
  if (f.lfHeight)
    std::printf("  default font        \"%s\", height %d, character set %u\n",
                kvp::ToUtf8(kvp::WView(f.lfFaceName)).c_str(), f.lfHeight, f.lfCharSet);
  else
    std::printf("  default font        none (character set %u)\n", f.lfCharSet);
  std::printf("  device fonts        %u\n", d.cFonts);
}

int Engine(const std::vector<std::string>& args) {
  std::string name, devmodeFile;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--devmode" && i + 1 < args.size()) {
      devmodeFile = args[++i];
    } else if (args[i].rfind("--", 0) == 0 || !name.empty()) {
      std::fprintf(stderr, "kvhost: engine: unexpected '%s'\n", args[i].c_str());
      return 2;
    } else {
      name = args[i];
    }
  }
  if (name.empty()) {
    std::fprintf(stderr, "usage: kvhost engine PRINTER [--devmode FILE]\n");
    return 2;
  }
  if (int rc = kvhost::CheckRoot()) return rc;
  std::u16string wname = kvp::FromUtf8(name);
  Printer printer;
  if (!OpenPrinterW(wname.data(), &printer.handle, nullptr)) {
    std::fprintf(stderr, "kvhost: engine: cannot open printer '%s' (error %u)\n", name.c_str(), GetLastError());
    return 1;
  }
  std::vector<BYTE> devmode;
  std::string error;
  if (!devmodeFile.empty() && !ReadDevmode(devmodeFile, devmode, error)) {
    std::fprintf(stderr, "kvhost: engine: %s\n", error.c_str());
    return 1;
  }
  if (devmodeFile.empty()) devmode = DefaultDevmode(printer.handle);

  kvp::eng::Driver driver;
  DWORD r = kvp::eng::LoadPrinterDriver(printer.handle, &driver);
  if (r != ERROR_SUCCESS) {
    std::fprintf(stderr, "kvhost: engine: cannot load the graphics library of '%s' (error %u)\n", name.c_str(), r);
    return 1;
  }
  std::printf("printer             %s\n", name.c_str());
  std::printf("DEVMODE             %s\n", !devmodeFile.empty() ? devmodeFile.c_str()
                                        : devmode.empty()     ? "none (the driver's defaults)"
                                                              : "the printer's default");
  std::printf("driver version      0x%X\n", driver.driverVersion);
  kvp::eng::Device dev;
  r = kvp::eng::EnablePdev(driver, printer.handle, wname.c_str(),
                           devmode.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(devmode.data()), &dev);
  if (r == ERROR_SUCCESS) {
    PrintAnswers(dev);
    kvp::eng::DisablePdev(&dev);
  } else {
    std::fprintf(stderr, "kvhost: engine: the graphics library refused the device context (error %u)\n", r);
  }
  kvp::eng::UnloadDriver(&driver);
  return r == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

KVHOST_COMMAND_ROOT("engine",
               "  engine PRINTER [--devmode FILE]\n"
               "                           enable the printer's graphics library as the graphics engine does and\n"
               "                           print its device capabilities (page size, resolution, colour depth)",
               Engine, kvhost::RootUse::kChecksItself);
