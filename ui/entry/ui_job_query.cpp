// The job query: before a job prints, the spooler asks whether its DEVMODE can be printed here. The
// printer is made ready for the user and the job's settings taken into a context; no job is refused for
// what its settings say.
#include "kvplat/drvcontract.h"
#include "settings/context.h"
#include "ui_frame.h"
#include "ui_intake.h"
#include "ui_workers.h"

BOOL UiDevQueryPrint(DEVQUERYPRINT_INFO* info) {
  if (!info) return FALSE;
  if (!info->pDevMode) return TRUE;
  if (InstCheckInstalled(info->hPrinter) != 1) return TRUE;
  const UI_WORKER_ROW* row = UiWorkerRow(UI_WORKER_JOB_QUERY);
  SETTING_CONTEXT* ctx = UiOpenContextFlags(info->hPrinter, info->hPrinter, nullptr, row->creationFlags, row->kind);
  if (!ctx) return FALSE;
  int merged = UiMergeCallerDevmode(ctx, info->pDevMode, UI_MODE_JOB_QUERY);
  UiCloseContextMode(ctx, row->releaseType);
  return merged ? TRUE : FALSE;
}
