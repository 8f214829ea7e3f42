// Least bodies of the graphics library's operations that later work fills in: the job and page hooks,
// the drawing hooks, the drawing state, images and text conversion.
#include "gr_heap.h"
#include "gr_hooks.h"
#include "gr_image.h"
#include "gr_jobctl.h"
#include "gr_path.h"
#include "gr_pdev.h"
#include "gr_state.h"
#include "gr_text.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvseam.h"

KV_SEAM(DrvResetPDEV) BOOL DrvResetPDEV(DHPDEV, DHPDEV) { return FALSE; }
KV_SEAM(DrvStretchBlt) BOOL DrvStretchBlt(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*,
                           POINTL*, ULONG) { return FALSE; }
KV_SEAM(DrvRealizeBrush) BOOL DrvRealizeBrush(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) { return FALSE; }
KV_SEAM(DrvEscape) ULONG DrvEscape(SURFOBJ*, ULONG, ULONG, void*, ULONG, void*) { return 0; }
KV_SEAM(DrvDitherColor) ULONG DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*) { return 0; }
KV_SEAM(DrvIcmCreateColorTransform) HANDLE DrvIcmCreateColorTransform(DHPDEV, LOGCOLORSPACEW*, void*, ULONG, void*, ULONG, void*, ULONG, DWORD) {
  return nullptr;
}
KV_SEAM(DrvIcmDeleteColorTransform) BOOL DrvIcmDeleteColorTransform(DHPDEV, HANDLE) { return FALSE; }
KV_SEAM(DrvStretchBltROP) BOOL DrvStretchBltROP(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*,
                              POINTL*, ULONG, BRUSHOBJ*, DWORD) { return FALSE; }

KV_SEAM(GrJcImportJobItemsIfOn) void GrJcImportJobItemsIfOn(SETTING_CONTEXT*, HANDLE, DWORD) {}
