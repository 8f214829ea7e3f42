// DrvResetPDEV and the DEVMODE merge of a reset within a document.
#include "gr_reset.h"

#include <algorithm>
#include <cstring>

#include "gr_hooks.h"
#include "gr_brush.h"
#include "gr_pdev.h"
#include "gr_text.h"
#include "kvplat/error.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"

namespace {

// A field of the DEVMODE by its setting; `bytes` 0 takes the setting's stored length.
struct Field {
  WORD id;
  DWORD bytes;
};

constexpr WORD kPaperSizeKept = 1024;  // the old copy's output paper that lets the paper settings follow

constexpr Field kMatchFields[] = {{sid::dmColor, 0}, {sid::dmPrintQuality, 0}, {sid::rdmFuncSelectDuplex, 0}};

constexpr Field kPageFields[] = {
    {sid::rdmExtPrintArea, 0}, {sid::dmOrientation, 0}, {sid::dmPaperSize, 0}, {sid::dmCopies, 0},
    {sid::rdmScaleH, 0},       {sid::rdmScaleV, 0},
};
constexpr Field kPaperFields[] = {
    {sid::rdmOutPaperSize, 0}, {sid::dmDefaultSource, 0}, {sid::dmMediaType, 0},
    {sid::rdmMediaType, 0},    {sid::rdmOutputTrayID, 0},
};
constexpr Field kQualityFields[] = {
    {sid::rdmImagePrint, 0},           {sid::rdmColorProcess, 0},         {sid::rdmExtOutputEMFSpool, 0},
    {sid::rdmColorMatching, 0},        {sid::rdmColorMatchingMode, 0},    {sid::rdmICMType, 0},
    {sid::rdmICMIntent, 0},            {sid::rdmAdjustMode, 0},           {sid::rdmAdjustObject, 0},
    {sid::rdmColorMode, 0},            {sid::rdmCharBlack, 0},            {sid::rdmAutoCorrectPhoto, 0},
    {sid::rdmDitherType, 0},           {sid::rdmBrightness, 0},           {sid::rdmContrast, 0},
    {sid::rdmSaturation, 0},           {sid::rdmColorBalanceR, 0},        {sid::rdmColorBalanceG, 0},
    {sid::rdmColorBalanceB, 0},        {sid::rdmPlaneUseCMYKCyan, 1},     {sid::rdmDstResolutionBoth, 0},
    {sid::rdmQualityFunc168Line, 2},   {sid::rdmUseUserMacro, 0},         {sid::rdmPrintMacro, 0},
    {sid::rdmBalanceMacro, 0},         {sid::rdmUserPrintMacro, 0},       {sid::rdmTTFont, 0},
    {sid::rdmResBorder, 0},            {sid::rdmSmoothing, 0},            {sid::rdmExtOutputprinterSide, 0},
    {sid::rdmCosmeticLine, 0},         {sid::rdmFuncSelectTonerSave, 0},  {sid::rdmTonerSave, 0},
    {sid::rdmTonerSaveDensityType, 0}, {sid::rdmTonerSaveDensityText, 0}, {sid::rdmTonerSaveDensityLine, 0},
    {sid::rdmTonerSaveDensityImage, 0},
};

constexpr WORD kJobLogItems[] = {sid::rdmUserCode,     sid::rdmOwnerName, sid::rdmJOBPassword,
                                 sid::rdmUserID,       sid::rdmDocumentName, sid::rdmTelNo,
                                 sid::rdmTelLine,      sid::rdmStoredPassword};
constexpr WORD kAuthenticationItems[] = {sid::wdmAuthenticationUserName, sid::wdmAuthenticationNetworkKey,
                                         sid::wdmAuthenticationPassword};

DWORD CopyBytes(const DEVMODEW* dm) { return DWORD(dm->dmSize) + dm->dmDriverExtra; }

// Where a field lies in a DEVMODE: false for a setting outside the DEVMODE.
bool Locate(const Field& f, DWORD* offset, DWORD* bytes) {
  const ITEM_DESC* row = StgFindItem(nullptr, f.id);
  if (!row || StgTypeBlock(row->type) != 1) return false;
  *offset = DWORD(row->offset);
  *bytes = f.bytes ? f.bytes : StgTypeLength(row->type);
  return *bytes != 0;
}

// The field's bytes in a copy of `size` bytes, or none when it lies outside.
const BYTE* At(const void* copy, DWORD size, const Field& f, DWORD* bytes) {
  DWORD offset = 0;
  if (!Locate(f, &offset, bytes) || offset > size || *bytes > size - offset) return nullptr;
  return static_cast<const BYTE*>(copy) + offset;
}

template <size_t N>
void Take(BYTE* work, DWORD workBytes, const DEVMODEW* from, const Field (&fields)[N]) {
  for (const Field& f : fields) {
    DWORD bytes = 0;
    const BYTE* src = At(from, CopyBytes(from), f, &bytes);
    BYTE* dst = const_cast<BYTE*>(At(work, workBytes, f, &bytes));
    if (src && dst) std::memcpy(dst, src, bytes);
  }
}

void CopyItem(SETTING_CONTEXT* from, SETTING_CONTEXT* to, WORD id) {
  ITEM_DESC* src = StgFindItem(from, id);
  ITEM_DESC* dst = StgFindItem(to, id);
  if (src && dst && src->type == dst->type) StgWriteValue(to, dst, StgReadValue(from, src));
}

GR_PDEV* CheckedPdev(DHPDEV dhpdev) {
  auto* p = static_cast<GR_PDEV*>(dhpdev);
  return GrIsValidPdev(p) ? p : nullptr;
}

}  // namespace

BOOL GrResetFieldsMatch(const DEVMODEW* oldCopy, const DEVMODEW* newCopy) {
  if (!oldCopy || !newCopy) return FALSE;
  for (const Field& f : kMatchFields) {
    DWORD bytes = 0;
    const BYTE* a = At(oldCopy, CopyBytes(oldCopy), f, &bytes);
    const BYTE* b = At(newCopy, CopyBytes(newCopy), f, &bytes);
    if (!a || !b || std::memcmp(a, b, bytes) != 0) return FALSE;
  }
  return TRUE;
}

void GrTakePageSettings(BYTE* work, DWORD workBytes, const DEVMODEW* newCopy) {
  if (!work || !newCopy) return;
  Take(work, workBytes, newCopy, kPageFields);
  DWORD bytes = 0;
  const BYTE* out = At(work, workBytes, kPaperFields[0], &bytes);
  DWORD outPaper = 0;
  if (out) std::memcpy(&outPaper, out, std::min<DWORD>(bytes, sizeof outPaper));
  if (outPaper == kPaperSizeKept) Take(work, workBytes, newCopy, kPaperFields);
  Take(work, workBytes, newCopy, kQualityFields);
}

BOOL GrMergeResetDevmode(const DEVMODEW* oldCopy, DEVMODEW* newCopy) {
  if (!oldCopy || !newCopy || !GrResetFieldsMatch(oldCopy, newCopy)) return FALSE;
  DWORD oldBytes = CopyBytes(oldCopy);
  DWORD newBytes = CopyBytes(newCopy);
  DWORD workBytes = std::max(oldBytes, StgGetDevmodeSize());
  auto* work = static_cast<BYTE*>(StgAllocZero(workBytes));
  if (!work) return FALSE;
  std::memcpy(work, oldCopy, oldBytes);
  GrTakePageSettings(work, workBytes, newCopy);
  WORD size = newCopy->dmSize, extra = newCopy->dmDriverExtra;
  std::memcpy(newCopy, work, std::min(oldBytes, newBytes));
  newCopy->dmSize = size;
  newCopy->dmDriverExtra = extra;
  StgFree(work);
  return TRUE;
}

void GrCopyJobLogItems(SETTING_CONTEXT* from, SETTING_CONTEXT* to) {
  if (!from || !to) return;
  for (WORD id : kJobLogItems) CopyItem(from, to, id);
  if (StgIsModelFeatureOn(from, 0, 0))
    for (WORD id : kAuthenticationItems) CopyItem(from, to, id);
}

// Moves the running document of `oldPdev` to `newPdev`. TRUE also when no document runs (nothing moves);
// FALSE with ERROR_INVALID_PARAMETER for an invalid context, FALSE when the old stream cannot be flushed
// or the job name cannot be copied.
BOOL DrvResetPDEV(DHPDEV oldPdev, DHPDEV newPdev) {
  GR_PDEV* from = CheckedPdev(oldPdev);
  GR_PDEV* to = CheckedPdev(newPdev);
  if (!from || !to || from == to) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!(from->state & GR_STATE_DOC_STARTED)) return TRUE;
  to->pageCount = from->pageCount;
  from->state |= GR_STATE_TAKEN_OVER;
  to->state |= GR_STATE_TAKEN_OVER | GR_STATE_DOC_STARTED;
  to->jobId = from->jobId;
  if (!ZsFlush(&from->stream)) return FALSE;

  // The binding moves: the old context forgets it, so that nothing it does later closes the output.
  to->stream.module = from->stream.module;
  to->stream.output = from->stream.output;
  to->stream.write = from->stream.write;
  to->filterChainInUse = from->filterChainInUse;
  to->filterInterface = from->filterInterface;
  to->filterGetInterface = from->filterGetInterface;
  to->filterDisposeInterface = from->filterDisposeInterface;
  from->stream.module = nullptr;
  from->stream.output = nullptr;
  from->stream.write = nullptr;
  from->filterInterface = nullptr;
  from->filterGetInterface = nullptr;
  from->filterDisposeInterface = nullptr;

  GrHeapFree(to->heap, to->jobName);
  to->jobName = nullptr;
  to->jobNameBytes = 0;
  if (from->jobName) {
    DWORD bytes = DWORD(std::max<SHORT>(from->jobNameBytes, 0));
    to->jobName = static_cast<char*>(GrHeapAlloc(to->heap, bytes + 2));
    if (!to->jobName) return FALSE;
    std::memcpy(to->jobName, from->jobName, bytes);
    to->jobNameBytes = SHORT(bytes);
  }
  GrHandOverColorTransform(from, to);

  if (to->rasterMode) GrCopyJobLogItems(from->settings, to->settings);
  GrFreeGlyphCache(from);
  to->glyphCache.generation = from->glyphCache.generation;
  to->takeOver = from->takeOver;
  if (to->takeOver && GrMergeResetDevmode(from->devmode, to->devmode)) {
    to->passThrough = from->passThrough;
    to->printMethod = from->printMethod;
  }
  return TRUE;
}
