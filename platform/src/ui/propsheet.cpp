// Property sheets: the frame (a modal dialog with a tab control and its buttons) and its pages.
#include "kvplat/propsheet.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "ui_internal.h"

struct KvSheetPage {
  std::vector<uint8_t> record;  // the caller's PROPSHEETPAGEW and whatever followed it (dwSize bytes)
  PROPSHEETPAGEW* Psp() { return reinterpret_cast<PROPSHEETPAGEW*>(record.data()); }
};

namespace kvp::ui {
namespace {

constexpr DWORD kMaxPageRecord = 64 * 1024;
constexpr int kMargin = 7, kButtonW = 75, kButtonH = 23, kGap = 6, kTabTop = 24;

std::unordered_set<KvSheetPage*>& Pages() {
  static auto* s = new std::unordered_set<KvSheetPage*>;
  return *s;
}

struct Sheet {
  const PROPSHEETHEADERW* header = nullptr;
  std::vector<KvSheetPage*> pages;
  std::vector<std::vector<uint8_t>> templates;  // each page's template, restyled as a child
  std::vector<std::u16string> titles;
  std::vector<HWND> windows;
  std::vector<bool> changed;
  SIZE pageSize{};
  int cur = -1;
  HWND hwnd = nullptr, tab = nullptr, apply = nullptr;
  bool applied = false;
};

Sheet* SheetOf(HWND h) { return reinterpret_cast<Sheet*>(GetWindowLongPtrW(h, DWLP_USER)); }

// The sheets running now (nested sheets included), for SheetPageIds.
std::vector<Sheet*>& LiveSheets() {
  static auto* v = new std::vector<Sheet*>;
  return *v;
}

// Reads a page's template from its module and makes it a child dialog's. False (with the lookup's error)
// when it is missing or damaged.
bool LoadPageTemplate(PROPSHEETPAGEW* psp, std::vector<uint8_t>* out, DialogDesc* desc) {
  if (psp->dwFlags & PSP_DLGINDIRECT) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  HRSRC r = FindResourceW(psp->hInstance, psp->pszTemplate, RT_DIALOG);
  if (!r) return false;
  auto* p = static_cast<const uint8_t*>(LoadResource(psp->hInstance, r));
  DWORD n = SizeofResource(psp->hInstance, r);
  if (!p || !DecodeDialogTemplate(p, n, desc)) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  out->assign(p, p + n);
  size_t at = desc->extended ? 12 : 0;
  DWORD style;
  std::memcpy(&style, out->data() + at, 4);
  style &= ~DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | WS_THICKFRAME);
  style |= WS_CHILD | DS_CONTROL;
  std::memcpy(out->data() + at, &style, 4);
  return true;
}

LRESULT NotifyPage(Sheet* s, int i, UINT code, LPARAM lp) {
  HWND page = s->windows[size_t(i)];
  if (!page) return 0;
  PSHNOTIFY n{};
  n.hdr.hwndFrom = s->hwnd;
  n.hdr.idFrom = 0;
  n.hdr.code = code;
  n.lParam = lp;
  SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
  return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

RECT PageRect(Sheet* s) {
  int x = kMargin + 4, y = kMargin + kTabTop;
  return RECT{x, y, x + s->pageSize.cx, y + s->pageSize.cy};
}

// Shows page i (made now when it is first shown) and tells it it is active.
bool Activate(Sheet* s, int i) {
  if (i < 0 || i >= int(s->pages.size())) return false;
  if (!s->windows[size_t(i)]) {
    PROPSHEETPAGEW* psp = s->pages[size_t(i)]->Psp();
    HWND page = CreateDialogIndirectParamW(psp->hInstance, s->templates[size_t(i)].data(), s->hwnd, psp->pfnDlgProc,
                                           reinterpret_cast<LPARAM>(psp));
    if (!page) return false;
    s->windows[size_t(i)] = page;
    RECT r = PageRect(s);
    // Above the tab control, which would otherwise paint over it.
    SetWindowPos(page, HWND_TOP, int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top), 0);
  }
  int old = s->cur;
  s->cur = i;
  SendMessageW(s->tab, TCM_SETCURSEL, WPARAM(i), 0);
  NotifyPage(s, i, PSN_SETACTIVE, 0);
  if (old >= 0 && old != i && s->windows[size_t(old)]) ShowWindow(s->windows[size_t(old)], SW_HIDE);
  ShowWindow(s->windows[size_t(i)], SW_SHOW);
  return true;
}

// The current page lets go (PSN_KILLACTIVE answered FALSE).
bool KillActive(Sheet* s) { return s->cur < 0 || NotifyPage(s, s->cur, PSN_KILLACTIVE, 0) == 0; }

// Every page made so far applies, in order; a refusal keeps the sheet open (PSNRET_INVALID also shows
// the refusing page).
bool ApplyAll(Sheet* s, bool ok) {
  if (!KillActive(s)) return false;
  for (int i = 0; i < int(s->pages.size()); ++i) {
    if (!s->windows[size_t(i)]) continue;
    LRESULT r = NotifyPage(s, i, PSN_APPLY, ok ? TRUE : FALSE);
    if (r == PSNRET_INVALID_NOCHANGEPAGE) return false;
    if (r == PSNRET_INVALID) {
      Activate(s, i);
      return false;
    }
  }
  std::fill(s->changed.begin(), s->changed.end(), false);
  if (s->apply) EnableWindow(s->apply, FALSE);
  s->applied = true;
  return true;
}

void Cancel(Sheet* s) {
  if (s->cur >= 0 && NotifyPage(s, s->cur, PSN_QUERYCANCEL, 0) != 0) return;
  for (int i = 0; i < int(s->pages.size()); ++i) NotifyPage(s, i, PSN_RESET, FALSE);
  EndDialog(s->hwnd, s->applied ? 1 : 0);
}

void Ok(Sheet* s) {
  if (ApplyAll(s, true)) EndDialog(s->hwnd, 1);
}

int IndexOfPage(Sheet* s, HWND page) {
  for (size_t i = 0; i < s->windows.size(); ++i)
    if (s->windows[i] && s->windows[i] == page) return int(i);
  return -1;
}

HWND Button(HWND sheet, const char16_t* text, int id, int x, int y, DWORD extra) {
  return CreateWindowExW(0, WC_BUTTONW, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | extra, x, y, kButtonW, kButtonH, sheet,
                         reinterpret_cast<HMENU>(LONG_PTR(id)), nullptr, nullptr);
}

void Build(Sheet* s) {
  const PROPSHEETHEADERW* h = s->header;
  bool apply = !(h->dwFlags & PSH_NOAPPLYNOW), help = (h->dwFlags & PSH_HASHELP) != 0;
  int buttons = 2 + (apply ? 1 : 0) + (help ? 1 : 0);
  int rowW = buttons * kButtonW + (buttons - 1) * kGap;
  int tabW = int(s->pageSize.cx) + 8, tabH = int(s->pageSize.cy) + kTabTop + 4;
  int clientW = std::max(tabW, rowW) + 2 * kMargin;
  int rowY = kMargin + tabH + kMargin;
  int clientH = rowY + kButtonH + kMargin;
  RECT wr, cr;
  GetWindowRect(s->hwnd, &wr);
  GetClientRect(s->hwnd, &cr);
  SetWindowPos(s->hwnd, nullptr, 0, 0, clientW + int((wr.right - wr.left) - cr.right), clientH + int((wr.bottom - wr.top) - cr.bottom),
               SWP_NOMOVE | SWP_NOZORDER);
  s->tab = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, kMargin, kMargin, tabW, tabH, s->hwnd,
                           reinterpret_cast<HMENU>(LONG_PTR(IDC_SHEET_TAB)), nullptr, nullptr);
  for (size_t i = 0; i < s->titles.size(); ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = s->titles[i].data();
    SendMessageW(s->tab, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
  }
  int x = clientW - kMargin - rowW;
  Button(s->hwnd, u"OK", IDOK, x, rowY, BS_DEFPUSHBUTTON);
  x += kButtonW + kGap;
  Button(s->hwnd, u"Cancel", IDCANCEL, x, rowY, 0);
  x += kButtonW + kGap;
  if (apply) {
    s->apply = Button(s->hwnd, u"&Apply", ID_APPLY_NOW, x, rowY, 0);
    EnableWindow(s->apply, FALSE);
    x += kButtonW + kGap;
  }
  if (help) Button(s->hwnd, u"Help", IDHELP, x, rowY, 0);
  if (h->pszCaption) {
    std::u16string caption;
    if (IS_INTRESOURCE(h->pszCaption)) {
      WCHAR buf[256] = {};
      LoadStringW(h->hInstance, UINT(reinterpret_cast<ULONG_PTR>(h->pszCaption)), buf, 256);
      caption = buf;
    } else {
      caption = h->pszCaption;
    }
    SetWindowTextW(s->hwnd, caption.c_str());
  }
}

INT_PTR SheetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Sheet* s = msg == WM_INITDIALOG ? reinterpret_cast<Sheet*>(lp) : SheetOf(hwnd);
  if (!s) return FALSE;
  auto answer = [hwnd](LONG_PTR v) {
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, v);
    return TRUE;
  };
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(hwnd, DWLP_USER, lp);
      s->hwnd = hwnd;
      Build(s);
      UINT start = s->header->nStartPage < s->pages.size() ? s->header->nStartPage : 0;
      if (!Activate(s, int(start))) EndDialog(hwnd, -1);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK: Ok(s); return TRUE;
        case IDCANCEL: Cancel(s); return TRUE;
        case ID_APPLY_NOW: ApplyAll(s, false); return TRUE;
        case IDHELP: if (s->cur >= 0) NotifyPage(s, s->cur, PSN_HELP, 0); return TRUE;
      }
      // Buttons a page put on the sheet (or renumbered) are the current page's to handle.
      if (s->cur >= 0 && s->windows[size_t(s->cur)]) {
        SendMessageW(s->windows[size_t(s->cur)], WM_COMMAND, wp, lp);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      auto* n = reinterpret_cast<NMHDR*>(lp);
      if (n->hwndFrom != s->tab) return FALSE;
      if (n->code == TCN_SELCHANGING) return answer(KillActive(s) ? FALSE : TRUE);
      if (n->code == TCN_SELCHANGE) Activate(s, int(SendMessageW(s->tab, TCM_GETCURSEL, 0, 0)));
      return TRUE;
    }
    case PSM_CHANGED:
    case PSM_UNCHANGED: {
      int i = IndexOfPage(s, reinterpret_cast<HWND>(wp));
      if (i < 0) return answer(FALSE);
      s->changed[size_t(i)] = msg == PSM_CHANGED;
      bool any = std::find(s->changed.begin(), s->changed.end(), true) != s->changed.end();
      if (s->apply) EnableWindow(s->apply, any ? TRUE : FALSE);
      return answer(TRUE);
    }
    case PSM_PRESSBUTTON:
      switch (wp) {
        case PSBTN_OK: Ok(s); break;
        case PSBTN_APPLYNOW: ApplyAll(s, false); break;
        case PSBTN_CANCEL: Cancel(s); break;
        case PSBTN_HELP: if (s->cur >= 0) NotifyPage(s, s->cur, PSN_HELP, 0); break;
        default: return answer(FALSE);
      }
      return answer(TRUE);
    case PSM_APPLY:
      return answer(ApplyAll(s, false) ? TRUE : FALSE);
    case PSM_SETCURSEL: {
      int i = int(wp);
      if (lp)
        for (size_t k = 0; k < s->pages.size(); ++k)
          if (s->pages[k] == reinterpret_cast<KvSheetPage*>(lp)) i = int(k);
      if (i < 0 || i >= int(s->pages.size()) || !KillActive(s)) return answer(FALSE);
      return answer(Activate(s, i) ? TRUE : FALSE);
    }
    case PSM_GETCURRENTPAGEHWND:
      return answer(reinterpret_cast<LONG_PTR>(s->cur >= 0 ? s->windows[size_t(s->cur)] : nullptr));
    case PSM_GETTABCONTROL:
      return answer(reinterpret_cast<LONG_PTR>(s->tab));
  }
  return FALSE;
}

KvSheetPage* MakePage(LPCPROPSHEETPAGEW page) {
  if (!page || page->dwSize < PROPSHEETPAGEW_V1_SIZE || page->dwSize > kMaxPageRecord) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* p = new KvSheetPage;
  p->record.assign(std::max<size_t>(page->dwSize, sizeof(PROPSHEETPAGEW)), 0);
  std::memcpy(p->record.data(), page, page->dwSize);
  Pages().insert(p);
  return p;
}

void FreePage(KvSheetPage* p) {
  if (Pages().erase(p)) delete p;
}

}  // namespace
}  // namespace kvp::ui

using namespace kvp;
using namespace kvp::ui;

KVAPI HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW page) { return MakePage(page); }

KVAPI BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) {
  if (!Pages().count(page)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FreePage(page);
  return TRUE;
}

KVAPI INT_PTR PropertySheetW(const PROPSHEETHEADERW* header) {
  Sheet s;
  s.header = header;
  // Pages handed over by handle belong to the sheet from here, whatever happens.
  std::vector<KvSheetPage*> owned;
  bool valid = header && header->dwSize >= PROPSHEETHEADERW_V1_SIZE && header->nPages > 0 && header->nPages <= 256 &&
               header->ppsp && !(header->dwFlags & PSH_MODELESS);
  if (valid) {
    for (UINT i = 0; i < header->nPages; ++i) {
      KvSheetPage* p = nullptr;
      if (header->dwFlags & PSH_PROPSHEETPAGE) {
        auto* rec = reinterpret_cast<const PROPSHEETPAGEW*>(reinterpret_cast<const uint8_t*>(header->ppsp) +
                                                            size_t(i) * (header->ppsp->dwSize ? header->ppsp->dwSize : 1));
        p = MakePage(rec);
        if (p) owned.push_back(p);
      } else {
        p = Pages().count(header->phpage[i]) ? header->phpage[i] : nullptr;
        if (p) owned.push_back(p);
      }
      if (!p) valid = false;
      s.pages.push_back(p);
    }
  }
  auto finish = [&](INT_PTR r) {
    DWORD err = GetLastError();
    for (KvSheetPage* p : owned) FreePage(p);
    SetLastError(err);
    return r;
  };
  if (!valid) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return finish(-1);
  }
  for (KvSheetPage* p : s.pages) {
    std::vector<uint8_t> t;
    DialogDesc d;
    if (!LoadPageTemplate(p->Psp(), &t, &d)) return finish(-1);
    s.pageSize.cx = std::max<LONG>(s.pageSize.cx, MulDiv(d.cx, kBaseX, 4));
    s.pageSize.cy = std::max<LONG>(s.pageSize.cy, MulDiv(d.cy, kBaseY, 8));
    PROPSHEETPAGEW* psp = p->Psp();
    std::u16string title = d.caption;
    if ((psp->dwFlags & PSP_USETITLE) && psp->pszTitle) {
      if (IS_INTRESOURCE(psp->pszTitle)) {
        WCHAR buf[256] = {};
        LoadStringW(psp->hInstance, UINT(reinterpret_cast<ULONG_PTR>(psp->pszTitle)), buf, 256);
        title = buf;
      } else {
        title = psp->pszTitle;
      }
    }
    s.templates.push_back(std::move(t));
    s.titles.push_back(title);
  }
  s.windows.assign(s.pages.size(), nullptr);
  s.changed.assign(s.pages.size(), false);
  // The frame: a captioned modal dialog without items; its controls are made at WM_INITDIALOG.
  struct {
    DLGTEMPLATE t;
    WORD menu, cls, title;
  } frame{};
  frame.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  frame.t.cx = 200;
  frame.t.cy = 150;
  LiveSheets().push_back(&s);
  INT_PTR r = DialogBoxIndirectParamW(header->hInstance, &frame, header->hwndParent, SheetProc, reinterpret_cast<LPARAM>(&s));
  std::erase(LiveSheets(), &s);
  return finish(r);
}

std::vector<int> kvp::ui::SheetPageIds(HWND sheet) {
  std::vector<int> ids;
  for (Sheet* s : LiveSheets()) {
    if (!sheet || s->hwnd != sheet) continue;
    for (KvSheetPage* p : s->pages) {
      LPCWSTR t = p->Psp()->pszTemplate;
      ids.push_back(IS_INTRESOURCE(t) ? int(reinterpret_cast<ULONG_PTR>(t)) : -1);
    }
  }
  return ids;
}
