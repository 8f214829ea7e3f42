// A library's own builds of common operations.
//
// Each deliverable links its own copy of the common library. Where a deliverable builds an operation
// differently (the graphics library keeps custom sizes in page orientation, the interface library drives
// its dialogs), the common library still calls the operation by its common name; that name dispatches
// through this library's table of function references. The table starts with the common builds in
// every row; a deliverable fills its own rows when it attaches, before any other call into the library.
#pragma once
#include "driverdata/img_image.h"
#include "kvplat/types.h"
#include "kvplat/window.h"
#include "settings/devmode.h"
#include "settings/feature_modules.h"

struct SETTING_CONTEXT;
struct SETTING_STORE;
struct ITEM_DESC;
struct DIALOG_DESC;
struct BIDI_API;

// The rows: X(operation, return type, parameters, arguments). One row per operation that some
// deliverable builds differently; the common build of operation N is N##Common.
#define KV_LIBRARY_HOOK_ROWS(X)                                                                          \
  X(StgResetAllItems, void, (SETTING_CONTEXT * ctx), (ctx))                                              \
  X(StgMergeDevmode, int, (SETTING_CONTEXT * ctx, const DEVMODEW* incoming, DWORD mode), (ctx, incoming, mode)) \
  X(ImgGetNodeType, WORD, (SETTING_CONTEXT * ctx, WORD id), (ctx, id))                                   \
  X(ImgGetCustomPaperSize, int, (SETTING_CONTEXT * ctx, LONG size[2], DWORD code, int oriented),         \
    (ctx, size, code, oriented))                                                                         \
  X(RuleRunTransact, DWORD, (SETTING_CONTEXT * ctx, IMG_REF transacts), (ctx, transacts))                \
  X(CfgLoadString, void, (SETTING_CONTEXT * ctx, DWORD stringId, WCHAR* dest, int capacity, int decorate), \
    (ctx, stringId, dest, capacity, decorate))                                                           \
  X(RuleApplyUserMacro, LONG, (SETTING_CONTEXT * ctx), (ctx))                                           \
  X(StgCreateStore, SETTING_STORE*, (SETTING_CONTEXT * ctx, WORD buildMode), (ctx, buildMode))        \
  X(CfgLoadQualityEntry, int, (SETTING_CONTEXT * ctx, const WCHAR* key), (ctx, key))                    \
  X(CfgStoreFreeSizeSlot, void, (SETTING_CONTEXT * ctx, int slot), (ctx, slot))                          \
  X(CfgStoreFreeSizeSlotSrc, void, (SETTING_CONTEXT * ctx, int slot), (ctx, slot))                       \
  X(StgResetChapterDefaultTrays, void, (SETTING_CONTEXT * ctx), (ctx))                                   \
  X(CfgReloadDeviceSettings, int, (SETTING_CONTEXT * ctx), (ctx))                                        \
  X(CfgReadSettingsFile, int, (HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx),     \
    (printer, path, flags, ctx))                                                                         \
  X(StgMergePublicFields, void, (DEVMODEW * store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx),         \
    (store, incoming, ctx))                                                                              \
  X(StgApplyOutputPaper, void, (DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm),           \
    (paper, settingId, ctx, dm))                                                                         \
  X(CfgWriteFontTableRows, int, (HANDLE printer, const void* rows, DWORD count, DWORD flags),              \
    (printer, rows, count, flags))                                                                       \
  X(StgWritePrivateTexts, void, (SETTING_CONTEXT * ctx), (ctx))                                          \
  X(StgInitStateBytes, void, (SETTING_CONTEXT * ctx), (ctx))                                             \
  X(StgSetContextLanguage, void, (SETTING_CONTEXT * ctx), (ctx))                                         \
  X(StgFinishContextCreation, void, (SETTING_CONTEXT * ctx), (ctx))                                      \
  X(StgReleaseLibraryParts, void, (SETTING_CONTEXT * ctx), (ctx))                                        \
  X(RuleCheckValue, int, (const ITEM_DESC* desc, WORD id, DWORD value, SETTING_CONTEXT* ctx, IMG_REF node), \
    (desc, id, value, ctx, node))                                                                        \
  X(CfgTransferSettingsFile, int, (HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* ctx), \
    (printer, path, flags, ctx))                                                                         \
  X(CfgTestRstHeader, int, (const WCHAR* path, const WCHAR* section, DWORD flags, SETTING_CONTEXT* ctx,   \
                            const char* body, int tolerant, DWORD* migrateFrom),                         \
    (path, section, flags, ctx, body, tolerant, migrateFrom))                                            \
  X(CfgCheckLockedSettings, int, (const WCHAR* path, const WCHAR* section, SETTING_CONTEXT* ctx),         \
    (path, section, ctx))                                                                                \
  X(CfgNormalizeSectionName, WCHAR*, (WCHAR * section), (section))                                      \
  X(StgEditChapterRows, int,                                                                             \
    (SETTING_CONTEXT * ctx, DIALOG_DESC * dialog, const DWORD* pages, void* unused,                      \
     const WCHAR(*ranges)[STG_CHAPTER_RANGE_CHARS]),                                                     \
    (ctx, dialog, pages, unused, ranges))                                                                \
  X(StgDeleteChapterRow, int, (SETTING_CONTEXT * ctx), (ctx))                                            \
  X(StgClearChapterRows, int, (SETTING_CONTEXT * ctx), (ctx))                                            \
  X(OpenBidiDevice, bool, (WORD queryFlags, SETTING_CONTEXT * ctx), (queryFlags, ctx))                   \
  X(BidiReadConfig, int, (const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx),       \
    (api, device, query, ctx))                                                                           \
  X(BidiReadOptions, int, (const BIDI_API* api, HANDLE device, HANDLE query, SETTING_CONTEXT* ctx),      \
    (api, device, query, ctx))                                                                           \
  X(BidiShowWaitWindow, HWND, (SETTING_CONTEXT * ctx, HWND owner), (ctx, owner))                         \
  X(BidiCloseWaitWindow, void, (HWND owner, HWND window), (owner, window))

// The table: one function reference per row, named as the operation.
struct LIBRARY_HOOKS {
#define KV_HOOK_FIELD(name, ret, params, args) ret(*name) params;
  KV_LIBRARY_HOOK_ROWS(KV_HOOK_FIELD)
#undef KV_HOOK_FIELD
};

// The common builds, the table's defaults.
#define KV_HOOK_COMMON(name, ret, params, args) ret name##Common params;
KV_LIBRARY_HOOK_ROWS(KV_HOOK_COMMON)
#undef KV_HOOK_COMMON

// Fills the library's own rows: every non-null reference of `own` replaces its row. Returns the number
// of rows filled (0 for none).
int StgFillLibraryHooks(const LIBRARY_HOOKS* own);
// Puts the common build back into every row.
void StgResetLibraryHooks();
// The table as it stands.
const LIBRARY_HOOKS* StgGetLibraryHooks();
