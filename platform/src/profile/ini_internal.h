// Profile reading for other areas of the platform that read a host file directly (the system profile
// <root>/machine.ini lies outside every drive). Internal.
#pragma once
#include <string>
#include <string_view>

namespace kvp::ini {

// The integer value of key in section of the host file, read with the rules of GetPrivateProfileIntW;
// `deflt` when the file, the section or the key is missing or the value is empty.
int ReadHostInt(const std::string& host, std::u16string_view section, std::u16string_view key, int deflt);

}  // namespace kvp::ini
