// Conversion between ANSI profile text and UTF-16 for the profile functions. Internal.
#pragma once
#include <string>
#include <string_view>

namespace kvp::ini {

// Decodes bytes of the ANSI code page. Every byte maps to one character, so a decode followed by an
// encode gives the same bytes back.
std::u16string AnsiDecode(std::string_view bytes);
// Encodes text into the ANSI code page; false (out unspecified) when a character has no byte.
bool AnsiEncode(std::u16string_view text, std::string& out);

}  // namespace kvp::ini
