// Resource strings and text conversion.
#include "config/resource_strings.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/device_settings.h"
#include "config/free_size.h"
#include "config/paths.h"
#include "kvplat/codepage.h"
#include "kvplat/file.h"
#include "kvplat/handle.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/free_size_module.h"
#include "settings/library_hooks.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

// ---- Decoration table.

namespace {

constexpr DWORD kTray = 1, kSize = 2, kUnit = 3, kModule = 4, kLimits = 5, kMedia = 6;

constexpr int kRowCount = 79;

struct DecorationTable {
  STRING_DECORATION_ROW rows[kRowCount + 1];
};

constexpr DecorationTable MakeTable() {
  DecorationTable t{};
  int n = 0;
  auto add = [&](DWORD id, WORD setting, DWORD kind) { t.rows[n++] = {id, setting, 0, kind}; };
  for (DWORD first : {29u, 813u, 50017u})
    for (WORD i = 0; i < 9; ++i) add(first + i, (WORD)(sid::wdmPrintPostTray1Name + i), kTray);
  for (WORD i = 0; i < 10; ++i) add(109 + i, (WORD)(i + 1), kSize);
  add(752, 11, kSize);
  add(13379, 11, kSize);
  add(753, 12, kSize);
  add(13383, 12, kSize);
  add(153, 0, kUnit);
  add(154, 0, kUnit);
  for (DWORD i = 0; i < 16; ++i) add(565 + i, 0, kModule);
  for (DWORD i = 0; i < 4; ++i) add(13273 + i, 0, kLimits);
  for (WORD i = 0; i < 16; ++i) add(13708 + i, (WORD)(sid::wdmCustomMedia1Name + i), kMedia);
  t.rows[n] = {0, 0, 0, 0};
  return t;
}

constexpr DecorationTable kTable = MakeTable();
static_assert(kTable.rows[kRowCount - 1].stringId == 13723 && kTable.rows[kRowCount].stringId == 0,
              "79 decoration rows and the end row");

// Unit texts: metric and inch (the same ids as the kind-3 rows, which show them).
constexpr DWORD kUnitMetric = 153, kUnitInch = 154;
constexpr int kUnitChars = 16;  // at most 15 characters

std::u16string UnitText(SETTING_CONTEXT* ctx) {
  WCHAR unit[kUnitChars] = {};
  HMODULE lib = CfgLoadResourceDll(ctx);
  if (lib) LoadStringW(lib, StgIsMetric(ctx) ? kUnitMetric : kUnitInch, unit, kUnitChars);
  return std::u16string(kvp::WView(unit));
}

std::u16string Widen(const char* ascii) {
  std::u16string s;
  for (; *ascii; ++ascii) s.push_back((WCHAR)(unsigned char)*ascii);
  return s;
}

// "(w x l" with one decimal (tenths of a millimetre) or two (hundredths of an inch).
std::u16string SizeText(bool metric, LONG w, LONG l) {
  char buf[64];
  if (metric)
    std::snprintf(buf, sizeof buf, "(%ld.%01d x %ld.%01d", (long)(w / 10), (int)(w % 10), (long)(l / 10),
                  (int)(l % 10));
  else
    std::snprintf(buf, sizeof buf, "(%ld.%02d x %ld.%02d", (long)(w / 100), (int)(w % 100), (long)(l / 100),
                  (int)(l % 100));
  return Widen(buf);
}

void Clamp(LONG* v, LONG lo, LONG hi) {
  if (*v > hi) *v = hi;
  if (*v < lo) *v = lo;
}

// The text of a setting (text rows only); empty otherwise.
std::u16string SettingText(SETTING_CONTEXT* ctx, WORD id) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row) return {};
  std::vector<WCHAR> buf(StgTypeLength(row->type) + 2, 0);
  if (!StgGetString(ctx, row, buf.data())) return {};
  return std::u16string(kvp::WView(buf.data()));
}

// A lead byte of a two-byte character in code page 932.
bool IsCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

void DecorateSize(SETTING_CONTEXT* ctx, DWORD stringId, std::u16string& text) {
  bool metric = StgIsMetric(ctx) != 0;
  LONG w = 0, l = 0;
  if (stringId >= 109 && stringId <= 118) {
    FREE_SIZE_SLOT slot{};
    if (!CfgReadFreeSizeSlot(ctx, (int)(stringId - 109), &slot)) return;
    slot.userName[63] = 0;
    if (slot.userName[0]) {
      WCHAR name[64];
      CfgAnsiToWide(name, slot.userName, 64);
      text = kvp::WView(name);
    }
    LONG wmax = 0, wmin = 0, lmax = 0, lmin = 0;
    w = slot.width;
    l = slot.length;
    if (StgGetFreeSizeLimits(ctx, (DWORD)slot.tray, (DWORD)slot.orientation, &wmax, &wmin, 0)) Clamp(&w, wmin, wmax);
    if (StgGetFreeSizeLimits(ctx, (DWORD)slot.tray, (DWORD)slot.orientation, &lmax, &lmin, 1)) Clamp(&l, lmin, lmax);
    w = StgDotsToDisplayUnits(ctx, 0, w);
    l = StgDotsToDisplayUnits(ctx, 0, l);
  } else if (stringId == 752 || stringId == 13379) {
    w = StgDotsToDisplayUnits(ctx, sid::rdmPaperFreeSizeWidth, 0);
    l = StgDotsToDisplayUnits(ctx, sid::rdmPaperFreeSizeLength, 0);
  } else {
    w = StgDotsToDisplayUnits(ctx, sid::rdmPrintFreeSizeWidth, 0);
    l = StgDotsToDisplayUnits(ctx, sid::rdmPrintFreeSizeLength, 0);
  }
  text += SizeText(metric, w, l);
  text += UnitText(ctx);
  text += u')';
  if (StgIsEuropeanRegion(ctx)) {
    std::vector<WCHAR> buf(text.begin(), text.end());
    buf.push_back(0);
    CfgDecimalPointToComma(buf.data());
    text = kvp::WView(buf.data());
  }
}

void DecorateLimits(SETTING_CONTEXT* ctx, DWORD stringId, std::u16string& text) {
  bool metric = StgIsMetric(ctx) != 0;
  std::u16string lo = metric ? u"0" : u"0.00", hi = lo;
  WORD trayId = 0, orientId = 0;
  if (ctx->dialogInUse == 1017) {
    trayId = sid::wdmFreeSizeTray;
    orientId = sid::wdmFreeSizeOrient;
  } else if (ctx->dialogInUse == 1041) {
    bool paper = StgGetValue(ctx, sid::wdmInputFreeSizeType, nullptr) == 1;
    trayId = paper ? sid::rdmPaperFreeSizeTray : sid::rdmPrintFreeSizeTray;
    orientId = paper ? sid::rdmPaperFreeSizeOrient : sid::rdmPrintFreeSizeOrient;
  }
  if (trayId) {
    LONG mx = 0, mn = 0;
    int selector = stringId == 13273 || stringId == 13274 ? 1 : 0;
    DWORD tray = (DWORD)StgGetValue(ctx, trayId, nullptr), orient = (DWORD)StgGetValue(ctx, orientId, nullptr);
    if (StgGetFreeSizeLimits(ctx, tray, orient, &mx, &mn, selector)) {
      auto format = [&](LONG dots) {
        WCHAR buf[CFG_DECIMAL_TEXT];
        CfgFormatDecimal(buf, metric ? 10 : 100, StgDotsToDisplayUnits(ctx, 0, dots), ctx);
        std::u16string s(kvp::WView(buf));
        if (metric && s.size() >= 2 && s.back() == u'0') s.resize(s.size() - 2);
        return s;
      };
      lo = format(mn);
      hi = format(mx);
    }
  }
  std::vector<WCHAR> out(text.size() + lo.size() + hi.size() + 1, 0);
  const WCHAR* inserts[2] = {lo.c_str(), hi.c_str()};
  CFG_FORMAT_INSERTS args{inserts, 2, nullptr, 0};
  CfgFormatResourceText(out.data(), (int)out.size(), text.c_str(), &args);
  text = kvp::WView(out.data());
}

void DecorateMedia(SETTING_CONTEXT* ctx, WORD settingId, std::u16string& text, int capacity) {
  if (!CfgIsCustomMediaOn(ctx)) return;
  std::u16string name = SettingText(ctx, settingId);
  if (name.empty()) return;
  char ansi[256];
  CfgWideToAnsi(ansi, name.c_str(), 256);
  size_t n = std::strlen(ansi);
  if ((int)n >= capacity) {
    size_t keep = 0;
    while (keep < (size_t)(capacity - 1) && ansi[keep]) {
      if (IsCp932LeadByte((unsigned char)ansi[keep])) {
        if (keep + 2 > (size_t)(capacity - 1) || !ansi[keep + 1]) break;
        keep += 2;
      } else {
        ++keep;
      }
    }
    ansi[keep] = 0;
  }
  std::vector<WCHAR> wide(std::strlen(ansi) + 1);
  CfgAnsiToWide(wide.data(), ansi, (int)wide.size());
  text = kvp::WView(wide.data());
}

}  // namespace

const STRING_DECORATION_ROW* CfgGetStringDecorationTable() { return kTable.rows; }

const STRING_DECORATION_ROW* CfgFindStringDecoration(DWORD stringId) {
  if (!stringId) return nullptr;
  for (const STRING_DECORATION_ROW* r = kTable.rows; r->stringId; ++r)
    if (r->stringId == stringId) return r;
  return nullptr;
}

// ---- Library and strings.

HMODULE CfgLoadResourceDll(SETTING_CONTEXT* ctx) {
  if (!ctx) return nullptr;
  if (!ctx->resourceLib) {
    const WCHAR* path = CfgGetResourceDllPath(ctx);
    if (path && path[0]) {
      WCHAR copy[CFG_MAX_PATH + 1];
      kvp::WCopy(copy, CFG_MAX_PATH + 1, path);
      ctx->resourceLib = LoadLibraryW(copy);
    }
  }
  return ctx->resourceLib;
}

SETTING_CONTEXT* CfgFreeContextLibraries(SETTING_CONTEXT* ctx) {
  if (!ctx) return ctx;
  if (ctx->resourceLib) FreeLibrary(ctx->resourceLib);
  if (ctx->pictureLib) FreeLibrary(ctx->pictureLib);
  ctx->resourceLib = nullptr;
  ctx->pictureLib = nullptr;
  return ctx;
}

void CfgLoadStringCommon(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* dest, int capacity, int decorate) {
  if (!dest || capacity <= 0) return;
  dest[0] = 0;
  HMODULE lib = CfgLoadResourceDll(ctx);
  if (!lib) return;
  LoadStringW(lib, stringId, dest, capacity);
  dest[capacity - 1] = 0;
  if (decorate) CfgDecorateString(ctx, stringId, dest, capacity);
}

void CfgDecorateString(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* text, int capacity) {
  if (!ctx || !text || capacity <= 0) return;
  const STRING_DECORATION_ROW* row = CfgFindStringDecoration(stringId);
  if (!row) return;
  std::u16string s(kvp::WView(text));
  switch (row->kind) {
    case kTray:
      s += u':';
      s += SettingText(ctx, row->settingId);
      break;
    case kSize:
      DecorateSize(ctx, stringId, s);
      break;
    case kUnit:
      s = UnitText(ctx);
      break;
    case kModule: {
      // The module writes into a scratch text of its own size; only what fits is taken over.
      std::vector<WCHAR> scratch(CFG_MODULE_TEXT_CHARS, 0);
      CFG_STRING_ID_EVENT arg{(WORD)stringId, scratch.data()};
      kvp::WCopy(scratch.data(), scratch.size(), s.c_str());
      StgBroadcastModuleEvent(ctx, 16, &arg);
      scratch.back() = 0;
      s = kvp::WView(scratch.data());
      break;
    }
    case kLimits:
      DecorateLimits(ctx, stringId, s);
      break;
    case kMedia:
      DecorateMedia(ctx, row->settingId, s, capacity);
      break;
    default:
      return;
  }
  CfgCopyText(text, capacity, s.c_str());
}

// ---- Bounded text.

namespace {

// Writes into a destination of fixed capacity; once a character does not fit, nothing more is taken,
// and a high surrogate whose partner did not fit is taken back.
class BoundedText {
 public:
  BoundedText(WCHAR* dest, int capacity, int start) : dest_(dest), cap_(capacity), n_(start) {}
  void Put(WCHAR c) {
    if (full_ || n_ + 1 >= cap_) {
      full_ = true;
      return;
    }
    dest_[n_++] = c;
  }
  void Put(const WCHAR* s) {
    for (; s && *s && !full_; ++s) Put(*s);
  }
  void PutAscii(const char* s) {
    for (; *s && !full_; ++s) Put((WCHAR)(unsigned char)*s);
  }
  int Finish() {
    if (full_ && n_ > 0 && dest_[n_ - 1] >= 0xD800 && dest_[n_ - 1] <= 0xDBFF) --n_;
    dest_[n_] = 0;
    return n_;
  }

 private:
  WCHAR* dest_;
  int cap_;
  int n_;
  bool full_ = false;
};

}  // namespace

int CfgFormatResourceText(WCHAR* dest, int capacity, const WCHAR* format, const CFG_FORMAT_INSERTS* inserts) {
  if (!dest || capacity <= 0) return 0;
  BoundedText out(dest, capacity, 0);
  int texts = 0, numbers = 0;
  int textCount = inserts && inserts->texts ? inserts->textCount : 0;
  int numberCount = inserts && inserts->numbers ? inserts->numberCount : 0;
  if (numberCount > CFG_FORMAT_MAX_NUMBERS) numberCount = CFG_FORMAT_MAX_NUMBERS;
  for (const WCHAR* p = format; p && *p; ++p) {
    if (*p != u'%') {
      out.Put(*p);
      continue;
    }
    if (p[1] == u'%') {
      out.Put(u'%');
      ++p;
      continue;
    }
    const WCHAR* q = p + 1;
    if (*q == u'l' || *q == u'h') ++q;
    if (*q == u's') {
      if (texts < textCount) out.Put(inserts->texts[texts]);
      ++texts;
      p = q;
    } else if (*q == u'd' || *q == u'i' || *q == u'u') {
      if (numbers < numberCount) {
        char buf[16];
        LONG v = inserts->numbers[numbers];
        if (*q == u'u')
          std::snprintf(buf, sizeof buf, "%u", (unsigned)(DWORD)v);
        else
          std::snprintf(buf, sizeof buf, "%d", (int)v);
        out.PutAscii(buf);
      }
      ++numbers;
      p = q;
    } else {
      out.Put(u'%');  // not a conversion of ours: the text goes on as written
    }
  }
  return out.Finish();
}

int CfgAppendText(WCHAR* dest, int capacity, const WCHAR* text) {
  if (!dest || capacity <= 0) return 0;
  int n = (int)kvp::WLen(dest);
  if (n >= capacity) n = capacity - 1;  // an unterminated destination is cut first
  BoundedText out(dest, capacity, n);
  out.Put(text);
  return out.Finish();
}

int CfgCopyText(WCHAR* dest, int capacity, const WCHAR* text) {
  if (!dest || capacity <= 0) return 0;
  dest[0] = 0;
  return CfgAppendText(dest, capacity, text);
}

// ---- Decimal text.

void CfgFormatDecimal(WCHAR* dest, DWORD divisor, LONG value, SETTING_CONTEXT* ctx) {
  if (!dest) return;
  int d = 0;
  for (DWORD v = divisor; v > 1; v /= 10) ++d;
  char buf[CFG_DECIMAL_TEXT];
  static constexpr DWORD kPow[] = {1, 10, 100, 1000, 10000};
  if (d >= 1 && d <= 4) {
    long q = (long)value / (long)kPow[d];
    unsigned r = (unsigned)((long)value % (long)kPow[d]);
    std::snprintf(buf, sizeof buf, "%ld.%0*u", q, d, r);
  } else {
    std::snprintf(buf, sizeof buf, "%ld", (long)value);
  }
  size_t i = 0;
  for (; buf[i] && i + 1 < (size_t)CFG_DECIMAL_TEXT; ++i) dest[i] = (WCHAR)(unsigned char)buf[i];
  dest[i] = 0;
  if (ctx && StgIsEuropeanRegion(ctx))
    for (WCHAR* p = dest; *p; ++p)
      if (*p == u'.') *p = u',';
}

void CfgDecimalPointToComma(WCHAR* text) {
  if (!text) return;
  size_t n = kvp::WLen(text);
  while (n > 0 && text[n - 1] != u'(') {
    if (text[n - 1] == u'.') text[n - 1] = u',';
    --n;
  }
}

// ---- Bitmap test.

int CfgOpenBmpFile(const WCHAR* path, HANDLE* file) {
  if (file) *file = INVALID_HANDLE_VALUE;
  if (!path || !file) return 0;
  char ansi[260];
  CfgWideToAnsi(ansi, path, 260);
  HANDLE h = CreateFileA(ansi, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  BYTE head[18] = {};
  DWORD done = 0;
  if (ReadFile(h, head, sizeof head, &done, nullptr) && done == sizeof head) {
    DWORD size;
    std::memcpy(&size, head + 14, 4);
    if (size == 40) {
      *file = h;
      return 1;
    }
  }
  CloseHandle(h);
  return 0;
}

// ---- Conversions.

WCHAR* CfgAnsiToWide(WCHAR* dest, const char* text, int capacity) {
  if (!dest) return dest;
  if (!text) text = "";
  if (capacity < 1) capacity = (int)std::strlen(text) + 1;
  dest[0] = 0;
  int need = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (need <= 0) return dest;
  if (need <= capacity) {
    MultiByteToWideChar(CP_ACP, 0, text, -1, dest, capacity);
  } else {
    std::vector<WCHAR> all((size_t)need, 0);
    MultiByteToWideChar(CP_ACP, 0, text, -1, all.data(), need);
    kvp::WCopy(dest, (size_t)capacity, all.data());
  }
  dest[capacity - 1] = 0;
  return dest;
}

char* CfgWideToAnsi(char* dest, const WCHAR* text, int bytes) {
  if (!dest) return dest;
  if (!text) text = u"";
  if (bytes <= 0) bytes = (int)kvp::WLen(text) + 1;
  std::memset(dest, 0, (size_t)bytes);
  int need = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return dest;
  std::vector<char> all((size_t)need, 0);
  WideCharToMultiByte(CP_ACP, 0, text, -1, all.data(), need, nullptr, nullptr);
  // Take whole characters only, up to bytes - 1.
  size_t keep = 0, limit = (size_t)bytes - 1;
  while (keep < limit && all[keep]) {
    size_t step = IsDBCSLeadByte((BYTE)all[keep]) && all[keep + 1] ? 2 : 1;
    if (keep + step > limit) break;
    keep += step;
  }
  std::memcpy(dest, all.data(), keep);
  dest[keep] = 0;
  return dest;
}
