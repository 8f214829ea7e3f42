// Creation, completion and release of the graphics library's device context, its settings snapshot and
// the driver folder look-up.
#include <cstring>
#include <vector>

#include "devlink/plugins.h"
#include "gr_brush.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "gr_text.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/setting_ids.h"

namespace {

constexpr DWORD kMergeGraphics = 0x10008;
constexpr DWORD kPrinterTextMode = 128;

// A setting as stored: the snapshot compares codes such as dmColor 1/2 or print method 5/7, not the
// option ids the dialogs show for them.
DWORD Opt(GR_PDEV* p, WORD id) { return DWORD(StgGetValue(p->settings, id, nullptr)); }

// The direct-image flag: the page goes out as the application drew it (no shrinking, no n-up of kind 9,
// no enlargement, no print method that re-renders).
DWORD DirectImage(GR_PDEV* p) {
  if (Opt(p, sid::rdmDstPaperPrnLengthDot) > Opt(p, sid::rdmSrcPaperPrnLengthDot)) return 0;
  if (Opt(p, sid::rdmDstPaperPrnWidthDot) > Opt(p, sid::rdmSrcPaperPrnWidthDot)) return 0;
  if (Opt(p, sid::rdmFuncSelectNup) && Opt(p, sid::rdmNUPPOSTKind) == 9) return 0;
  if (Opt(p, sid::rdmScaleH) > 100 || Opt(p, sid::rdmScaleV) > 100) return 0;
  return p->printMethod != 5 && p->printMethod != 7;
}

// Lists the filter plug-ins of the driver folder.
void LoadFilterPlugins(GR_PDEV* p) {
  WCHAR dir[MAX_PATH] = {};
  PlgFreePluginList(p->filterPlugins);
  p->filterPlugins = nullptr;
  p->filterChainInUse = 0;
  p->rawPluginPresent = 0;
  if (!GrGetDriverDirectory(p, p->printer, dir, MAX_PATH, FALSE)) return;
  DWORD chars = DWORD(std::char_traits<char16_t>::length(dir));
  std::vector<BYTE> ansi(2 * (chars + 1) + 2, 0);
  GrUnicodeToPrinterText(ansi.data(), dir, chars * sizeof(WCHAR), kPrinterTextMode);
  p->filterPlugins = PlgEnumPlugins(PLG_CATEGORY_FILTER, reinterpret_cast<const char*>(ansi.data()));
  if (!p->filterPlugins) return;
  p->filterChainInUse = 1;
  for (DWORD i = 0; i < p->filterPlugins->count; ++i)
    if (p->filterPlugins->entries[i]->forceRaw) p->rawPluginPresent = 1;
}

}  // namespace

BOOL GrIsValidPdev(const GR_PDEV* pdev) {
  return pdev && pdev->magic == GR_PDEV_MAGIC && pdev->magicEnd == GR_PDEV_MAGIC;
}

void GrLoadPageGeometry(GR_PDEV* p) {
  p->paperWidthDot = Opt(p, sid::rdmSrcPaperWidthDot);
  p->paperLengthDot = Opt(p, sid::rdmSrcPaperLengthDot);
  p->printWidthDot = LONG(Opt(p, sid::rdmSrcPaperPrnWidthDot));
  p->printLengthDot = LONG(Opt(p, sid::rdmSrcPaperPrnLengthDot));
  LONG res = p->resolution ? p->resolution : 600;
  p->printWidthMM10 = LONG(int64_t(p->printWidthDot) * 254 / res);
  p->printLengthMM10 = LONG(int64_t(p->printLengthDot) * 254 / res);
  p->offsetX = LONG(Opt(p, sid::rdmSrcXOffset));
  p->offsetY = LONG(Opt(p, sid::rdmSrcYOffset));
}

int GrLoadPdevSettings(GR_PDEV* p) {
  DWORD res = Opt(p, sid::dmPrintQuality);
  p->resolution = WORD(res ? res : 600);
  p->colorProcess = SHORT(Opt(p, sid::rdmColorProcess));
  p->rasterMode = SHORT(Opt(p, sid::rdmImagePrint));
  p->languageId = SHORT(Opt(p, sid::rdmLanguageID));
  p->passThrough = SHORT(Opt(p, sid::rdmJobBinder) & 1);
  if (p->passThrough) p->rasterMode = 0;
  p->colorMachine = Opt(p, sid::rdmMachineTypeColor);
  p->emfSpool = Opt(p, sid::rdmExtOutputEMFSpool);
  p->colorMode = Opt(p, sid::dmColor);
  p->copies = SHORT(Opt(p, sid::dmCopies));
  p->colorMatching = BYTE(Opt(p, sid::rdmColorMatching));
  p->icmType = BYTE(Opt(p, sid::rdmICMType));
  p->printAreaKind = SHORT(Opt(p, sid::rdmExtPrintArea));
  p->deviceFontDefault = Opt(p, sid::rdmHiddenFunc4);
  p->faceNameRule = (Opt(p, sid::rdmHiddenFunc15) || (Opt(p, sid::rdmFrontFunc) & 0x80)) ? 1 : 0;
  p->drawingSuppressed = Opt(p, sid::rdmHiddenFunc18);
  p->oneBitSurface = SHORT(Opt(p, sid::rdmHiddenFunc30));
  p->noStretchBltRop = SHORT(Opt(p, sid::rdmHiddenFunc5));
  if (p->rasterMode == 0 && p->colorProcess == 0 && Opt(p, sid::rdmHidden2Func9)) p->colorProcess = 2;
  p->hidden2Func11 = Opt(p, sid::rdmHidden2Func11);
  if (Opt(p, sid::rdmQualityFuncTextBitmapSupport))
    p->textAsBitmap = Opt(p, sid::rdmQualityFuncTextBitmap) ? 1 : 0;
  else
    p->textAsBitmap = Opt(p, sid::rdmHiddenFunc26) ? 1 : 0;
  p->printMethod = Opt(p, sid::rdmPrnMethod);
  p->takeOver = Opt(p, sid::rdmPrnFuncTakeOver) ? 1 : 0;
  GrLoadPageGeometry(p);
  p->printMethod7 = p->printMethod == 7;
  p->directImage = DirectImage(p);
  LoadFilterPlugins(p);
  const MODEL_BLOCK* model = p->settings->model ? p->settings->model : StgGetModelBlock();
  p->outputLibrary[0] = 0;
  if (model && model->spoolerLibName) {
    size_t n = std::char_traits<char16_t>::length(model->spoolerLibName);
    if (n < MAX_PATH) std::memcpy(p->outputLibrary, model->spoolerLibName, (n + 1) * sizeof(WCHAR));
  }
  p->stream.owner = p;
  return 1;
}

BOOL GrGetDriverDirectory(GR_PDEV* pdev, HANDLE printer, WCHAR* buffer, DWORD cch, BOOL withLibrary) {
  if (!GrIsValidPdev(pdev) || !buffer || !cch) return FALSE;
  buffer[0] = 0;
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  if (needed < sizeof(DRIVER_INFO_2W)) return FALSE;
  auto* info = static_cast<DRIVER_INFO_2W*>(GrHeapAlloc(pdev->heap, needed));
  if (!info) return FALSE;
  BOOL ok = FALSE;
  if (GetPrinterDriverW(printer, nullptr, 2, reinterpret_cast<BYTE*>(info), needed, &needed) && info->pDriverPath) {
    std::u16string_view path(info->pDriverPath);
    size_t cut = path.rfind(u'\\');
    if (path.size() <= GR_MAX_DRIVER_PATH && cut != std::u16string_view::npos) {
      std::u16string out(path.substr(0, cut));
      if (withLibrary) out = pdev->outputLibrary[0] ? out + u"\\" + pdev->outputLibrary : std::u16string();
      if (!out.empty() && out.size() < cch) {
        std::memcpy(buffer, out.c_str(), (out.size() + 1) * sizeof(WCHAR));
        ok = TRUE;
      }
    }
  }
  GrHeapFree(pdev->heap, info);
  return ok;
}

void GrFreePdev(GR_PDEV* pdev) {
  if (!pdev) return;
  GR_HEAP heap = pdev->heap;
  if (pdev->devmode) GrHeapFree(heap, pdev->devmode);
  pdev->devmode = nullptr;
  pdev->module = nullptr;
  if (pdev->settings) StgFreeContext(pdev->settings);
  pdev->settings = nullptr;
  pdev->magic = pdev->magicEnd = 0;
  GrHeapDestroy(heap);
}

DHPDEV DrvEnablePDEV(DEVMODEW* devmode, LPWSTR logAddress, ULONG patternCount, HSURF* patterns, ULONG gdiInfoSize,
                     ULONG* gdiInfo, ULONG devInfoSize, DEVINFO* devInfo, HDEV hdev, LPWSTR deviceName,
                     HANDLE printer) {
  GR_HEAP heap = GrHeapCreate();
  if (!heap) return nullptr;
  auto* p = static_cast<GR_PDEV*>(GrHeapAlloc(heap, sizeof(GR_PDEV)));
  if (!p) {
    GrHeapDestroy(heap);
    return nullptr;
  }
  p->heap = heap;
  p->magic = p->magicEnd = GR_PDEV_MAGIC;
  p->printer = printer;
  p->module = GrGetModuleHandle();
  bool ok = p->module != nullptr;
  DWORD error = ok ? ERROR_NOT_ENOUGH_MEMORY : ERROR_DLL_INIT_FAILED;  // no attach: the library is not set up
  if (ok) {
    p->settings = StgCreateContext(printer, printer, nullptr, STG_KIND_GRAPHICS_IN);
    ok = p->settings && StgMergeDevmode(p->settings, devmode, kMergeGraphics);
  }
  if (ok && devmode) {
    DWORD bytes = DWORD(devmode->dmSize) + devmode->dmDriverExtra;
    p->devmode = static_cast<DEVMODEW*>(GrHeapAlloc(heap, bytes));
    if (p->devmode) std::memcpy(p->devmode, devmode, bytes);
    ok = p->devmode != nullptr;
  }
  if (ok) {
    GrLoadPdevSettings(p);
    GrFillGdiInfo(p, gdiInfoSize, reinterpret_cast<GDIINFO*>(gdiInfo));
    ok = GrFillDevInfo(p, devInfoSize, devInfo);
  }
  if (ok) {
    p->fontTable = nullptr;
    if (devInfo && devInfoSize >= offsetof(DEVINFO, cFonts) + sizeof(ULONG)) devInfo->cFonts = 0;
    if (patterns)
      for (ULONG i = 0; i < patternCount; ++i) patterns[i] = nullptr;
    p->clipCache = GrCreateClipCache(p);
    ok = p->clipCache != nullptr;
  }
  if (!ok) {
    SetLastError(error);
    DrvDisablePDEV(p);
    return nullptr;
  }
  p->osVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  GetVersionExW(&p->osVersion);
  return p;
}

void DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  auto* p = static_cast<GR_PDEV*>(dhpdev);
  if (!GrIsValidPdev(p)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return;
  }
  p->hdev = hdev;
}

void DrvDisablePDEV(DHPDEV dhpdev) {
  auto* p = static_cast<GR_PDEV*>(dhpdev);
  if (!GrIsValidPdev(p)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return;
  }
  GrFreeClipCache(p, p->clipCache);
  p->clipCache = nullptr;
  if (p->palette) EngDeletePalette(p->palette);
  p->palette = nullptr;
  GrFreeFontTable(p, p->fontTable);
  p->fontTable = nullptr;
  GrReleaseColorTransform(p);  // unless a reset handed it to the new context
  PlgFreePluginList(p->filterPlugins);
  PlgFreeNameList(p->filterNames);
  p->filterPlugins = nullptr;
  p->filterNames = nullptr;
  GrFreePdev(p);
}
