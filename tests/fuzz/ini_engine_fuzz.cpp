// Any bytes as a settings file for the driver's INI text engine: every lookup stays inside its
// destination and leaves the cursor at a line start inside the section, in forward and reverse order;
// the keys composed again into a section read back with the values first found; and replacing a
// section writes the new text first and keeps every other byte of the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/ini_text.h"
#include "config/resource_strings.h"
#include "kvtest/temp_root.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "ini_engine: %s\n", what);
    std::abort();
  }
}

bool Ascii(const std::string& s) {
  for (char c : s)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

std::u16string Wide(const std::string& s) {
  std::vector<WCHAR> w(s.size() + 1);
  CfgAnsiToWide(w.data(), s.c_str(), (int)w.size());
  return std::u16string(w.data());
}

// The end of a section body: the first line beginning with '[' or the end of the text.
const char* SectionEnd(const char* body) {
  const char* p = body;
  while (*p && *p != '[') {
    while (*p && *p != '\n') ++p;
    if (*p == '\n') ++p;
  }
  return p;
}

struct Line {
  std::string key, value;
};

// The key lines of a body, as the engine defines them: bytes before the first '=' of the line.
std::vector<Line> KeyLines(const char* body, const char* end) {
  std::vector<Line> out;
  for (const char* p = body; p < end && out.size() < 32;) {
    const char* e = p;
    while (e < end && *e != '\n') ++e;
    std::string line(p, e);
    size_t eq = line.find('=');
    if (eq != std::string::npos && eq > 0 && eq < 100) {
      std::string v = line.substr(eq + 1);
      size_t cut = v.find_first_of("\r\n");
      if (cut != std::string::npos) v.resize(cut);
      out.push_back({line.substr(0, eq), v});
    }
    p = e < end ? e + 1 : e;
  }
  return out;
}

void CheckLookup(const char* body, const char* end, const std::u16string& key, DWORD* cursor, WORD capacity) {
  std::vector<WCHAR> buf(capacity + 4, u'#');
  WORD n = CfgIniTextGetString(key.c_str(), u"dflt", buf.data(), capacity, body, cursor);
  Check(n < capacity, "result within the capacity");
  Check(buf[capacity] == u'#', "lookup wrote past its destination");
  Check(body + *cursor <= end, "cursor inside the section");
  Check(*cursor == 0 || body[*cursor - 1] == '\n' || body + *cursor == end, "cursor at a line start");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static kvtest::TempRoot* root = [] {
    auto* r = new kvtest::TempRoot();
    std::atexit([] { delete root; });
    return r;
  }();
  std::string text(reinterpret_cast<const char*>(data), size);
  const char* t = text.c_str();

  // Section names from the header lines.
  std::vector<std::string> names;
  for (const char* p = t; *p && names.size() < 8;) {
    if (*p == '[') {
      const char* q = p + 1;
      while (*q && *q != ']' && *q != '\n' && q - p < 200) ++q;
      if (*q == ']') names.emplace_back(p + 1, q);
    }
    while (*p && *p != '\n') ++p;
    if (*p) ++p;
  }

  INI_TEXT_WRITER w{};
  Check(CfgIniTextWriterInit(&w) == 1, "writer");
  std::vector<std::pair<std::u16string, std::u16string>> expected;
  std::u16string composedName;
  for (const std::string& name : names) {
    std::u16string wname = Wide(name);
    const char* body = CfgIniTextFindSection(wname.c_str(), t);
    if (!body) continue;
    Check(body >= t && body <= t + std::strlen(t), "body inside the text");
    const char* end = SectionEnd(body);
    std::vector<Line> lines = KeyLines(body, end);
    DWORD cursor = 0;
    for (const Line& l : lines) CheckLookup(body, end, Wide(l.key), &cursor, 300);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) CheckLookup(body, end, Wide(it->key), &cursor, 3);
    cursor = 0;
    CfgIniTextGetInt(u"x", 0, body, &cursor);
    if (!composedName.empty() || name.empty() || !Ascii(name) || name.find_first_of("[],") != std::string::npos) continue;
    // Compose the section again from its ASCII keys and remember the first value of each.
    composedName = wname;
    Check(CfgIniTextPutSection(&w, wname.c_str()) == 1, "put section");
    for (const Line& l : lines) {
      if (!Ascii(l.key) || l.key[0] == '[') continue;
      std::u16string k = Wide(l.key);
      std::vector<WCHAR> v(4096);
      DWORD c = 0;
      WORD n = CfgIniTextGetString(k.c_str(), u"", v.data(), 4096, body, &c);
      if (n >= 4095) continue;
      Check(CfgIniTextPutKey(&w, k.c_str(), v.data()) == 1, "put key");
      std::u16string value(v.data());
      bool asciiValue = true;
      for (WCHAR ch : value) asciiValue = asciiValue && ch >= 0x20 && ch <= 0x7E;
      if (asciiValue) expected.emplace_back(k, value);
    }
  }
  // Each key of the composed section reads back with the value first found for it.
  if (!composedName.empty()) {
    const char* body = CfgIniTextFindSection(composedName.c_str(), w.text);
    Check(body != nullptr, "composed section found");
    for (auto& [k, v] : expected) {
      std::vector<WCHAR> got(4096);
      DWORD c = 0;
      CfgIniTextGetString(k.c_str(), u"", got.data(), 4096, body, &c);
      Check(std::u16string(got.data()) == v, "composed value reads back");
    }
  }
  Check(w.length < w.capacity && w.text[w.length] == 0, "composition terminated inside its buffer");

  // Replace the composed section in a file holding the input.
  if (!composedName.empty()) {
    std::string path = root->path() + "/c/fuzz.rsr";
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(text.data(), (std::streamsize)text.size());
    std::string composed(w.text, w.length);
    Check(CfgIniFileReplaceSection(nullptr, u"C:\\fuzz.rsr", composedName.c_str(), w.text, w.length) == 1, "replace");
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string result = s.str();
    Check(result.compare(0, composed.size(), composed) == 0, "the new section comes first");
    Check(result.size() <= composed.size() + text.size(), "nothing added but the new section");
  }
  CfgIniTextWriterFree(&w);
  return 0;
}
