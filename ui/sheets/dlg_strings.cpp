// Composite resource strings of the interface library.
#include "sheets/dlg_strings.h"

#include <vector>

#include "config/device_settings.h"
#include "config/resource_strings.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/library_hooks.h"

namespace {

constexpr DWORD kKindCustomMedia = 6;
constexpr size_t kMediaNameChars = 256;

// Custom media names replace their string as wide text: no trip through the ANSI code page, so a
// name keeps every character it was given.
void ComposeCustomMedia(SETTING_CONTEXT* ctx, WORD settingId, WCHAR* text, int capacity) {
  if (!CfgIsCustomMediaOn(ctx)) return;
  ITEM_DESC* row = StgFindItem(ctx, settingId);
  if (!row) return;
  std::vector<WCHAR> name(StgTypeLength(row->type) + 2, 0);
  if (!StgGetString(ctx, row, name.data()) || !name[0]) return;
  if (name.size() > kMediaNameChars) name[kMediaNameChars - 1] = 0;
  CfgCopyText(text, capacity, name.data());
}

}  // namespace

void DlgComposeDynamicString(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* text, int capacity) {
  if (!ctx || !text || capacity <= 0) return;
  const STRING_DECORATION_ROW* row = CfgFindStringDecoration(stringId);
  if (!row) return;
  if (row->kind == kKindCustomMedia)
    ComposeCustomMedia(ctx, row->settingId, text, capacity);
  else
    CfgDecorateString(ctx, stringId, text, capacity);
}

void DlgLoadString(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* dest, int capacity, int decorate) {
  CfgLoadStringCommon(ctx, stringId, dest, capacity, 0);
  if (decorate && dest && capacity > 0 && ctx && ctx->resourceLib) DlgComposeDynamicString(ctx, stringId, dest, capacity);
}
