// Message boxes and the wait window.
#include "sheets/dlg_messages.h"

#include "config/paths.h"
#include "config/resource_strings.h"
#include "kvplat/dialog.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/heap.h"
#include "kvplat/text.h"
#include "kvplat/window.h"
#include "settings/context.h"
#include "ui_paths.h"

namespace {

constexpr int kCaptionChars = 261;
constexpr int kMessageChars = 1024;
constexpr SIZE_T kSlackBytes = 2048;
constexpr SIZE_T kBytesPerNumber = 32;
constexpr const WCHAR* kParagraph = u"\r\n\r\n";
// The neutral language with the default sub-language: the system's own texts.
constexpr DWORD kNeutralLanguage = 0x400;

SIZE_T TextBytes(const WCHAR* text) { return text ? 2 * kvp::WLen(text) + 2 : 0; }

// Room for the composed message: the free texts, the insert and a fixed allowance for the message
// string; every write into the blocks is bounded by it as well.
SIZE_T RequestBytes(const MSG_REQUEST& r) {
  SIZE_T bytes = TextBytes(r.textBefore) + TextBytes(r.textAfter) + kSlackBytes;
  if (r.insert && r.insertKind == MSG_INSERT_TEXT) bytes += TextBytes(static_cast<const WCHAR*>(r.insert));
  if (r.insert && r.insertKind == MSG_INSERT_NUMBERS) bytes += kBytesPerNumber * r.numberCount;
  return bytes;
}

// The message string formatted with the request's insert into `out`.
void FormatMessageText(const MSG_REQUEST& r, const WCHAR* format, WCHAR* out, int capacity) {
  if (!r.insert) {
    CfgCopyText(out, capacity, format);
    return;
  }
  CFG_FORMAT_INSERTS args{};
  const WCHAR* text = nullptr;
  LONG numbers[MSG_MAX_NUMBERS] = {};
  if (r.insertKind == MSG_INSERT_TEXT) {
    text = static_cast<const WCHAR*>(r.insert);
    args.texts = &text;
    args.textCount = 1;
  } else {
    const WORD* given = static_cast<const WORD*>(r.insert);
    int count = r.numberCount > MSG_MAX_NUMBERS ? 1 : r.numberCount;
    for (int i = 0; i < count; ++i) numbers[i] = given[i];
    args.numbers = numbers;
    args.numberCount = count;
  }
  CfgFormatResourceText(out, capacity, format, &args);
}

int ShowSimple(SETTING_CONTEXT* ctx, HWND owner, WORD messageId, WORD icon, WORD buttons, WORD insertKind,
               const void* insert) {
  MSG_REQUEST r{};
  r.messageId = messageId;
  r.iconFlags = icon;
  r.buttonFlags = buttons;
  r.insertKind = insertKind;
  r.insert = insert;
  return DlgComposeMessage(ctx, &r, owner ? owner : GetActiveWindow());
}

}  // namespace

int DlgComposeMessage(SETTING_CONTEXT* ctx, const MSG_REQUEST* request, HWND owner) {
  if (!request) return 0;
  const MSG_REQUEST& r = *request;
  if ((r.insert && r.insertKind == 0) || (r.insertKind == MSG_INSERT_NUMBERS && r.numberCount == 0)) return 0;
  SIZE_T bytes = RequestBytes(r);
  auto* message = static_cast<WCHAR*>(LocalAlloc(LPTR, bytes));
  auto* formatted = static_cast<WCHAR*>(LocalAlloc(LPTR, bytes));
  auto* format = static_cast<WCHAR*>(LocalAlloc(LPTR, bytes));
  int answer = 0;
  if (message && formatted && format) {
    int chars = (int)(bytes / sizeof(WCHAR));
    WCHAR caption[kCaptionChars] = {};
    if (r.captionId)
      CfgLoadString(ctx, r.captionId, caption, kCaptionChars, 1);
    else
      CfgCopyText(caption, kCaptionChars, CfgGetPrinterName(ctx));
    if (r.textBefore) {
      CfgAppendText(message, chars, r.textBefore);
      CfgAppendText(message, chars, kParagraph);
    }
    CfgLoadString(ctx, r.messageId, format, kMessageChars < chars ? kMessageChars : chars, 1);
    FormatMessageText(r, format, formatted, chars);
    CfgAppendText(message, chars, formatted);
    if (r.textAfter) {
      CfgAppendText(message, chars, kParagraph);
      CfgAppendText(message, chars, r.textAfter);
      CfgAppendText(message, chars, kParagraph);
    }
    answer = MessageBoxW(owner, message, caption, (UINT)(r.iconFlags | r.buttonFlags));
  }
  LocalFree(format);
  LocalFree(formatted);
  LocalFree(message);
  return answer;
}

int DlgShowMessageBox(SETTING_CONTEXT* ctx, HWND owner, WORD messageId, WORD icon, WORD buttons) {
  return ShowSimple(ctx, owner, messageId, icon, buttons, MSG_INSERT_TEXT, nullptr);
}

int DlgWarn(SETTING_CONTEXT* ctx, HWND owner, WORD messageId, WORD buttons) {
  return DlgShowMessageBox(ctx, owner, messageId, MB_ICONEXCLAMATION, buttons);
}

int DlgWarnOk(SETTING_CONTEXT* ctx, HWND owner, WORD messageId) { return DlgWarn(ctx, owner, messageId, MB_OK); }

int DlgAskOkCancel(SETTING_CONTEXT* ctx, HWND owner, WORD messageId) {
  return DlgWarn(ctx, owner, messageId, MB_OKCANCEL);
}

int DlgWarnWithText(SETTING_CONTEXT* ctx, HWND owner, WORD messageId, const WCHAR* text) {
  return ShowSimple(ctx, owner, messageId, MB_ICONEXCLAMATION, MB_OK, MSG_INSERT_TEXT, text);
}

int DlgShowSystemError(SETTING_CONTEXT* ctx, DWORD errorCode, HWND owner) {
  WCHAR* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                           nullptr, errorCode, kNeutralLanguage, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  if (n && text) MessageBoxW(owner, text, CfgGetPrinterName(ctx), MB_ICONEXCLAMATION);
  if (text) LocalFree(text);
  return 1;
}

HWND DlgShowWaitBox(SETTING_CONTEXT* ctx, HWND, WORD messageId) {
  if (!ctx || !ctx->work) return nullptr;
  HMODULE lib = CfgLoadResourceDll(ctx);
  if (!lib) return nullptr;
  HWND wait = CreateDialogParamW(lib, MAKEINTRESOURCEW(DLG_WAIT_DIALOG_ID), GetActiveWindow(), nullptr, 0);
  if (!wait) return nullptr;
  WCHAR* text = ctx->work->textBuffer;
  constexpr int kTextChars = (int)(sizeof ctx->work->textBuffer / sizeof(WCHAR));
  CfgLoadString(ctx, messageId, text, kTextChars, 1);
  SetWindowTextW(wait, CfgGetPrinterName(ctx));
  SetDlgItemTextW(wait, DLG_WAIT_TEXT_ID, text);
  return wait;
}

BOOL DlgCloseWaitBox(void*, HWND window) { return DestroyWindow(window); }

const WCHAR* DlgCaption(WCHAR*, SETTING_CONTEXT* ctx) { return CfgGetPrinterName(ctx); }

WCHAR* DlgGetPrinterName(HANDLE printer, WCHAR* dest, DWORD capacity) {
  return InstGetPrinterNameCopy(printer, dest, capacity);
}

int DlgWindowsDirectory(WCHAR* buffer, UINT capacity) {
  UINT n = GetSystemWindowsDirectoryW(buffer, capacity);
  // A folder that does not fit leaves no half-written path behind.
  if (buffer && capacity && (n == 0 || n >= capacity)) buffer[0] = 0;
  return 1;
}
