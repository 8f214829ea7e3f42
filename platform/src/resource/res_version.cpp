// Version blocks: read from a module file without loading it (its exported resource directory is found
// through the file's dynamic symbol table), converted to the ANSI form for the A calls, and queried.
#include <elf.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/text.h"
#include "res_internal.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint64_t kMaxModuleFile = 1ull << 30;

// Reads the whole file named by a machine path ("C:\...") or an absolute host path.
DWORD ReadModuleFile(std::u16string_view name, Bytes& out) {
  if (name.empty()) return ERROR_INVALID_PARAMETER;
  std::string host;
  if (name[0] == u'/') host = kvp::ToUtf8(name);
  else if (DWORD e = kvp::MapPath(name, host)) return e == ERROR_PATH_NOT_FOUND ? DWORD(ERROR_FILE_NOT_FOUND) : e;
  std::ifstream f(host, std::ios::binary | std::ios::ate);
  if (!f) return ERROR_FILE_NOT_FOUND;
  std::streamoff size = f.tellg();
  if (size < 0 || uint64_t(size) > kMaxModuleFile) return ERROR_BAD_FORMAT;
  out.resize(size_t(size));
  f.seekg(0);
  if (!f.read(reinterpret_cast<char*>(out.data()), size)) return ERROR_READ_FAULT;
  return ERROR_SUCCESS;
}

template <class T>
bool ReadAt(const Bytes& f, uint64_t at, T& v) {
  if (at > f.size() || sizeof(T) > f.size() - at) return false;
  std::memcpy(&v, f.data() + at, sizeof(T));
  return true;
}

// Finds the resource directory of an ELF module file: the exported symbol's bytes inside its section.
DWORD DirectoryInFile(const Bytes& f, kvp::res::Directory& dir) {
  Elf64_Ehdr eh;
  if (!ReadAt(f, 0, eh) || std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
      eh.e_ident[EI_DATA] != ELFDATA2LSB || eh.e_shentsize != sizeof(Elf64_Shdr))
    return ERROR_BAD_FORMAT;
  auto section = [&](uint32_t i, Elf64_Shdr& sh) {
    return i < eh.e_shnum && ReadAt(f, eh.e_shoff + uint64_t(i) * sizeof(Elf64_Shdr), sh);
  };
  for (uint32_t i = 0; i < eh.e_shnum; ++i) {
    Elf64_Shdr sym;
    if (!section(i, sym)) return ERROR_BAD_FORMAT;
    if (sym.sh_type != SHT_DYNSYM) continue;
    Elf64_Shdr str;
    if (!section(sym.sh_link, str) || str.sh_offset > f.size() || str.sh_size > f.size() - str.sh_offset)
      return ERROR_BAD_FORMAT;
    if (sym.sh_offset > f.size() || sym.sh_size > f.size() - sym.sh_offset) return ERROR_BAD_FORMAT;
    for (uint64_t k = 0; k + sizeof(Elf64_Sym) <= sym.sh_size; k += sizeof(Elf64_Sym)) {
      Elf64_Sym s;
      ReadAt(f, sym.sh_offset + k, s);
      if (s.st_shndx == SHN_UNDEF || s.st_name >= str.sh_size) continue;
      const char* nm = reinterpret_cast<const char*>(f.data() + str.sh_offset + s.st_name);
      size_t room = size_t(str.sh_size - s.st_name);
      if (strnlen(nm, room) == room || std::strcmp(nm, kvres::kSymbol) != 0) continue;
      Elf64_Shdr home;
      if (!section(s.st_shndx, home) || home.sh_type == SHT_NOBITS || s.st_value < home.sh_addr ||
          s.st_value - home.sh_addr > home.sh_size)
        return ERROR_BAD_FORMAT;
      uint64_t off = home.sh_offset + (s.st_value - home.sh_addr);
      if (off > f.size()) return ERROR_BAD_FORMAT;
      uint64_t room2 = std::min<uint64_t>(f.size() - off, home.sh_size - (s.st_value - home.sh_addr));
      if (!kvp::res::Directory::Open(f.data() + off, size_t(room2), dir)) return ERROR_INVALID_DATA;
      return ERROR_SUCCESS;
    }
    // A module has one dynamic symbol table: a damaged file listing it many times is not searched again.
    return ERROR_RESOURCE_DATA_NOT_FOUND;
  }
  return ERROR_RESOURCE_DATA_NOT_FOUND;
}

}  // namespace

DWORD kvp::res::DirectoryBytesFromFile(const std::string& hostPath, std::vector<uint8_t>& out) {
  Bytes f;
  if (DWORD e = ReadModuleFile(kvp::FromUtf8(hostPath), f)) return e;
  kvp::res::Directory dir;
  if (DWORD e = DirectoryInFile(f, dir)) return e;
  out.assign(dir.base, dir.base + dir.size);
  return ERROR_SUCCESS;
}

namespace {

// The stored (UTF-16) version block of a module file.
DWORD VersionBlock(std::u16string_view file, Bytes& out) {
  Bytes f;
  if (DWORD e = ReadModuleFile(file, f)) return e;
  kvp::res::Directory inFile, dir;
  if (DWORD e = DirectoryInFile(f, inFile)) return e;
  // The symbol may lie at any offset of a damaged file; the directory is read from an aligned copy.
  Bytes own(inFile.base, inFile.base + inFile.size);
  if (!kvp::res::Directory::Open(own.data(), own.size(), dir)) return ERROR_INVALID_DATA;
  const kvres::Entry* e = nullptr;
  DWORD err = dir.Find(RT_VERSION, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), false, &e);
  if (err == ERROR_RESOURCE_NAME_NOT_FOUND) err = ERROR_RESOURCE_TYPE_NOT_FOUND;
  if (err) return err;
  const uint8_t* p;
  size_t n;
  // The block's own length bounds every query of the caller's copy: it must lie within the stored bytes
  // and hold at least the root node's header, which tells the wide form from the ANSI one.
  if (!dir.Data(e, p, n) || n < 8) return ERROR_INVALID_DATA;
  uint16_t length;
  std::memcpy(&length, p, sizeof length);
  if (length < 8 || length > n) return ERROR_INVALID_DATA;
  out.assign(p, p + n);
  return ERROR_SUCCESS;
}

uint16_t Rd16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
void Put16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
size_t Align4(size_t v) { return (v + 3) & ~size_t(3); }

// One node of a version block.
struct Node {
  size_t at = 0, length = 0;  // within the block
  uint16_t valueLength = 0;
  bool text = false;
  std::u16string key;
  size_t valueAt = 0, valueBytes = 0;
  size_t childrenAt = 0;
};

// Reads the node at `at` (wide form: with wType, UTF-16 keys; ANSI form: without, 8-bit keys) whose bytes
// must lie within [at, limit).
bool ReadNode(const uint8_t* b, size_t at, size_t limit, bool wide, Node& n) {
  if (at + 4 > limit) return false;
  n.at = at;
  n.length = Rd16(b + at);
  n.valueLength = Rd16(b + at + 2);
  if (n.length < 4 || at + n.length > limit) return false;
  size_t end = at + n.length;
  size_t p = at + 4;
  if (wide) {
    if (p + 2 > end) return false;
    n.text = Rd16(b + p) == 1;
    p += 2;
  }
  n.key.clear();
  for (;;) {
    if (wide) {
      if (p + 2 > end) return false;
      char16_t c = Rd16(b + p);
      p += 2;
      if (!c) break;
      n.key.push_back(c);
    } else {
      if (p + 1 > end) return false;
      char c = char(b[p++]);
      if (!c) break;
      n.key.push_back(char16_t(static_cast<unsigned char>(c)));
    }
  }
  p = Align4(p);
  n.valueAt = p;
  n.valueBytes = wide && n.text ? size_t(n.valueLength) * 2 : n.valueLength;
  if (n.valueAt + n.valueBytes > end) {
    // A value that runs past its node (as a cut buffer has it) counts as absent.
    n.valueBytes = 0;
    n.valueLength = 0;
  }
  n.childrenAt = std::min(Align4(n.valueAt + n.valueBytes), end);
  return true;
}

bool IsWideBlock(const uint8_t* b) { return Rd16(b + 6) == u'V' && b[4] != 'V'; }

// Converts a wide block into the ANSI form, node by node.
bool ToAnsiNode(const uint8_t* b, size_t at, size_t limit, Bytes& out) {
  Node n;
  if (!ReadNode(b, at, limit, true, n)) return false;
  while (out.size() % 4) out.push_back(0);
  size_t start = out.size();
  Put16(out, 0);
  Put16(out, 0);
  std::string key = kvp::res::WideToAnsi(n.key);
  out.insert(out.end(), key.begin(), key.end());
  out.push_back(0);
  while (out.size() % 4) out.push_back(0);
  uint16_t valueLength;
  if (n.text) {
    std::u16string_view v(reinterpret_cast<const char16_t*>(b + n.valueAt), n.valueLength);
    while (!v.empty() && v.back() == 0) v.remove_suffix(1);
    std::string a = kvp::res::WideToAnsi(v);
    out.insert(out.end(), a.begin(), a.end());
    out.push_back(0);
    valueLength = uint16_t(a.size() + 1);
  } else {
    out.insert(out.end(), b + n.valueAt, b + n.valueAt + n.valueBytes);
    valueLength = n.valueLength;
  }
  size_t end = n.at + n.length;
  for (size_t c = n.childrenAt; c + 4 <= end;) {
    Node child;
    if (!ReadNode(b, c, end, true, child)) return false;
    if (!ToAnsiNode(b, c, end, out)) return false;
    c = Align4(c + child.length);
  }
  size_t len = out.size() - start;
  if (len > 0xFFFF) return false;
  out[start] = uint8_t(len);
  out[start + 1] = uint8_t(len >> 8);
  out[start + 2] = uint8_t(valueLength);
  out[start + 3] = uint8_t(valueLength >> 8);
  return true;
}

DWORD AnsiBlock(std::u16string_view file, Bytes& out) {
  Bytes w;
  if (DWORD e = VersionBlock(file, w)) return e;
  out.clear();
  if (!ToAnsiNode(w.data(), 0, w.size(), out)) return ERROR_INVALID_DATA;
  return ERROR_SUCCESS;
}

void CopyOut(const Bytes& block, DWORD len, void* data) {
  size_t n = std::min<size_t>(len, block.size());
  std::memcpy(data, block.data(), n);
  if (n >= 2 && n < block.size()) {  // a cut block says how long it now is, so queries stay inside it
    auto* d = static_cast<uint8_t*>(data);
    d[0] = uint8_t(n);
    d[1] = uint8_t(n >> 8);
  }
}

// Walks "\A\B\C" from the root; the found node's value is returned.
bool Query(const void* block, std::u16string_view path, void** value, UINT* len, bool* isText, bool* wideOut) {
  auto* b = static_cast<const uint8_t*>(block);
  if (!b) return false;
  bool wide = IsWideBlock(b);
  *wideOut = wide;
  Node n;
  if (!ReadNode(b, 0, Rd16(b), wide, n)) return false;
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == u'\\') ++i;
    size_t s = i;
    while (i < path.size() && path[i] != u'\\') ++i;
    if (s == i) break;
    std::u16string_view want = path.substr(s, i - s);
    size_t end = n.at + n.length;
    bool found = false;
    for (size_t c = n.childrenAt; c + 4 <= end;) {
      Node child;
      if (!ReadNode(b, c, end, wide, child)) return false;
      if (kvp::WEqualI(child.key, want)) {
        n = child;
        found = true;
        break;
      }
      c = Align4(c + child.length);
    }
    if (!found) return false;
  }
  if (path.find_first_not_of(u'\\') == std::u16string_view::npos) {  // the root: the fixed part
    if (n.valueBytes < sizeof(VS_FIXEDFILEINFO)) return false;
    VS_FIXEDFILEINFO fi;
    std::memcpy(&fi, b + n.valueAt, sizeof fi);
    if (fi.dwSignature != VS_FFI_SIGNATURE) return false;
  }
  *value = const_cast<uint8_t*>(b + n.valueAt);
  *len = wide && n.text ? n.valueLength : UINT(n.valueBytes);
  *isText = wide ? n.text : false;
  return true;
}

}  // namespace

KVAPI DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle) {
  if (lpdwHandle) *lpdwHandle = 0;
  Bytes b;
  if (DWORD e = VersionBlock(kvp::WView(lptstrFilename), b)) {
    SetLastError(e);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return DWORD(b.size());
}

KVAPI DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
  if (lpdwHandle) *lpdwHandle = 0;
  Bytes b;
  if (DWORD e = AnsiBlock(kvp::res::AnsiToWide(lptstrFilename ? lptstrFilename : ""), b)) {
    SetLastError(e);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return DWORD(b.size());
}

KVAPI BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData) {
  if (!lpData || dwLen == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Bytes b;
  if (DWORD e = VersionBlock(kvp::WView(lptstrFilename), b)) {
    SetLastError(e);
    return FALSE;
  }
  CopyOut(b, dwLen, lpData);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData) {
  if (!lpData || dwLen == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Bytes b;
  if (DWORD e = AnsiBlock(kvp::res::AnsiToWide(lptstrFilename ? lptstrFilename : ""), b)) {
    SetLastError(e);
    return FALSE;
  }
  CopyOut(b, dwLen, lpData);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen) {
  if (!pBlock || !lpSubBlock || !lplpBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  void* v = nullptr;
  UINT len = 0;
  bool text = false, wide = true;
  std::u16string_view path = kvp::WView(lpSubBlock);
  bool root = path.find_first_not_of(u'\\') == std::u16string_view::npos;
  // An ANSI block answers the wide call only with its fixed part.
  if (!Query(pBlock, path, &v, &len, &text, &wide) || (!wide && !root)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  *lplpBuffer = v;
  if (puLen) *puLen = len;
  return TRUE;
}

KVAPI BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen) {
  if (!pBlock || !lpSubBlock || !lplpBuffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string path = kvp::res::AnsiToWide(lpSubBlock);
  void* v = nullptr;
  UINT len = 0;
  bool text = false, wide = false;
  // A wide block has no ANSI texts to give: its texts are refused, its binary values are fine.
  if (!Query(pBlock, path, &v, &len, &text, &wide) || (wide && text)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  *lplpBuffer = v;
  if (puLen) *puLen = len;
  return TRUE;
}
