// Settings as text: a setting's stored bytes as its reader takes them, for the commands that show
// settings by name.
#pragma once
#include <string>
#include <vector>

#include "kvplat/types.h"
#include "settings/item_records.h"

namespace kvhost {

// Text in double quotes.
std::string Quoted(const std::string& s);
// UTF-16 text of raw bytes (an odd last byte left out).
std::u16string TextOf(const std::vector<BYTE>& d);
// Numbers by type code (with the option name its value map gives, when there is one), bits as on/off,
// texts as text.
std::string SettingText(const ITEM_DESC& row, const std::vector<BYTE>& bytes);
// A DEVMODE setting's bytes (a bit row as one byte 0 or 1); empty when the row lies outside the DEVMODE.
std::vector<BYTE> DevmodeSettingBytes(const ITEM_DESC& row, const BYTE* dm, size_t size);

}  // namespace kvhost
