// Texts of status records and the text settings behind them.
#include "api_status_text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "api_caps.h"
#include "api_status.h"
#include "kvplat/codepage.h"
#include "settings/access.h"
#include "settings/item_records.h"
#include "settings/store.h"

namespace {

// The setting's wide text; empty when it has none.
std::u16string Wide(SETTING_CONTEXT* ctx, WORD id) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row) return {};
  size_t chars = StgTypeLength(row->type) + 1;
  std::unique_ptr<WCHAR[]> buf(new (std::nothrow) WCHAR[chars]());
  if (!buf || !StgGetString(ctx, row, buf.get())) return {};
  buf[chars - 1] = 0;
  return std::u16string(buf.get());
}

}  // namespace

bool ApiRecordText(const void* record, int offset, int width, std::string* out) {
  if (!record || width <= 0) return false;
  const char* text = static_cast<const char*>(record) + offset;
  const void* end = std::memchr(text, 0, (size_t)width);
  if (!end) return false;
  out->assign(text, static_cast<const char*>(end));
  return true;
}

std::string ApiSettingText(SETTING_CONTEXT* ctx, WORD id) {
  std::string out;
  return kvp::WideToAnsi(Wide(ctx, id), &out) ? out : std::string();
}

bool ApiSetSettingText(SETTING_CONTEXT* ctx, WORD id, const std::string& text) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  std::u16string wide;
  if (!row || !kvp::AnsiToWide(text, &wide)) return false;
  return StgSetString(ctx, row, wide.c_str()) != nullptr;
}

void ApiSetTextSetting(SETTING_CONTEXT* ctx, WORD id, const char* text) {
  if (!ApiSetSettingText(ctx, id, text ? text : "")) ApiSetSettingText(ctx, id, "");
}

void ApiGetTextSetting(SETTING_CONTEXT* ctx, WORD id, char* field, int width, bool whole) {
  std::memset(field, 0, (size_t)width);
  std::u16string wide = Wide(ctx, id);
  if (wide.empty()) return;
  if (whole) {
    std::string ansi;
    if (kvp::WideToAnsi(wide, &ansi) && ansi.size() < (size_t)width) std::memcpy(field, ansi.data(), ansi.size());
    return;
  }
  if (!ApiCapsWideToSlot(wide.c_str(), field, width)) std::memset(field, 0, (size_t)width);
}

bool ApiHasTextSetting(SETTING_CONTEXT* ctx, WORD id) { return !Wide(ctx, id).empty(); }

bool ApiTextSettingIs(SETTING_CONTEXT* ctx, WORD id, const std::string& text) {
  std::string ansi;
  return kvp::WideToAnsi(Wide(ctx, id), &ansi) && ansi == text;
}

int ApiVersionedRecordSize(DWORD statusId, DWORD version, DWORD* used) {
  DWORD newest = 1;
  const RECORD_VERSION_ROW* rows = ApiFindRecordVersions(statusId, &newest);
  *used = version == 0 ? newest : std::min(version, newest);
  return rows ? (int)rows[*used].size : 32;
}
