// Any bytes as the resource directory of a module file: a directory the checks accept is read by entry,
// name, data and look-up without a byte read outside it or a misaligned read (names are read in place
// as UTF-16 units, data as the structures it holds).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "res_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kvp::res::Directory;
  // Copied as the loader copies a data file's directory: to the start of an allocation.
  std::vector<uint8_t> bytes(data, data + size);
  Directory dir;
  if (!Directory::Open(bytes.data(), bytes.size(), dir)) return 0;
  unsigned sum = 0;
  for (uint32_t i = 0; i < dir.header.entryCount && i < 256; ++i) {
    const kvres::Entry* e = dir.At(i);
    std::u16string_view name;
    for (uint32_t field : {e->type, e->name})
      if ((field & kvres::kNameFlag) && dir.Name(field & ~kvres::kNameFlag, name))
        for (char16_t c : name) sum += c;
    const uint8_t* p;
    size_t n;
    if (dir.Data(e, p, n)) {
      if (reinterpret_cast<uintptr_t>(p) % 8) std::abort();  // data items keep their 8-byte alignment
      for (size_t k = 0; k < n; k += 61) sum += p[k];
      if (n) sum += p[n - 1];
    }
  }
  const kvres::Entry* e = nullptr;
  for (WORD type = 1; type <= 16; ++type)
    for (WORD id = 0; id < 4; ++id) dir.Find(MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(id), 0, false, &e);
  for (const char16_t* name : {u"SETTINGS", u"settings", u"A", u""}) {
    dir.Find(name, name, 0x0409, false, &e);
    dir.Find(MAKEINTRESOURCEW(6), name, 0x0407, true, &e);
    dir.Find(name, MAKEINTRESOURCEW(1), 0, false, &e);
  }
  if (sum == 0xFFFFFFFFu) std::fputc(0, stderr);  // keeps the reads
  return 0;
}
