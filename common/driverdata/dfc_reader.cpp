// Front end of the driver data compiler: character classes, the statement reader, the value scanners,
// the keyword table with its dispatch, the parse loop and the FileVersion probe.
#include <atomic>
#include <cstring>
#include <new>

#include "driverdata/dfc_internal.h"
#include "kvplat/heap.h"

namespace dfc {

namespace {
constexpr uint8_t ClassOf(int c) {
  uint8_t k = 0;
  const char* delim = "\t\n\r \"#$%&'()*,./:;<=>?{}|";
  for (const char* p = delim; *p; ++p)
    if (*p == c) k |= CC_DELIMITER;
  bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  bool digit = c >= '0' && c <= '9';
  if (c == '/' || digit || c == '@' || letter || c == '[' || c == '\\' || c == ']' || c == '^' || c == '_' ||
      c == '`')
    k |= CC_KEYWORD;
  if (c >= 0x21 && c <= 0x7E && c != '/' && c != ':') k |= CC_OPTION;
  if (c == '\t' || (c >= 0x20 && c <= 0x7E && c != ':')) k |= CC_PRINTABLE;
  if (c == ' ' || c == '\t') k |= CC_BLANK;
  if (c == '\n' || c == '\r') k |= CC_LINE_END;
  if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) k |= CC_HEX_LETTER;
  if (digit) k |= CC_DIGIT;
  return k;
}
struct ClassTable {
  uint8_t v[256];
  constexpr ClassTable() : v() {
    for (int i = 0; i < 256; ++i) v[i] = ClassOf(i);
  }
};
constexpr ClassTable kClasses;
static_assert(kClasses.v[0x7F] == 0 && kClasses.v[0x80] == 0 && kClasses.v[0x0B] == 0);
static_assert(kClasses.v[uint8_t('/')] == (CC_DELIMITER | CC_KEYWORD | CC_PRINTABLE));
static_assert(kClasses.v[uint8_t(':')] == CC_DELIMITER);
}  // namespace

const uint8_t CHAR_CLASS_TABLE[256] = {
#define R(i) kClasses.v[i]
#define R8(i) R(i), R(i + 1), R(i + 2), R(i + 3), R(i + 4), R(i + 5), R(i + 6), R(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R8
#undef R
};

// ---- arena ---------------------------------------------------------------------------------------------
namespace {
constexpr size_t kChunkBytes = 65536;  // the whole record of a data file of the model's size fits one chunk
// One standard chunk kept from the last compilation for the next one, zero-filled. Without it every
// compilation gave its chunks back to the allocator, which then trimmed the heap and grew it again on the
// next compilation; on a busy machine that trimming cost more than the compilation itself.
std::atomic<void*> g_spareChunk{nullptr};
// A module holding its own copy of the compiler gives its kept chunk back when it is unloaded.
struct SpareChunkRelease {
  ~SpareChunkRelease() {
    if (void* c = g_spareChunk.exchange(nullptr)) GlobalFree(c);
  }
} g_spareChunkRelease;
}  // namespace

Arena::~Arena() {
  for (bool newest = true; head_; newest = false) {
    Chunk* p = head_->prev;
    uint8_t* data = reinterpret_cast<uint8_t*>(head_) + sizeof(Chunk);
    size_t used = newest ? size_t(cur_ - data) : head_->size - sizeof(Chunk);
    void* none = nullptr;
    if (head_->size == kChunkBytes) {
      std::memset(data, 0, used);
      if (g_spareChunk.compare_exchange_strong(none, head_)) {
        head_ = p;
        continue;
      }
    }
    GlobalFree(head_);
    head_ = p;
  }
}

void* Arena::Alloc(size_t bytes) {
  bytes = (bytes + 7) & ~size_t(7);
  if (bytes == 0) bytes = 8;
  if (bytes > left_) {
    size_t want = sizeof(Chunk) + bytes;
    if (want < kChunkBytes) want = kChunkBytes;
    Chunk* c = want == kChunkBytes ? static_cast<Chunk*>(g_spareChunk.exchange(nullptr)) : nullptr;
    if (!c) c = static_cast<Chunk*>(GlobalAlloc(GPTR, want));
    if (!c) {
      failed_ = true;
      return nullptr;
    }
    c->prev = head_;
    c->size = want;
    head_ = c;
    cur_ = reinterpret_cast<uint8_t*>(c) + sizeof(Chunk);
    left_ = want - sizeof(Chunk);
  }
  void* p = cur_;
  cur_ += bytes;
  left_ -= bytes;
  return p;
}

char* Arena::Dup(const char* s, size_t n) {
  char* p = static_cast<char*>(Alloc(n + 1));
  if (p && n) std::memcpy(p, s, n);
  return p;
}

WCHAR* Arena::DupWide(const WCHAR* s, size_t n) {
  auto* p = static_cast<WCHAR*>(Alloc((n + 1) * sizeof(WCHAR)));
  if (p && n) std::memcpy(p, s, n * sizeof(WCHAR));
  return p;
}

// ---- token buffers ------------------------------------------------------------------------------------
bool TOKEN_BUFFER::Init() {
  limit = 1024;
  length = pos = 0;
  bytes = static_cast<char*>(GlobalAlloc(GPTR, limit + 1));
  return bytes != nullptr;
}

void TOKEN_BUFFER::Free() {
  if (bytes) GlobalFree(bytes);
  bytes = nullptr;
  limit = length = pos = 0;
}

bool TOKEN_BUFFER::Grow(size_t atLeast) {
  // Grow by 1024 bytes at least, and by half the size for long values, so that a value of any length
  // is read in time linear in its size.
  uint64_t newLimit = limit;
  while (newLimit - length < atLeast) {
    uint64_t grow = newLimit / 2 > 1024 ? (newLimit / 2 + 1023) / 1024 * 1024 : 1024;
    newLimit += grow;
    if (newLimit > 0x7FFFFFF0u) return false;
  }
  char* nb = static_cast<char*>(GlobalAlloc(GPTR, size_t(newLimit) + 1));
  if (!nb) return false;
  std::memcpy(nb, bytes, length);
  GlobalFree(bytes);
  bytes = nb;
  limit = uint32_t(newLimit);
  return true;
}

// ---- statement reader ------------------------------------------------------------------------------------
namespace {
// Bytes a value takes as they are: not a line end, quote, bracket, brace or escape.
struct PlainValueTable {
  bool v[256];
  constexpr PlainValueTable() : v() {
    for (int i = 0; i < 256; ++i)
      v[i] = i != '\n' && i != '\r' && i != '"' && i != '(' && i != ')' && i != '{' && i != '}' && i != '%';
  }
};
constexpr PlainValueTable kPlainValue;

// c, the byte just read, starts a run of bytes that `in` accepts: appends the whole run at once and reads
// the byte after it into c. kReadOk, kReadEof when the file ends with the run, kReadNoMemory.
template <class In>
int TakeRun(TOKEN_BUFFER& tok, DATA_FILE_READER& r, uint8_t& c, In in) {
  const uint8_t* start = r.cursor - 1;
  const uint8_t* p = r.cursor;
  const uint8_t* end = r.cursor + r.remaining;
  while (p < end && in(*p)) ++p;
  if (!tok.AppendSpan(start, size_t(p - start))) return kReadNoMemory;
  r.remaining -= uint64_t(p - r.cursor);
  r.cursor = p;
  return r.Get(&c) ? kReadOk : kReadEof;
}
}  // namespace

// Reads one statement into the tokens: 0 complete, 1 end of file before a statement was complete,
// 3 malformed (reading resumes after the byte where the error was found), 4 out of memory.
int DfcReadStatement(STATEMENT_TOKENS& t, DATA_FILE_READER& r) {
  t.keyword.Clear();
  t.option.Clear();
  t.option2.Clear();
  t.value.Clear();
  uint8_t c;
  // Find a statement: '*' in the first column, not a comment.
  for (;;) {
    if (!r.Get(&c)) return kReadEof;
    if (Is(c, CC_LINE_END)) continue;
    if (c == '*') {
      if (!r.Get(&c)) return kReadEof;
      if (c != '%') break;
    }
    // Skip the rest of the line.
    while (!Is(c, CC_LINE_END))
      if (!r.Get(&c)) return kReadEof;
  }
  if (!Is(c, CC_KEYWORD)) return kReadMalformed;
  if (int res = TakeRun(t.keyword, r, c, [](uint8_t b) { return Is(b, CC_KEYWORD); }); res != kReadOk) return res;
  if (Is(c, CC_LINE_END)) return kReadOk;

  auto skipBlanks = [&]() -> bool {
    while (Is(c, CC_BLANK))
      if (!r.Get(&c)) return false;
    return true;
  };
  auto readWord = [&](TOKEN_BUFFER& tok) -> int {
    if (!Is(c, CC_OPTION)) return kReadMalformed;
    return TakeRun(tok, r, c, [](uint8_t b) { return Is(b, CC_OPTION); });
  };
  if (!skipBlanks()) return kReadEof;
  if (c != ':') {
    int res = readWord(t.option);
    if (res != kReadOk) return res;
    if (!skipBlanks()) return kReadEof;
    if (c != ':') {
      res = readWord(t.option2);
      if (res != kReadOk) return res;
      if (!skipBlanks()) return kReadEof;
      if (c != ':') return kReadMalformed;
    }
  }
  // c is the colon; the value starts at the first non-blank byte after it.
  do {
    if (!r.Get(&c)) return kReadEof;
  } while (Is(c, CC_BLANK));

  bool quoted = false;
  uint32_t parens = 0, braces = 0;
  for (;;) {
    if (!quoted && parens == 0 && braces == 0 && Is(c, CC_LINE_END)) return kReadOk;
    if (r.lead && kPlainValue.v[c] && !r.lead[c]) {
      const bool* lead = r.lead;
      int res = TakeRun(t.value, r, c, [lead](uint8_t b) { return kPlainValue.v[b] && !lead[b]; });
      if (res != kReadOk) return res;
      continue;
    }
    if (r.lead ? r.lead[c] : DfcIsLeadByte(c)) {
      if (!t.value.Append(char(c))) return kReadNoMemory;
      if (!r.Get(&c)) return kReadEof;
      if (!t.value.Append(char(c))) return kReadNoMemory;
      if (!r.Get(&c)) return kReadEof;
      continue;
    }
    switch (c) {
      case '"':
        quoted = !quoted;
        break;
      case '(':
        if (quoted) return kReadMalformed;
        ++parens;
        break;
      case ')':
        if (quoted || parens == 0) return kReadMalformed;
        --parens;
        break;
      case '{':
        if (quoted || parens) return kReadMalformed;
        ++braces;
        break;
      case '}':
        if (quoted || parens || braces == 0) return kReadMalformed;
        --braces;
        break;
      case '%':
        if (quoted) {
          if (!t.value.Append(char(c))) return kReadNoMemory;
          if (!r.Get(&c)) return kReadEof;
          if (Is(c, CC_LINE_END)) return kReadMalformed;
        }
        break;
      default:
        break;
    }
    if (!t.value.Append(char(c))) return kReadNoMemory;
    if (!r.Get(&c)) return kReadEof;
  }
}

// ---- value scanners ------------------------------------------------------------------------------------
void DfcSkipBlanksAndLineEnds(TOKEN_BUFFER& t) {
  while (t.pos < t.length && Is(uint8_t(t.bytes[t.pos]), CC_BLANK | CC_LINE_END)) ++t.pos;
}

char* DfcNextWord(TOKEN_BUFFER& t, int* ended) {
  DfcSkipBlanksAndLineEnds(t);
  if (ended) *ended = 0;
  if (t.pos >= t.length) return nullptr;
  if (t.bytes[t.pos] == '*') ++t.pos;
  char* word = t.bytes + t.pos;
  while (t.pos < t.length && !Is(uint8_t(t.bytes[t.pos]), CC_BLANK | CC_LINE_END | CC_DELIMITER)) ++t.pos;
  if (t.pos < t.length) {
    if (ended) *ended = uint8_t(t.bytes[t.pos]);
    t.bytes[t.pos] = 0;
    ++t.pos;
  }
  return word;
}

int32_t DfcNextNumber(TOKEN_BUFFER& t, int* after) {
  DfcSkipBlanksAndLineEnds(t);
  if (t.pos >= t.length) {
    if (after) *after = 0;
    return 0;
  }
  bool neg = false;
  if (t.bytes[t.pos] == '-') {
    neg = true;
    ++t.pos;
  }
  uint32_t v = 0;
  while (t.pos < t.length && Is(uint8_t(t.bytes[t.pos]), CC_DIGIT)) v = v * 10 + uint32_t(t.bytes[t.pos++] - '0');
  if (after) *after = DfcPeek(t);
  return int32_t(neg ? 0u - v : v);
}

bool DfcSkipPast(TOKEN_BUFFER& t, char c) {
  while (t.pos < t.length) {
    if (t.bytes[t.pos++] == c) return true;
  }
  return false;
}

namespace {
// Decodes the quoted string at the scan position in place. Returns the start of the decoded bytes and
// their count; false when there is no double quote.
bool DecodeQuoted(TOKEN_BUFFER& t, char** start, uint32_t* n, int* after) {
  *after = 0;
  uint32_t q = t.pos;
  while (q < t.length && t.bytes[q] != '"') ++q;
  if (q >= t.length) {
    t.pos = t.length;
    return false;
  }
  uint32_t r = q + 1, w = q + 1;
  bool hex = false;
  while (r < t.length && t.bytes[r] != '"') {
    uint8_t c = uint8_t(t.bytes[r]);
    if (Is(c, CC_LINE_END)) {
      ++r;
    } else if (hex) {
      if (c == '>') {
        hex = false;
        ++r;
      } else if (IsHexDigit(c) && r + 1 < t.length && IsHexDigit(uint8_t(t.bytes[r + 1]))) {
        t.bytes[w++] = char(HexValue(c) * 16 + HexValue(uint8_t(t.bytes[r + 1])));
        r += 2;
      } else {
        ++r;
      }
    } else if (c == '<') {
      hex = true;
      ++r;
    } else if (c == '%' && r + 1 < t.length) {
      t.bytes[w++] = t.bytes[r + 1];
      r += 2;
    } else {
      t.bytes[w++] = char(c);
      ++r;
    }
  }
  if (r < t.length) ++r;  // the closing quote
  t.pos = r;
  *after = DfcPeek(t);
  *start = t.bytes + q + 1;
  *n = w - (q + 1);
  return true;
}
}  // namespace

char* DfcTakeString(TOKEN_BUFFER& t, Arena& a, uint32_t* decodedLen, int* after) {
  char* s;
  uint32_t n;
  int aft = 0;
  bool ok = DecodeQuoted(t, &s, &n, &aft);
  if (after) *after = aft;
  if (decodedLen) *decodedLen = 0;
  if (!ok || n == 0) return nullptr;
  char* p = a.Dup(s, n);
  if (p && decodedLen) *decodedLen = n;
  return p;
}

WCHAR* DfcTakeWideString(TOKEN_BUFFER& t, Arena& a, int* after) {
  char* s;
  uint32_t n;
  int aft = 0;
  bool ok = DecodeQuoted(t, &s, &n, &aft);
  if (after) *after = aft;
  if (!ok || n == 0) return nullptr;
  auto* w = static_cast<WCHAR*>(a.Alloc((size_t(n) + 1) * sizeof(WCHAR)));
  if (!w) return nullptr;
  DfcAnsiToWide(s, n, w, size_t(n) + 1);
  return w;
}

int32_t DfcParseNumber(const char* s) {
  uint32_t v = 0;
  bool neg = false;
  for (; s && *s && *s != ' ' && *s != '=' && *s != '\t'; ++s) {
    if (*s >= '0' && *s <= '9')
      v = v * 10 + uint32_t(*s - '0');
    else if (*s == '-')
      neg = true;
  }
  return int32_t(neg ? 0u - v : v);
}

int32_t DfcParseInt(const char* s, int* used) {
  int i = 0;
  bool neg = false;
  if (s && s[0] == '-') {
    neg = true;
    i = 1;
  }
  uint32_t v = 0;
  while (s && s[i] >= '0' && s[i] <= '9') v = v * 10 + uint32_t(s[i++] - '0');
  if (used) *used = i;
  return int32_t(neg ? 0u - v : v);
}

bool DfcIsDigits(const char* s) {
  for (; s && *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

// ---- FileVersion -----------------------------------------------------------------------------------
int DfcStmtFileVersion(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  std::memset(rec.fileVersion, 0, sizeof(rec.fileVersion));
  DfcAnsiToWide(t.value.bytes, t.value.length, rec.fileVersion, 15);
  return 1;
}

// ---- keyword table and dispatch --------------------------------------------------------------------------
namespace {
struct KEYWORD_ROW {
  const char* keyword;
  Handler handler;
};
const KEYWORD_ROW kKeywords[] = {
    {"FileVersion", DfcStmtFileVersion},     {"OpenUI", DfcStmtOpenUI},
    {"CloseUI", DfcStmtCloseUI},             {"NumericValue", DfcStmtNumericValue},
    {"StringValue", DfcStmtStringValue},     {"PageValue", DfcStmtPageValue},
    {"PageMMValue", DfcStmtPageMMValue},     {"SlotPaper", DfcStmtSlotPaper},
    {"OptionCommand", DfcStmtOptionCommand}, {"CommandGroup", DfcStmtCommandGroup},
    {"DeviceFonts", DfcStmtDeviceFonts},     {"FontCartridge", DfcStmtFontCartridge},
    {"TTFS", DfcStmtTTFS},                   {"CommandString", DfcStmtCommandString},
    {"Judge", DfcStmtJudge},                 {"Item", DfcStmtItem},
    {"Action", DfcStmtAction},               {"Transact", DfcStmtTransact},
    {"AlertAction", DfcStmtAlertAction},     {"Alert", DfcStmtAlert},
    {"Exclusive", DfcStmtExclusive},         {"UIResDLLName", DfcStmtUIResDLLName},
    {"ExcDepDLLName", DfcStmtExcDepDLLName},
};
constexpr int kKeywordCount = int(sizeof(kKeywords) / sizeof(kKeywords[0]));
static_assert(kKeywordCount == 23);
}  // namespace

int DfcDispatchStatement(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  const char* kw = t.keyword.bytes;
  if (rec.featureOpen) {
    if (rec.openFeature == kw) {
      DfcStmtOption(rec, t);
      return 0;
    }
    if (std::strncmp(kw, "Default", 7) == 0 && rec.openFeature == kw + 7) {
      DfcStmtDefault(rec, t);
      return 0;
    }
  }
  int row = -1;
  if (rec.keywordMemo > 0 && std::strcmp(kKeywords[rec.keywordMemo - 1].keyword, kw) == 0) {
    row = rec.keywordMemo - 1;
  } else {
    rec.keywordMemo = 0;
    for (int i = 0; i < kKeywordCount; ++i)
      if (std::strcmp(kKeywords[i].keyword, kw) == 0) {
        row = i;
        rec.keywordMemo = i + 1;
        break;
      }
  }
  if (row < 0) return kReadMalformed;
  t.value.pos = 0;
  return kKeywords[row].handler(rec, t) == 1 ? 0 : kReadMalformed;
}

// ---- parse loop -------------------------------------------------------------------------------------
COMPILE_RECORD* DfcParseDataBytes(const void* bytes, size_t size, const DFC_RESOLVER* resolver) {
  STATEMENT_TOKENS t;
  if (!t.Init()) {
    t.Free();
    return nullptr;
  }
  auto* rec = new (std::nothrow) COMPILE_RECORD;
  if (!rec) {
    t.Free();
    return nullptr;
  }
  rec->resolver = resolver ? resolver : DfcDefaultResolver();
  bool lead[256];
  DfcLeadByteTable(lead);
  DATA_FILE_READER r;
  r.Open(bytes, size, lead);
  int res;
  do {
    res = DfcReadStatement(t, r);
    if (res == kReadOk) DfcDispatchStatement(*rec, t);
  } while (res == kReadOk || res == kReadMalformed);
  t.Free();
  for (auto& a : rec->aliases) a.clear();
  if (res != kReadEof || rec->arena.Failed()) {
    DfcFreeCompileRecord(rec);
    return nullptr;
  }
  return rec;
}

COMPILE_RECORD* DfcParseDataFile(LPCWSTR path, const DFC_RESOLVER* resolver) {
  const uint8_t* view = nullptr;
  size_t size = 0;
  if (!DfcMapFile(path, &view, &size)) return nullptr;
  COMPILE_RECORD* rec = DfcParseDataBytes(view, size, resolver);
  DfcUnmapFile(view, size);
  return rec;
}

void DfcFreeCompileRecord(COMPILE_RECORD* record) { delete record; }

// ---- FileVersion probe ------------------------------------------------------------------------------
BOOL DfcProbeFileVersionBytes(const void* bytes, size_t size, WCHAR* text) {
  STATEMENT_TOKENS t;
  if (!t.Init()) {
    t.Free();
    return 1;
  }
  bool lead[256];
  DfcLeadByteTable(lead);
  DATA_FILE_READER r;
  r.Open(bytes, size, lead);
  int res;
  do {
    res = DfcReadStatement(t, r);
    if (res == kReadOk && std::strcmp(t.keyword.bytes, "FileVersion") == 0) {
      std::memset(text, 0, 16 * sizeof(WCHAR));
      DfcAnsiToWide(t.value.bytes, t.value.length, text, 15);
      break;
    }
  } while (res == kReadOk || res == kReadMalformed);
  t.Free();
  return 1;
}

BOOL DfcProbeFileVersion(LPCWSTR path, WCHAR* text) {
  const uint8_t* view = nullptr;
  size_t size = 0;
  if (!DfcMapFile(path, &view, &size)) return 1;
  DfcProbeFileVersionBytes(view, size, text);
  DfcUnmapFile(view, size);
  return 1;
}

}  // namespace dfc
