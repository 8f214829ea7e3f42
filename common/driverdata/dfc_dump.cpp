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
  IMAGE_READER bytes{img, len};  // the image has passed the check; reads stay bounded all the same

  uint64_t U64(uint64_t off) const { return bytes.At<uint64_t>(off); }
  uint16_t U16(uint64_t off) const { return bytes.At<uint16_t>(off); }
  int16_t I16(uint64_t off) const { return bytes.At<int16_t>(off); }
  int32_t I32(uint64_t off) const { return bytes.At<int32_t>(off); }
  uint32_t U32(uint64_t off) const { return bytes.At<uint32_t>(off); }
  int64_t I64(uint64_t off) const { return bytes.At<int64_t>(off); }

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
      WCHAR c = bytes.At<WCHAR>(i);
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
      uint16_t k = U16(p + DFC_OFF(RULE_CELL, kind)), v = U16(p + DFC_OFF(RULE_CELL, value));
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
    uint16_t type = U16(node + DFC_OFF(IMAGE_NODE, type)), variant = U16(node + DFC_OFF(IMAGE_NODE, variant));
    uint64_t o = U64(node + DFC_OFF(IMAGE_NODE, options));
    if (!o) return;
    if (variant != 0) {
      Out("    options shared @%llu\n", (unsigned long long)o);
      return;
    }
    switch (BaseType(type)) {
      case kTypeBoolean:
        Out("    boolean default=%lld true=%s false=%s\n", (long long)I64(o + DFC_OFF(BOOLEAN_VALUE, defaultValue)),
            Text(U64(o + DFC_OFF(BOOLEAN_VALUE, trueCommand))).c_str(),
            Text(U64(o + DFC_OFF(BOOLEAN_VALUE, falseCommand))).c_str());
        return;
      case kTypeNumeric:
        Out("    numeric lead=%d n1=%d default=%d min=%d max=%d n5-8=%d,%d,%d,%d\n", I16(o + DFC_OFF(NUMERIC_VALUE, lead)),
            I16(o + DFC_OFF(NUMERIC_VALUE, number1)), I32(o + DFC_OFF(NUMERIC_VALUE, defaultValue)),
            I32(o + DFC_OFF(NUMERIC_VALUE, minimum)), I32(o + DFC_OFF(NUMERIC_VALUE, maximum)),
            I16(o + DFC_OFF(NUMERIC_VALUE, number5)), I16(o + DFC_OFF(NUMERIC_VALUE, number6)),
            I16(o + DFC_OFF(NUMERIC_VALUE, number7)), I16(o + DFC_OFF(NUMERIC_VALUE, number8)));
        return;
      case kTypeString:
        Out("    string default=%d max=%d kind=%d flags=0x%x\n", I16(o + DFC_OFF(STRING_VALUE, defaultValue)),
            I16(o + DFC_OFF(STRING_VALUE, maxLength)), I16(o + DFC_OFF(STRING_VALUE, kind)),
            uint16_t(I16(o + DFC_OFF(STRING_VALUE, flags))));
        return;
      default:
        break;
    }
    uint16_t base = BaseType(type);
    for (int guard = 0; o && guard < 100000; ++guard) {
      Out("    option %llu cmd=%s", (unsigned long long)U64(o + DFC_OFF(IMAGE_OPTION, value)),
          Text(U64(o + DFC_OFF(IMAGE_OPTION, command))).c_str());
      if (base == kTypePickPage) {
        Out(" size=%dx%d\n", I32(o + DFC_OFF(IMAGE_OPTION_PAGE, width)), I32(o + DFC_OFF(IMAGE_OPTION_PAGE, length)));
        for (uint64_t a = U64(o + DFC_OFF(IMAGE_OPTION_PAGE, areas)); a; a = U64(a + DFC_OFF(PAGE_AREA, next)))
          Out("      area res=%d orient=%d cond=%u/%d rect=%d,%d,%d,%d ab=%d,%d\n", I16(a + DFC_OFF(PAGE_AREA, resolution)),
              I16(a + DFC_OFF(PAGE_AREA, orientation)), U16(a + DFC_OFF(PAGE_AREA, conditionKey)),
              I16(a + DFC_OFF(PAGE_AREA, conditionValue)), I32(a + DFC_OFF(PAGE_AREA, left)),
              I32(a + DFC_OFF(PAGE_AREA, top)), I32(a + DFC_OFF(PAGE_AREA, width)), I32(a + DFC_OFF(PAGE_AREA, length)),
              I32(a + DFC_OFF(PAGE_AREA, valueA)), I32(a + DFC_OFF(PAGE_AREA, valueB)));
      } else if (base == kTypePickSlot) {
        std::string papers;
        uint64_t list = U64(o + DFC_OFF(IMAGE_OPTION_SLOT, papers));
        for (int32_t i = 0; i < I32(o + DFC_OFF(IMAGE_OPTION_SLOT, count)); ++i)
          papers += " " + std::to_string(U16(list + 2 * uint64_t(i)));
        Out(" papers:%s\n", papers.c_str());
      } else if (base == kTypeFontTbl) {
        int32_t count = I32(o + DFC_OFF(IMAGE_OPTION_FONT, count));
        uint64_t tt = U64(o + DFC_OFF(IMAGE_OPTION_FONT, trueTypeNames)), dev = U64(o + DFC_OFF(IMAGE_OPTION_FONT, deviceNames));
        Out(" fonts=%d\n", count);
        for (int32_t i = 0; i < count; ++i)
          Out("      %s -> %s\n", Text(U64(tt + 8 * uint64_t(i))).c_str(), Text(U64(dev + 8 * uint64_t(i))).c_str());
      } else {
        Out("\n");
      }
      o = U64(o + DFC_OFF(IMAGE_OPTION, next));
    }
  }

  void Entries(uint64_t e, int indent) {
    for (; e; e = U64(e + DFC_OFF(COMMAND_ENTRY_FONT, next))) {
      uint64_t kind = U64(e + DFC_OFF(COMMAND_ENTRY_FONT, kind));
      if (kind == 1)
        Out("%*sGroupType key=%u number=%d\n", indent, "", U16(e + DFC_OFF(COMMAND_ENTRY_GROUP, itemKey)),
            I16(e + DFC_OFF(COMMAND_ENTRY_GROUP, number)));
      else if (kind == 2)
        Out("%*sStringType %s\n", indent, "", Text(U64(e + DFC_OFF(COMMAND_ENTRY_STRING, text)),
                                                  int64_t(U64(e + DFC_OFF(COMMAND_ENTRY_STRING, length))) - 1).c_str());
      else if (kind == 3)
        Block(U64(e + DFC_OFF(COMMAND_ENTRY_BLOCK, block)), indent);
      else
        Out("%*sFontType\n", indent, "");
    }
  }
  void Block(uint64_t b, int indent) {
    if (!b) return;
    Out("%*sblock if %s\n", indent, "", Judge(U64(b + DFC_OFF(COMMAND_BLOCK, condition))).c_str());
    Entries(U64(b + DFC_OFF(COMMAND_BLOCK, thenList)), indent + 2);
    if (uint64_t otherwise = U64(b + DFC_OFF(COMMAND_BLOCK, elseList))) {
      Out("%*selse\n", indent, "");
      Entries(otherwise, indent + 2);
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
  for (uint64_t n = h.FeatureList; n; n = d.U64(n + DFC_OFF(IMAGE_NODE, next))) {
    d.Out("node @%llu key=%u variant=%u id=%u type=0x%x default=%u rule=%llu\n", (unsigned long long)n,
          d.U16(n + DFC_OFF(IMAGE_NODE, key)), d.U16(n + DFC_OFF(IMAGE_NODE, variant)),
          d.U16(n + DFC_OFF(IMAGE_NODE, settingId)), d.U16(n + DFC_OFF(IMAGE_NODE, type)),
          d.U16(n + DFC_OFF(IMAGE_NODE, defaultIndex)), (unsigned long long)d.U64(n + DFC_OFF(IMAGE_NODE, rule)));
    if (uint64_t p = d.U64(n + DFC_OFF(IMAGE_NODE, commands)))
      d.Out("    commands %s %s\n", d.Text(d.U64(p + DFC_OFF(OPTION_COMMAND_PAIR, first))).c_str(),
            d.Text(d.U64(p + DFC_OFF(OPTION_COMMAND_PAIR, second))).c_str());
    d.Options(n);
  }
  if (h.RuleList) {
    for (uint64_t r = h.RuleList;; r += sizeof(RULE_ROW)) {
      auto row = [&](size_t off) { return d.U64(r + off); };
      d.Out("rule @%llu key=%u\n", (unsigned long long)r, d.U16(r + DFC_OFF(RULE_ROW, key)));
      d.Out("    judgeA %s\n    judgeB %s\n    judgeC %s\n", d.Judge(row(DFC_OFF(RULE_ROW, judgeA))).c_str(),
            d.Judge(row(DFC_OFF(RULE_ROW, judgeB))).c_str(), d.Judge(row(DFC_OFF(RULE_ROW, judgeC))).c_str());
      // Every rule entry opens with its tagged next reference.
      for (uint64_t e = row(DFC_OFF(RULE_ROW, items)) >> 4; e; e = d.U64(e) >> 4)
        d.Out("    item option=%u judges %s %s %s\n", d.U16(e + DFC_OFF(ITEM_ENTRY, option)),
              d.Judge(d.U64(e + DFC_OFF(ITEM_ENTRY, judge1))).c_str(),
              d.Judge(d.U64(e + DFC_OFF(ITEM_ENTRY, judge2))).c_str(),
              d.Judge(d.U64(e + DFC_OFF(ITEM_ENTRY, judge3))).c_str());
      for (uint64_t e = row(DFC_OFF(RULE_ROW, alerts)) >> 4; e; e = d.U64(e) >> 4)
        d.Out("    alert judge %s message=%u icon=%u buttons=%u timing=%u actions %s\n",
              d.Judge(d.U64(e + DFC_OFF(ALERT_ENTRY, judge))).c_str(), d.U16(e + DFC_OFF(ALERT_ENTRY, messageKey)),
              d.U16(e + DFC_OFF(ALERT_ENTRY, icon)), d.U16(e + DFC_OFF(ALERT_ENTRY, buttons)),
              d.U16(e + DFC_OFF(ALERT_ENTRY, timing)), d.Ref(d.U64(e + DFC_OFF(ALERT_ENTRY, alertAction))).c_str());
      for (int which = 0; which < 2; ++which)
        for (uint64_t e = row(which ? DFC_OFF(RULE_ROW, transactB) : DFC_OFF(RULE_ROW, transactA)) >> 4; e;
             e = d.U64(e) >> 4) {
          uint64_t actions = d.U64(e + DFC_OFF(TRANSACT_ENTRY, action));
          d.Out("    transact%c judge %s action %s", which ? 'B' : 'A',
                d.Judge(d.U64(e + DFC_OFF(TRANSACT_ENTRY, judge))).c_str(), d.Ref(actions).c_str());
          for (uint64_t a = actions >> 4; a; a = d.U64(a) >> 4)
            d.Out(" {target=%u kind=%u value=%u}", d.U16(a + DFC_OFF(ACTION_ENTRY, targetId)),
                  d.U16(a + DFC_OFF(ACTION_ENTRY, targetKind)), d.U32(a + DFC_OFF(ACTION_ENTRY, value)));
          d.Out("\n");
        }
      if (!row(DFC_OFF(RULE_ROW, next))) break;
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
      d.Out("%s %d %s\n", which ? "cartridge" : "devicefont", d.I32(f + DFC_OFF(FONT_ENTRY, id)),
            d.Text(d.U64(f + DFC_OFF(FONT_ENTRY, name))).c_str());
    }
  }
}

}  // namespace dfc
