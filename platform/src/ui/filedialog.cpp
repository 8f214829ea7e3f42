// The old-style open and save dialogs over the machine's file system.
#include "kvplat/filedialog.h"

#include <algorithm>
#include <cstring>

#include "kvplat/file.h"
#include "ui_internal.h"

namespace kvp::ui {
namespace {

DWORD g_extError = 0;

// ---- the standard template, written in memory ----------------------------------------------------------

class TemplateWriter {
 public:
  void Dialog(DWORD style, short cx, short cy, std::u16string_view caption, WORD items) {
    DLGTEMPLATE t{style, 0, items, 0, 0, cx, cy};
    Put(&t, sizeof t);
    Word(0);  // no menu
    Word(0);  // the dialog class
    Text(caption);
  }
  void Item(WORD atom, DWORD style, short x, short y, short cx, short cy, WORD id, std::u16string_view text) {
    while (bytes_.size() % 4) bytes_.push_back(0);
    DLGITEMTEMPLATE it{DWORD(WS_CHILD | WS_VISIBLE | style), 0, x, y, cx, cy, id};
    Put(&it, sizeof it);
    Word(0xFFFF);
    Word(atom);
    Text(text);
    Word(0);  // no creation data
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  void Put(const void* p, size_t n) { bytes_.insert(bytes_.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n); }
  void Word(WORD w) { Put(&w, 2); }
  void Text(std::u16string_view s) {
    for (char16_t c : s) Word(WORD(c));
    Word(0);
  }
  std::vector<uint8_t> bytes_;
};

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kList = 0x83, kCombo = 0x85;

std::vector<uint8_t> StandardTemplate(std::u16string_view caption) {
  TemplateWriter w;
  w.Dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 264, 134, caption, 13);
  w.Item(kStatic, SS_LEFT, 6, 6, 76, 9, stc3, u"File &name:");
  w.Item(kEdit, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 6, 16, 90, 12, edt1, u"");
  w.Item(kList, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_SORT | LBS_NOTIFY, 6, 32, 90, 68, lst1, u"");
  w.Item(kStatic, SS_LEFT, 110, 6, 96, 9, 0xFFFF, u"&Folders:");
  w.Item(kStatic, SS_LEFT, 110, 18, 96, 9, stc1, u"");
  w.Item(kList, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 110, 32, 92, 68, lst2, u"");
  w.Item(kStatic, SS_LEFT, 6, 104, 90, 9, stc2, u"List files of &type:");
  w.Item(kCombo, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 6, 114, 90, 96, cmb1, u"");
  w.Item(kStatic, SS_LEFT, 110, 104, 92, 9, stc4, u"Dri&ves:");
  w.Item(kCombo, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 110, 114, 92, 68, cmb2, u"");
  w.Item(kButton, WS_TABSTOP | BS_DEFPUSHBUTTON, 208, 6, 50, 14, IDOK, u"OK");
  w.Item(kButton, WS_TABSTOP, 208, 24, 50, 14, IDCANCEL, u"Cancel");
  w.Item(kButton, WS_TABSTOP | BS_AUTOCHECKBOX, 208, 68, 50, 12, chx1, u"&Read only");
  return w.Take();
}

// ---- the dialog's state ----------------------------------------------------------------------------------

struct FileDlg {
  OPENFILENAMEW* ofn = nullptr;
  bool save = false;
  std::u16string folder;                  // without a trailing separator, except a drive's root
  std::vector<std::u16string> patterns;   // of each type
  std::u16string pattern;                 // in use
  size_t components = 0;                  // folder-list items naming the current folder
  HWND hwnd = nullptr;
};

// The file dialogs running, innermost last (DWLP_USER belongs to the hook).
std::vector<FileDlg*>& Running() {
  static auto* v = new std::vector<FileDlg*>;
  return *v;
}

FileDlg* StateOf(HWND dlg) {
  for (FileDlg* f : Running())
    if (f->hwnd == dlg) return f;
  return nullptr;
}

std::u16string Lower(std::u16string s) {
  for (auto& c : s)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return s;
}

bool Match(std::u16string_view pat, std::u16string_view name) {
  if (pat.empty()) return name.empty();
  if (pat[0] == u'*') {
    for (size_t i = 0; i <= name.size(); ++i)
      if (Match(pat.substr(1), name.substr(i))) return true;
    return false;
  }
  if (name.empty()) return false;
  char16_t a = pat[0], b = name[0];
  if (a >= u'A' && a <= u'Z') a = char16_t(a + 32);
  if (b >= u'A' && b <= u'Z') b = char16_t(b + 32);
  return (a == u'?' || a == b) && Match(pat.substr(1), name.substr(1));
}

bool MatchAny(const std::u16string& patterns, const std::u16string& name) {
  size_t at = 0;
  while (at <= patterns.size()) {
    size_t semi = patterns.find(u';', at);
    std::u16string one = patterns.substr(at, semi == std::u16string::npos ? std::u16string::npos : semi - at);
    if (!one.empty() && (one == u"*.*" ? true : Match(one, name))) return true;
    if (semi == std::u16string::npos) break;
    at = semi + 1;
  }
  return false;
}

bool IsDir(const std::u16string& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  return folder.empty() || folder.back() == u'\\' ? folder + name : folder + u"\\" + name;
}

std::u16string DlgText(HWND dlg, int id) {
  WCHAR buf[1025] = {};
  GetDlgItemTextW(dlg, id, buf, 1025);
  return buf;
}

// Lists the current folder: its files of the type in use, its path as folder-list items, its sub-folders.
void Fill(HWND dlg, FileDlg* f) {
  SendDlgItemMessageW(dlg, lst1, LB_RESETCONTENT, 0, 0);
  SendDlgItemMessageW(dlg, lst2, LB_RESETCONTENT, 0, 0);
  std::vector<std::u16string> parts;
  size_t at = 0;
  while (at < f->folder.size()) {
    size_t sep = f->folder.find(u'\\', at);
    std::u16string part = f->folder.substr(at, sep == std::u16string::npos ? std::u16string::npos : sep - at);
    if (parts.empty()) part = Lower(part) + u"\\";
    if (!part.empty()) parts.push_back(part);
    if (sep == std::u16string::npos) break;
    at = sep + 1;
  }
  for (auto& p : parts) SendDlgItemMessageW(dlg, lst2, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.c_str()));
  f->components = parts.size();
  std::vector<std::u16string> dirs, files;
  WIN32_FIND_DATAW fd;
  std::u16string all = Join(f->folder, u"*");
  HANDLE h = FindFirstFileW(all.c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::u16string name = fd.cFileName;
      if (name == u"." || name == u"..") continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) dirs.push_back(name);
      else if (MatchAny(f->pattern, name)) files.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  std::sort(dirs.begin(), dirs.end());
  for (auto& d : dirs) SendDlgItemMessageW(dlg, lst2, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Lower(d).c_str()));
  for (auto& n : files) SendDlgItemMessageW(dlg, lst1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Lower(n).c_str()));
  SendDlgItemMessageW(dlg, lst2, LB_SETCURSEL, WPARAM(parts.empty() ? 0 : parts.size() - 1), 0);
  SetDlgItemTextW(dlg, stc1, Lower(f->folder).c_str());
}

void Init(HWND dlg, FileDlg* f) {
  OPENFILENAMEW* ofn = f->ofn;
  if (ofn->lpstrFilter) {
    const char16_t* p = ofn->lpstrFilter;
    while (*p) {
      std::u16string desc = p;
      p += desc.size() + 1;
      std::u16string pat = p;
      p += pat.size() + 1;
      f->patterns.push_back(pat);
      SendDlgItemMessageW(dlg, cmb1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(desc.c_str()));
      if (!*(p - 1) && pat.empty()) break;
    }
  }
  DWORD index = ofn->nFilterIndex ? ofn->nFilterIndex - 1 : 0;
  if (index >= f->patterns.size()) index = 0;
  f->pattern = f->patterns.empty() ? u"*.*" : f->patterns[index];
  SendDlgItemMessageW(dlg, cmb1, CB_SETCURSEL, index, 0);
  SendDlgItemMessageW(dlg, cmb2, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"c:"));
  SendDlgItemMessageW(dlg, cmb2, CB_SETCURSEL, 0, 0);
  std::u16string start = ofn->lpstrInitialDir && *ofn->lpstrInitialDir ? std::u16string(ofn->lpstrInitialDir) : u"C:\\";
  std::u16string initialName = ofn->lpstrFile ? std::u16string(ofn->lpstrFile) : u"";
  f->folder = IsDir(start) ? start : u"C:\\";
  while (f->folder.size() > 3 && f->folder.back() == u'\\') f->folder.pop_back();
  SetDlgItemTextW(dlg, edt1, initialName.empty() ? f->pattern.c_str() : initialName.c_str());
  if (ofn->Flags & OFN_HIDEREADONLY) ShowWindow(GetDlgItem(dlg, chx1), SW_HIDE);
  if (ofn->lpstrTitle) SetWindowTextW(dlg, ofn->lpstrTitle);
  Fill(dlg, f);
}

void Navigate(HWND dlg, FileDlg* f, int item) {
  if (item < 0) return;
  WCHAR buf[MAX_PATH] = {};
  SendDlgItemMessageW(dlg, lst2, LB_GETTEXT, WPARAM(item), reinterpret_cast<LPARAM>(buf));
  if (size_t(item) < f->components) {
    std::u16string path;
    for (int i = 0; i <= item; ++i) {
      SendDlgItemMessageW(dlg, lst2, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(buf));
      path = i == 0 ? std::u16string(buf) : Join(path, buf);
    }
    f->folder = path;
  } else {
    f->folder = Join(f->folder, buf);
  }
  while (f->folder.size() > 3 && f->folder.back() == u'\\') f->folder.pop_back();
  Fill(dlg, f);
}

int Warn(HWND dlg, const std::u16string& text, UINT type) {
  WCHAR caption[256] = {};
  GetWindowTextW(dlg, caption, 256);
  return MessageBoxW(dlg, text.c_str(), caption, type);
}

// OK after the hook let it through: a pattern filters, a folder opens, a name ends the dialog.
void Ok(HWND dlg, FileDlg* f) {
  OPENFILENAMEW* ofn = f->ofn;
  std::u16string text = DlgText(dlg, edt1);
  while (!text.empty() && text.back() == u' ') text.pop_back();
  while (!text.empty() && text.front() == u' ') text.erase(0, 1);
  if (text.empty()) return;
  if (text.find_first_of(u"*?") != std::u16string::npos) {
    f->pattern = text;
    Fill(dlg, f);
    return;
  }
  bool absolute = text[0] == u'\\' || (text.size() > 1 && text[1] == u':');
  bool several = (ofn->Flags & OFN_ALLOWMULTISELECT) && text.find(u' ') != std::u16string::npos && !absolute;
  std::u16string path = absolute ? (text[0] == u'\\' ? f->folder.substr(0, 2) + text : text) : Join(f->folder, text);
  if (!several && IsDir(path)) {
    f->folder = path;
    while (f->folder.size() > 3 && f->folder.back() == u'\\') f->folder.pop_back();
    SetDlgItemTextW(dlg, edt1, f->pattern.c_str());
    Fill(dlg, f);
    return;
  }
  std::u16string result;
  if (several) {
    result = f->folder + u" " + text;
  } else {
    size_t slash = path.rfind(u'\\');
    std::u16string name = path.substr(slash + 1);
    if (name.find(u'.') == std::u16string::npos && ofn->lpstrDefExt && *ofn->lpstrDefExt && !Exists(path))
      path += u"." + std::u16string(ofn->lpstrDefExt);
    std::u16string parent = path.substr(0, slash == 2 ? 3 : slash);
    if ((ofn->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !IsDir(parent)) {
      Warn(dlg, path + u"\nPath not found.\nCheck the path and try again.", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if (!f->save && (ofn->Flags & OFN_FILEMUSTEXIST) && !Exists(path)) {
      Warn(dlg, path + u"\nFile not found.\nCheck the file name and try again.", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if (f->save && (ofn->Flags & OFN_OVERWRITEPROMPT) && Exists(path) &&
        Warn(dlg, path + u" already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
      return;
    result = path;
  }
  int sel = int(SendDlgItemMessageW(dlg, cmb1, CB_GETCURSEL, 0, 0));
  ofn->nFilterIndex = sel >= 0 ? DWORD(sel + 1) : ofn->nFilterIndex;
  if (!ofn->lpstrFile || result.size() + 1 > ofn->nMaxFile) {
    // The documented answer: the characters needed in the buffer's first two bytes.
    if (ofn->lpstrFile && ofn->nMaxFile >= 1) {
      WORD need = WORD(std::min<size_t>(result.size() + 1, 0xFFFF));
      std::memcpy(ofn->lpstrFile, &need, sizeof need);
    }
    g_extError = FNERR_BUFFERTOOSMALL;
    EndDialog(dlg, IDABORT);
    return;
  }
  std::memcpy(ofn->lpstrFile, result.c_str(), (result.size() + 1) * sizeof(char16_t));
  size_t nameAt = several ? f->folder.size() + 1 : result.rfind(u'\\') + 1;
  size_t dot = several ? std::u16string::npos : result.rfind(u'.');
  ofn->nFileOffset = WORD(nameAt);
  ofn->nFileExtension = WORD(dot != std::u16string::npos && dot >= nameAt ? dot + 1 : result.size());
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle) {
    std::u16string title = result.substr(nameAt);
    size_t n = std::min<size_t>(title.size(), ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.c_str(), n * sizeof(char16_t));
    ofn->lpstrFileTitle[n] = 0;
  }
  EndDialog(dlg, IDOK);
}

INT_PTR FileDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) reinterpret_cast<FileDlg*>(lp)->hwnd = dlg;
  FileDlg* f = StateOf(dlg);
  if (!f) return FALSE;
  LPOFNHOOKPROC hook = (f->ofn->Flags & OFN_ENABLEHOOK) ? f->ofn->lpfnHook : nullptr;
  if (msg == WM_INITDIALOG) {
    Init(dlg, f);
    if (hook) hook(dlg, msg, wp, reinterpret_cast<LPARAM>(f->ofn));
    return TRUE;
  }
  if (hook) {
    UINT_PTR r = hook(dlg, msg, wp, lp);
    if (r) return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  switch (LOWORD(wp)) {
    case IDOK: Ok(dlg, f); return TRUE;
    case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
    case lst1:
      if (HIWORD(wp) == LBN_SELCHANGE || HIWORD(wp) == LBN_DBLCLK) {
        int i = int(SendDlgItemMessageW(dlg, lst1, LB_GETCURSEL, 0, 0));
        WCHAR buf[MAX_PATH] = {};
        if (i >= 0 && SendDlgItemMessageW(dlg, lst1, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(buf)) >= 0)
          SetDlgItemTextW(dlg, edt1, buf);
        if (HIWORD(wp) == LBN_DBLCLK) Ok(dlg, f);
      }
      return TRUE;
    case lst2:
      if (HIWORD(wp) == LBN_SELCHANGE || HIWORD(wp) == LBN_DBLCLK) Navigate(dlg, f, int(SendDlgItemMessageW(dlg, lst2, LB_GETCURSEL, 0, 0)));
      return TRUE;
    case cmb1:
      if (HIWORD(wp) == CBN_SELCHANGE) {
        int i = int(SendDlgItemMessageW(dlg, cmb1, CB_GETCURSEL, 0, 0));
        if (i >= 0 && size_t(i) < f->patterns.size()) {
          f->pattern = f->patterns[size_t(i)];
          SetDlgItemTextW(dlg, edt1, f->pattern.c_str());
          Fill(dlg, f);
        }
      }
      return TRUE;
  }
  return FALSE;
}

BOOL Run(LPOPENFILENAMEW ofn, bool save) {
  g_extError = 0;
  if (!ofn || (ofn->lStructSize != sizeof(OPENFILENAMEW) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400W)) {
    g_extError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if ((ofn->Flags & OFN_ENABLEHOOK) && !ofn->lpfnHook) {
    g_extError = CDERR_NOHOOK;
    return FALSE;
  }
  FileDlg f;
  f.ofn = ofn;
  f.save = save;
  INT_PTR r;
  Running().push_back(&f);
  if (ofn->Flags & OFN_ENABLETEMPLATE) {
    if (!FindResourceW(ofn->hInstance, ofn->lpTemplateName, RT_DIALOG)) {
      g_extError = CDERR_FINDRESFAILURE;
      Running().pop_back();
      return FALSE;
    }
    r = DialogBoxParamW(ofn->hInstance, ofn->lpTemplateName, ofn->hwndOwner, FileDlgProc, reinterpret_cast<LPARAM>(&f));
  } else {
    auto t = StandardTemplate(save ? u"Save As" : u"Open");
    r = DialogBoxIndirectParamW(nullptr, t.data(), ofn->hwndOwner, FileDlgProc, reinterpret_cast<LPARAM>(&f));
  }
  Running().pop_back();
  if (r == IDOK) return TRUE;
  if (r == -1 && !g_extError) g_extError = CDERR_DIALOGFAILURE;
  return FALSE;
}

}  // namespace
}  // namespace kvp::ui

KVAPI BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn) { return kvp::ui::Run(ofn, false); }
KVAPI BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn) { return kvp::ui::Run(ofn, true); }
KVAPI DWORD CommDlgExtendedError(void) { return kvp::ui::g_extError; }
