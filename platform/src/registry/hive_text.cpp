// The text form of a registry hive: readable, exact (every value's bytes come back as stored) and
// strict on reading, so a damaged file is reported instead of half loaded.
#include <cctype>
#include <cstdio>
#include <optional>
#include <set>

#include "hive.h"

namespace kvp::reg {

Value* Key::FindValue(std::u16string_view name) {
  for (auto& v : values)
    if (WEqualI(v.name, name)) return &v;
  return nullptr;
}

Key* Key::FindSub(std::u16string_view name) {
  auto it = subkeys.find(std::u16string(name));
  return it == subkeys.end() ? nullptr : it->second.get();
}

bool ValidKeyName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxKeyName) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    if (c < 0x20 || c == 0x7F || c == u'\\') return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

namespace {

void PutUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Key names are written raw (they hold no control character or lone surrogate) as UTF-8.
void PutName(std::string& out, std::u16string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size()) c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    PutUtf8(out, c);
  }
}

// A quoted text: UTF-8, with \\ \" and \uXXXX for control characters and unpaired surrogates.
void PutQuoted(std::string& out, std::u16string_view s) {
  out.push_back('"');
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'"' || c == u'\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      PutUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[++i] - 0xDC00));
    } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned>(c));
      out += esc;
    } else {
      PutUtf8(out, c);
    }
  }
  out.push_back('"');
}

void PutHex(std::string& out, const std::vector<BYTE>& d) {
  out += "hex:";
  char b[4];
  for (size_t i = 0; i < d.size(); ++i) {
    std::snprintf(b, sizeof b, i ? ",%02x" : "%02x", d[i]);
    out += b;
  }
}

std::u16string Units(const std::vector<BYTE>& d, size_t from, size_t count) {
  std::u16string s;
  for (size_t i = 0; i < count; ++i) s.push_back(char16_t(d[from + 2 * i] | (d[from + 2 * i + 1] << 8)));
  return s;
}

// A text value in its plain form only when that form gives back exactly the stored bytes.
bool CleanText(const std::vector<BYTE>& d, std::u16string& text) {
  if (d.size() < 2 || d.size() % 2) return false;
  std::u16string all = Units(d, 0, d.size() / 2);
  if (all.back() != 0 || all.find(u'\0') != all.size() - 1) return false;
  text = all.substr(0, all.size() - 1);
  return true;
}

bool CleanMulti(const std::vector<BYTE>& d, std::vector<std::u16string>& items) {
  if (d.size() < 4 || d.size() % 2) return false;
  std::u16string all = Units(d, 0, d.size() / 2);
  if (all[all.size() - 1] != 0 || all[all.size() - 2] != 0) return false;
  size_t start = 0;
  for (size_t i = 0; i + 1 < all.size(); ++i) {
    if (all[i] != 0) continue;
    if (i == start) return false;  // an empty text inside the list has no plain form
    items.push_back(all.substr(start, i - start));
    start = i + 1;
  }
  return !items.empty();
}

const char* TypeWord(DWORD type) {
  switch (type) {
    case 1: return "sz";
    case 2: return "expand_sz";
    case 3: return "binary";
    case 4: return "dword";
    case 7: return "multi_sz";
    default: return nullptr;
  }
}

void WriteKey(std::string& out, const Key& key, const std::u16string& path, bool isRoot) {
  if (!isRoot || !key.values.empty()) {
    out += "[";
    PutName(out, path);
    out += "]\n";
  }
  for (const auto& v : key.values) {
    PutQuoted(out, v.name);
    out += " = ";
    const char* word = TypeWord(v.type);
    if (word) {
      out += word;
    } else {
      out += "type(" + std::to_string(v.type) + ")";
    }
    out += " ";
    std::u16string text;
    std::vector<std::u16string> items;
    if ((v.type == 1 || v.type == 2) && CleanText(v.data, text)) {
      PutQuoted(out, text);
    } else if (v.type == 7 && CleanMulti(v.data, items)) {
      for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += " ";
        PutQuoted(out, items[i]);
      }
    } else if (v.type == 4 && v.data.size() == 4) {
      char b[16];
      std::snprintf(b, sizeof b, "0x%08x",
                    static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (unsigned(v.data[3]) << 24)));
      out += b;
    } else {
      PutHex(out, v.data);
    }
    out += "\n";
  }
  for (const auto& [name, sub] : key.subkeys) WriteKey(out, *sub, isRoot ? name : path + u"\\" + name, false);
}

// ---- reading ----

struct Cursor {
  std::string_view s;
  size_t i = 0;
  bool End() const { return i >= s.size(); }
  void SkipBlanks() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  }
};

// Decodes one UTF-8 sequence at c.i into UTF-16 units; false for a malformed sequence.
bool TakeUtf8(Cursor& c, std::u16string& out) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(c.s[c.i + k]); };
  unsigned char b0 = b(0);
  size_t n = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
  if (n == 0 || c.i + n > c.s.size()) return false;
  char32_t cp = n == 1 ? b0 : n == 2 ? (b0 & 0x1F) : n == 3 ? (b0 & 0x0F) : (b0 & 0x07);
  for (size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b(k) & 0x3F);
  }
  static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(char16_t(0xD800 + (cp >> 10)));
    out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(char16_t(cp));
  }
  c.i += n;
  return true;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

bool TakeQuoted(Cursor& c, std::u16string& out, std::string& err) {
  if (c.End() || c.s[c.i] != '"') {
    err = "a quoted text was expected";
    return false;
  }
  ++c.i;
  while (!c.End()) {
    char ch = c.s[c.i];
    if (ch == '"') {
      ++c.i;
      return true;
    }
    if (ch == '\\') {
      if (c.i + 1 >= c.s.size()) break;
      char e = c.s[c.i + 1];
      if (e == '\\' || e == '"') {
        out.push_back(char16_t(e));
        c.i += 2;
        continue;
      }
      if (e == 'u' && c.i + 6 <= c.s.size()) {
        int v = 0;
        for (size_t k = 2; k < 6; ++k) {
          int d = HexDigit(c.s[c.i + k]);
          if (d < 0) {
            err = "bad \\u escape";
            return false;
          }
          v = v * 16 + d;
        }
        out.push_back(char16_t(v));
        c.i += 6;
        continue;
      }
      err = "bad escape";
      return false;
    }
    if (static_cast<unsigned char>(ch) < 0x20) {
      err = "control character inside a text";
      return false;
    }
    if (!TakeUtf8(c, out)) {
      err = "malformed UTF-8";
      return false;
    }
  }
  err = "unterminated text";
  return false;
}

bool TakeWord(Cursor& c, std::string& word) {
  size_t start = c.i;
  while (!c.End() && (std::isalnum(static_cast<unsigned char>(c.s[c.i])) || c.s[c.i] == '_')) ++c.i;
  word.assign(c.s.substr(start, c.i - start));
  return !word.empty();
}

void PutUnits(std::vector<BYTE>& d, std::u16string_view s) {
  for (char16_t u : s) {
    d.push_back(static_cast<BYTE>(u & 0xFF));
    d.push_back(static_cast<BYTE>(u >> 8));
  }
}

bool ParseValueLine(std::string_view line, Value& v, std::string& err) {
  Cursor c{line};
  if (!TakeQuoted(c, v.name, err)) return false;
  if (v.name.size() > kMaxValueName) {
    err = "value name too long";
    return false;
  }
  c.SkipBlanks();
  if (c.End() || c.s[c.i] != '=') {
    err = "'=' expected after the value name";
    return false;
  }
  ++c.i;
  c.SkipBlanks();
  std::string word;
  if (!TakeWord(c, word)) {
    err = "value type expected";
    return false;
  }
  if (word == "sz") v.type = 1;
  else if (word == "expand_sz") v.type = 2;
  else if (word == "binary") v.type = 3;
  else if (word == "dword") v.type = 4;
  else if (word == "multi_sz") v.type = 7;
  else if (word == "type" && !c.End() && c.s[c.i] == '(') {
    ++c.i;
    unsigned long long n = 0;
    size_t digits = 0;
    while (!c.End() && c.s[c.i] >= '0' && c.s[c.i] <= '9' && digits < 11) n = n * 10 + (c.s[c.i++] - '0'), ++digits;
    if (!digits || n > 0xFFFFFFFFull || c.End() || c.s[c.i] != ')') {
      err = "bad type number";
      return false;
    }
    ++c.i;
    v.type = static_cast<DWORD>(n);
  } else {
    err = "unknown value type '" + word + "'";
    return false;
  }
  c.SkipBlanks();
  if (c.s.substr(c.i, 4) == "hex:") {
    c.i += 4;
    while (!c.End()) {
      c.SkipBlanks();
      if (c.End()) break;
      if (c.i + 2 > c.s.size() || HexDigit(c.s[c.i]) < 0 || HexDigit(c.s[c.i + 1]) < 0) {
        err = "bad hex byte";
        return false;
      }
      v.data.push_back(static_cast<BYTE>(HexDigit(c.s[c.i]) * 16 + HexDigit(c.s[c.i + 1])));
      c.i += 2;
      c.SkipBlanks();
      if (!c.End() && c.s[c.i] == ',') ++c.i;
    }
  } else if ((v.type == 1 || v.type == 2) && !c.End() && c.s[c.i] == '"') {
    std::u16string text;
    if (!TakeQuoted(c, text, err)) return false;
    text.push_back(0);
    PutUnits(v.data, text);
  } else if (v.type == 7 && !c.End() && c.s[c.i] == '"') {
    std::u16string all;
    while (!c.End() && c.s[c.i] == '"') {
      std::u16string item;
      if (!TakeQuoted(c, item, err)) return false;
      all += item;
      all.push_back(0);
      c.SkipBlanks();
    }
    all.push_back(0);
    PutUnits(v.data, all);
  } else if (v.type == 4 && !c.End() && std::isdigit(static_cast<unsigned char>(c.s[c.i]))) {
    unsigned long long n = 0;
    bool hex = c.s.substr(c.i, 2) == "0x" || c.s.substr(c.i, 2) == "0X";
    if (hex) c.i += 2;
    size_t digits = 0;
    for (; !c.End() && n <= 0xFFFFFFFFull; ++digits) {  // stops before the sum could wrap around
      int d = HexDigit(c.s[c.i]);
      if (d < 0 || (!hex && d > 9)) break;
      n = n * (hex ? 16 : 10) + d;
      ++c.i;
    }
    if (!digits || n > 0xFFFFFFFFull) {
      err = "bad dword";
      return false;
    }
    for (int k = 0; k < 4; ++k) v.data.push_back(static_cast<BYTE>(n >> (8 * k)));
  } else {
    err = "value data expected";
    return false;
  }
  c.SkipBlanks();
  if (!c.End()) {
    err = "unexpected text after the value";
    return false;
  }
  if (v.data.size() > kMaxValueData) {
    err = "value too large";
    return false;
  }
  return true;
}

}  // namespace

bool ParseHive(std::string_view text, Key& root, std::string& error) {
  root = Key();
  Key* current = nullptr;
  // Names already set in each key: a hostile file of many values in one key must not cost a scan per value.
  std::map<const Key*, std::set<std::u16string, NameLess>> names;
  size_t lineNo = 0, pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (line.empty() || line[0] == ';') continue;
    std::string err;
    if (line[0] == '[') {
      if (line.back() != ']') {
        err = "key line without ']'";
      } else {
        Cursor c{line.substr(1, line.size() - 2)};
        std::u16string path;
        while (!c.End() && err.empty())
          if (!TakeUtf8(c, path)) err = "malformed UTF-8 in a key name";
        current = &root;
        size_t start = 0, depth = 0;
        while (err.empty() && start < path.size()) {
          if (++depth > kMaxKeyDepth) {
            err = "key path too deep";
            break;
          }
          size_t sep = path.find(u'\\', start);
          std::u16string part = path.substr(start, sep == std::u16string::npos ? std::u16string::npos : sep - start);
          if (!ValidKeyName(part)) {
            err = "bad key name";
            break;
          }
          auto& slot = current->subkeys[part];
          if (!slot) slot = std::make_unique<Key>();
          current = slot.get();
          if (sep == std::u16string::npos) break;
          start = sep + 1;
          if (start == path.size()) err = "bad key name";
        }
      }
    } else if (line[0] == '"') {
      Value v;
      if (!current) {
        err = "value before the first key";
      } else if (ParseValueLine(line, v, err)) {
        if (!names[current].insert(v.name).second) {
          err = "value set twice";
        } else {
          current->values.push_back(std::move(v));
        }
      }
    } else {
      err = "unrecognised line";
    }
    if (!err.empty()) {
      error = "line " + std::to_string(lineNo) + ": " + err;
      root = Key();
      return false;
    }
  }
  return true;
}

std::string WriteHive(const Key& root) {
  std::string out = "; registry hive: one [key] line, then its values\n";
  WriteKey(out, root, u"", true);
  return out;
}

}  // namespace kvp::reg
