// Document and page control of the graphics library: binding the output (spooler output library or a
// chain of filter plug-ins), the job's settings, and the framing of a job's pages in the ZARN stream.
#pragma once
#include <cstddef>

#include "kvplat/devmode.h"
#include "kvplat/types.h"

struct GR_PDEV;
struct PLUGIN_LIST;
struct NAME_LIST;
struct SETTING_CONTEXT;

// The table a filter plug-in hands out; a contract with the plug-in, laid out without padding.
#pragma pack(push, 1)
struct ZARN_FILTER_INTERFACE {
  DWORD reserved;  // the plug-in's own
  BOOL (*Open)(HANDLE* output, char** names);
  void (*Close)(HANDLE output);
  void (*StartDoc)(HANDLE output, HANDLE printer, DWORD jobId);
  void (*EndDoc)(HANDLE output);
  void (*StartPage)(HANDLE output);
  BOOL (*EndPage)(HANDLE output);
  BOOL (*WritePrinter)(HANDLE output, const void* bytes, DWORD length, DWORD* written);
};
#pragma pack(pop)
static_assert(sizeof(ZARN_FILTER_INTERFACE) == 60);
static_assert(offsetof(ZARN_FILTER_INTERFACE, Open) == 4 && offsetof(ZARN_FILTER_INTERFACE, Close) == 12 &&
              offsetof(ZARN_FILTER_INTERFACE, StartDoc) == 20 && offsetof(ZARN_FILTER_INTERFACE, EndDoc) == 28 &&
              offsetof(ZARN_FILTER_INTERFACE, StartPage) == 36 && offsetof(ZARN_FILTER_INTERFACE, EndPage) == 44 &&
              offsetof(ZARN_FILTER_INTERFACE, WritePrinter) == 52);

constexpr DWORD GR_FILTER_REQUEST = 256;       // what the driver asks IZARNGetInterface for
constexpr DWORD GR_JOB_NAME_LINE_MAX = 255;    // bytes of the job-name line
constexpr DWORD GR_JOB_NAME_PREFIX_BYTES = 20;  // "@PJL SET JOBNAME = \""

// The standard-paper fit's save slots, kept in the graphics part of the context's work area.
struct GR_FIT_SLOT {
  DWORD saved;
  DWORD outPaperSize, scale, scaleType;
};
struct GR_FIT_SLOTS {
  GR_FIT_SLOT a, b;
};
// The slots of a context (none without a work area).
GR_FIT_SLOTS* GrFitSlots(SETTING_CONTEXT* context);

// The name list of a filter chain: each plug-in's install path in list order, then the output library's
// path, then a null entry (counted). None when memory runs out (nothing left allocated).
NAME_LIST* GrBuildFilterChain(const PLUGIN_LIST* plugins, const char* outputLibrary);
// Looks up the plug-in's interface exports in the loaded module and asks for its table. FALSE when no
// module is loaded, IZARNGetInterface is missing or refuses.
BOOL GrBindFilterPlugin(GR_PDEV* pdev);
// Reloads the printer's stored settings under the job's DEVMODE while keeping the job-log texts, applies
// the job's setting rules and imports the job items. Returns 1.
int GrPrepareJobSettings(SETTING_CONTEXT* context, const DEVMODEW* devmode, DWORD mergeFlags, HANDLE printer,
                         DWORD jobId);
// Collation from the DEVMODE, the standard-paper fits, and module event 37.
void GrApplyJobSettingRules(SETTING_CONTEXT* context);
// The standard-paper fits A and B (output papers 1024 to 1028 only), saving the values they change.
void GrApplyStandardPaperFit(SETTING_CONTEXT* context);
void GrApplyStandardPaperFitAlt(SETTING_CONTEXT* context);
// Write a slot's saved values back when it is marked saved.
void GrRestoreFitValues(SETTING_CONTEXT* context);
void GrRestoreFitValuesAlt(SETTING_CONTEXT* context);
// Releases the output binding of a context: the plug-in's interface, the loaded module and the stream's
// write path. Nothing is called on the output side.
void GrUnbindOutput(GR_PDEV* pdev);
