// The sub-dialog launcher: every driver dialog that is not a page of a sheet runs between one settings
// snapshot and its pop, so that its changes stay when it is accepted and are rolled back otherwise. The
// file and folder dialogs get their names checked by the hook below and leave the confirmed action for
// the launcher to carry out.
#include "sheets/dlg_subdialog.h"

#include <cstring>
#include <memory>
#include <string>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "config/resource_strings.h"
#include "config/settings_file.h"
#include "features/fm_modules.h"
#include "inst_bundles.h"
#include "inst_registration.h"
#include "kvplat/codepage.h"
#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/propsheet.h"
#include "kvplat/registry.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "settings/units.h"
#include "sheets/ctl_core.h"
#include "sheets/dlg_layout.h"
#include "sheets/dlg_messages.h"
#include "sheets/dlg_proc.h"
#include "sheets/dlg_refresh.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_values.h"
#include "ui_paths.h"
#include "ui_settings_file.h"

namespace {

using Text = std::u16string;

constexpr WORD kNestedModes = 0xF0;
constexpr WORD kNoChangedMark[] = {1020, 1025};
constexpr WORD kSheetCaption = 5001;
constexpr WORD kMultiOpenDialog = 4001, kFileSaveDialog = 4009, kFolderDialog = 4015;
constexpr int kNameEdit = 1152, kFolderList = 1121, kTypeCombo = 1136;
constexpr WORD kDefaultFolderButton = 2887, kAllUsersCheck = 2897;
constexpr WORD kMsgNotLoaded = 10023, kMsgBadName = 10024, kMsgReplaceExtension = 10025, kMsgReplaceFile = 10026,
               kMsgNothingToDelete = 10027, kMsgDeleteFile = 10028, kMsgBadPicture = 10043, kMsgTooManyNames = 10049,
               kMsgAddExtension = 10060, kMsgReadOnlyPreset = 374, kMsgPresetInUse = 375;
constexpr int kPresetLimit = 16;
constexpr size_t kPathLimit = 259;  // a path this long or longer cannot be a settings file's
constexpr DWORD kTrialLoad = 4, kTrialLoadQuiet = 0x20004, kBundleWrite = 0x10000;

DIALOG_DESC* DialogInUse(SETTING_CONTEXT* ctx) { return StgFindDialog(ctx, WORD(ctx->dialogInUse)); }

// ---- The launcher's roads.

// The file-name area holds the chosen path: the confirmed action is carried out on it.
int RunFileDialog(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, HWND owner, HMODULE resources) {
  auto* block = static_cast<DLG_FILE_REQUEST*>(StgAllocZero(sizeof(DLG_FILE_REQUEST)));
  if (!block) return -1;
  OPENFILENAMEW& ofn = block->ofn;
  const WCHAR* pattern = FmFileFilterOfDialog(dialog);
  if (!pattern) pattern = u"";
  // The default extension is the pattern without its "*.".
  const WCHAR* defExt = pattern[0] == u'*' && pattern[1] == u'.' ? pattern + 2 : pattern;
  ofn.lStructSize = sizeof(OPENFILENAMEW);
  ofn.hwndOwner = owner;
  ofn.hInstance = resources;
  ofn.lpstrFilter = block->filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = block->file;
  ofn.nMaxFile = DLG_FILE_TEXT;
  ofn.lpstrInitialDir = block->folder;
  ofn.lpstrTitle = block->title;
  ofn.lpstrDefExt = defExt;
  ofn.lCustData = reinterpret_cast<LPARAM>(ctx);
  ofn.lpfnHook = DlgFileDialogHook;
  ofn.lpTemplateName = MAKEINTRESOURCEW(dialog->id);
  FmPrepareFileDialog(ctx, dialog, &ofn);
  ctx->work->sheet.subDialogResult = 0;
  int result = FmRunFileDialog(ctx, dialog, &ofn, block->file);
  if (result) {
    const WCHAR* path = block->file;
    switch (ctx->work->sheet.subDialogResult) {
      case DLG_FILE_SAVE: {
        WCHAR bundle[260] = {};
        bool bundled = InstMakeBundlePath(path, bundle, ctx) != 0;
        if (bundled) {
          CfgWriteSettingsFile(ctx->printer, bundle, kBundleWrite, ctx);
          bundled = InstExportSettingsBundle(path, bundle, ctx) != 0;
        }
        if (!bundled && bundle[0]) InstRemoveBundleFolder(bundle);
        result = CfgWriteSettingsFile(ctx->printer, path, 0, ctx);
        DlgClearChangeMarks(ctx);
        if (result == 1) {
          InstSaveRestoreText(ctx->printer, path, 0, ctx);
          DlgClearChangeMarks(ctx);
        } else if (dialog->id == kFileSaveDialog) {
          DlgShowSystemError(ctx, StgGetLastError(ctx), nullptr);
        }
        break;
      }
      case DLG_FILE_LOAD:
        InstLoadSettingsFile(ctx->printer, path, 0, ctx);
        PgRefreshWatermarkCombo(ctx);
        PgRefreshLayoutCombos(ctx);
        PgRefreshSourceCombos(ctx);
        PgRefreshPresetControls(ctx);
        PgRefreshOutputTrayCombos(ctx);
        PgRefreshPaperSizeCombos(ctx);
        break;
      case DLG_FILE_DELETE:
        if (DeleteFileW(path)) InstDeleteBundle(path);
        break;
    }
  }
  StgFree(block);
  return result;
}

// A dialog of the table is a page of the nested sheet when its kind shares a bit with the filter and,
// for the kind-0x20 sheet, its node does not exclude it.
bool IsNestedPage(SETTING_CONTEXT* ctx, const DIALOG_DESC& d, WORD filter) {
  if (!(d.kind & filter)) return false;
  return !((d.kind & STG_DIALOG_USER_SUBDIALOG) && d.pageKey && StgIsSettingExcluded(ctx, d.pageKey));
}

INT_PTR RunNestedSheet(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, WORD mode, HWND owner, HMODULE resources) {
  bool userSheet = (dialog->kind & STG_DIALOG_USER_SUBDIALOG) != 0;
  WORD filter = userSheet ? WORD(STG_DIALOG_USER_SUBDIALOG) : mode;
  WORD requested = dialog->id;
  int count = 0, start = 0;
  for (int i = 0; i < ctx->dialogs->count; ++i) {
    DIALOG_DESC& d = ctx->dialogs->rows[i];
    if (!IsNestedPage(ctx, d, filter)) continue;
    d.window = nullptr;
    if (d.id == requested) start = count;
    ++count;
  }
  if (!count) return -1;
  auto* pages = static_cast<PROPSHEETPAGEW*>(StgAllocZero(DWORD(sizeof(PROPSHEETPAGEW) * size_t(count))));
  if (!pages) return -1;
  int n = 0;
  for (int i = 0; i < ctx->dialogs->count && n < count; ++i) {
    const DIALOG_DESC& d = ctx->dialogs->rows[i];
    if (!IsNestedPage(ctx, d, filter)) continue;
    PROPSHEETPAGEW& p = pages[n++];
    p.dwSize = sizeof(PROPSHEETPAGEW);
    p.dwFlags = PSP_HASHELP;
    p.hInstance = resources;
    p.pszTemplate = MAKEINTRESOURCEW(d.id);
    p.pfnDlgProc = PgPageProc;
    p.lParam = reinterpret_cast<LPARAM>(ctx);
  }
  WCHAR caption[DLG_FILE_TEXT] = {};
  if (userSheet) {
    CfgLoadString(ctx, kSheetCaption, caption, DLG_FILE_TEXT, 1);
  } else if (const WCHAR* name = CfgGetPrinterName(ctx)) {
    size_t len = std::char_traits<char16_t>::length(name);
    std::memcpy(caption, name, std::min<size_t>(len, DLG_FILE_TEXT - 1) * sizeof(WCHAR));
  }
  PROPSHEETHEADERW h{};
  h.dwSize = sizeof h;
  h.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_HASHELP | (StgIsVistaOrLater() ? PSH_NOCONTEXTHELP : 0);
  h.hwndParent = owner;
  h.hInstance = resources;
  h.pszCaption = caption;
  h.nPages = UINT(count);
  h.nStartPage = UINT(start);
  h.ppsp = pages;
  INT_PTR result = PropertySheetW(&h);
  StgFree(pages);
  return result;
}

}  // namespace

int DlgOpenSubDialog(SETTING_CONTEXT* ctx, WORD mode, WORD dialogId, HWND owner) {
  if (!ctx || !ctx->work || !ctx->dialogs) return -1;
  HMODULE resources = CfgLoadResourceDll(ctx);
  if (!resources) return -1;
  CONTEXT_WORK_AREA* w = ctx->work;
  // Without a snapshot of its own the dialog's changes could not be rolled back: it does not open.
  if (!StgPushUndo(ctx)) return 0;
  SHORT previous = ctx->dialogInUse;
  ctx->dialogInUse = SHORT(dialogId);
  DIALOG_DESC* dialog = StgFindDialog(ctx, dialogId);
  if (!dialog) {
    StgPopUndo(ctx, 1);
    ctx->dialogInUse = previous;
    return 0;
  }
  // Only this dialog's own ending can accept it.
  w->dialogAccepted = 0;
  INT_PTR result;
  if (dialog->kind & (STG_DIALOG_FILE_MASK | STG_DIALOG_FOLDER)) {
    result = RunFileDialog(ctx, dialog, owner, resources);
  } else if ((mode & kNestedModes) || (dialog->kind & STG_DIALOG_USER_SUBDIALOG)) {
    result = RunNestedSheet(ctx, dialog, mode, owner, resources);
  } else {
    dialog->modalOpen = 1;
    result = DialogBoxParamW(resources, MAKEINTRESOURCEW(dialogId), owner, DlgProc, reinterpret_cast<LPARAM>(ctx));
    dialog->modalOpen = 0;
    if (w->sheet.firstDialogId == dialogId) w->sheet.firstDialogId = 0;
  }
  ctx->dialogInUse = previous;
  if (w->dialogAccepted) {
    StgPopUndo(ctx, 0);
    StgBroadcastModuleEvent(ctx, DLG_EVENT_SUBDIALOG_KEPT, dialog);
    DIALOG_DESC* before = owner ? StgFindDialog(ctx, WORD(previous)) : nullptr;
    if (before) {
      HWND page = static_cast<HWND>(before->window);
      bool marks = dialogId != kNoChangedMark[0] && dialogId != kNoChangedMark[1];
      if (marks && page) SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
      PgLayoutPage(ctx, before, 1);
    }
  } else {
    StgPopUndo(ctx, 1);
    StgBroadcastModuleEvent(ctx, DLG_EVENT_SUBDIALOG_ROLLED_BACK, dialog);
  }
  return int(result);
}

void DlgClearResolveGuard(SETTING_CONTEXT* ctx, UINT message, WPARAM wParam, LPARAM lParam, int force) {
  if (!ctx || !ctx->work) return;
  bool clear = force != 0;
  if (message == WM_NOTIFY && lParam) {
    UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
    clear = clear || code == UINT(PSN_APPLY) || code == UINT(PSN_RESET);
  } else if (message == WM_COMMAND) {
    WORD id = LOWORD(wParam);
    clear = clear || id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO || id == IDCLOSE;
  }
  if (!clear) return;
  ctx->work->sheet.resolveGuard = 0;
  ctx->work->sheet.resolveNode = nullptr;
}

int DlgFileExists(const WCHAR* path) {
  if (!path || !path[0]) return 0;
  // The wide name as typed: a name the ANSI code page cannot write is still found.
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(f);
  return 1;
}

namespace {

// The absolute, normalised form of a path; empty when it has none.
Text FullPath(const WCHAR* path) {
  if (!path || !path[0]) return {};
  WCHAR buffer[DLG_FILE_TEXT] = {};
  DWORD n = GetFullPathNameW(path, DLG_FILE_TEXT, buffer, nullptr);
  if (n == 0 || n >= DLG_FILE_TEXT) return {};
  return Text(buffer, n);
}

bool SameFile(const Text& a, const WCHAR* listed) {
  Text b = FullPath(listed);
  return !b.empty() && lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

}  // namespace

int DlgIsSettingsFileInUse(SETTING_CONTEXT* ctx, const WCHAR* file) {
  if (!ctx || !ctx->work) return 0;
  Text wanted = FullPath(file);
  if (wanted.empty()) return 0;
  const WCHAR* ini = CfgGetIniPath(ctx);
  const WCHAR* section = CfgGetPresetSection(ctx);
  WCHAR key[64] = {}, listed[DLG_FILE_TEXT] = {};
  for (int i = 0, n = CfgGetPresetCount(ctx); i < n; ++i) {
    CfgIniGetString(section, CfgFormatPresetKey(key, i, 0), u"", listed, DLG_FILE_TEXT, ini);
    if (SameFile(wanted, listed)) return 1;
  }
  for (int i = 0, n = CfgGetQualityCount(ctx); i < n; ++i) {
    CfgIniGetString(section, CfgFormatQualityKey(key, i), u"", listed, DLG_FILE_TEXT, ini);
    if (SameFile(wanted, listed)) return 1;
  }
  return 0;
}

void DlgShowControlHelp(HWND dialog, HWND control, UINT message) {
  if (!dialog || !control) return;
  auto* ctx = reinterpret_cast<SETTING_CONTEXT*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!ctx || !ctx->work) return;
  DIALOG_DESC* page = PgFindByWindow(ctx, dialog);
  CONTROL_DESC* c = page ? CtlFindByWindow(ctx, page, control) : nullptr;
  if (!c || (c->state & (STG_CONTROL_STATE_HIDDEN_MASK | STG_CONTROL_STATE_DISABLED_MASK))) return;
  DWORD pairs[4] = {c->controlId, c->labelId, 0, 0};
  const WCHAR* file = UiGetHelpFilePath(ctx);
  if (message == WM_HELP)
    WinHelpW(control, file, HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(pairs));
  else
    WinHelpW(c->kind == 4 ? dialog : control, file, HELP_CONTEXTMENU, reinterpret_cast<ULONG_PTR>(pairs));
}

// ---- The hook of the file and folder dialogs.

namespace {

struct Hook {
  HWND window;
  SETTING_CONTEXT* ctx;
  DIALOG_DESC* dialog;

  WORD Kind() const { return dialog ? dialog->kind : 0; }
  Text Pattern() const {
    const WCHAR* p = dialog ? FmFileFilterOfDialog(dialog) : nullptr;
    return p ? Text(p) : Text();
  }
  // The pattern's extension with its dot (".rst"), empty for "*.*" and for no pattern.
  Text DefaultExtension() const {
    Text p = Pattern();
    if (p.size() > 1 && p[0] == u'*') p.erase(0, 1);
    return p == u".*" ? Text() : p;
  }
  // A resource string in a box on the hook window captioned with the printer name: the answer.
  int Say(WORD id, UINT buttons) const {
    WCHAR text[DLG_FILE_TEXT] = {};
    CfgLoadString(ctx, id, text, DLG_FILE_TEXT, 1);
    return MessageBoxW(window, text, CfgGetPrinterName(ctx), MB_ICONEXCLAMATION | buttons);
  }
  void Warn(WORD id) const { Say(id, MB_OK); }
  bool Ask(WORD id) const { return Say(id, MB_OKCANCEL) != IDCANCEL; }

  Text Edit() const {
    WCHAR text[DLG_FILE_TEXT] = {};
    GetDlgItemTextW(window, kNameEdit, text, DLG_FILE_TEXT);
    return Text(text);
  }
  void SetEdit(const Text& text) const { SetDlgItemTextW(window, kNameEdit, text.c_str()); }
  Text FolderItem(int i) const {
    WCHAR item[DLG_FILE_TEXT] = {};
    LRESULT n = SendDlgItemMessageW(window, kFolderList, LB_GETTEXTLEN, WPARAM(i), 0);
    if (n < 0 || n >= DLG_FILE_TEXT) return {};
    SendDlgItemMessageW(window, kFolderList, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item));
    return Text(item);
  }
  // The current folder: item 0 of the folder list (the drive), then the items down to the selection,
  // each followed by "\" (the drive item already ends with one).
  Text Folder(bool trailing) const {
    Text folder = FolderItem(0);
    int selection = int(SendDlgItemMessageW(window, kFolderList, LB_GETCURSEL, 0, 0));
    for (int i = 1; i <= selection; ++i) {
      if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
      folder += FolderItem(i);
    }
    if (trailing && !folder.empty() && folder.back() != u'\\') folder += u'\\';
    if (!trailing && folder.size() > 1 && folder.back() == u'\\' && folder[folder.size() - 2] != u':') folder.pop_back();
    return folder;
  }
  // The path of a typed name: a name from the root or with a drive is taken as it is.
  Text PathOf(const Text& name) const {
    if (IsRooted(name)) return name;
    return Folder(true) + name;
  }
  static bool IsRooted(const Text& name) { return (!name.empty() && name[0] == u'\\') || (name.size() > 1 && name[1] == u':'); }
  // The default extension appended when the name's last part has none.
  Text Completed(const Text& path) const {
    for (size_t i = path.size(); i-- > 0;) {
      if (path[i] == u'.') return path;
      if (path[i] == u'\\') break;
    }
    return path + DefaultExtension();
  }
  // The edit text with its extension replaced by the pattern's (added when it has none).
  Text ReplaceExtension() const {
    Text text = Edit();
    Text ext = DefaultExtension();
    size_t dot = Text::npos;
    for (size_t i = text.size(); i-- > 1;)
      if (text[i] == u'.') {
        dot = i;
        break;
      }
    if (dot != Text::npos) text.erase(dot);
    text += ext;
    SetEdit(text);
    return text;
  }
  bool Matches(const Text& name) const {
    if (name.size() < 4) return FmMatchFilterExtension(dialog, name.c_str()) != 0;
    return FmMatchFilterExtension(dialog, name.c_str() + name.size() - 4) != 0;
  }
  void Accept() const { ctx->work->dialogAccepted = 1; }
};

bool HasWildcard(const Text& s) { return s.find_first_of(u"*?") != Text::npos; }

// A settings file tried under a snapshot of its own, rolled back afterwards: true when it loads. Without
// a snapshot the trial could not be undone, so the file is refused. A settings file of dialog 4001 that
// loads is written back when the printer is not named as its driver.
bool TrialLoads(Hook& h, const Text& path, DWORD flags) {
  if (path.size() >= kPathLimit) {
    h.Warn(kMsgBadName);
    return false;
  }
  if (!StgPushUndo(h.ctx)) {
    h.Warn(kMsgNotLoaded);
    return false;
  }
  StgSetLastError(h.ctx, 0);
  InstLoadSettingsFile(h.ctx->printer, path.c_str(), flags, h.ctx);
  if (flags == kTrialLoadQuiet && (h.Kind() & STG_DIALOG_FILE_OPEN) && StgGetLastError(h.ctx) == 0) {
    const WCHAR* printer = CfgGetPrinterName(h.ctx);
    const WCHAR* driver = CfgGetDriverName(h.ctx);
    if (printer && driver && lstrcmpW(printer, driver) != 0)
      CfgWriteSettingsFile(h.ctx->printer, path.c_str(), kTrialLoadQuiet, h.ctx);
  }
  StgPopUndo(h.ctx, 1);
  return StgGetLastError(h.ctx) == 0;
}

// Several names typed into dialog 4001: each must load as a settings file of this printer.
UINT_PTR SeveralNames(Hook& h, const Text& typed) {
  int count = CfgGetPresetCount(h.ctx);
  for (char16_t c : typed)
    if (c == u' ' && ++count >= kPresetLimit) {
      h.Warn(kMsgTooManyNames);
      return 1;
    }
  size_t at = 0;
  while (at < typed.size()) {
    size_t blank = typed.find(u' ', at);
    Text name = typed.substr(at, blank == Text::npos ? Text::npos : blank - at);
    at = blank == Text::npos ? typed.size() : blank + 1;
    if (name.empty()) continue;
    if (HasWildcard(name)) return 0;
    if (!TrialLoads(h, h.Completed(h.PathOf(name)), kTrialLoad)) return 1;
  }
  h.Accept();
  return 0;
}

// The folder of intermediate files: the folder list's folder, stored empty when it is the default.
UINT_PTR FolderChosen(Hook& h, Text name) {
  if (name == u"*.*") {
    name.clear();
    h.SetEdit(name);
  }
  if (!name.empty()) {
    h.Accept();
    return 0;
  }
  Text folder = h.Folder(false);
  WCHAR windows[DLG_FILE_TEXT] = {};
  DlgWindowsDirectory(windows, DLG_FILE_TEXT);
  Text fallback = Text(windows) + u"\\temp";
  Text stored = lstrcmpiW(folder.c_str(), fallback.c_str()) == 0 ? Text() : folder;
  DWORD bytes = DWORD((stored.size() + 1) * sizeof(WCHAR));
  if (StgGetOptionValue(h.ctx, sid::wdmSpoolDirectoryAll, nullptr) == 1)
    InstWriteDriverRegistryValue(u"SpoolDirectory", stored.c_str(), bytes);
  else
    CfgSetPrinterDataTyped(h.ctx->printer, stored.c_str(), bytes, REG_SZ, u"SpoolDirectory");
  SendMessageW(h.window, WM_COMMAND, IDCANCEL, 0);
  return 1;
}

UINT_PTR OnOk(Hook& h) {
  DlgClearResolveGuard(h.ctx, 0, 0, 0, 1);
  if (!h.ctx || !h.dialog) return 0;
  Text name = h.Edit();
  WORD kind = h.Kind();
  if (h.dialog->id == kMultiOpenDialog && name.find(u' ') != Text::npos) return SeveralNames(h, name);
  if (h.dialog->id == kFolderDialog) return FolderChosen(h, name);
  if (HasWildcard(name)) return 0;
  if (!name.empty()) {
    Text completed = h.Completed(name);
    if (completed != name) {
      name = completed;
      h.SetEdit(name);
    }
  }
  if (kind & STG_DIALOG_FILE_REFER) {
    HANDLE f = nullptr;
    if (CfgOpenBmpFile(h.PathOf(name).c_str(), &f)) {
      if (f && f != INVALID_HANDLE_VALUE) CloseHandle(f);
      h.Accept();
      return 0;
    }
    h.Warn(kMsgBadPicture);
    return 1;
  }
  if (kind & STG_DIALOG_FILE_PRESET_SAVE) {
    if (name.empty()) {
      h.Warn(kMsgBadName);
      return 1;
    }
    if (!h.Matches(name)) {
      if (!h.Ask(kMsgAddExtension)) return 1;
      name = h.ReplaceExtension();
    }
    if (DlgFileExists(h.PathOf(name).c_str()) && !h.Ask(kMsgReplaceFile)) return 1;
    h.Accept();
    return 0;
  }
  if (kind & STG_DIALOG_FILE_PRESET_REFER) {
    if (!DlgFileExists(h.PathOf(name).c_str())) {
      h.Warn(kMsgBadPicture);
      return 1;
    }
    if (!h.Matches(name)) {
      h.Warn(kMsgBadName);
      return 1;
    }
    h.Accept();
    return 0;
  }
  if (kind & STG_DIALOG_FILE_SAVE) {
    Text path = name.size() && name[0] == u'\\' ? h.FolderItem(0).substr(0, 2) + name : h.PathOf(name);
    path = h.Completed(path);
    if (path.size() >= kPathLimit) {
      h.Warn(kMsgBadName);
      return 1;
    }
    if (DlgFileExists(path.c_str())) {
      if (!h.Ask(kMsgReplaceFile)) return 1;
    } else if (!h.Matches(path)) {
      if (!h.Ask(kMsgReplaceExtension)) return 1;
      h.ReplaceExtension();
    }
    h.ctx->work->sheet.subDialogResult = DLG_FILE_SAVE;
    return 0;
  }
  // OK in the save-load-delete dialog is its save button. The action is recorded only once its checks
  // pass, so that a refused name is never taken by the next OK unchecked.
  if ((kind & STG_DIALOG_FILE_SETTINGS) && h.ctx->work->sheet.subDialogResult == 0) {
    SendMessageW(h.window, WM_COMMAND, DLG_FILE_SAVE, 0);
    return 1;
  }
  if (h.ctx->work->sheet.subDialogResult == DLG_FILE_SAVE) {
    h.Accept();
    return 0;
  }
  if (!TrialLoads(h, h.Completed(h.PathOf(name)), kTrialLoadQuiet)) return 1;
  h.Accept();
  return 0;
}

// The save, load and delete buttons: the name is checked, then OK carries the confirmed action.
UINT_PTR OnAction(Hook& h, WORD button) {
  if (!h.ctx || !h.dialog) return 0;
  Text name = h.Edit();
  if (HasWildcard(name)) {
    SendMessageW(h.window, WM_COMMAND, IDOK, 0);
    return 0;
  }
  size_t mark = name.find_last_of(u".\\");
  bool invalid = name.empty() || mark == 0 || (mark != Text::npos && (name[mark] == u'\\' || name[mark - 1] == u'\\'));
  if (invalid) {
    if (button == DLG_FILE_SAVE) h.Warn(kMsgBadName);
    return 0;
  }
  Text path = h.Completed(h.PathOf(name));
  if (path.size() >= kPathLimit) {
    h.Warn(kMsgBadName);
    return 1;
  }
  if (!DlgFileExists(path.c_str())) {
    if (button == DLG_FILE_DELETE) {
      h.Warn(kMsgNothingToDelete);
      return 0;
    }
    if (button == DLG_FILE_LOAD) {
      h.Warn(kMsgNotLoaded);
      return 0;
    }
    if (!h.Matches(path)) {
      if (!h.Ask(kMsgReplaceExtension)) return 0;
      path = h.Completed(h.PathOf(h.ReplaceExtension()));
    }
  }
  if (DlgFileExists(path.c_str())) {
    if (!h.Matches(path)) {
      if (!h.Ask(kMsgReplaceExtension)) return 0;
      path = h.Completed(h.PathOf(h.ReplaceExtension()));
    }
    if (!(h.Kind() & STG_DIALOG_FILE_PRESET_SAVE)) {
      if (!FmIsPresetWritable(h.ctx, path.c_str())) {
        h.Warn(kMsgReadOnlyPreset);
        return 0;
      }
      if (button == DLG_FILE_SAVE && !h.Ask(kMsgReplaceFile)) return 0;
      if (button == DLG_FILE_DELETE && DlgIsSettingsFileInUse(h.ctx, path.c_str())) {
        h.Warn(kMsgPresetInUse);
        return 0;
      }
    }
  }
  if (button == DLG_FILE_DELETE) {
    if (!h.Ask(kMsgDeleteFile)) return 0;
    if (h.Kind() & STG_DIALOG_FILE_PRESET_SAVE) {
      DeleteFileW(path.c_str());
      h.SetEdit(h.Pattern());
      SendMessageW(h.window, WM_COMMAND, IDOK, 0);
      return 0;
    }
  }
  h.ctx->work->sheet.subDialogResult = button;
  SendMessageW(h.window, WM_COMMAND, IDOK, 0);
  return 0;
}

}  // namespace

UINT_PTR DlgFileDialogHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* ofn = reinterpret_cast<OPENFILENAMEW*>(lParam);
    auto* ctx = ofn ? reinterpret_cast<SETTING_CONTEXT*>(ofn->lCustData) : nullptr;
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx));
    if (StgIsVistaOrLater())
      SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CONTEXTHELP));
    if (ctx && ctx->work) {
      DlgResetChildWindowProcs(ctx, window);
      if (ctx->dialogInUse == kFolderDialog)
        CheckDlgButton(window, kAllUsersCheck, StgGetOptionValue(ctx, sid::wdmSpoolDirectoryAll, nullptr) == 1 ? 1 : 0);
    }
    return 1;
  }
  if (message == WM_HELP || message == WM_CONTEXTMENU) return 1;
  if (message != WM_COMMAND) return 0;
  auto* ctx = reinterpret_cast<SETTING_CONTEXT*>(GetWindowLongPtrW(window, DWLP_USER));
  if (ctx && !ctx->work) ctx = nullptr;
  Hook h{window, ctx, ctx ? DialogInUse(ctx) : nullptr};
  WORD id = LOWORD(wParam);
  switch (id) {
    case IDCANCEL:
      if (ctx) {
        DlgClearResolveGuard(ctx, 0, 0, 0, 1);
        ctx->work->dialogAccepted = 0;
      }
      return 0;
    case kTypeCombo:
      if (ctx && CtlNotifyCode(wParam, lParam) == CBN_SELCHANGE) {
        h.SetEdit(h.Pattern());
        SendMessageW(window, WM_COMMAND, IDOK, 0);
      }
      return 1;
    case kDefaultFolderButton: {
      if (!ctx) return 1;
      WCHAR windows[DLG_FILE_TEXT] = {};
      DlgWindowsDirectory(windows, DLG_FILE_TEXT);
      Text folder = Text(windows) + u"\\temp";
      DWORD a = GetFileAttributesW(folder.c_str());
      if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) folder = windows;
      ctx->work->dialogAccepted = 0;
      h.SetEdit(folder);
      SendMessageW(window, WM_COMMAND, IDOK, 0);
      return 1;
    }
    case kAllUsersCheck:
      if (ctx) StgSetOptionValue(ctx, sid::wdmSpoolDirectoryAll, IsDlgButtonChecked(window, kAllUsersCheck) ? 1 : 0);
      return 0;
    case IDOK:
      return OnOk(h);
    case DLG_FILE_SAVE:
    case DLG_FILE_LOAD:
    case DLG_FILE_DELETE:
      return OnAction(h, id);
  }
  return 0;
}
