// Checking and relocation of a compiled image. An image comes from our own compiler or from a ".BCS"
// file on disk, which anybody may have altered, so before any offset becomes an address the whole
// structure that relocation and the queries walk is checked: every record lies inside the image, no two
// records overlap (so nothing is relocated twice), lists end, strings end, Judges are well formed.
#include <cstring>
#include <vector>

#include "driverdata/dfc_internal.h"

namespace dfc {

namespace {

enum Kind : uint8_t {
  kNone = 0, kNode, kOpt24, kOptPage, kOptSlot, kOptFont, kArea, kBool, kNumeric, kStringValue, kPair, kAnsi,
  kWide, kPapers, kNameArray, kCells, kItemEntry, kActionEntry, kTransactEntry, kAlertActionEntry, kAlertEntry,
  kRow, kBlock, kEntry1, kEntry2, kEntry3, kEntry4, kFontEntry, kFontArray
};
static_assert(kFontArray < 0x40, "kinds leave the two flag bits of a mark byte free");

// Every table the check keeps is indexed by offset, so the check costs time linear in the image.
struct Checker {
  const BYTE* img;
  size_t len;
  // Per byte: the kind of the record covering it, and whether a record starts there (and is the option
  // data of a plain node).
  static constexpr uint8_t kKindMask = 0x3F, kStart = 0x80, kPlainOptions = 0x40;
  std::vector<uint8_t> mark;
  bool ok = true;

  Checker(const BYTE* image, size_t length) : img(image), len(length), mark(length, kNone) {}

  uint64_t U64(uint64_t off) const { return bytes.At<uint64_t>(off); }
  uint16_t U16(uint64_t off) const { return bytes.At<uint16_t>(off); }
  int32_t I32(uint64_t off) const { return bytes.At<int32_t>(off); }

  bool Fail() {
    ok = false;
    return false;
  }
  // Claims [off, off+size) for a record of the kind. 1 new, 2 seen before (same start and kind), 0 bad.
  int Claim(uint64_t off, uint64_t size, Kind kind) {
    if (off < kHeaderSize || off >= len || size == 0 || size > len - off) return Fail(), 0;
    if (mark[off] & kStart) {
      if ((mark[off] & kKindMask) == kind) return 2;
      return Fail(), 0;
    }
    for (uint64_t i = off; i < off + size; ++i) {
      uint8_t k = mark[i] & kKindMask;
      if (k != kNone && !(kind == kCells && k == kCells)) return Fail(), 0;
    }
    if (kind == kCells) {  // Judges may share cells: the starts of the others stay marked
      for (uint64_t i = off; i < off + size; ++i) mark[i] = uint8_t((mark[i] & kStart) | kCells);
    } else {
      std::memset(mark.data() + off, kind, size_t(size));
    }
    mark[off] |= kStart;
    return 1;
  }
  // The kind of the record starting at `off`, kNone for none (also outside the image).
  uint8_t StartAt(uint64_t off) const {
    return off < len && (mark[off] & kStart) ? uint8_t(mark[off] & kKindMask) : uint8_t(kNone);
  }
  // A plain reference: 0 or an offset inside the image.
  bool Plain(uint64_t v) { return v == 0 || (v >= kHeaderSize && v < len) || Fail(); }
  // A tagged reference: 0 or offset * 16 + 1 with the offset inside the image; *off receives the offset.
  bool Tagged(uint64_t v, uint64_t* off) {
    *off = 0;
    if (v == 0) return true;
    if ((v & 15) != 1 || v > 0xFFFFFFFFu || (v >> 4) < kHeaderSize || (v >> 4) >= len) return Fail();
    *off = v >> 4;
    return true;
  }

  bool Ansi(uint64_t off) {
    if (off == 0) return true;
    if (off < kHeaderSize || off >= len) return Fail();
    const void* z = std::memchr(img + off, 0, len - off);
    if (!z) return Fail();
    return Claim(off, uint64_t(static_cast<const BYTE*>(z) - (img + off)) + 1, kAnsi) != 0;
  }
  bool Wide(uint64_t off) {
    if (off == 0) return true;
    if (off < kHeaderSize || off >= len) return Fail();
    uint64_t i = off;
    while (i + 1 < len && (img[i] | img[i + 1])) i += 2;
    if (i + 1 >= len) return Fail();
    return Claim(off, i + 2 - off, kWide) != 0;
  }
  bool Judge(uint64_t tagged) {
    uint64_t off;
    if (!Tagged(tagged, &off)) return false;
    if (off == 0) return true;
    uint64_t n = 0;
    for (uint64_t p = off; p + 4 <= len; p += 4) {
      ++n;
      if (U16(p) == kCellOperator && U16(p + 2) == kOpEnd) {
        cells.resize(n);
        std::memcpy(cells.data(), img + off, size_t(n) * 4);
        if (!DfcCheckExpression(cells.data(), uint32_t(n))) return Fail();
        return Claim(off, n * 4, kCells) != 0;
      }
      if (n > kMaxJudgeCells) break;
    }
    return Fail();
  }

  std::vector<RULE_CELL> cells;  // a Judge's cells, aligned for the expression check

  // A tagged list of rule entries of one kind; fields holds the checks of one entry. Entries are at least
  // 8 bytes long and never overlap, so offset / 8 names one entry.
  std::vector<uint32_t> walkOf;  // rule entry (by offset / 8) -> the list walk that checked it
  uint32_t walks = 0;
  template <class Fn>
  bool RuleList(uint64_t tagged, uint64_t size, Kind kind, Fn fields) {
    uint64_t off;
    if (!Tagged(tagged, &off)) return false;
    uint32_t walk = ++walks;
    while (off) {
      int c = Claim(off, size, kind);
      if (c == 0) return false;
      if (walkOf.empty()) walkOf.assign(len / 8 + 1, 0);
      if (c == 2) {  // checked before: by an earlier walk it joins, or by this one (a cycle)
        uint32_t w = walkOf[off / 8];
        return (w != 0 && w != walk) || Fail();
      }
      walkOf[off / 8] = walk;
      if (!fields(off)) return Fail();
      if (!Tagged(U64(off), &off)) return false;
    }
    return true;
  }
  bool Actions(uint64_t t) {
    return RuleList(t, sizeof(ACTION_ENTRY), kActionEntry, [](uint64_t) { return true; });
  }
  bool Transacts(uint64_t t) {
    return RuleList(t, sizeof(TRANSACT_ENTRY), kTransactEntry, [&](uint64_t e) {
      return Judge(U64(e + DFC_OFF(TRANSACT_ENTRY, judge))) && Actions(U64(e + DFC_OFF(TRANSACT_ENTRY, action)));
    });
  }
  bool AlertActions(uint64_t t) {
    return RuleList(t, sizeof(ALERT_ACTION_ENTRY), kAlertActionEntry,
                    [&](uint64_t e) { return Transacts(U64(e + DFC_OFF(ALERT_ACTION_ENTRY, transact))); });
  }
  bool Alerts(uint64_t t) {
    return RuleList(t, sizeof(ALERT_ENTRY), kAlertEntry, [&](uint64_t e) {
      return Judge(U64(e + DFC_OFF(ALERT_ENTRY, judge))) && AlertActions(U64(e + DFC_OFF(ALERT_ENTRY, alertAction)));
    });
  }
  bool Items(uint64_t t) {
    return RuleList(t, sizeof(ITEM_ENTRY), kItemEntry, [&](uint64_t e) {
      return Judge(U64(e + DFC_OFF(ITEM_ENTRY, judge1))) && Judge(U64(e + DFC_OFF(ITEM_ENTRY, judge2))) &&
             Judge(U64(e + DFC_OFF(ITEM_ENTRY, judge3)));
    });
  }

  bool Rules(uint64_t ruleList) {
    if (ruleList == 0) return true;
    if (!Plain(ruleList)) return false;
    for (uint64_t r = ruleList;; r += sizeof(RULE_ROW)) {
      if (Claim(r, sizeof(RULE_ROW), kRow) != 1) return Fail();
      uint64_t next = U64(r);
      auto field = [&](size_t off) { return U64(r + off); };
      if (!Judge(field(DFC_OFF(RULE_ROW, judgeA))) || !Judge(field(DFC_OFF(RULE_ROW, judgeB))) ||
          !Items(field(DFC_OFF(RULE_ROW, items))) || !Alerts(field(DFC_OFF(RULE_ROW, alerts))) ||
          !Transacts(field(DFC_OFF(RULE_ROW, transactA))) || !Transacts(field(DFC_OFF(RULE_ROW, transactB))) ||
          !Judge(field(DFC_OFF(RULE_ROW, judgeC))))
        return Fail();
      if (next == 0) return true;
      if (next != r + sizeof(RULE_ROW)) return Fail();
    }
  }

  // Option data of a node with variant 0; *kind receives the kind of its first record.
  bool Options(uint16_t type, uint64_t off, Kind* kind) {
    *kind = kNone;
    if (off == 0) return true;
    if (!Plain(off)) return false;
    uint16_t base = BaseType(type);
    switch (base) {
      case kTypeBoolean:
        *kind = kBool;
        return Claim(off, sizeof(BOOLEAN_VALUE), kBool) == 1 && Ansi(U64(off + DFC_OFF(BOOLEAN_VALUE, trueCommand))) &&
               Ansi(U64(off + DFC_OFF(BOOLEAN_VALUE, falseCommand)));
      case kTypeNumeric:
        *kind = kNumeric;
        return Claim(off, sizeof(NUMERIC_VALUE), kNumeric) == 1;
      case kTypeString:
        *kind = kStringValue;
        return Claim(off, sizeof(STRING_VALUE), kStringValue) == 1;
      case kTypePickOne:
      case kTypePickMany:
      case kTypePickPage:
      case kTypePickSlot:
      case kTypeFontTbl:
        break;
      default:
        return Fail();  // types without option data keep 0
    }
    Kind k = base == kTypePickPage ? kOptPage : base == kTypePickSlot ? kOptSlot : base == kTypeFontTbl ? kOptFont : kOpt24;
    uint64_t size = k == kOpt24     ? sizeof(IMAGE_OPTION)
                    : k == kOptFont ? sizeof(IMAGE_OPTION_FONT)
                    : k == kOptPage ? sizeof(IMAGE_OPTION_PAGE)
                                    : sizeof(IMAGE_OPTION_SLOT);
    *kind = k;
    for (uint64_t o = off; o;) {
      if (Claim(o, size, k) != 1) return Fail();
      if (!Ansi(U64(o + DFC_OFF(IMAGE_OPTION, command)))) return false;
      if (k == kOptPage) {
        for (uint64_t a = U64(o + DFC_OFF(IMAGE_OPTION_PAGE, areas)); a;) {
          if (!Plain(a) || Claim(a, sizeof(PAGE_AREA), kArea) != 1) return Fail();
          a = U64(a);
        }
      } else if (k == kOptSlot) {
        int32_t count = I32(o + DFC_OFF(IMAGE_OPTION_SLOT, count));
        uint64_t papers = U64(o + DFC_OFF(IMAGE_OPTION_SLOT, papers));
        if (count < 0 || (count > 0) != (papers != 0)) return Fail();
        if (count > 0 && (!Plain(papers) || Claim(papers, 2 * uint64_t(count), kPapers) != 1)) return Fail();
      } else if (k == kOptFont) {
        int32_t count = I32(o + DFC_OFF(IMAGE_OPTION_FONT, count));
        uint64_t tt = U64(o + DFC_OFF(IMAGE_OPTION_FONT, trueTypeNames)), dev = U64(o + DFC_OFF(IMAGE_OPTION_FONT, deviceNames));
        if (count < 0 || (count > 0) != (tt != 0) || (count > 0) != (dev != 0)) return Fail();
        for (uint64_t arr : {tt, dev}) {
          if (count == 0) break;
          if (!Plain(arr) || Claim(arr, 8 * uint64_t(count), kNameArray) != 1) return Fail();
          for (int32_t i = 0; i < count; ++i) {
            uint64_t name = U64(arr + 8 * uint64_t(i));
            if (name == 0) break;
            if (!Ansi(name)) return false;
          }
        }
      }
      o = U64(o);
      if (!Plain(o)) return false;
    }
    return true;
  }

  bool Features(const COMPILED_IMAGE_HEADER& h) {
    struct Pending {
      uint16_t type;
      uint64_t options;
    };
    std::vector<Pending> variants;
    for (uint64_t n = h.FeatureList; n;) {
      if (!Plain(n) || Claim(n, sizeof(IMAGE_NODE), kNode) != 1) return Fail();
      uint64_t commands = U64(n + DFC_OFF(IMAGE_NODE, commands)), rule = U64(n + DFC_OFF(IMAGE_NODE, rule));
      uint64_t options = U64(n + DFC_OFF(IMAGE_NODE, options));
      uint16_t variant = U16(n + DFC_OFF(IMAGE_NODE, variant)), type = U16(n + DFC_OFF(IMAGE_NODE, type));
      if (commands) {
        if (!Plain(commands) || Claim(commands, sizeof(OPTION_COMMAND_PAIR), kPair) != 1) return Fail();
        if (!Ansi(U64(commands + DFC_OFF(OPTION_COMMAND_PAIR, first))) ||
            !Ansi(U64(commands + DFC_OFF(OPTION_COMMAND_PAIR, second))))
          return false;
      }
      if (rule && StartAt(rule) != kRow) return Fail();
      if (variant == 0) {
        Kind k;
        if (!Options(type, options, &k)) return Fail();
        if (options) mark[options] |= kPlainOptions;
      } else if (options) {
        variants.push_back({type, options});
      }
      n = U64(n);
    }
    // A variant or identity node shares the option data of a plain node of the same kind.
    for (const Pending& v : variants) {
      if (v.options >= len || !(mark[v.options] & kPlainOptions)) return Fail();
      uint8_t plain = mark[v.options] & kKindMask;
      uint16_t base = BaseType(v.type);
      Kind want = base == kTypeBoolean ? kBool
                  : base == kTypeNumeric ? kNumeric
                  : base == kTypeString ? kStringValue
                  : base == kTypePickPage ? kOptPage
                  : base == kTypePickSlot ? kOptSlot
                  : base == kTypeFontTbl ? kOptFont
                  : (base == kTypePickOne || base == kTypePickMany) ? kOpt24
                                                                      : kNone;
      if (want != plain) return Fail();
    }
    for (uint32_t i = 0; i < kSlotCount; ++i)
      if (h.NodeSlot[i] && StartAt(h.NodeSlot[i]) != kNode) return Fail();
    return true;
  }

  bool Block(uint64_t off, int depth) {
    if (off == 0) return true;
    if (depth > 2 * kMaxCommandDepth + 2 || !Plain(off) || Claim(off, sizeof(COMMAND_BLOCK), kBlock) != 1) return Fail();
    return Judge(U64(off + DFC_OFF(COMMAND_BLOCK, condition))) &&
           Entries(U64(off + DFC_OFF(COMMAND_BLOCK, thenList)), depth) &&
           Entries(U64(off + DFC_OFF(COMMAND_BLOCK, elseList)), depth);
  }
  bool Entries(uint64_t e, int depth) {
    while (e) {
      // Every entry opens with its next reference and its kind (which is the whole of a kind-4 entry).
      if (!Plain(e) || e + sizeof(COMMAND_ENTRY_FONT) > len) return Fail();
      uint64_t kind = U64(e + DFC_OFF(COMMAND_ENTRY_FONT, kind));
      static const uint64_t kSize[5] = {0, sizeof(COMMAND_ENTRY_GROUP), sizeof(COMMAND_ENTRY_STRING),
                                        sizeof(COMMAND_ENTRY_BLOCK), sizeof(COMMAND_ENTRY_FONT)};
      static const Kind kKinds[5] = {kNone, kEntry1, kEntry2, kEntry3, kEntry4};
      if (kind < 1 || kind > 4 || Claim(e, kSize[kind], kKinds[kind]) != 1) return Fail();
      if (kind == 2) {
        uint64_t length = U64(e + DFC_OFF(COMMAND_ENTRY_STRING, length)), text = U64(e + DFC_OFF(COMMAND_ENTRY_STRING, text));
        if (text == 0 ? length != 0 : (length == 0 || !Plain(text) || length > len - text)) return Fail();
        if (text && Claim(text, length, kAnsi) == 0) return Fail();  // texts may be shared
      } else if (kind == 3) {
        if (!Block(U64(e + DFC_OFF(COMMAND_ENTRY_BLOCK, block)), depth + 1)) return false;
      }
      e = U64(e);
    }
    return true;
  }
  bool Fonts(uint64_t arr, int32_t count) {
    if (count < 0 || (count > 0 && uint64_t(count) > len / 8)) return Fail();
    if (count == 0) return arr == 0 || Plain(arr);
    if (!Plain(arr) || arr == 0 || Claim(arr, 8 * uint64_t(count), kFontArray) != 1) return Fail();
    for (int32_t i = 0; i < count; ++i) {
      uint64_t f = U64(arr + 8 * uint64_t(i));
      if (f == 0) break;
      if (!Plain(f) || Claim(f, sizeof(FONT_ENTRY), kFontEntry) != 1 || !Ansi(U64(f + DFC_OFF(FONT_ENTRY, name))))
        return Fail();
    }
    return true;
  }

  IMAGE_READER bytes{img, len};  // every field read of the walk; a read outside the image fails the check
};

inline uint64_t Addr(BYTE* img, uint64_t off) { return off ? uint64_t(reinterpret_cast<uintptr_t>(img) + off) : 0; }
inline void RelocPlain(BYTE* img, uint64_t field) { Put<uint64_t>(img, field, Addr(img, Get<uint64_t>(img, field))); }

// Decodes a tagged field when its tag bit is set; returns the record's offset when the field was tagged
// (the structure behind it still needs relocation), 0 when it was 0 or already an address.
uint64_t RelocTagged(BYTE* img, uint64_t field) {
  uint64_t v = Get<uint64_t>(img, field);
  if (v == 0 || !(v & 1)) return 0;
  uint64_t off = (v & 0xFFFFFFFFu) >> 4;
  Put<uint64_t>(img, field, Addr(img, off));
  return off;
}

void RelocActions(BYTE* img, uint64_t e) {
  while (e) e = RelocTagged(img, e);
}
void RelocTransacts(BYTE* img, uint64_t e) {
  while (e) {
    RelocTagged(img, e + 8);
    RelocActions(img, RelocTagged(img, e + 16));
    e = RelocTagged(img, e);
  }
}
void RelocAlertActions(BYTE* img, uint64_t e) {
  while (e) {
    RelocTransacts(img, RelocTagged(img, e + 16));
    e = RelocTagged(img, e);
  }
}
void RelocAlerts(BYTE* img, uint64_t e) {
  while (e) {
    RelocTagged(img, e + 8);
    RelocAlertActions(img, RelocTagged(img, e + 24));
    e = RelocTagged(img, e);
  }
}
void RelocItems(BYTE* img, uint64_t e) {
  while (e) {
    RelocTagged(img, e + 8);
    RelocTagged(img, e + 16);
    RelocTagged(img, e + 24);
    e = RelocTagged(img, e);
  }
}

void RelocBlock(BYTE* img, uint64_t blockField);
void RelocEntries(BYTE* img, uint64_t listField) {
  uint64_t e = Get<uint64_t>(img, listField);
  RelocPlain(img, listField);
  while (e) {
    uint64_t next = Get<uint64_t>(img, e);
    RelocPlain(img, e);
    uint64_t kind = Get<uint64_t>(img, e + 8);
    if (kind == 2) RelocPlain(img, e + 24);
    if (kind == 3) RelocBlock(img, e + 16);
    e = next;
  }
}
void RelocBlock(BYTE* img, uint64_t blockField) {
  uint64_t b = Get<uint64_t>(img, blockField);
  if (!b) return;
  RelocPlain(img, blockField);
  RelocTagged(img, b);
  RelocEntries(img, b + 8);
  RelocEntries(img, b + 16);
}

}  // namespace

BOOL ImgCheckImage(const BYTE* image, size_t length) {
  if (!image || length < kHeaderSize || length > kMaxImageSize) return 0;
  COMPILED_IMAGE_HEADER h;
  std::memcpy(&h, image, sizeof(h));
  if (h.TotalLength != length) return 0;
  Checker c(image, length);
  if (!c.Rules(h.RuleList)) return 0;
  if (!c.Features(h)) return 0;
  if (!c.Wide(h.UIResDLLName) || !c.Wide(h.ExcDepDLLName)) return 0;
  for (uint64_t g : {h.JobStart, h.JobEnd, h.DocReset, h.PageStart, h.PageEnd})
    if (!c.Block(g, 0)) return 0;
  if (!c.Fonts(h.DeviceFonts, h.DeviceFontCount) || !c.Fonts(h.FontCartridge, h.CartridgeCount)) return 0;
  return c.ok && c.bytes.inBounds ? 1 : 0;
}

void ImgRelocateFeatures(BYTE* img) {
  uint64_t n = Get<uint64_t>(img, 40);
  RelocPlain(img, 40);
  while (n) {
    uint64_t next = Get<uint64_t>(img, n);
    uint64_t pair = Get<uint64_t>(img, n + 8);
    uint64_t options = Get<uint64_t>(img, n + 24);
    uint16_t variant = Get<uint16_t>(img, n + 34), type = Get<uint16_t>(img, n + 38);
    RelocPlain(img, n);
    RelocPlain(img, n + 8);
    if (pair) {
      RelocPlain(img, pair);
      RelocPlain(img, pair + 8);
    }
    RelocPlain(img, n + 16);
    RelocPlain(img, n + 24);
    if (variant == 0 && options) {
      uint8_t low = uint8_t(type & 0xFF);
      uint16_t base = BaseType(type);
      if (low == 1 || low == 2) {
        for (uint64_t o = options; o;) {
          uint64_t on = Get<uint64_t>(img, o);
          RelocPlain(img, o);
          RelocPlain(img, o + 16);
          if (base == kTypePickPage) {
            uint64_t a = Get<uint64_t>(img, o + 32);
            RelocPlain(img, o + 32);
            while (a) {
              uint64_t an = Get<uint64_t>(img, a);
              RelocPlain(img, a);
              a = an;
            }
          } else if (base == kTypePickSlot) {
            RelocPlain(img, o + 32);
          } else if (base == kTypeFontTbl) {
            int32_t count = Get<int32_t>(img, o + 24);
            for (uint64_t field : {o + 32, o + 40}) {
              uint64_t arr = Get<uint64_t>(img, field);
              RelocPlain(img, field);
              for (int32_t i = 0; arr && i < count; ++i) RelocPlain(img, arr + 8 * uint64_t(i));
            }
          }
          o = on;
        }
      } else if (low == 4) {
        RelocPlain(img, options + 8);
        RelocPlain(img, options + 16);
      }
    }
    n = next;
  }
  for (uint32_t i = 0; i < kSlotCount; ++i) RelocPlain(img, SlotOffset(int(i)));
}

void ImgRelocateRules(BYTE* img, uint64_t ruleList) {
  if (!ruleList) return;
  for (uint64_t r = ruleList;; r += 72) {
    uint64_t next = Get<uint64_t>(img, r);
    RelocTagged(img, r + 8);
    RelocTagged(img, r + 16);
    RelocItems(img, RelocTagged(img, r + 24));
    RelocAlerts(img, RelocTagged(img, r + 32));
    RelocTransacts(img, RelocTagged(img, r + 40));
    RelocTransacts(img, RelocTagged(img, r + 48));
    RelocTagged(img, r + 56);
    if (!next) break;  // rows lie back to back; their links stay offsets
  }
}

void ImgRelocateHeader(BYTE* img) {
  RelocPlain(img, 15864);
  RelocPlain(img, 15872);
  for (uint32_t g : kGroupOffset) RelocBlock(img, g);
  for (uint64_t field : {uint64_t(15920), uint64_t(15928)}) {
    int32_t count = Get<int32_t>(img, field == 15920 ? 15944 : 15948);
    uint64_t arr = Get<uint64_t>(img, field);
    if (count == 0 || !arr) continue;
    RelocPlain(img, field);
    for (int32_t i = 0; i < count; ++i) {
      uint64_t f = Get<uint64_t>(img, arr + 8 * uint64_t(i));
      if (!f) break;
      RelocPlain(img, arr + 8 * uint64_t(i));
      RelocPlain(img, f + 8);
    }
  }
}

BOOL DfcCheckAndRelocate(BYTE* image, size_t length) {
  if (!ImgCheckImage(image, length)) return 0;
  uint64_t ruleList = Get<uint64_t>(image, 15936);
  ImgRelocateFeatures(image);
  ImgRelocateRules(image, ruleList);
  ImgRelocateHeader(image);
  RelocPlain(image, 15936);
  return 1;
}

}  // namespace dfc
