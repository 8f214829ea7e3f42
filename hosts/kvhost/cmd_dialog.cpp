// kvhost ui dialog PRINTER DIALOG: one driver dialog opened directly through the sub-dialog launcher, for
// model authors and the feature dialogs' tests. The interface library is linked in its static form (it
// exports no such entry); the settings context is made as the document sheet's worker makes it (--device:
// as the device sheet's). Prints how the dialog ended, the message boxes shown and every setting whose
// value changed.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "input_script.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "kvplat/window.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "sheets/dlg_prepare.h"
#include "sheets/dlg_subdialog.h"
#include "ui_access.h"
#include "ui_builds.h"
#include "ui_frame.h"
#include "ui_intake.h"

namespace kvhost {

namespace {

constexpr char kUsage[] = "usage: kvhost ui dialog PRINTER DIALOG [--device] [--mode N] [--script FILE] [--png OUT.png]";

std::string SettingName(const ITEM_DESC& row) {
  if (const ITEM_SYMBOL* s = StgFindSymbolByKey(WORD(row.key)); s && s->name) return s->name;
  return "setting " + std::to_string(row.id);
}

std::vector<uint64_t> Values(SETTING_CONTEXT* ctx) {
  std::vector<uint64_t> v;
  for (int i = 0; ctx->dictionary && i < ctx->dictionary->count; ++i)
    v.push_back(StgGetValue(ctx, WORD(ctx->dictionary->rows[i].id), nullptr));
  return v;
}

// At the dialog's first wait: its picture.
void Picture(const std::string& png, std::string* note) {
  kvp::ui::Picture pic;
  std::string error;
  std::string host;
  if (!HostPathOf(png, &host)) host = png;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(host).parent_path(), ec);
  if (!kvp::ui::DrawWindow(GetActiveWindow(), &pic) || !kvp::ui::WritePng(pic, host, &error)) {
    *note = "cannot write " + png + (error.empty() ? "" : ": " + error);
    return;
  }
  *note = "wrote " + png + " (" + std::to_string(pic.width) + " x " + std::to_string(pic.height) + ")";
}

}  // namespace

int RunDialogCommand(const std::vector<std::string>& args) {
  if (args.size() < 2 || args[0].rfind("--", 0) == 0) return UsageError(kUsage);
  std::string printerName = args[0], scriptFile, png;
  char* end = nullptr;
  unsigned long dialogId = std::strtoul(args[1].c_str(), &end, 0);
  if (!end || *end || dialogId == 0 || dialogId > 0xFFFF) return UsageError(kUsage);
  bool device = false;
  unsigned long mode = 4;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--device") {
      device = true;
    } else if (i + 1 < args.size() && args[i] == "--mode") {
      mode = std::strtoul(args[++i].c_str(), &end, 0);
      if (!end || *end || mode == 0 || mode > 0xFFFF) return UsageError(kUsage);
    } else if (i + 1 < args.size() && args[i] == "--script") {
      scriptFile = args[++i];
    } else if (i + 1 < args.size() && args[i] == "--png") {
      png = args[++i];
    } else {
      return UsageError(kUsage);
    }
  }
  if (int rc = CheckRoot()) return rc;
  input::Script script;
  if (int rc = LoadUiScript(scriptFile, &script)) return rc;
  HANDLE printer = nullptr;
  if (int rc = OpenPrinterFully(printerName, &printer)) return rc;
  UiFillLibraryHooks();
  SETTING_CONTEXT* ctx = UiOpenContextInfo(printer, printer, nullptr, STG_KIND_UI, nullptr);
  if (!ctx || !ctx->image || !ctx->work) {
    if (ctx) UiCloseContext(ctx);
    ClosePrinter(printer);
    return Failed("no settings context for '" + printerName + "'");
  }
  UiValidateContextStore(ctx);
  if (device) StgSetPropertyTypeTo1(ctx);
  UiMergeCallerDevmode(ctx, nullptr, device ? UI_MODE_DEVICE_SHEETS : UI_MODE_DOC_SHEETS);
  // What the first page of a sheet would have prepared (its snapshot included) comes before the dialog.
  DlgPrepareUi(ctx, nullptr);
  if (!StgFindDialog(ctx, WORD(dialogId))) std::printf("the model has no dialog %lu\n", dialogId);

  kvp::ui::ScriptReset();
  kvp::ui::ClearLogs();
  std::string pictureNote;
  if (!png.empty()) kvp::ui::ScriptCall([&] { Picture(png, &pictureNote); });
  auto progress = std::make_shared<input::Progress>();
  input::Queue(script, progress);
  kvp::ui::ScriptPressCancel();  // a script that does not end the dialog cancels it
  std::vector<uint64_t> before = Values(ctx);
  int result = DlgOpenSubDialog(ctx, WORD(mode), WORD(dialogId), nullptr);
  bool accepted = ctx->work->dialogAccepted != 0;
  std::vector<uint64_t> after = Values(ctx);
  std::string failure = input::Failure(*progress);
  kvp::ui::ScriptReset();

  if (!pictureNote.empty()) std::printf("%s\n", pictureNote.c_str());
  for (const std::string& n : progress->notes) std::printf("%s\n", n.c_str());
  for (const kvp::ui::MessageBoxRecord& m : kvp::ui::MessageBoxLog())
    std::printf("message box: %s | %s -> %d\n", kvp::ToUtf8(m.caption).c_str(), kvp::ToUtf8(m.text).c_str(), m.answer);
  std::printf("dialog %lu: result %d, %s\n", dialogId, result, result < 0 ? "failed" : accepted ? "accepted" : "rolled back");
  int changed = 0;
  for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
    if (before[i] == after[i]) continue;
    std::printf("%s: %llu -> %llu\n", SettingName(ctx->dictionary->rows[i]).c_str(), (unsigned long long)before[i],
                (unsigned long long)after[i]);
    ++changed;
  }
  if (!changed) std::printf("no setting changed\n");
  UiCloseContext(ctx);
  ClosePrinter(printer);
  if (!failure.empty()) return Failed(scriptFile + ": " + failure);
  if (pictureNote.rfind("cannot", 0) == 0) return Failed(pictureNote);
  return result < 0 ? kExitFailed : kExitDone;
}

}  // namespace kvhost
