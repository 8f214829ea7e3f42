// The private-profile (INI) functions over real files under the machine root. Every call reads the file
// afresh; every write rewrites it atomically under a cross-process lock (see kvplat/profile.h).
#include "kvplat/profile.h"

#include <climits>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "../file/internal.h"
#include "ansi.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/root.h"
#include "kvplat/text.h"
#include "store_file.h"

namespace kvp::ini {
namespace {

using std::u16string;
using std::u16string_view;

enum class Enc { Ansi, Utf16 };

// One line of a profile file: its text for the functions, and the exact units it was read from, which
// a rewrite puts back unless the write touched the line's section.
struct TextLine {
  u16string text;  // without its line end and without zero characters
  u16string raw;   // as read, zero characters and line end included; empty for a line a write made
};

// One profile file as lines of text, in the encoding it was found in.
struct Doc {
  Enc enc = Enc::Ansi;
  bool existed = false;
  bool exact = true;  // writing the lines back gives the bytes that were read
  std::vector<TextLine> lines;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

u16string_view Trim(u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

enum class Kind { Blank, Comment, Section, Entry };
struct Line {
  Kind kind = Kind::Blank;
  u16string_view name;   // section or key name, trimmed
  u16string_view value;  // value after '=', trimmed
};

Line Classify(u16string_view raw) {
  Line l;
  u16string_view t = Trim(raw);
  if (t.empty()) return l;
  if (t[0] == u';') {
    l.kind = Kind::Comment;
    return l;
  }
  if (t[0] == u'[') {
    l.kind = Kind::Section;
    size_t close = t.find(u']');
    l.name = Trim(close == u16string_view::npos ? t.substr(1) : t.substr(1, close - 1));
    return l;
  }
  l.kind = Kind::Entry;
  size_t eq = t.find(u'=');
  if (eq == u16string_view::npos) {
    l.name = t;
  } else {
    l.name = Trim(t.substr(0, eq));
    l.value = Trim(t.substr(eq + 1));
  }
  return l;
}

// Splits text into lines. A zero character is no text: it neither ends nor makes a line and never
// reaches a caller, but it stays in the line's raw units, so a rewrite that does not touch its section
// keeps it (a zero byte can be what keeps an ANSI file from reading as UTF-16).
void SplitLines(u16string_view text, std::vector<TextLine>& lines) {
  TextLine line;
  bool open = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    line.raw.push_back(c);
    open = true;
    if (c == 0) continue;
    if (c != u'\r' && c != u'\n') {
      line.text.push_back(c);
      continue;
    }
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') line.raw.push_back(text[++i]);
    lines.push_back(std::move(line));
    line = TextLine{};
    open = false;
  }
  if (open) lines.push_back(std::move(line));
}

bool EndsLine(u16string_view raw) { return !raw.empty() && (raw.back() == u'\n' || raw.back() == u'\r'); }

void Decode(const std::string& bytes, Doc& doc) {
  doc.lines.clear();
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    doc.enc = Enc::Utf16;
    u16string text;
    text.reserve((bytes.size() - 2) / 2);
    // A trailing odd byte cannot be a character and is dropped.
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(char16_t(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    SplitLines(text, doc.lines);
  } else {
    doc.enc = Enc::Ansi;
    SplitLines(AnsiDecode(bytes, doc.exact), doc.lines);
  }
}

DWORD Encode(Doc& doc, std::string& bytes) {
  u16string text;
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    const TextLine& l = doc.lines[i];
    if (l.raw.empty()) {
      text += l.text;
      text += u"\r\n";
      continue;
    }
    text += l.raw;
    // The file's last line may have had no line end; a line now after it needs one.
    if (!EndsLine(l.raw) && i + 1 < doc.lines.size()) text += u"\r\n";
  }
  if (doc.enc == Enc::Ansi) {
    // A file whose bytes the code page cannot reproduce is not rewritten: that would change its other lines.
    if (doc.existed && !doc.exact) return ERROR_NO_UNICODE_TRANSLATION;
    if (AnsiEncode(text, bytes)) {
      // ANSI text beginning FF FE would read back as UTF-16: the write would change the file's encoding.
      if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return ERROR_NO_UNICODE_TRANSLATION;
      return ERROR_SUCCESS;
    }
    // Never write '?' for a character the code page lacks: a new file takes the form that holds every
    // character, an existing ANSI file is left as it is and the write refused.
    if (doc.existed) return ERROR_NO_UNICODE_TRANSLATION;
    doc.enc = Enc::Utf16;
  }
  bytes.clear();
  bytes.reserve(2 + text.size() * 2);
  bytes.push_back(static_cast<char>(0xFF));
  bytes.push_back(static_cast<char>(0xFE));
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return ERROR_SUCCESS;
}

// The machine path of a profile file: null means win.ini, a bare name lives in the Windows folder.
DWORD ResolveFile(LPCWSTR file, std::string& host) {
  u16string_view name = file ? WView(file) : u16string_view(u"win.ini");
  if (name.empty()) return ERROR_INVALID_PARAMETER;
  auto isSep = [](char16_t c) { return c == u'\\' || c == u'/'; };
  u16string full;
  if (name.size() >= 2 && name[1] == u':') {
    full = name;
  } else if (name.size() >= 2 && isSep(name[0]) && isSep(name[1])) {
    full = name;
  } else if (isSep(name[0])) {
    full = u16string(u"C:") + u16string(name);  // the root of the system drive
  } else {
    WCHAR dir[MAX_PATH];
    UINT n = GetWindowsDirectoryW(dir, MAX_PATH);
    full = (n > 0 && n < MAX_PATH) ? u16string(dir, n) : u16string(u"C:\\Windows");
    if (full.back() != u'\\') full += u'\\';
    full += name;
  }
  return MapPath(full, host);
}

DWORD LoadHost(const std::string& host, Doc& doc) {
  std::string bytes;
  DWORD rc = store::ReadWholeFile(host, bytes);
  if (rc != ERROR_SUCCESS) return rc;
  doc.existed = true;
  Decode(bytes, doc);
  return ERROR_SUCCESS;
}

DWORD Load(LPCWSTR file, Doc& doc) {
  std::string host;
  DWORD rc = ResolveFile(file, host);
  if (rc != ERROR_SUCCESS) return rc;
  if (store::InPlaceWriteCut(host)) {  // wait for the writer, or finish what a killed one left
    store::FileLock lock("profile", host);
    if (lock.status() == ERROR_SUCCESS) store::FinishInPlaceWrite(host);
  }
  return LoadHost(host, doc);
}

// Calls f(index, line) for every line inside the sections named `sec` (all of them, when the name
// occurs more than once), headers excluded.
template <class F>
void ForEachInSection(const Doc& doc, u16string_view sec, F f) {
  bool in = false;
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    Line l = Classify(doc.lines[i].text);
    if (l.kind == Kind::Section) {
      in = WEqualI(l.name, sec);
      continue;
    }
    if (in) f(i, l);
  }
}

bool HasSection(const Doc& doc, u16string_view sec) {
  for (auto& line : doc.lines) {
    Line l = Classify(line.text);
    if (l.kind == Kind::Section && WEqualI(l.name, sec)) return true;
  }
  return false;
}

bool FindValue(const Doc& doc, u16string_view sec, u16string_view key, u16string& value) {
  bool found = false;
  ForEachInSection(doc, sec, [&](size_t, const Line& l) {
    if (found || l.kind != Kind::Entry || !WEqualI(l.name, key)) return;
    found = true;
    u16string_view v = l.value;
    if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    value.assign(v);
  });
  return found;
}

void AddUnique(std::vector<u16string>& names, u16string_view n) {
  for (auto& x : names)
    if (WEqualI(x, n)) return;
  names.emplace_back(n);
}

std::vector<u16string> SectionNames(const Doc& doc) {
  std::vector<u16string> names;
  for (auto& line : doc.lines) {
    Line l = Classify(line.text);
    if (l.kind == Kind::Section) AddUnique(names, l.name);
  }
  return names;
}

// The key names of a section: only lines that hold '=' are keys here.
std::vector<u16string> KeyNames(const Doc& doc, u16string_view sec) {
  std::vector<u16string> names;
  ForEachInSection(doc, sec, [&](size_t i, const Line& l) {
    if (l.kind == Kind::Entry && doc.lines[i].text.find(u'=') != u16string::npos) AddUnique(names, l.name);
  });
  return names;
}

DWORD CopyString(u16string_view v, LPWSTR buf, DWORD size) {
  if (v.size() < size) {
    v.copy(buf, v.size());
    buf[v.size()] = 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(v.size());
  }
  v.copy(buf, size - 1);
  buf[size - 1] = 0;
  SetLastError(ERROR_MORE_DATA);
  return size - 1;
}

// Writes names as a double-zero list. A list that does not fit is cut and closed with two zeros.
DWORD CopyList(const std::vector<u16string>& items, LPWSTR buf, DWORD size) {
  size_t total = 0;
  for (auto& s : items) total += s.size() + 1;
  if (total + 1 <= size || (items.empty() && size >= 1)) {
    size_t at = 0;
    for (auto& s : items) {
      s.copy(buf + at, s.size());
      at += s.size();
      buf[at++] = 0;
    }
    buf[at] = 0;
    if (items.empty() && size >= 2) buf[1] = 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(total);
  }
  SetLastError(ERROR_MORE_DATA);
  if (size < 2) {
    buf[0] = 0;
    return 0;
  }
  size_t room = size - 2, at = 0;
  for (auto& s : items) {
    for (size_t i = 0; i <= s.size() && at < room; ++i) buf[at++] = i < s.size() ? s[i] : char16_t(0);
    if (at >= room) break;
  }
  buf[size - 2] = 0;
  buf[size - 1] = 0;
  return size - 2;
}

bool HasLineEnd(u16string_view s) { return s.find_first_of(u"\r\n") != u16string_view::npos; }

bool ValidSection(u16string_view s) { return !HasLineEnd(s) && s.find(u']') == u16string_view::npos; }

bool ValidKey(u16string_view k) {
  if (HasLineEnd(k) || k.find(u'=') != u16string_view::npos) return false;
  return k.empty() || (k[0] != u'[' && k[0] != u';');
}

// Writes a profile file as a writer that shares reading and writing with the file's open handles:
// a handle that shares neither refuses the write (ERROR_SHARING_VIOLATION, file unchanged). Normally the
// file is replaced atomically; while a handle of this process has it open without sharing deletion
// (the file could not be replaced then) it is rewritten in place instead, so that handle keeps reading
// and writing the one file rather than a replaced copy whose later writes would be lost.
DWORD WriteHonouringHandles(const std::string& host, const std::string& bytes) {
  struct stat st;
  if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return store::WriteFileAtomic(host, bytes);
  kvp::fs::ShareKey key{st.st_dev, st.st_ino};
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  if (!kvp::fs::ShareAcquire(key, true, true, false, kShare)) return ERROR_SHARING_VIOLATION;
  DWORD rc = kvp::fs::ShareAllowsDelete(key) ? store::WriteFileAtomic(host, bytes) : store::WriteFileInPlace(host, bytes);
  kvp::fs::ShareRelease(key, true, true, false, kShare);
  return rc;
}

// The lines of the sections named `sec` are written afresh from their text; every other line keeps the
// units it was read from.
void ForgetRawOf(Doc& doc, u16string_view sec) {
  bool in = false;
  for (auto& line : doc.lines) {
    Line l = Classify(line.text);
    if (l.kind == Kind::Section) in = WEqualI(l.name, sec);
    if (in) line.raw.clear();
  }
}

// Runs a read-modify-write of one file under its cross-process lock, the write touching section
// `touched`. `edit` returns an error code and sets `changed` when the file must be rewritten; a file
// that needs no change is not touched (so deleting from a missing file does not create it).
BOOL Modify(LPCWSTR file, u16string_view touched, const std::function<DWORD(Doc&, bool&)>& edit) {
  std::string host;
  DWORD rc = ResolveFile(file, host);
  if (rc != ERROR_SUCCESS) {
    SetLastError(rc);
    return FALSE;
  }
  store::FileLock lock("profile", host);
  if (lock.status() != ERROR_SUCCESS) {
    SetLastError(lock.status());
    return FALSE;
  }
  Doc doc;
  rc = store::FinishInPlaceWrite(host);
  if (rc == ERROR_SUCCESS) rc = LoadHost(host, doc);
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
    SetLastError(rc);
    return FALSE;
  }
  bool changed = false;
  rc = edit(doc, changed);
  if (rc == ERROR_SUCCESS && changed) {
    ForgetRawOf(doc, touched);
    std::string bytes;
    rc = Encode(doc, bytes);
    if (rc == ERROR_SUCCESS) rc = WriteHonouringHandles(host, bytes);
  }
  SetLastError(rc);
  return rc == ERROR_SUCCESS;
}

// Index one past the last non-blank line of the section whose header is at `hdr`.
size_t SectionInsertPoint(const Doc& doc, size_t hdr) {
  size_t end = hdr + 1, lastUsed = hdr + 1;
  for (; end < doc.lines.size(); ++end) {
    Line l = Classify(doc.lines[end].text);
    if (l.kind == Kind::Section) break;
    if (l.kind != Kind::Blank) lastUsed = end + 1;
  }
  return lastUsed;
}

// Header index of the first section named `sec`, or npos.
size_t FirstHeader(const Doc& doc, u16string_view sec) {
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    Line l = Classify(doc.lines[i].text);
    if (l.kind == Kind::Section && WEqualI(l.name, sec)) return i;
  }
  return u16string::npos;
}

// Removes every section named `sec` with its lines; returns whether any was there.
bool RemoveSections(Doc& doc, u16string_view sec) {
  std::vector<TextLine> kept;
  bool in = false, removed = false;
  for (auto& line : doc.lines) {
    Line l = Classify(line.text);
    if (l.kind == Kind::Section) in = WEqualI(l.name, sec);
    if (in) {
      removed = true;
      continue;
    }
    kept.push_back(std::move(line));
  }
  doc.lines.swap(kept);
  return removed;
}

DWORD SetKey(Doc& doc, u16string_view sec, u16string_view key, u16string_view value, bool& changed) {
  bool done = false;
  ForEachInSection(doc, sec, [&](size_t i, const Line& l) {
    if (done || l.kind != Kind::Entry || !WEqualI(l.name, key)) return;
    done = true;
    u16string line = u16string(l.name) + u"=" + u16string(value);
    if (line != doc.lines[i].text) {
      doc.lines[i] = TextLine{std::move(line), {}};
      changed = true;
    }
  });
  if (done) return ERROR_SUCCESS;
  u16string line = u16string(key) + u"=" + u16string(value);
  size_t hdr = FirstHeader(doc, sec);
  if (hdr == u16string::npos) {
    doc.lines.push_back(TextLine{u"[" + u16string(sec) + u"]", {}});
    doc.lines.push_back(TextLine{std::move(line), {}});
  } else {
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(SectionInsertPoint(doc, hdr)),
                     TextLine{std::move(line), {}});
  }
  changed = true;
  return ERROR_SUCCESS;
}

DWORD DeleteKey(Doc& doc, u16string_view sec, u16string_view key, bool& changed) {
  std::vector<size_t> gone;
  ForEachInSection(doc, sec, [&](size_t i, const Line& l) {
    if (l.kind == Kind::Entry && WEqualI(l.name, key)) gone.push_back(i);
  });
  for (size_t k = gone.size(); k-- > 0;) doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(gone[k]));
  changed = !gone.empty();
  return ERROR_SUCCESS;
}

// Parses the integer of a profile value: optional blanks and sign, then decimal digits, wrapping at 32
// bits, so a value written with "%u" or "%d" reads back as the same 32 bits.
UINT ParseInt(u16string_view v) {
  size_t i = 0;
  while (i < v.size() && IsBlank(v[i])) ++i;
  bool neg = false;
  if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) neg = v[i++] == u'-';
  uint32_t n = 0;
  for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i) n = n * 10u + uint32_t(v[i] - u'0');
  return neg ? UINT(0u - n) : UINT(n);
}

}  // namespace

}  // namespace kvp::ini

using namespace kvp::ini;

KVAPI DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR deflt, LPWSTR buf, DWORD size,
                                     LPCWSTR file) {
  if (!buf || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  try {
    Doc doc;
    DWORD rc = Load(file, doc);
    if (!section) {
      DWORD n = CopyList(SectionNames(doc), buf, size);
      if (rc != ERROR_SUCCESS) SetLastError(rc);
      return n;
    }
    u16string_view sec = Trim(kvp::WView(section));
    if (!key) {
      DWORD n = CopyList(KeyNames(doc, sec), buf, size);
      if (rc == ERROR_SUCCESS && !HasSection(doc, sec)) rc = ERROR_FILE_NOT_FOUND;
      if (rc != ERROR_SUCCESS) SetLastError(rc);
      return n;
    }
    std::u16string value;
    if (FindValue(doc, sec, Trim(kvp::WView(key)), value)) return CopyString(value, buf, size);
    std::u16string_view d = kvp::WView(deflt);
    while (!d.empty() && IsBlank(d.back())) d.remove_suffix(1);
    DWORD n = CopyString(d, buf, size);
    SetLastError(rc == ERROR_SUCCESS ? DWORD(ERROR_FILE_NOT_FOUND) : rc);
    return n;
  } catch (const std::bad_alloc&) {
    buf[0] = 0;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

KVAPI UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT deflt, LPCWSTR file) {
  if (!section || !key) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return static_cast<UINT>(deflt);
  }
  try {
    Doc doc;
    DWORD rc = Load(file, doc);
    std::u16string value;
    if (!FindValue(doc, Trim(kvp::WView(section)), Trim(kvp::WView(key)), value) || value.empty()) {
      SetLastError(rc == ERROR_SUCCESS ? DWORD(ERROR_FILE_NOT_FOUND) : rc);
      return static_cast<UINT>(deflt);
    }
    SetLastError(ERROR_SUCCESS);
    return ParseInt(value);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<UINT>(deflt);
  }
}

KVAPI DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buf, DWORD size, LPCWSTR file) {
  if (!buf || size == 0 || !section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  try {
    Doc doc;
    DWORD rc = Load(file, doc);
    std::vector<std::u16string> items;
    u16string_view sec = Trim(kvp::WView(section));
    ForEachInSection(doc, sec, [&](size_t i, const Line& l) {
      if (l.kind != Kind::Entry) return;
      u16string_view t = Trim(doc.lines[i].text);
      if (t.find(u'=') == u16string_view::npos)
        items.emplace_back(t);
      else
        items.push_back(std::u16string(l.name) + u"=" + std::u16string(l.value));
    });
    DWORD n = CopyList(items, buf, size);
    if (rc == ERROR_SUCCESS && !HasSection(doc, sec)) rc = ERROR_FILE_NOT_FOUND;
    if (rc != ERROR_SUCCESS) SetLastError(rc);
    return n;
  } catch (const std::bad_alloc&) {
    buf[0] = 0;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
}

KVAPI DWORD GetPrivateProfileSectionNamesW(LPWSTR buf, DWORD size, LPCWSTR file) {
  return GetPrivateProfileStringW(nullptr, nullptr, nullptr, buf, size, file);
}

KVAPI BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
  if (!section && !key && !value) {
    SetLastError(ERROR_SUCCESS);  // every write already reached the file: nothing to flush
    return TRUE;
  }
  if (!section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    std::u16string sec(Trim(kvp::WView(section)));
    std::u16string k(Trim(kvp::WView(key)));
    std::u16string_view v = kvp::WView(value);
    if (!ValidSection(sec) || (key && !ValidKey(k)) || (value && HasLineEnd(v))) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    return Modify(file, sec, [&](Doc& doc, bool& changed) -> DWORD {
      if (!key) {
        changed = RemoveSections(doc, sec);
        return ERROR_SUCCESS;
      }
      if (!value) return DeleteKey(doc, sec, k, changed);
      return SetKey(doc, sec, k, v, changed);
    });
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

KVAPI BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR file) {
  if (!section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    std::u16string sec(Trim(kvp::WView(section)));
    if (!ValidSection(sec)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    std::vector<std::u16string> body;
    for (const WCHAR* p = lines; p && *p; p += kvp::WLen(p) + 1) {
      std::u16string_view item = kvp::WView(p);
      std::u16string_view t = Trim(item);
      if (HasLineEnd(item) || (!t.empty() && t[0] == u'[')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      body.emplace_back(item);
    }
    return Modify(file, sec, [&](Doc& doc, bool& changed) -> DWORD {
      if (!lines) {
        changed = RemoveSections(doc, sec);
        return ERROR_SUCCESS;
      }
      size_t hdr = FirstHeader(doc, sec);
      std::u16string header = hdr == std::u16string::npos ? u"[" + sec + u"]" : doc.lines[hdr].text;
      size_t at = hdr == std::u16string::npos ? doc.lines.size() : hdr;
      RemoveSections(doc, sec);
      std::vector<TextLine> block;
      block.push_back(TextLine{std::move(header), {}});
      for (auto& b : body) block.push_back(TextLine{b, {}});
      doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), block.begin(), block.end());
      changed = true;
      return ERROR_SUCCESS;
    });
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}
