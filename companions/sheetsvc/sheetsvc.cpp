// Stand-in for the platform's common property sheet service. It runs a real property sheet (the
// platform's PropertySheetW) from the pages the caller's sheet function adds, and logs every reason and
// callback to the "compstui" call log so tests can follow the conversation.
#include <string>
#include <vector>

#include "companion_script.h"
#include "kvplat/error.h"
#include "kvplat/sheetservice.h"

namespace {

constexpr char kLog[] = "compstui";

// One running sheet: what the service's handle stands for.
struct Service {
  std::vector<HPROPSHEETPAGE> pages;
  bool running = false, hasResult = false;
  LONG_PTR result = 0;
};

std::vector<Service*>& Live() {
  static std::vector<Service*> v;
  return v;
}

Service* ServiceOf(HANDLE h) {
  for (Service* s : Live())
    if (s == h) return s;
  return nullptr;
}

// The callback the caller's function uses. Adding pages works until the sheet is shown; a page handle
// stands for the page in later calls. 0 for a stale handle, a refused page or an unknown function.
LONG_PTR ComPropSheet(HANDLE handle, UINT function, LPARAM lParam1, LPARAM lParam2) {
  Service* s = ServiceOf(handle);
  kvcomp::LogCall(kLog, "callback " + std::to_string(function) + " " + std::to_string(lParam2));
  if (!s) return 0;
  switch (function) {
    case CPSFUNC_ADD_HPROPSHEETPAGE:
    case CPSFUNC_ADD_PROPSHEETPAGEW: {
      if (s->running || !lParam1) return 0;
      HPROPSHEETPAGE page = function == CPSFUNC_ADD_HPROPSHEETPAGE
                                ? reinterpret_cast<HPROPSHEETPAGE>(lParam1)
                                : CreatePropertySheetPageW(reinterpret_cast<LPCPROPSHEETPAGEW>(lParam1));
      if (!page) return 0;
      s->pages.push_back(page);
      return reinterpret_cast<LONG_PTR>(page);
    }
    case CPSFUNC_SET_RESULT:
      s->hasResult = true;
      s->result = lParam2;
      return 1;
  }
  return 0;
}

LONG Call(PFNPROPSHEETUI fn, PROPSHEETUI_INFO* info, WORD reason, LPARAM lp) {
  info->Reason = reason;
  LONG r = fn(info, lp);
  kvcomp::LogCall(kLog, "reason " + std::to_string(reason) + " -> " + std::to_string(r));
  return r;
}

}  // namespace

KVAPI LONG CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI fn, LPARAM lParam, LPDWORD result) {
  if (result) *result = CPSUI_CANCEL;
  if (!fn) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERR_CPSUI_GETLASTERROR;
  }
  Service s;
  Live().push_back(&s);
  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof info;
  info.Version = 0x0100;
  info.hComPropSheet = &s;
  info.pfnComPropSheet = ComPropSheet;
  info.lParamInit = lParam;
  LONG ret = ERR_CPSUI_GETLASTERROR;
  DWORD error = ERROR_SUCCESS;
  INT_PTR sheet = -1;
  if (Call(fn, &info, PROPSHEETUI_REASON_INIT, lParam) > 0) {
    PROPSHEETUI_INFO_HEADER hdr{};
    hdr.cbSize = sizeof hdr;
    hdr.hWndParent = owner;
    Call(fn, &info, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&hdr));
    std::u16string title = hdr.pTitle ? std::u16string(hdr.pTitle) : std::u16string(u"Properties");
    if ((hdr.Flags & PSUIHDRF_PROPTITLE) && hdr.pTitle) title += u" Properties";
    if (s.pages.empty()) {
      error = ERROR_INVALID_DATA;
    } else {
      PROPSHEETHEADERW h{};
      h.dwSize = sizeof h;
      h.dwFlags = (hdr.Flags & PSUIHDRF_NOAPPLYNOW) ? PSH_NOAPPLYNOW : 0;
      h.hwndParent = owner;
      h.hInstance = hdr.hInst;
      h.pszCaption = title.c_str();
      h.nPages = UINT(s.pages.size());
      h.phpage = s.pages.data();
      s.running = true;
      sheet = PropertySheetW(&h);  // the sheet owns the pages from here
      if (sheet < 0) error = GetLastError();
      s.pages.clear();
      kvcomp::LogCall(kLog, "sheet -> " + std::to_string(sheet));
      ret = sheet < 0 ? ERR_CPSUI_GETLASTERROR : sheet > 0 ? CPSUI_OK : CPSUI_CANCEL;
    }
  } else {
    error = ERROR_CANCELLED;
  }
  Call(fn, &info, PROPSHEETUI_REASON_DESTROY, sheet > 0 ? 1 : 0);
  // Pages added but never shown are freed here.
  for (HPROPSHEETPAGE p : s.pages) DestroyPropertySheetPage(p);
  std::erase(Live(), &s);
  if (result) *result = DWORD(s.hasResult ? s.result : LONG_PTR(info.Result));
  if (ret < 0) SetLastError(error ? error : ERROR_INVALID_FUNCTION);
  return ret;
}
