// Resource internals shared by the loader's files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kvplat/resource.h"
#include "res_format.h"

namespace kvp::res {

// A checked view of one resource directory (res_format.h).
struct Directory {
  const uint8_t* base = nullptr;
  size_t size = 0;
  kvres::Header header{};

  // Checks the header and the placement of its areas within maxSize bytes.
  static bool Open(const uint8_t* p, size_t maxSize, Directory& out);
  const kvres::Entry* At(uint32_t i) const;
  bool Name(uint32_t offset, std::u16string_view& out) const;
  bool Data(const kvres::Entry* e, const uint8_t*& p, size_t& n) const;
  // The entry of (type, name) in the language chosen as the header of resource.h describes.
  DWORD Find(LPCWSTR type, LPCWSTR name, WORD lang, bool exactLanguage, const kvres::Entry** out) const;
};

// The directory of a loaded module (null: the program); false with *err set.
bool ModuleDirectory(HMODULE module, Directory& out, DWORD* err);
bool FindString(HINSTANCE inst, UINT id, std::u16string_view& out, DWORD* err);

// Notes a directory handed out, so resource handles into it can be checked later.
void RememberDirectory(const Directory& d);
// The bytes of the resource directory of a module file on the host (read, not loaded).
DWORD DirectoryBytesFromFile(const std::string& hostPath, std::vector<uint8_t>& out);

// ANSI code page conversions; AnsiCut shortens a byte count so no double-byte character is split.
std::u16string AnsiToWide(std::string_view s);
std::string WideToAnsi(std::u16string_view s);
size_t AnsiCut(const std::string& s, size_t n);

}  // namespace kvp::res
