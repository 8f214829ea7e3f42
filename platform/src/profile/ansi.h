// Conversion between ANSI profile text and UTF-16 for the profile functions. Internal.
#pragma once
#include <string>
#include <string_view>

namespace kvp::ini {

// Decodes bytes of the machine's ANSI code page. `exact` tells whether encoding the result again gives
// the same bytes (always so for code page 1252; a byte sequence another code page cannot decode is not).
std::u16string AnsiDecode(std::string_view bytes, bool& exact);
// Encodes text into the ANSI code page; false (out unspecified) when a character has no bytes there.
bool AnsiEncode(std::u16string_view text, std::string& out);

}  // namespace kvp::ini
