// Settings as text.
#include "setting_text.h"

#include <cstring>

#include "kvplat/text.h"

namespace kvhost {

// Built in place: gcc 12 warns falsely of overlapping copies in "\"" + s + "\"".
std::string Quoted(const std::string& s) {
  std::string q(1, '"');
  q += s;
  q += '"';
  return q;
}

std::u16string TextOf(const std::vector<BYTE>& d) {
  std::u16string s(d.size() / 2, u'\0');
  if (!s.empty()) std::memcpy(s.data(), d.data(), s.size() * 2);
  return s;
}

std::string SettingText(const ITEM_DESC& row, const std::vector<BYTE>& bytes) {
  DWORD code = StgTypeCode(row.type);
  if (code == STG_TYPE_ANSI) {
    std::string t(bytes.begin(), bytes.end());
    return Quoted(t.substr(0, t.find('\0')));
  }
  if (code == STG_TYPE_WIDE) {
    std::u16string t = TextOf(bytes);
    return Quoted(kvp::ToUtf8(t.substr(0, t.find(u'\0'))));
  }
  uint32_t raw = 0;
  for (size_t i = 0; i < bytes.size() && i < 4; ++i) raw |= uint32_t(bytes[i]) << (8 * i);
  if (StgTypeIsBit(row.type)) return raw ? "on" : "off";
  int64_t v = raw;
  if (code == STG_TYPE_I8) v = int8_t(raw);
  else if (code == STG_TYPE_I16) v = int16_t(raw);
  else if (code == STG_TYPE_U8) v = uint8_t(raw);
  else if (code == STG_TYPE_U16) v = uint16_t(raw);
  else if (code != STG_TYPE_U32 && code != STG_TYPE_U32_COUNTER) v = int32_t(raw);
  std::string text = std::to_string(v);
  const ITEM_VALUE_MAP* map = row.ext ? row.ext->valueMap : nullptr;
  for (const ITEM_VALUE_MAP* m = map; m && m->option; ++m) {
    if (m->stored != raw || m->option == 65535) continue;
    const ENUM_SYMBOL* e = StgFindEnumSymbol(WORD(row.id), m->option & 0xFFFF);
    if (e && e->name) text += std::string(" (") + e->name + ")";
    break;
  }
  return text;
}

std::vector<BYTE> DevmodeSettingBytes(const ITEM_DESC& row, const BYTE* dm, size_t size) {
  DWORD length = StgTypeLength(row.type);
  if (StgTypeIsBit(row.type)) {
    DWORD bit = StgTypeCode(row.type) - STG_TYPE_BIT0;
    size_t at = size_t(row.offset) + bit / 8;
    if (at >= size) return {};
    return {BYTE((dm[at] >> (bit % 8)) & 1)};
  }
  if (!length || row.offset + length > size) return {};
  return std::vector<BYTE>(dm + row.offset, dm + row.offset + length);
}

}  // namespace kvhost
