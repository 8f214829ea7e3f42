// Readable listing of a compiled image in offset form, for data-file authors and golden tests.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "driverdata/dfc_internal.h"
#include "kvplat/text.h"

namespace dfc {

namespace {

struct Dumper {
  const BYTE* img;
  size_t len;
  void (*emit)(void*, const char*);
  void* ctx;

  void Out(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    emit(ctx, buf);
  }
  uint64_t U64(uint64_t off) const { return Get<uint64_t>(img, off); }
  uint16_t U16(uint64_t off) const { return Get<uint16_t>(img, off); }
  int16_t I16(uint64_t off) const { return Get<int16_t>(img, off); }
  int32_t I32(uint64_t off) const { return Get<int32_t>(img, off); }

  // A command or name as printable text: bytes outside 0x20-0x7E shown as <XX>.
  std::string Text(uint64_t off, int64_t n = -1) const {
    if (!off) return "(none)";
    std::string s = "\"";
    for (uint64_t i = off; i < len && (n < 0 ? img[i] != 0 : int64_t(i - off) < n); ++i) {
      uint8_t c = img[i];
      if (c >= 0x20 && c < 0x7F && c != '"' && c != '<') {
        s += char(c);
      } else {
        char h[8];
        std::snprintf(h, sizeof(h), "<%02X>", c);
        s += h;
      }
    }
    return s + "\"";
  }
  std::string WideText(uint64_t off) const {
    if (!off) return "(none)";
    std::u16string w;
    for (uint64_t i = off; i + 1 < len; i += 2) {
      WCHAR c = Get<WCHAR>(img, i);
      if (!c) break;
      w += c;
    }
    return "\"" + kvp::ToUtf8(w) + "\"";
  }
  std::string Ref(uint64_t tagged) const {
    if (!tagged) return "-";
    char b[32];
    std::snprintf(b, sizeof(b), "@%llu", (unsigned long long)(tagged >> 4));
    return b;
  }
  std::string Judge(uint64_t tagged) const {
    if (!tagged) return "-";
    static const char* kOps[] = {"?", "==", "!=", "&&", "||", "!", ">", "<", ">=", "<="};
    std::string s = Ref(tagged) + " [";
    for (uint64_t p = tagged >> 4; p + 4 <= len; p += 4) {
      uint16_t k = U16(p), v = U16(p + 2);
      if (k == kCellOperator && v == kOpEnd) break;
      char b[32];
      if (k == kCellSetting)
        std::snprintf(b, sizeof(b), "S%u ", v);
      else if (k == kCellConstant)
        std::snprintf(b, sizeof(b), "%u ", v);
      else
        std::snprintf(b, sizeof(b), "%s ", v < 10 ? kOps[v] : "?");
      s += b;
    }
    if (s.back() == ' ') s.pop_back();
    return s + "]";
  }

  void Options(uint64_t node) {
    uint16_t type = U16(node + 38), variant = U16(node + 34);
    uint64_t o = U64(node + 24);
    if (!o) return;
    if (variant != 0) {
      Out("    options shared @%llu\n", (unsigned long long)o);
      return;
    }
    switch (BaseType(type)) {
      case kTypeBoolean:
        Out("    boolean default=%lld true=%s false=%s\n", (long long)Get<int64_t>(img, o), Text(U64(o + 8)).c_str(),
            Text(U64(o + 16)).c_str());
        return;
      case kTypeNumeric:
        Out("    numeric lead=%d n1=%d default=%d min=%d max=%d n5-8=%d,%d,%d,%d\n", I16(o), I16(o + 2), I32(o + 12),
            I32(o + 16), I32(o + 20), I16(o + 4), I16(o + 6), I16(o + 8), I16(o + 10));
        return;
      case kTypeString:
        Out("    string default=%d max=%d kind=%d flags=0x%x\n", I16(o), I16(o + 2), I16(o + 4), uint16_t(I16(o + 6)));
        return;
      default:
        break;
    }
    uint16_t base = BaseType(type);
    for (int guard = 0; o && guard < 100000; ++guard) {
      Out("    option %llu cmd=%s", (unsigned long long)U64(o + 8), Text(U64(o + 16)).c_str());
      if (base == kTypePickPage) {
        Out(" size=%dx%d\n", I32(o + 24), I32(o + 28));
        for (uint64_t a = U64(o + 32); a; a = U64(a))
          Out("      area res=%d orient=%d cond=%u/%d rect=%d,%d,%d,%d ab=%d,%d\n", I16(a + 8), I16(a + 10),
              U16(a + 12), I16(a + 14), I32(a + 16), I32(a + 20), I32(a + 24), I32(a + 28), I32(a + 32), I32(a + 36));
      } else if (base == kTypePickSlot) {
        std::string papers;
        for (int32_t i = 0; i < I32(o + 24); ++i) papers += " " + std::to_string(U16(U64(o + 32) + 2 * uint64_t(i)));
        Out(" papers:%s\n", papers.c_str());
      } else if (base == kTypeFontTbl) {
        Out(" fonts=%d\n", I32(o + 24));
        for (int32_t i = 0; i < I32(o + 24); ++i)
          Out("      %s -> %s\n", Text(U64(U64(o + 32) + 8 * uint64_t(i))).c_str(),
              Text(U64(U64(o + 40) + 8 * uint64_t(i))).c_str());
      } else {
        Out("\n");
      }
      o = U64(o);
    }
  }

  void Entries(uint64_t e, int indent) {
    for (; e; e = U64(e)) {
      uint64_t kind = U64(e + 8);
      if (kind == 1)
        Out("%*sGroupType key=%u number=%d\n", indent, "", U16(e + 16), I16(e + 18));
      else if (kind == 2)
        Out("%*sStringType %s\n", indent, "", Text(U64(e + 24), int64_t(U64(e + 16)) - 1).c_str());
      else if (kind == 3)
        Block(U64(e + 16), indent);
      else
        Out("%*sFontType\n", indent, "");
    }
  }
  void Block(uint64_t b, int indent) {
    if (!b) return;
    Out("%*sblock if %s\n", indent, "", Judge(U64(b)).c_str());
    Entries(U64(b + 8), indent + 2);
    if (U64(b + 16)) {
      Out("%*selse\n", indent, "");
      Entries(U64(b + 16), indent + 2);
    }
  }
};

}  // namespace

void DfcDumpImage(const BYTE* image, size_t length, void (*emit)(void* ctx, const char* text), void* ctx) {
  Dumper d{image, length, emit, ctx};
  if (!image || length < kHeaderSize) {
    d.Out("not a compiled image (%zu bytes)\n", length);
    return;
  }
  COMPILED_IMAGE_HEADER h;
  std::memcpy(&h, image, sizeof(h));
  std::u16string ver;
  for (WCHAR c : h.FileVersion) {
    if (!c) break;
    ver += c;
  }
  d.Out("FileVersion \"%s\"\nTotalLength %u\nFeatureList %llu\nRuleList %llu\n", kvp::ToUtf8(ver).c_str(),
        h.TotalLength, (unsigned long long)h.FeatureList, (unsigned long long)h.RuleList);
  if (!ImgCheckImage(image, length)) {
    d.Out("the image fails the bounds checks; nothing more is listed\n");
    return;
  }
  d.Out("UIResDLLName %s\nExcDepDLLName %s\n", d.WideText(h.UIResDLLName).c_str(), d.WideText(h.ExcDepDLLName).c_str());
  int slots = 0;
  for (uint64_t s : h.NodeSlot) slots += s != 0;
  d.Out("NodeSlots used %d\n", slots);
  for (uint64_t n = h.FeatureList; n; n = d.U64(n)) {
    d.Out("node @%llu key=%u variant=%u id=%u type=0x%x default=%u rule=%llu\n", (unsigned long long)n, d.U16(n + 32),
          d.U16(n + 34), d.U16(n + 36), d.U16(n + 38), d.U16(n + 40), (unsigned long long)d.U64(n + 16));
    if (uint64_t p = d.U64(n + 8))
      d.Out("    commands %s %s\n", d.Text(d.U64(p)).c_str(), d.Text(d.U64(p + 8)).c_str());
    d.Options(n);
  }
  if (h.RuleList) {
    for (uint64_t r = h.RuleList;; r += 72) {
      d.Out("rule @%llu key=%u\n", (unsigned long long)r, d.U16(r + 64));
      d.Out("    judgeA %s\n    judgeB %s\n    judgeC %s\n", d.Judge(d.U64(r + 8)).c_str(),
            d.Judge(d.U64(r + 16)).c_str(), d.Judge(d.U64(r + 56)).c_str());
      for (uint64_t e = d.U64(r + 24) >> 4; e; e = d.U64(e) >> 4)
        d.Out("    item option=%u judges %s %s %s\n", d.U16(e + 32), d.Judge(d.U64(e + 8)).c_str(),
              d.Judge(d.U64(e + 16)).c_str(), d.Judge(d.U64(e + 24)).c_str());
      for (uint64_t e = d.U64(r + 32) >> 4; e; e = d.U64(e) >> 4)
        d.Out("    alert judge %s message=%u icon=%u buttons=%u timing=%u actions %s\n", d.Judge(d.U64(e + 8)).c_str(),
              d.U16(e + 16), d.U16(e + 18), d.U16(e + 20), d.U16(e + 22), d.Ref(d.U64(e + 24)).c_str());
      for (int which = 0; which < 2; ++which)
        for (uint64_t e = d.U64(r + 40 + 8 * uint64_t(which)) >> 4; e; e = d.U64(e) >> 4) {
          d.Out("    transact%c judge %s action %s", which ? 'B' : 'A', d.Judge(d.U64(e + 8)).c_str(),
                d.Ref(d.U64(e + 16)).c_str());
          for (uint64_t a = d.U64(e + 16) >> 4; a; a = d.U64(a) >> 4)
            d.Out(" {target=%u kind=%u value=%u}", d.U16(a + 8), d.U16(a + 10), Get<uint32_t>(image, a + 16));
          d.Out("\n");
        }
      if (!d.U64(r)) break;
    }
  }
  static const char* kGroups[kGroupCount] = {"JobStart", "JobEnd", "DocReset", "PageStart", "PageEnd"};
  for (int g = 0; g < kGroupCount; ++g) {
    uint64_t b = d.U64(kGroupOffset[g]);
    if (!b) continue;
    d.Out("group %s\n", kGroups[g]);
    d.Block(b, 2);
  }
  for (int which = 0; which < 2; ++which) {
    uint64_t arr = which ? h.FontCartridge : h.DeviceFonts;
    int32_t count = which ? h.CartridgeCount : h.DeviceFontCount;
    for (int32_t i = 0; arr && i < count; ++i) {
      uint64_t f = d.U64(arr + 8 * uint64_t(i));
      if (!f) break;
      d.Out("%s %d %s\n", which ? "cartridge" : "devicefont", d.I32(f), d.Text(d.U64(f + 8)).c_str());
    }
  }
}

}  // namespace dfc
