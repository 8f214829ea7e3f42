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
#include "settings/devmode.h"

struct SETTING_CONTEXT;
struct SETTING_STORE;

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
    (printer, rows, count, flags))

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
