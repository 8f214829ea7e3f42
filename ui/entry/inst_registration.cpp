// Registration values of the printer.
#include "inst_registration.h"

#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/platform_queries.h"
#include "settings/context.h"

int UiGetHelpFileName(HANDLE printer, WCHAR* dest, DWORD capacity, SETTING_CONTEXT*) {
  if (!printer || !dest || !capacity) return 0;
  auto* info = static_cast<DRIVER_INFO_3W*>(StgGetPrinterDriverInfo(printer, 3));
  if (!info) return 0;
  int found = 0;
  const WCHAR* path = info->pHelpFile;
  const WCHAR* slash = nullptr;
  for (const WCHAR* p = path; p && *p; ++p)
    if (*p == u'\\') slash = p;
  if (slash) {
    kvp::WCopy(dest, capacity, slash + 1);
    found = 1;
  }
  StgFree(info);
  return found;
}
