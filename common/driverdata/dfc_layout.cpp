// Lays the compile record out as the compiled image: sizing of the rule, feature and string areas, the
// three writers in their fixed order, and the header. The order of every write is part of the format:
// the same data file always gives the same bytes.
#include <cstring>
#include <unordered_map>
#include <vector>

#include "driverdata/dfc_internal.h"
#include "kvplat/heap.h"

namespace dfc {

namespace {

uint64_t Ansi(const char* s) { return s ? AnsiSize(std::strlen(s)) : 0; }
uint64_t Wide(const WCHAR* s) {
  if (!s) return 0;
  size_t n = 0;
  while (s[n]) ++n;
  return WideSize(n);
}

bool HasOptionData(const CR_NODE* n) {
  switch (BaseType(n->type)) {
    case kTypeBoolean:
      return n->boolean != nullptr;
    case kTypeNumeric:
      return n->numeric != nullptr;
    case kTypeString:
      return n->string != nullptr;
    default:
      return n->options != nullptr;
  }
}
bool HasAnyOptionData(const CR_NODE* n) { return n->options || n->boolean || n->numeric || n->string; }

uint64_t SizeBlock(const CR_BLOCK* b);
uint64_t SizeEntries(const CR_ENTRY* e) {
  uint64_t s = 0;
  for (; e; e = e->next) {
    switch (e->kind) {
      case 1:
        s += 24;
        break;
      case 2:
        s += 32;
        break;
      case 3:
        s += 24 + SizeBlock(e->block);
        break;
      default:
        s += 16;
        break;
    }
  }
  return s;
}
uint64_t SizeBlock(const CR_BLOCK* b) { return b ? 24 + SizeEntries(b->thenList) + SizeEntries(b->elseList) : 0; }

uint64_t SizeFonts(CR_FONT* const* list, int32_t count) {
  uint64_t s = 8 * uint64_t(count > 0 ? count : 0);
  for (int32_t i = 0; i < count && list[i]; ++i) s += 16 + Ansi(list[i]->name);
  return s;
}

// Bounds-checked writer over the image block.
struct Writer {
  BYTE* img;
  uint32_t limit;
  uint32_t cur;
  bool* overflow;
  bool Fits(uint64_t n) {
    if (uint64_t(cur) + n > limit) {
      *overflow = true;
      return false;
    }
    return true;
  }
  template <class T>
  uint32_t Record(const T& rec) {
    if (!Fits(sizeof(T))) return 0;
    uint32_t off = cur;
    std::memcpy(img + cur, &rec, sizeof(T));
    cur += sizeof(T);
    return off;
  }
  uint64_t Ansi(const char* s) {
    if (!s) return 0;
    size_t n = std::strlen(s);
    if (!Fits(AnsiSize(n))) return 0;
    uint32_t off = cur;
    std::memcpy(img + cur, s, n);
    cur += AnsiSize(n);
    return off;
  }
  uint64_t Wide(const WCHAR* s) {
    if (!s) return 0;
    size_t n = 0;
    while (s[n]) ++n;
    if (!Fits(WideSize(n))) return 0;
    uint32_t off = cur;
    std::memcpy(img + cur, s, n * sizeof(WCHAR));
    cur += WideSize(n);
    return off;
  }
  uint64_t Bytes(const void* p, size_t n, size_t reserved) {
    if (!Fits(reserved)) return 0;
    uint32_t off = cur;
    if (n) std::memcpy(img + cur, p, n);
    cur += uint32_t(reserved);
    return off;
  }
};

template <class T>
std::vector<T*> ToVector(T* head) {
  std::vector<T*> v;
  for (; head; head = head->next) v.push_back(head);
  return v;
}

}  // namespace

// ---- sizing -------------------------------------------------------------------------------------------
uint64_t DfcSizeRuleLists(const COMPILE_RECORD* rec) {
  uint64_t s = 0;
  for (const JUDGE_DEF* j = rec->judges.head; j; j = j->next) s += uint64_t(j->byteLength);
  static const uint64_t kEntry[kRuleKinds] = {0, 40, 24, 24, 32, 32};
  for (int k = kItem; k <= kAlert; ++k)
    for (const RULE_STATEMENT* st = rec->statements[k].head; st; st = st->next)
      for (const RULE_ENTRY* e = st->first; e; e = e->next) s += kEntry[k];
  for (const CR_RULE_ROW* r = rec->exclusive.head; r; r = r->next) s += 72;
  return s;
}

uint64_t DfcSizeFeatures(const COMPILE_RECORD* rec) {
  uint64_t s = 0;
  for (const CR_NODE* n = rec->features.head; n; n = n->next) {
    s += 48;
    if (n->commands) s += 16 + Ansi(n->commands->first) + Ansi(n->commands->second);
    if (n->variant != 0 || !HasOptionData(n)) continue;
    switch (BaseType(n->type)) {
      case kTypeBoolean:
        s += 24 + Ansi(n->boolean->trueCommand) + Ansi(n->boolean->falseCommand);
        break;
      case kTypeNumeric:
        s += 24;
        break;
      case kTypeString:
        s += 8;
        break;
      case kTypePickPage:
        for (const CR_OPTION* o = n->options; o; o = o->next) {
          s += 40 + Ansi(o->command);
          for (const CR_AREA* a = o->areas; a; a = a->next) s += 40;
        }
        break;
      case kTypePickSlot:
        for (const CR_OPTION* o = n->options; o; o = o->next) s += 40 + Ansi(o->command) + 2 * uint64_t(o->count);
        break;
      case kTypeFontTbl:
        for (const CR_OPTION* o = n->options; o; o = o->next) {
          s += 48 + Ansi(o->command) + 16 * uint64_t(o->count);
          for (int32_t i = 0; i < o->count && o->trueTypeNames[i]; ++i)
            s += Ansi(o->trueTypeNames[i]) + Ansi(o->deviceNames[i]);
        }
        break;
      default:
        for (const CR_OPTION* o = n->options; o; o = o->next) s += 24 + Ansi(o->command);
        break;
    }
  }
  return s;
}

uint64_t DfcSizeStrings(const COMPILE_RECORD* rec) {
  uint64_t s = 0;
  for (const COMMAND_STRING* c = rec->commandStrings.head; c; c = c->next) s += AnsiSize(size_t(c->length - 1));
  s += Wide(rec->uiResDllName) + Wide(rec->excDepDllName);
  for (const CR_BLOCK* b : rec->groups) s += SizeBlock(b);
  s += SizeFonts(rec->deviceFonts, rec->deviceFontCount);
  s += SizeFonts(rec->cartridgeFonts, rec->cartridgeCount);
  return s;
}

// ---- rule area ------------------------------------------------------------------------------------------
namespace {
struct RuleIndex {
  std::unordered_map<uint16_t, const JUDGE_DEF*> judges;
  std::unordered_map<uint16_t, const RULE_STATEMENT*> stmts[kRuleKinds];
  uint64_t Judge(int32_t n) const {
    auto it = judges.find(uint16_t(n));
    return it == judges.end() ? 0 : it->second->written;
  }
  uint64_t Stmt(int kind, int32_t n) const {
    auto it = stmts[kind].find(uint16_t(n));
    return it == stmts[kind].end() ? 0 : it->second->written;
  }
};
}  // namespace

uint32_t DfcWriteRuleLists(BYTE* image, uint32_t offset, COMPILE_RECORD* rec) {
  Writer w{image, rec->header.TotalLength, offset, &rec->overflow};
  RuleIndex ix;
  for (JUDGE_DEF* j = rec->judges.head; j; j = j->next) {
    j->written = Tag(w.cur);
    w.Bytes(j->cells, size_t(j->byteLength), size_t(j->byteLength));
    ix.judges.emplace(uint16_t(j->number), j);
  }
  for (int k = kItem; k <= kAlert; ++k)
    for (RULE_STATEMENT* st = rec->statements[k].head; st; st = st->next) ix.stmts[k].emplace(uint16_t(st->number), st);

  static const uint32_t kEntry[kRuleKinds] = {0, 40, 24, 24, 32, 32};
  for (int k = kItem; k <= kAlert; ++k) {
    for (RULE_STATEMENT* st = rec->statements[k].head; st; st = st->next) {
      st->written = st->first ? Tag(w.cur) : 0;
      for (RULE_ENTRY* e = st->first; e; e = e->next) {
        uint64_t next = e->next ? Tag(uint64_t(w.cur) + kEntry[k]) : 0;
        switch (k) {
          case kItem:
            w.Record(ITEM_ENTRY{next, ix.Judge(e->ref[0]), ix.Judge(e->ref[1]), ix.Judge(e->ref[2]), e->u16[0], {}});
            break;
          case kAction:
            w.Record(ACTION_ENTRY{next, e->u16[0], e->u16[1], 0, e->value, 0});
            break;
          case kTransact:
            w.Record(TRANSACT_ENTRY{next, ix.Judge(e->ref[0]), ix.Stmt(kAction, e->ref[1])});
            break;
          case kAlertAction:
            w.Record(ALERT_ACTION_ENTRY{next, e->u16[0], {}, ix.Stmt(kTransact, e->ref[0]), e->u16[1], e->u16[2], 0});
            break;
          default:
            w.Record(ALERT_ENTRY{next, ix.Judge(e->ref[0]), e->u16[0], e->u16[1], e->u16[2], e->u16[3],
                                 ix.Stmt(kAlertAction, e->ref[1])});
            break;
        }
      }
    }
  }
  rec->header.RuleList = 0;
  if (w.cur != offset && rec->exclusive.head) {
    rec->header.RuleList = w.cur;
    for (CR_RULE_ROW* r = rec->exclusive.head; r; r = r->next) {
      r->written = w.cur;
      uint64_t next = r->next ? uint64_t(w.cur) + 72 : 0;
      w.Record(RULE_ROW{next, ix.Judge(r->judgeA), ix.Judge(r->judgeB), ix.Stmt(kItem, r->items),
                        ix.Stmt(kAlert, r->alerts), ix.Stmt(kTransact, r->transactA), ix.Stmt(kTransact, r->transactB),
                        ix.Judge(r->judgeC), r->key, {}});
    }
  }
  return w.cur;
}

// ---- feature area ---------------------------------------------------------------------------------------
namespace {

uint64_t WriteOptions(Writer& w, const CR_NODE* n) {
  uint16_t base = BaseType(n->type);
  if (base == kTypeBoolean) {
    uint64_t t = w.Ansi(n->boolean->trueCommand);
    uint64_t f = w.Ansi(n->boolean->falseCommand);
    return w.Record(BOOLEAN_VALUE{n->boolean->defaultValue, t, f});
  }
  if (base == kTypeNumeric) {
    const CR_NUMERIC& v = *n->numeric;
    return w.Record(NUMERIC_VALUE{v.lead, v.number1, v.number5, v.number6, v.number7, v.number8, v.defaultValue,
                                  v.minimum, v.maximum});
  }
  if (base == kTypeString) {
    const CR_STRING& v = *n->string;
    return w.Record(STRING_VALUE{v.defaultValue, v.maxLength, v.kind, v.flags});
  }
  if (base != kTypePickOne && base != kTypePickMany && base != kTypePickPage && base != kTypePickSlot &&
      base != kTypeFontTbl)
    return 0;  // no writer for this type: the node keeps no option data
  std::vector<CR_OPTION*> opts = ToVector(n->options);
  uint64_t next = 0;
  for (size_t i = opts.size(); i-- > 0;) {
    const CR_OPTION* o = opts[i];
    uint64_t off = 0;
    if (base == kTypePickPage) {
      std::vector<CR_AREA*> areas = ToVector(o->areas);
      uint64_t an = 0;
      for (size_t a = areas.size(); a-- > 0;) {
        const CR_AREA& r = *areas[a];
        an = w.Record(PAGE_AREA{an, r.resolution, r.orientation, r.conditionKey, r.conditionValue, r.numbers[0],
                                r.numbers[1], r.numbers[2], r.numbers[3], r.numbers[4], r.numbers[5]});
      }
      uint64_t cmd = w.Ansi(o->command);
      off = w.Record(IMAGE_OPTION_PAGE{next, o->value, cmd, o->width, o->length, an});
    } else if (base == kTypePickSlot) {
      uint64_t papers = o->count > 0 ? w.Bytes(o->papers, 2 * size_t(o->count), 2 * size_t(o->count)) : 0;
      uint64_t cmd = w.Ansi(o->command);
      off = w.Record(IMAGE_OPTION_SLOT{next, o->value, cmd, o->count, 0, papers});
    } else if (base == kTypeFontTbl) {
      std::vector<uint64_t> tt(size_t(o->count > 0 ? o->count : 0)), dev(tt.size());
      for (size_t k = 0; k < tt.size(); ++k) {
        tt[k] = w.Ansi(o->trueTypeNames[k]);
        dev[k] = w.Ansi(o->deviceNames[k]);
      }
      uint64_t ta = tt.empty() ? 0 : w.Bytes(tt.data(), 8 * tt.size(), 8 * tt.size());
      uint64_t da = dev.empty() ? 0 : w.Bytes(dev.data(), 8 * dev.size(), 8 * dev.size());
      uint64_t cmd = w.Ansi(o->command);
      off = w.Record(IMAGE_OPTION_FONT{next, o->value, cmd, o->count, 0, ta, da});
    } else {
      uint64_t cmd = w.Ansi(o->command);
      off = w.Record(IMAGE_OPTION{next, o->value, cmd});
    }
    next = off;
  }
  return next;
}

}  // namespace

uint32_t DfcWriteFeatures(BYTE* image, uint32_t offset, COMPILE_RECORD* rec) {
  Writer w{image, rec->header.TotalLength, offset, &rec->overflow};
  std::vector<CR_NODE*> nodes = ToVector(rec->features.head);
  // Image order: variant nodes after the first plain node (reverse file order), variant nodes before it
  // (file order), then every plain node in file order.
  size_t firstPlain = nodes.size();
  for (size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i]->variant == 0) {
      firstPlain = i;
      break;
    }
  std::vector<CR_NODE*> order;
  for (size_t i = nodes.size(); i-- > 0;)
    if (nodes[i]->variant != 0 && i > firstPlain) order.push_back(nodes[i]);
  for (size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i]->variant != 0 && i < firstPlain) order.push_back(nodes[i]);
  std::unordered_map<uint16_t, const CR_NODE*> firstPlainOfKey;
  std::unordered_map<uint16_t, bool> plainOfId;
  for (CR_NODE* n : nodes)
    if (n->variant == 0) {
      order.push_back(n);
      firstPlainOfKey.emplace(n->key, n);
      plainOfId[n->settingId] = true;
    }
  std::unordered_map<uint16_t, uint64_t> firstRowOfKey;
  for (const CR_RULE_ROW* r = rec->exclusive.head; r; r = r->next)
    if (rec->header.RuleList) firstRowOfKey.emplace(r->key, r->written);
  std::unordered_map<uint16_t, uint64_t> remembered;
  std::unordered_map<uint16_t, bool> variantSlotTaken;

  uint64_t next = 0;
  for (size_t i = order.size(); i-- > 0;) {
    CR_NODE* n = order[i];
    uint64_t options = 0;
    if (n->variant == 0) {
      if (HasOptionData(n)) options = WriteOptions(w, n);
      auto it = firstPlainOfKey.find(n->key);
      if (it != firstPlainOfKey.end() && it->second == n) remembered[n->key] = options;
    } else if (HasAnyOptionData(n)) {
      uint16_t source = (n->type & kTypeIdentity) ? n->variant : n->key;
      auto it = remembered.find(source);
      options = it == remembered.end() ? 0 : it->second;
    }
    uint64_t commands = 0;
    if (n->commands) {
      uint64_t a = w.Ansi(n->commands->first);
      uint64_t b = w.Ansi(n->commands->second);
      commands = w.Record(OPTION_COMMAND_PAIR{a, b});
    }
    auto row = firstRowOfKey.find(n->key);
    uint64_t rule = row == firstRowOfKey.end() ? 0 : row->second;
    uint16_t defIndex = uint16_t(n->defaultIndex);
    uint64_t off = w.Record(IMAGE_NODE{next, commands, rule, options, n->key, n->variant, n->settingId, n->type,
                                       defIndex, {}});
    int slot = SlotIndex(n->settingId);
    if (slot >= 0) {
      if (n->variant == 0) {
        rec->header.NodeSlot[slot] = off;
      } else if (!plainOfId.count(n->settingId) && !variantSlotTaken[n->settingId]) {
        rec->header.NodeSlot[slot] = off;
        variantSlotTaken[n->settingId] = true;
      }
    }
    next = off;
  }
  rec->header.FeatureList = next;
  return w.cur;
}

// ---- string area ----------------------------------------------------------------------------------------
namespace {
struct StringWriter {
  Writer& w;
  std::unordered_map<int32_t, const COMMAND_STRING*> strings;
  std::unordered_map<uint16_t, uint64_t> judges;

  uint64_t Block(const CR_BLOCK* b) {
    if (!b) return 0;
    uint64_t thenList = List(b->thenList);
    uint64_t elseList = List(b->elseList);
    uint64_t cond = 0;
    if (b->condition) {
      auto it = judges.find(uint16_t(b->condition));
      cond = it == judges.end() ? 0 : it->second;
    }
    return w.Record(COMMAND_BLOCK{cond, thenList, elseList});
  }
  uint64_t List(CR_ENTRY* head) {
    std::vector<CR_ENTRY*> v = ToVector(head);
    uint64_t next = 0;
    for (size_t i = v.size(); i-- > 0;) {
      const CR_ENTRY* e = v[i];
      switch (e->kind) {
        case 1:
          next = w.Record(COMMAND_ENTRY_GROUP{next, 1, e->itemKey, e->number, 0});
          break;
        case 2: {
          auto it = strings.find(e->stringNumber);
          const COMMAND_STRING* cs = it == strings.end() ? nullptr : it->second;
          next = w.Record(COMMAND_ENTRY_STRING{next, 2, cs ? uint64_t(cs->length) : 0, cs ? cs->written : 0});
          break;
        }
        case 3: {
          uint64_t blk = Block(e->block);
          next = w.Record(COMMAND_ENTRY_BLOCK{next, 3, blk});
          break;
        }
        default:
          next = w.Record(COMMAND_ENTRY_FONT{next, 4});
          break;
      }
    }
    return next;
  }
  uint64_t Fonts(CR_FONT* const* list, int32_t count) {
    if (count <= 0) return 0;
    std::vector<uint64_t> offs;
    for (int32_t i = 0; i < count && list[i]; ++i) {
      uint64_t name = w.Ansi(list[i]->name);
      offs.push_back(w.Record(FONT_ENTRY{list[i]->id, 0, name}));
    }
    offs.resize(size_t(count), 0);
    return w.Bytes(offs.data(), 8 * offs.size(), 8 * offs.size());
  }
};
}  // namespace

uint32_t DfcWriteStrings(BYTE* image, uint32_t offset, COMPILE_RECORD* rec) {
  Writer w{image, rec->header.TotalLength, offset, &rec->overflow};
  StringWriter sw{w, {}, {}};
  for (COMMAND_STRING* c = rec->commandStrings.head; c; c = c->next) {
    c->written = w.Bytes(c->text, size_t(c->length), AnsiSize(size_t(c->length - 1)));
    sw.strings.emplace(c->number, c);
  }
  for (const JUDGE_DEF* j = rec->judges.head; j; j = j->next) sw.judges.emplace(uint16_t(j->number), j->written);
  rec->header.UIResDLLName = w.Wide(rec->uiResDllName);
  rec->header.ExcDepDLLName = w.Wide(rec->excDepDllName);
  uint64_t* groupFields[kGroupCount] = {&rec->header.JobStart, &rec->header.JobEnd, &rec->header.DocReset,
                                        &rec->header.PageStart, &rec->header.PageEnd};
  for (int g = 0; g < kGroupCount; ++g) *groupFields[g] = sw.Block(rec->groups[g]);
  rec->header.DeviceFonts = sw.Fonts(rec->deviceFonts, rec->deviceFontCount);
  rec->header.DeviceFontCount = rec->deviceFontCount;
  rec->header.FontCartridge = sw.Fonts(rec->cartridgeFonts, rec->cartridgeCount);
  rec->header.CartridgeCount = rec->cartridgeCount;
  return w.cur;
}

void DfcWriteHeader(BYTE* image, const COMPILE_RECORD* rec) {
  COMPILED_IMAGE_HEADER h = rec->header;
  std::memcpy(h.FileVersion, rec->fileVersion, sizeof(h.FileVersion));
  std::memcpy(image, &h, sizeof(h));
}

void DfcSetTotalLength(COMPILE_RECORD* rec, uint32_t length) {
  rec->header = COMPILED_IMAGE_HEADER{};
  rec->header.TotalLength = length;
}

BOOL ImgAssembleImage(BYTE* image, COMPILE_RECORD* rec) {
  uint32_t off = DfcWriteRuleLists(image, kHeaderSize, rec);
  off = DfcWriteFeatures(image, off, rec);
  DfcWriteStrings(image, off, rec);
  DfcWriteHeader(image, rec);
  bool overflow = rec->overflow;
  DfcFreeCompileRecord(rec);
  return overflow ? 0 : 1;
}

BYTE* DfcAssembleImage(COMPILE_RECORD* rec, uint32_t* length) {
  if (length) *length = 0;
  if (!rec) return nullptr;
  uint64_t total = kHeaderSize + DfcSizeRuleLists(rec) + DfcSizeFeatures(rec) + DfcSizeStrings(rec);
  if (total > kMaxImageSize) {
    DfcFreeCompileRecord(rec);
    return nullptr;
  }
  auto* image = static_cast<BYTE*>(GlobalAlloc(GPTR, size_t(total)));
  if (!image) {
    DfcFreeCompileRecord(rec);
    return nullptr;
  }
  DfcSetTotalLength(rec, uint32_t(total));
  if (!ImgAssembleImage(image, rec)) {  // sizing and writing disagree: never hand out such an image
    GlobalFree(image);
    return nullptr;
  }
  if (length) *length = uint32_t(total);
  return image;
}

}  // namespace dfc
