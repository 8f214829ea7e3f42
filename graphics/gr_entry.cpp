// Entry points of the graphics library: load and unload, driver information and the hook table.
#include <cstring>

#include "driverdata/img_image.h"
#include "gr_builds.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "kvplat/error.h"
#include "settings/context.h"

namespace {

HMODULE g_module = nullptr;  // kept at process attach

#define GR_HOOK(index, fn) DRVFN{index, reinterpret_cast<PFN>(&fn)}

}  // namespace

const DRVFN GR_HOOK_TABLE[30] = {
    GR_HOOK(INDEX_DrvEnablePDEV, DrvEnablePDEV),
    GR_HOOK(INDEX_DrvDisablePDEV, DrvDisablePDEV),
    GR_HOOK(INDEX_DrvCompletePDEV, DrvCompletePDEV),
    GR_HOOK(INDEX_DrvResetPDEV, DrvResetPDEV),
    GR_HOOK(INDEX_DrvEnableSurface, DrvEnableSurface),
    GR_HOOK(INDEX_DrvDisableSurface, DrvDisableSurface),
    GR_HOOK(INDEX_DrvStartPage, DrvStartPage),
    GR_HOOK(INDEX_DrvSendPage, DrvSendPage),
    GR_HOOK(INDEX_DrvStartDoc, DrvStartDoc),
    GR_HOOK(INDEX_DrvEndDoc, DrvEndDoc),
    GR_HOOK(INDEX_DrvStartBanding, DrvStartBanding),
    GR_HOOK(INDEX_DrvNextBand, DrvNextBand),
    GR_HOOK(INDEX_DrvBitBlt, DrvBitBlt),
    GR_HOOK(INDEX_DrvStretchBlt, DrvStretchBlt),
    GR_HOOK(INDEX_DrvStrokePath, DrvStrokePath),
    GR_HOOK(INDEX_DrvFillPath, DrvFillPath),
    GR_HOOK(INDEX_DrvStrokeAndFillPath, DrvStrokeAndFillPath),
    GR_HOOK(INDEX_DrvRealizeBrush, DrvRealizeBrush),
    GR_HOOK(INDEX_DrvEscape, DrvEscape),
    GR_HOOK(INDEX_DrvGetGlyphMode, DrvGetGlyphMode),
    GR_HOOK(INDEX_DrvDitherColor, DrvDitherColor),
    GR_HOOK(INDEX_DrvCopyBits, DrvCopyBits),
    GR_HOOK(INDEX_DrvQueryFont, DrvQueryFont),
    GR_HOOK(INDEX_DrvQueryFontData, DrvQueryFontData),
    GR_HOOK(INDEX_DrvQueryFontTree, DrvQueryFontTree),
    GR_HOOK(INDEX_DrvIcmCreateColorTransform, DrvIcmCreateColorTransform),
    GR_HOOK(INDEX_DrvIcmDeleteColorTransform, DrvIcmDeleteColorTransform),
    GR_HOOK(INDEX_DrvStretchBltROP, DrvStretchBltROP),
    GR_HOOK(INDEX_DrvQueryAdvanceWidths, DrvQueryAdvanceWidths),
    GR_HOOK(INDEX_DrvTextOut, DrvTextOut),
};

HMODULE GrGetModuleHandle() { return g_module; }

KVAPI BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == 1) {
    g_module = module;
    GrFillLibraryHooks();  // before any other call into the library
    StgInitLibraryLocks();
  } else if (reason == 0) {
    ImgFreeCache();
    StgPurgeContextCache(1);
    StgFreeLibraryLocks();
  }
  return TRUE;
}

KVAPI BOOL DrvQueryDriverInfo(DWORD query, void* buffer, DWORD size, DWORD* needed) {
  if (query != DRVQUERY_USERMODE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (needed) *needed = sizeof(DWORD);
  if (!buffer || size < sizeof(DWORD)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  DWORD one = 1;
  std::memcpy(buffer, &one, sizeof(one));
  return TRUE;
}

KVAPI BOOL DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data) {
  if (engineVersion < GR_MIN_ENGINE_VERSION) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return FALSE;
  }
  if (size < sizeof(DRVENABLEDATA) || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  data->iDriverVersion = GR_DRIVER_VERSION;
  data->c = 30;
  data->pdrvfn = const_cast<DRVFN*>(GR_HOOK_TABLE);
  StgInitLibraryLocks();
  return TRUE;
}

KVAPI void DrvDisableDriver() {}
