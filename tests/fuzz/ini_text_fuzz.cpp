// Any bytes as a profile file: every read call with small and large buffers stays inside its buffer,
// and writing one key changes no other value of the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "kvplat/profile.h"
#include "kvplat/text.h"
#include "kvtest/temp_root.h"

namespace {

constexpr const char16_t* kFile = u"C:\\fuzz.ini";
constexpr const char16_t* kOwnSection = u"FuzzOwnSection";

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "ini_text: %s\n", what);
    std::abort();
  }
}

std::vector<std::u16string> List(const char16_t* section, bool sections) {
  std::vector<WCHAR> buf(4096, u'#');
  DWORD n = sections ? GetPrivateProfileSectionNamesW(buf.data(), 4000, kFile)
                     : GetPrivateProfileStringW(section, nullptr, u"", buf.data(), 4000, kFile);
  Check(n <= 3998 || n == 0, "list length");
  Check(buf[4000] == u'#', "list wrote past its buffer");
  std::vector<std::u16string> out;
  for (const WCHAR* p = buf.data(); *p && out.size() < 8; p += kvp::WLen(p) + 1) out.emplace_back(p);
  return out;
}

std::u16string Read(const std::u16string& sec, const std::u16string& key) {
  WCHAR small[4] = {u'#', u'#', u'#', u'#'};
  DWORD n = GetPrivateProfileStringW(sec.c_str(), key.c_str(), u"dflt", small, 3, kFile);
  Check(n <= 2 && small[3] == u'#', "small read");
  std::vector<WCHAR> buf(2050, u'#');
  n = GetPrivateProfileStringW(sec.c_str(), key.c_str(), u"dflt", buf.data(), 2048, kFile);
  Check(n <= 2047 && buf[2048] == u'#' && buf[n] == 0, "read");
  GetPrivateProfileIntW(sec.c_str(), key.c_str(), 7, kFile);
  return std::u16string(buf.data(), n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kvtest::TempRoot* root = [] {
    auto* r = new kvtest::TempRoot();
    std::atexit([] { delete root; });
    return r;
  }();
  {
    std::ofstream f(root->path() + "/c/fuzz.ini", std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  struct Seen {
    std::u16string sec, key, value;
  };
  std::vector<Seen> seen;
  for (auto& sec : List(nullptr, true)) {
    if (kvp::WEqualI(sec, kOwnSection)) continue;
    WCHAR tiny[3];
    GetPrivateProfileSectionW(sec.c_str(), tiny, 3, kFile);
    for (auto& key : List(sec.c_str(), false)) seen.push_back({sec, key, Read(sec, key)});
  }
  if (WritePrivateProfileStringW(kOwnSection, u"Key", u"  written value ", kFile)) {
    Check(Read(kOwnSection, u"key") == u"written value", "written value reads back");
    for (auto& s : seen) Check(Read(s.sec, s.key) == s.value, "a write changed another value");
    Check(WritePrivateProfileStringW(kOwnSection, nullptr, nullptr, kFile), "delete section");
    Check(Read(kOwnSection, u"Key") == u"dflt", "deleted section");
  }
  return 0;
}
