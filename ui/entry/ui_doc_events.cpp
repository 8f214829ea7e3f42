// Document events: the installation check at the start of a document and of a page, and the texts the
// graphics library writes into the job header.
#include "ui_doc_events.h"

#include <cstring>

#include "config/paths.h"
#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/printdc.h"
#include "kvplat/resource.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "ui_frame.h"
#include "ui_workers.h"

namespace {
constexpr DWORD kPath = 260;
constexpr int kTextChars = 260;
}  // namespace

int UiReadHelpFileNameValue(WCHAR* buf, DWORD bytes, HANDLE printer) {
  if (!buf || bytes == 0) return 0;
  DWORD type = 0, needed = 0;
  DWORD r = GetPrinterDataW(printer, const_cast<LPWSTR>(u"HelpFileName"), &type, reinterpret_cast<LPBYTE>(buf), bytes,
                            &needed);
  // A value that fills the buffer may carry no terminator of its own.
  buf[bytes / sizeof(WCHAR) - 1] = 0;
  return r == ERROR_SUCCESS ? 1 : 0;
}

HMODULE UiLoadHandoverLibrary(HANDLE printer, HMODULE* module) {
  if (!module) return nullptr;
  if (*module) return *module;
  WCHAR path[kPath] = {};
  CfgGetDriverDirForPrinter(printer, path);
  size_t dir = kvp::WLen(path);
  if (dir + 1 >= kPath) return nullptr;
  if (!UiReadHelpFileNameValue(path + dir, DWORD((kPath - dir) * sizeof(WCHAR)), printer) || !path[dir]) return nullptr;
  WCHAR* dot = nullptr;
  for (WCHAR* p = path + dir; *p; ++p)
    if (*p == u'.') dot = p;
  if (!dot || size_t(dot - path) + 4 >= kPath) return nullptr;
  kvp::WCopy(dot + 1, 4, u"dll");
  *module = LoadLibraryW(path);
  return *module;
}

void UiLoadHandoverText(HANDLE printer, HMODULE* module, UINT id, WCHAR* text) {
  text[0] = 0;
  if (HMODULE lib = UiLoadHandoverLibrary(printer, module)) {
    if (LoadStringW(lib, id, text, kTextChars + 1) <= 0) text[0] = 0;
  }
}

void UiFillStringTable(HANDLE printer, STRING_HANDOVER_ROW* table) {
  std::memcpy(table, STRING_HANDOVER_TABLE, sizeof(STRING_HANDOVER_TABLE));
  HMODULE module = nullptr;
  for (int i = 0; i < kStringHandoverRows && table[i].key; ++i) {
    WCHAR text[kTextChars + 1];
    UiLoadHandoverText(printer, &module, table[i].stringId, text);
    std::memcpy(table[i].text, text, sizeof text);
  }
  if (module) FreeLibrary(module);
}

void UiSendStringTable(HANDLE printer, HDC dc) {
  STRING_HANDOVER_ROW table[kStringHandoverRows];
  UiFillStringTable(printer, table);
  ExtEscape(dc, UI_ESCAPE_STRING_TABLE, int(sizeof table), reinterpret_cast<LPCSTR>(table), 0, nullptr);
}

int UiDocumentEvent(HANDLE printer, HDC dc, int event, ULONG, void*, ULONG, void*) {
  switch (event & 0xFFFF) {
    case DOCUMENTEVENT_CREATEDCPRE:
    case DOCUMENTEVENT_CREATEDCPOST:
    case DOCUMENTEVENT_STARTDOCPOST:
      return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_STARTDOC:
      InstCheckInstalled(printer);
      UiSendStringTable(printer, dc);
      return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_STARTPAGE:
      InstCheckInstalled(printer);
      return DOCUMENTEVENT_SUCCESS;
    default:
      return DOCUMENTEVENT_UNSUPPORTED;
  }
}
