// Document and page hooks: the output binding of a job (spooler output library or a filter plug-in
// chain), the job's settings, and the blocks that frame the job and each page in the ZARN stream.
#include "gr_job.h"

#include <cstring>
#include <string>

#include "config/bidi_state.h"
#include "config/device_settings.h"
#include "config/ini.h"
#include "config/paths.h"
#include "settings/paper_geometry.h"
#include "devlink/plugins.h"
#include "driverdata/rule_eval.h"
#include "gr_builds.h"
#include "gr_hooks.h"
#include "gr_jobctl.h"
#include "gr_pdev.h"
#include "gr_text.h"
#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

constexpr DWORD kMergeJob = 0x20008;
constexpr DWORD kPrinterTextMode = 128;
constexpr WORD kPreviewPrintHook = 1420;
constexpr DWORD kEventJobSettings = 37;
constexpr char kJobNamePrefix[] = "@PJL SET JOBNAME = \"";
static_assert(sizeof kJobNamePrefix - 1 == GR_JOB_NAME_PREFIX_BYTES);
static_assert(sizeof(GR_FIT_SLOTS) <= sizeof(CONTEXT_WORK_AREA::reserved41), "fit slots fit the graphics area");

typedef HANDLE (*PFN_SplStartDoc)(HANDLE printer, DWORD jobId);
typedef BOOL (*PFN_SplHandle)(HANDLE output);

GR_PDEV* Of(SURFOBJ* so) { return so ? static_cast<GR_PDEV*>(so->dhpdev) : nullptr; }

GR_PDEV* Checked(SURFOBJ* so) {
  GR_PDEV* p = Of(so);
  if (GrIsValidPdev(p)) return p;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

DWORD Get(SETTING_CONTEXT* ctx, WORD id) { return DWORD(StgGetValue(ctx, id, nullptr)); }

template <typename F>
F Export(HMODULE module, const char* name) {
  return module ? reinterpret_cast<F>(GetProcAddress(module, name)) : nullptr;
}

// Calls a handle-only entry of the output library when it exports it.
void CallLibrary(GR_PDEV* p, const char* name) {
  if (p->filterInterface) return;
  if (auto f = Export<PFN_SplHandle>(p->stream.module, name)) f(p->stream.output);
}

bool IsControl(BYTE c) { return c < 0x20 || c == 0x7F; }

bool PassThroughFirstPage(const GR_PDEV* p) { return p->passThrough && p->pageCount == 1; }

void FreeJobName(GR_PDEV* p) {
  GrHeapFree(p->heap, p->jobName);
  p->jobName = nullptr;
  p->jobNameBytes = 0;
}

void DropFilters(GR_PDEV* p) {
  PlgFreePluginList(p->filterPlugins);
  PlgFreeNameList(p->filterNames);
  p->filterPlugins = nullptr;
  p->filterNames = nullptr;
  p->filterChainInUse = 0;
}

// Wide text into a private-heap block of printer bytes (2 * (characters + 1) bytes, zero-terminated).
char* PrinterText(GR_PDEV* p, const WCHAR* text, DWORD* bytesOut) {
  DWORD chars = GrWideLength(text);
  if (chars > 0x3FFFFFF0u) return nullptr;
  auto* block = static_cast<BYTE*>(GrHeapAlloc(p->heap, 2 * (chars + 1)));
  if (!block) return nullptr;
  int n = chars ? GrUnicodeToPrinterText(block, text, chars * DWORD(sizeof(WCHAR)), kPrinterTextMode) : 0;
  *bytesOut = n > 0 ? DWORD(n) : 0;
  return reinterpret_cast<char*>(block);
}

// Loads the output: the first library of the filter chain, or the spooler output library. FALSE when
// nothing could be bound; then nothing stays loaded.
BOOL BindOutput(GR_PDEV* p, DWORD jobId) {
  WCHAR path[MAX_PATH] = {};
  if (!GrGetDriverDirectory(p, p->printer, path, MAX_PATH, TRUE)) {
    DropFilters(p);
    return FALSE;
  }
  HMODULE module = nullptr;
  if (p->filterPlugins) {
    PlgFreeNameList(p->filterNames);
    p->filterNames = nullptr;
    DWORD bytes = 0;
    char* mbPath = PrinterText(p, path, &bytes);
    if (mbPath) p->filterNames = GrBuildFilterChain(p->filterPlugins, mbPath);
    GrHeapFree(p->heap, mbPath);
    if (!p->filterNames) DropFilters(p);
  }
  if (p->filterNames) {
    module = LoadLibraryA(p->filterNames->names[0]);
    if (!module) DropFilters(p);  // a plug-in that is not there: print through the output library
  }
  bool filters = module != nullptr;
  if (!module) module = LoadLibraryW(path);
  p->stream.module = module;
  if (filters) {
    if (!GrBindFilterPlugin(p) || !p->filterInterface) {
      DropFilters(p);
      GrUnbindOutput(p);
      return FALSE;
    }
    p->stream.write = p->filterInterface->WritePrinter;
    HANDLE output = nullptr;
    if (!p->filterInterface->Open || !p->filterInterface->Open(&output, p->filterNames->names)) {
      GrUnbindOutput(p);
      return FALSE;
    }
    p->stream.output = output;
    if (p->filterInterface->StartDoc) p->filterInterface->StartDoc(output, p->printer, jobId);
    return TRUE;
  }
  if (!module) return FALSE;
  p->stream.write = Export<PFN_ZS_WRITE>(module, "DrvSplWritePrinter");
  auto start = Export<PFN_SplStartDoc>(module, "DrvSplStartDocEx");
  if (!start) start = Export<PFN_SplStartDoc>(module, "DrvSplStartDoc");
  if (start) p->stream.output = start(p->printer, jobId);
  return TRUE;
}

// The job's name: the spooled job's document name when EMF spooling is on and it has one, else the
// caller's.
void TakeJobName(GR_PDEV* p, const WCHAR* docName) {
  const WCHAR* name = docName;
  JOB_INFO_2W* job = nullptr;
  if (p->emfSpool) {
    DWORD needed = 0;
    GetJobW(p->printer, p->jobId, 2, nullptr, 0, &needed);
    if (needed >= sizeof(JOB_INFO_2W)) job = static_cast<JOB_INFO_2W*>(GrHeapAlloc(p->heap, needed));
    if (job && GetJobW(p->printer, p->jobId, 2, reinterpret_cast<BYTE*>(job), needed, &needed) && job->pDocument &&
        job->pDocument[0])
      name = job->pDocument;
  }
  if (name) {
    DWORD bytes = 0;
    p->jobName = PrinterText(p, name, &bytes);
    p->jobNameBytes = SHORT(bytes > 0x7FFF ? 0x7FFF : bytes);
  }
  GrHeapFree(p->heap, job);
}

// Block 243 with the job-name line. FALSE when the line cannot be built or written.
BOOL WriteJobName(GR_PDEV* p) {
  const DWORD room = GR_JOB_NAME_LINE_MAX - GR_JOB_NAME_PREFIX_BYTES - 3;  // 232 bytes of name
  auto* line = static_cast<char*>(GrHeapAlloc(p->heap, GR_JOB_NAME_LINE_MAX + 1));
  if (!line) return FALSE;
  std::memcpy(line, kJobNamePrefix, GR_JOB_NAME_PREFIX_BYTES);
  DWORD n = GR_JOB_NAME_PREFIX_BYTES;
  UINT acp = GetACP();
  DWORD total = DWORD(p->jobNameBytes);
  for (DWORD i = 0; i < total && n - GR_JOB_NAME_PREFIX_BYTES < room;) {
    BYTE c = BYTE(p->jobName[i]);
    BYTE next = i + 1 < total ? BYTE(p->jobName[i + 1]) : 0;
    if (IsDBCSLeadByteEx(acp, c) && i + 1 < total && !IsControl(next)) {
      if (n - GR_JOB_NAME_PREFIX_BYTES + 2 > room) break;  // only the lead byte would fit
      line[n++] = char(c);
      line[n++] = p->jobName[i + 1];
      i += 2;
      continue;
    }
    // The name must stay inside its one quoted line: a quote would end it, and a line end, an escape
    // or any other control character would let the name carry printer commands of its own.
    line[n++] = c == '"' ? '\'' : IsControl(c) || IsDBCSLeadByteEx(acp, c) ? ' ' : char(c);
    ++i;
  }
  line[n++] = '"';
  line[n++] = '\r';
  line[n++] = '\n';
  BOOL ok = ZsWriteBlock(&p->stream, ZS_BLOCK_JOB_HEADER, line, n);
  GrHeapFree(p->heap, line);
  return ok;
}

// Block 247 with the context's DEVMODE as the user set it: the fit slots are restored around it.
BOOL WritePreviewDevmode(GR_PDEV* p) {
  SETTING_CONTEXT* ctx = p->settings;
  DWORD front = Get(ctx, sid::rdmFrontFunc);
  GR_FIT_SLOTS* slots = GrFitSlots(ctx);
  bool restoreA = (front & 0x8) && slots && slots->a.saved;
  bool restoreB = (front & 0x20) && slots && slots->b.saved;
  if (front & 0x8) GrRestoreFitValues(ctx);
  if (front & 0x20) GrRestoreFitValuesAlt(ctx);
  const DEVMODEW* dm = StgGetDevmode(ctx);
  BOOL ok = FALSE;
  if (dm) {
    DWORD own = DWORD(dm->dmSize) + dm->dmDriverExtra;
    DWORD size = own > StgGetDevmodeSize() ? own : StgGetDevmodeSize();
    auto* copy = static_cast<BYTE*>(GrHeapAlloc(p->heap, size));
    if (copy) {
      std::memcpy(copy, dm, own);
      ok = ZsWriteBlock(&p->stream, ZS_BLOCK_DEVMODE, copy, size);
      GrHeapFree(p->heap, copy);
    }
  }
  if (restoreA) {
    GrApplyStandardPaperFit(ctx);
    if (slots) slots->a.saved = 0;
  }
  if (restoreB) {
    GrApplyStandardPaperFitAlt(ctx);
    if (slots) slots->b.saved = 0;
  }
  return ok;
}

bool DuplexOutsideRange(SETTING_CONTEXT* ctx) {
  DWORD type = Get(ctx, sid::rdmDuplexType);
  return Get(ctx, sid::rdmFuncSelectDuplex) && (type < 1 || type > 3);
}

void Save(SETTING_CONTEXT* ctx, GR_FIT_SLOT* slot) {
  slot->outPaperSize = Get(ctx, sid::rdmOutPaperSize);
  slot->scale = Get(ctx, sid::rdmFuncSelectScale);
  slot->scaleType = Get(ctx, sid::rdmScaleType);
  slot->saved = 1;
}

void Restore(SETTING_CONTEXT* ctx, const GR_FIT_SLOT* slot) {
  if (!slot || !slot->saved) return;
  StgSetValue(ctx, sid::rdmOutPaperSize, slot->outPaperSize);
  StgSetValue(ctx, sid::rdmFuncSelectScale, slot->scale);
  StgSetValue(ctx, sid::rdmScaleType, slot->scaleType);
}

bool FitPaperApplies(SETTING_CONTEXT* ctx) {
  DWORD out = Get(ctx, sid::rdmOutPaperSize);
  return out >= 1024 && out <= 1028;
}

void ApplyFitPaper(SETTING_CONTEXT* ctx) {
  DWORD paper = StgGetFitPaper(ctx);
  StgSetValue(ctx, sid::rdmOutPaperSize, paper);
  StgApplySourcePaper(paper, sid::rdmOutPaperSize, ctx, StgGetDevmode(ctx));
}

}  // namespace

GR_FIT_SLOTS* GrFitSlots(SETTING_CONTEXT* context) {
  return context && context->work ? reinterpret_cast<GR_FIT_SLOTS*>(context->work->reserved41) : nullptr;
}

NAME_LIST* GrBuildFilterChain(const PLUGIN_LIST* plugins, const char* outputLibrary) {
  if (!plugins || !outputLibrary) return nullptr;
  auto* list = static_cast<NAME_LIST*>(StgAllocZero(sizeof(NAME_LIST)));
  if (!list) return nullptr;
  list->names = static_cast<char**>(StgAllocZero(DWORD(sizeof(char*) * (plugins->count + 2))));
  bool ok = list->names != nullptr;
  auto add = [&](const char* text) {
    size_t n = std::strlen(text);
    auto* copy = static_cast<char*>(StgAllocZero(DWORD(n + 1)));
    if (!copy) return false;
    std::memcpy(copy, text, n);
    list->names[list->count++] = copy;
    return true;
  };
  for (DWORD i = 0; ok && i < plugins->count; ++i)
    if (plugins->entries[i] && plugins->entries[i]->installPath) ok = add(plugins->entries[i]->installPath);
  ok = ok && add(outputLibrary);
  if (!ok) {
    PlgFreeNameList(list);
    return nullptr;
  }
  ++list->count;  // the null entry that ends the array
  return list;
}

BOOL GrBindFilterPlugin(GR_PDEV* p) {
  p->filterInterface = nullptr;
  p->filterGetInterface = nullptr;
  p->filterDisposeInterface = nullptr;
  HMODULE module = p->stream.module;
  if (!module) return FALSE;
  p->filterGetInterface = Export<PFN_IZARNGetInterface>(module, "IZARNGetInterface");
  if (!p->filterGetInterface) return FALSE;
  p->filterDisposeInterface = Export<PFN_IZARNDisposeInterface>(module, "IZARNDisposeInterface");
  return p->filterGetInterface(GR_FILTER_REQUEST, &p->filterInterface) != 0;
}

void GrUnbindOutput(GR_PDEV* p) {
  if (p->filterInterface && p->filterDisposeInterface) p->filterDisposeInterface(p->filterInterface);
  p->filterInterface = nullptr;
  p->filterGetInterface = nullptr;
  p->filterDisposeInterface = nullptr;
  if (p->stream.module) FreeLibrary(p->stream.module);
  p->stream.module = nullptr;
  p->stream.output = nullptr;
  p->stream.write = nullptr;
}

void GrApplyStandardPaperFit(SETTING_CONTEXT* ctx) {
  GR_FIT_SLOTS* slots = GrFitSlots(ctx);
  if (!slots || !FitPaperApplies(ctx)) return;
  if (!StgNeedsFitPaper(ctx)) {
    slots->a.saved = 0;
    return;
  }
  Save(ctx, &slots->a);
  ApplyFitPaper(ctx);
  if (Get(ctx, sid::rdmFuncSelectNup) == 0 && !DuplexOutsideRange(ctx)) {
    StgSetValue(ctx, sid::rdmFuncSelectScale, 1);
    StgSetValue(ctx, sid::rdmScaleType, 2);
  }
}

void GrApplyStandardPaperFitAlt(SETTING_CONTEXT* ctx) {
  GR_FIT_SLOTS* slots = GrFitSlots(ctx);
  if (!slots || !FitPaperApplies(ctx)) return;
  if (StgNeedsFitPaper(ctx)) {
    slots->b.saved = 0;
    return;
  }
  Save(ctx, &slots->b);
  if (!StgIsResolutionListId(ctx, Get(ctx, sid::dmPaperSize))) return;
  ApplyFitPaper(ctx);
  bool scaleOther = Get(ctx, sid::rdmFuncSelectScale) && Get(ctx, sid::rdmScaleType) != 2;
  if (Get(ctx, sid::rdmFuncSelectNup) == 0 && !DuplexOutsideRange(ctx) && !scaleOther) {
    StgSetValue(ctx, sid::rdmFuncSelectScale, 1);
    StgSetValue(ctx, sid::rdmScaleType, 1);
  }
}

void GrRestoreFitValues(SETTING_CONTEXT* ctx) {
  GR_FIT_SLOTS* slots = GrFitSlots(ctx);
  if (slots) Restore(ctx, &slots->a);
}

void GrRestoreFitValuesAlt(SETTING_CONTEXT* ctx) {
  GR_FIT_SLOTS* slots = GrFitSlots(ctx);
  if (slots) Restore(ctx, &slots->b);
}

void GrApplyJobSettingRules(SETTING_CONTEXT* ctx) {
  const DEVMODEW* dm = StgGetDevmode(ctx);
  if (!dm) return;
  if (!(dm->dmFields & DM_COLLATE))
    StgSetValue(ctx, sid::rdmFuncSelectSort, 0);
  else if (dm->dmCollate == 1)
    StgSetValue(ctx, sid::rdmFuncSelectSort, 1);
  DWORD front = Get(ctx, sid::rdmFrontFunc);
  if (front & 0x8) GrApplyStandardPaperFit(ctx);
  if (front & 0x20) GrApplyStandardPaperFitAlt(ctx);
  StgBroadcastModuleEvent(ctx, kEventJobSettings, nullptr);
}

int GrPrepareJobSettings(SETTING_CONTEXT* ctx, const DEVMODEW* devmode, DWORD mergeFlags, HANDLE printer,
                         DWORD jobId) {
  // The job-log texts that escapes set before the document started survive the reload.
  struct Kept {
    WORD id;
    size_t maxChars;
    std::u16string text;
    bool keep;
  } kept[] = {
      {sid::rdmUserID, 8, {}, false},       {sid::rdmUserCode, 8, {}, false},
      {sid::rdmJOBPassword, 8, {}, false},  {sid::rdmStoredPassword, 8, {}, false},
      {sid::rdmOwnerName, 16, {}, false},   {sid::rdmDocumentName, 16, {}, false},
      {sid::rdmTelNo, 64, {}, false},
  };
  WCHAR buf[1025];
  for (Kept& k : kept) {
    ITEM_DESC* row = nullptr;
    StgGetValue(ctx, k.id, &row);
    buf[0] = 0;
    if (row && StgGetString(ctx, row, buf)) {
      k.text = buf;
      k.keep = !k.text.empty() && k.text.size() <= k.maxChars;
    }
  }
  uint64_t telLine = StgGetValue(ctx, sid::rdmTelLine, nullptr);

  CfgLoadSettingClass(printer, ctx, -1, 0);
  CfgLoadSettingClass(printer, ctx, 3, 2);
  if (BidiIniFlagSet(ctx)) BidiLoadIniSettings(ctx);
  StgMergeDevmode(ctx, devmode, mergeFlags);
  GrApplyJobSettingRules(ctx);
  GrSetBiDirectFromFlag(ctx);

  for (Kept& k : kept) {
    ITEM_DESC* row = nullptr;
    StgGetValue(ctx, k.id, &row);
    if (k.keep && row) StgSetString(ctx, row, k.text.c_str());
  }
  StgSetValue(ctx, sid::rdmTelLine, telLine);
  GrJcImportJobItemsIfOn(ctx, printer, jobId);
  StgSetValue(ctx, sid::rdmFunc2SelectPreviewFlag, 1);
  return 1;
}

BOOL DrvStartDoc(SURFOBJ* so, LPWSTR docName, DWORD jobId) {
  GR_PDEV* p = Checked(so);
  if (!p) return FALSE;
  SETTING_CONTEXT* ctx = p->settings;
  if (jobId) p->jobId = jobId;
  GrPrepareJobSettings(ctx, p->devmode, kMergeJob, p->printer, p->jobId);
  p->apiUse = Get(ctx, sid::rdmAPIUseFlag);
  p->previewPrint = RuleGetCoreHook(ctx, kPreviewPrintHook);
  if (p->apiUse || p->previewPrint) p->directImage = 0;
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPrinterName(ctx);
  if (ini && section && DWORD(CfgIniGetInt(section, u"PrnMethod", 0, ini)) != Get(ctx, sid::rdmPrnMethod) &&
      !StgMergeDevmode(ctx, nullptr, kMergeJob))
    return FALSE;
  bool takenOver = p->state & GR_STATE_TAKEN_OVER;
  if (!takenOver && !BindOutput(p, p->jobId)) return FALSE;
  p->state |= GR_STATE_DOC_STARTED;
  if (!takenOver) {
    p->pageCount = 0;
    p->state &= ~GR_STATE_PAGE_OPEN;
  }
  FreeJobName(p);
  TakeJobName(p, docName);
  return TRUE;
}

namespace {

// The blocks that open a page: on the first page (or after a take-over) the job header, the job name
// and the preview DEVMODE, then the page header and the page-start record. false when one cannot be
// built or written.
bool StartPageOutput(GR_PDEV* p) {
  ZARN_STREAM* s = &p->stream;
  bool takenOver = p->state & GR_STATE_TAKEN_OVER;
  if (p->pageCount == 1 || takenOver) {
    p->state &= ~GR_STATE_TAKEN_OVER;
    ZsFreeChunks(s);
    ZsReset(s);
    if (!ZsWriteJobHeader(s, p->settings)) return false;
    if (p->pageCount == 1 && !takenOver && p->jobName && !WriteJobName(p)) return false;
    if (p->previewPrint && !WritePreviewDevmode(p)) return false;
  }
  if (!PassThroughFirstPage(p) && !ZsWritePageHeader(s, p->settings)) return false;
  GrResetDrawState(p);
  return PassThroughFirstPage(p) ||
         ZsPutPageStart(s, DWORD(p->printWidthDot), DWORD(p->printLengthDot), p->resolution, p->resolution);
}

}  // namespace

BOOL DrvStartPage(SURFOBJ* so) {
  GR_PDEV* p = Checked(so);
  if (!p) return FALSE;
  p->startPageSeen = 1;
  if (p->filterInterface) {
    if (p->filterInterface->StartPage) p->filterInterface->StartPage(p->stream.output);
  } else {
    CallLibrary(p, "DrvSplStartPage");
  }
  if (p->state & GR_STATE_OUTPUT_ERROR) return FALSE;
  if (p->state & GR_STATE_PAGE_OPEN) return TRUE;
  p->state |= GR_STATE_PAGE_OPEN;
  ++p->pageCount;
  if (StartPageOutput(p)) return TRUE;
  // A page whose start did not go out whole cannot be finished: the job fails from here on.
  p->state |= GR_STATE_OUTPUT_ERROR;
  return FALSE;
}

BOOL DrvSendPage(SURFOBJ* so) {
  GR_PDEV* p = Checked(so);
  if (!p) return FALSE;
  GrFreeGlyphCache(p);
  if (p->filterInterface) {
    if (p->filterInterface->EndPage && !p->filterInterface->EndPage(p->stream.output)) return FALSE;
  } else {
    CallLibrary(p, "DrvSplEndPage");
  }
  ZARN_STREAM* s = &p->stream;
  bool framed = !PassThroughFirstPage(p);
  // A page with an output error (its start not sent, or a record cut) gets no page end or trailer: it
  // is not reported as printed.
  BOOL ok = !(p->state & GR_STATE_OUTPUT_ERROR);
  ok = ok && (!framed || ZsPutPageEnd(s) != nullptr);
  ok = ok && ZsFlush(s);
  ok = ok && (!framed || ZsWritePageTrailer(s, p->settings));
  if (!(p->state & GR_STATE_PAGE_OPEN)) ++p->pageCount;
  p->state &= ~GR_STATE_PAGE_OPEN;
  return ok;
}

BOOL DrvEndDoc(SURFOBJ* so, FLONG) {
  GR_PDEV* p = Checked(so);
  if (!p) return FALSE;
  ZARN_FILTER_INTERFACE* f = p->filterInterface;
  if (f) {
    if (f->EndDoc) f->EndDoc(p->stream.output);
    if (f->Close) f->Close(p->stream.output);
  } else {
    CallLibrary(p, "DrvSplEndDoc");
    CallLibrary(p, "DrvSplClose");
  }
  GrUnbindOutput(p);
  ZsFreeChunks(&p->stream);
  ZsReset(&p->stream);
  FreeJobName(p);
  p->state &= ~(GR_STATE_DOC_STARTED | GR_STATE_TAKEN_OVER);
  return TRUE;
}
