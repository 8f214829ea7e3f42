// The engine's side of a print job: enabling a graphics library, its device contexts and surfaces, and
// the document, page and band calls in the order the engine makes them.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine_internal.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/spooler.h"

struct KvEngDevice {
  DHPDEV dhpdev = nullptr;
};

namespace kvp::eng {
namespace {

// The driver's own error, or `fallback` when it set none.
DWORD DriverError(DWORD fallback) {
  DWORD e = GetLastError();
  return e ? e : fallback;
}

constexpr ULONG kPatternCount = 6;
constexpr unsigned kMaxBands = 1u << 20;  // the standard hatch patterns the engine asks a printer driver for

}  // namespace

DHPDEV DeviceDhpdev(HDEV hdev) { return IsLive(hdev) ? hdev->dhpdev : nullptr; }

DWORD EnableDriver(PFN_DrvEnableDriver entry, Driver* out) {
  if (!entry || !out) return ERROR_INVALID_PARAMETER;
  HMODULE keep = out->module;
  *out = Driver{};
  out->module = keep;
  DRVENABLEDATA ded{};
  SetLastError(ERROR_SUCCESS);
  if (!entry(ENG_DDI_VERSION, sizeof(ded), &ded)) return DriverError(ERROR_INVALID_FUNCTION);
  if (ded.c > INDEX_LAST || (ded.c && !ded.pdrvfn)) return ERROR_INVALID_DATA;
  for (ULONG i = 0; i < ded.c; ++i) {
    if (ded.pdrvfn[i].iFunc >= INDEX_LAST) return ERROR_INVALID_DATA;
    out->hooks[ded.pdrvfn[i].iFunc] = ded.pdrvfn[i].pfn;
  }
  out->driverVersion = ded.iDriverVersion;
  return ERROR_SUCCESS;
}

DWORD LoadDriver(std::u16string_view driverPath, Driver* out) {
  if (!out) return ERROR_INVALID_PARAMETER;
  std::u16string path(driverPath);
  HMODULE m = LoadLibraryW(path.c_str());
  if (!m) return DriverError(ERROR_MOD_NOT_FOUND);
  auto entry = reinterpret_cast<PFN_DrvEnableDriver>(GetProcAddress(m, "DrvEnableDriver"));
  if (!entry) {
    FreeLibrary(m);
    return ERROR_PROC_NOT_FOUND;
  }
  out->module = m;
  DWORD r = EnableDriver(entry, out);
  if (r != ERROR_SUCCESS) {
    FreeLibrary(m);
    *out = Driver{};
  }
  return r;
}

DWORD LoadPrinterDriver(HANDLE printer, Driver* out) {
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  if (needed == 0) return DriverError(ERROR_INVALID_HANDLE);
  std::vector<BYTE> buf(needed);
  if (!GetPrinterDriverW(printer, nullptr, 2, buf.data(), needed, &needed)) return DriverError(ERROR_INVALID_HANDLE);
  auto* di = reinterpret_cast<DRIVER_INFO_2W*>(buf.data());
  if (!di->pDriverPath || !*di->pDriverPath) return ERROR_MOD_NOT_FOUND;
  return LoadDriver(di->pDriverPath, out);
}

void UnloadDriver(Driver* driver) {
  if (!driver) return;
  if (driver->module) {
    if (auto fn = reinterpret_cast<PFN_DrvDisableDriver>(GetProcAddress(driver->module, "DrvDisableDriver"))) fn();
    FreeLibrary(driver->module);
  }
  *driver = Driver{};
}

DWORD EnablePdev(const Driver& driver, HANDLE printer, LPCWSTR deviceName, const DEVMODEW* devmode, Device* out) {
  if (!out) return ERROR_INVALID_PARAMETER;
  *out = Device{};
  auto enable = driver.Hook<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV);
  auto complete = driver.Hook<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV);
  if (!enable || !complete || !driver.Hook<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)) return ERROR_NOT_SUPPORTED;
  // The driver gets its own copy of the caller's DEVMODE, public and private part, in a buffer that holds
  // at least the public record (zeros after what the caller's sizes cover), so reading the sizes of a
  // short record never leaves the buffer. The sizes themselves are always copied, as declared.
  std::vector<BYTE> dm;
  if (devmode) {
    size_t bytes = std::max(size_t(devmode->dmSize) + devmode->dmDriverExtra, offsetof(DEVMODEW, dmFields));
    dm.assign(std::max(bytes, sizeof(DEVMODEW)), 0);
    std::memcpy(dm.data(), devmode, bytes);
  }
  std::u16string name = deviceName ? std::u16string(deviceName) : std::u16string();
  auto* hdev = new KvEngDevice();
  Register(hdev);
  HSURF patterns[kPatternCount] = {};
  SetLastError(ERROR_SUCCESS);
  DHPDEV dhpdev = enable(dm.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(dm.data()), nullptr, kPatternCount,
                         patterns, sizeof(GDIINFO), reinterpret_cast<ULONG*>(&out->gdiInfo), sizeof(DEVINFO),
                         &out->devInfo, hdev, name.data(), printer);
  if (!dhpdev) {
    DWORD e = DriverError(ERROR_INVALID_FUNCTION);
    Unregister(hdev);
    delete hdev;
    *out = Device{};
    return e;
  }
  hdev->dhpdev = dhpdev;
  complete(dhpdev, hdev);
  out->driver = &driver;
  out->hdev = hdev;
  out->dhpdev = dhpdev;
  return ERROR_SUCCESS;
}

DWORD EnableSurface(Device* dev) {
  if (!dev || !dev->dhpdev || dev->surface) return ERROR_INVALID_PARAMETER;
  auto enable = dev->driver->Hook<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface);
  if (!enable) return ERROR_NOT_SUPPORTED;
  SetLastError(ERROR_SUCCESS);
  HSURF s = enable(dev->dhpdev);
  if (!s) return DriverError(ERROR_INVALID_FUNCTION);
  SURFOBJ* so = EngLockSurface(s);
  if (!so) return ERROR_INVALID_HANDLE;
  SurfaceInfo info;
  DescribeSurface(s, &info);
  dev->surface = s;
  dev->surfobj = so;
  dev->banding = info.banding;
  return ERROR_SUCCESS;
}

namespace {

// The surface object a hook gets: the locked surface, or for a device without one (a document whose
// pages are not drawn, an information context) an object that carries only the device.
SURFOBJ* HookSurface(Device* dev, SURFOBJ* bare) {
  if (dev->surfobj) return dev->surfobj;
  *bare = SURFOBJ{};
  bare->dhpdev = dev->dhpdev;
  return bare;
}

// Runs one job hook; a hook the driver leaves out succeeds.
template <typename F, typename... A>
DWORD JobHook(Device* dev, ULONG index, A... args) {
  if (!dev || !dev->dhpdev) return ERROR_INVALID_PARAMETER;
  auto fn = dev->driver->Hook<F>(index);
  if (!fn) return ERROR_SUCCESS;
  SURFOBJ bare;
  SetLastError(ERROR_SUCCESS);
  return fn(HookSurface(dev, &bare), args...) ? ERROR_SUCCESS : DriverError(ERROR_INVALID_FUNCTION);
}

}  // namespace

DWORD StartDoc(Device* dev, LPCWSTR docName, DWORD jobId) {
  std::u16string name = docName ? std::u16string(docName) : std::u16string();
  DWORD r = JobHook<PFN_DrvStartDoc>(dev, INDEX_DrvStartDoc, name.data(), jobId);
  if (r == ERROR_SUCCESS) dev->inDoc = true;
  return r;
}

DWORD StartPage(Device* dev) {
  DWORD r = JobHook<PFN_DrvStartPage>(dev, INDEX_DrvStartPage);
  if (r == ERROR_SUCCESS) dev->inPage = true;
  return r;
}

DWORD EndPage(Device* dev, unsigned* bands, const std::function<bool(POINTL origin)>* drawBand) {
  if (!dev || !dev->dhpdev) return ERROR_INVALID_PARAMETER;
  dev->inPage = false;
  if (bands) *bands = 0;
  if (!dev->surfobj || !dev->banding) return JobHook<PFN_DrvSendPage>(dev, INDEX_DrvSendPage);
  auto start = dev->driver->Hook<PFN_DrvStartBanding>(INDEX_DrvStartBanding);
  auto next = dev->driver->Hook<PFN_DrvNextBand>(INDEX_DrvNextBand);
  if (!start || !next) return ERROR_NOT_SUPPORTED;
  POINTL origin{};
  SetLastError(ERROR_SUCCESS);
  if (!start(dev->surfobj, &origin)) return DriverError(ERROR_INVALID_FUNCTION);
  // A band is at least one row, so a page has no more bands than rows: a driver that never ends the
  // loop is stopped there (a page of an unknown height gets the largest surface side as its bound).
  unsigned limit = std::max<unsigned>(dev->gdiInfo.ulVertRes, kMaxBands) + 2;
  for (unsigned n = 1;; ++n) {
    if (drawBand && *drawBand && !(*drawBand)(origin)) return ERROR_INVALID_FUNCTION;
    if (bands) *bands = n;
    if (!next(dev->surfobj, &origin)) return DriverError(ERROR_INVALID_FUNCTION);
    if (origin.x == -1 && origin.y == -1) return ERROR_SUCCESS;
    if (n >= limit) return ERROR_INVALID_DATA;
  }
}

DWORD EndDoc(Device* dev) {
  DWORD r = JobHook<PFN_DrvEndDoc>(dev, INDEX_DrvEndDoc, FLONG(0));
  if (dev) dev->inDoc = false;
  return r;
}

DWORD AbortDoc(Device* dev) {
  DWORD r = JobHook<PFN_DrvEndDoc>(dev, INDEX_DrvEndDoc, FLONG(ED_ABORTDOC));
  if (dev) dev->inDoc = dev->inPage = false;
  return r;
}

ULONG Escape(Device* dev, ULONG escape, ULONG inSize, void* in, ULONG outSize, void* out) {
  if (!dev || !dev->dhpdev) return ULONG(-1);
  auto fn = dev->driver->Hook<PFN_DrvEscape>(INDEX_DrvEscape);
  if (!fn) return 0;
  SURFOBJ bare;
  return fn(HookSurface(dev, &bare), escape, inSize, in, outSize, out);
}

void DisablePdev(Device* dev) {
  if (!dev || !dev->dhpdev) return;
  const Driver& d = *dev->driver;
  if (dev->inDoc) AbortDoc(dev);
  if (dev->surfobj) EngUnlockSurface(dev->surfobj);
  if (dev->surface) {
    if (auto off = d.Hook<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)) off(dev->dhpdev);
  }
  if (auto off = d.Hook<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)) off(dev->dhpdev);
  if (Unregister(dev->hdev)) delete dev->hdev;
  *dev = Device{};
}

}  // namespace kvp::eng
