// Test rows for the compiler's name resolution and small helpers to compile text.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "driverdata/dfc_internal.h"
#include "kvplat/heap.h"

namespace dfctest {

struct Sym {
  const char* name;
  uint16_t id, key;
};
struct Val {
  const char* name;
  uint32_t value;
};

// The symbols the fixtures use, with the ids and keys of the settings model's tables, and the invented
// resource names of options that have none there.
inline const std::vector<Sym>& Symbols() {
  static const std::vector<Sym> v = {
      {"QDV_RADIOLIST_1", 7, 549},
      {"QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION", 38, 1013},
      {"QDV_IDC_PRESET_CHOICE_PAPERSIZE", 8, 543},
      {"QDV_IDC_PRESET_CHOICE_PAPERSIZE2", 8, 582},
      {"QDV_IDC_PRESET_CHOICE_SOURCETRAY", 13, 536},
      {"QDV_IDC_PRESET_CHOICE_PRINTSIZE", 46, 547},
      {"QDV_IDC_PRESET_CHOICE_COLOR", 15, 559},
      {"QDV_IDC_PRESET_EDIT_COPIES", 12, 552},
      {"QDV_IDC_EDIT_CHOICE_DUPLEX", 58, 653},
      {"QDV_IDC_USERCODE_EDIT_USERCODE", 203, 834},
      {"QDV_IDC_FREE_EDIT_WIDTH1", 340, 1249},
      {"QDV_IDC_FREE_EDIT_WIDTH2", 340, 1251},
      {"QDV_IDC_BASIC_BMP_PRINTER", 1544, 593},
      {"QDV_IDC_LIMITATION_CHOICE_COMBO_RESOLUTION", 10434, 1678},
      {"QDV_DeviceName", 1, 88},
      {"QDV_IDC_HIDDEN_FUNC", 1555, 1712},
      {"QDV_ConvertDevmode", 0, 29},
      {"QDV_ConditionOption", 0, 30},
      {"QDV_RollSizeSupportCheck", 743, 358},
      {"QDV_OptionDuplex", 10014, 35},
      {"QDV_OptionFoldingFan", 10296, 346},
      {"IDOKBUTTON", 0, 1},
      {"IDCANCELBUTTON", 0, 2},
      {"X", 100, 1100},
      {"Y", 101, 1101},
      {"Z", 102, 1102},
  };
  return v;
}
inline const std::vector<Val>& Enums() {
  static const std::vector<Val> v = {
      {"IDS_T_PORTRAIT", 2026},  {"IDS_T_LANDSCAPE", 2027},  {"IDS_T_RES300", 84},       {"IDS_T_RES600", 86},
      {"IDS_PAPERSIZE_A4", 41},  {"IDS_PAPERSIZE_A3", 40},   {"IDS_PAPERSIZE_A1", 13240}, {"IDS_PAPERSIZE_A0", 13239},
      {"IDS_SOURCE_AUTO", 1},    {"IDS_SOURCE_TRAY1", 2},    {"IDS_SOURCE_ROLL1", 13260}, {"IDS_SOURCE_MANUAL", 4},
      {"Opt_Duplex", 3},         {"Opt_HDD", 6},             {"Opt_FoldingFan", 87},      {"IDS_T_BIG", 0x12345},
  };
  return v;
}
inline const std::vector<Val>& Dialogs() {
  static const std::vector<Val> v = {{"QDV_IDD_PRESET", 1001}, {"QDV_IDD_FREESIZE", 1017}};
  return v;
}
inline const std::vector<Val>& Controls() {  // by symbol name: the id of the first control bound to its key
  static const std::vector<Val> v = {{"QDV_IDC_PRESET_CHOICE_PAPERSIZE", 3005}};
  return v;
}
inline const std::vector<Val>& Messages() {
  static const std::vector<Val> v = {{"QDV_PrintSizeIllegalMessage", 416}};
  return v;
}

inline int FindSym(void*, const char* n, uint16_t* id, uint16_t* key) {
  for (const auto& s : Symbols())
    if (std::strcmp(s.name, n) == 0) {
      *id = s.id;
      *key = s.key;
      return 1;
    }
  return 0;
}
inline int FindIn(const std::vector<Val>& t, const char* n, uint32_t* v) {
  for (const auto& s : t)
    if (std::strcmp(s.name, n) == 0) {
      *v = s.value;
      return 1;
    }
  return 0;
}
inline int FindEnum(void*, const char* n, uint32_t* v) { return FindIn(Enums(), n, v); }
inline int Find16(const std::vector<Val>& t, const char* n, uint16_t* v) {
  uint32_t x;
  if (!FindIn(t, n, &x)) return 0;
  *v = uint16_t(x);
  return 1;
}
inline int FindDialog(void*, const char* n, uint16_t* v) { return Find16(Dialogs(), n, v); }
inline int FindControl(void*, const char* n, uint16_t* v) { return Find16(Controls(), n, v); }
inline int FindMessage(void*, const char* n, uint16_t* v) { return Find16(Messages(), n, v); }

inline const dfc::DFC_RESOLVER* Resolver() {
  static const dfc::DFC_RESOLVER r = {nullptr, FindSym, FindEnum, FindDialog, FindControl, FindMessage};
  return &r;
}

// A compile record of the given text (owned by the caller through the unique_ptr-like holder).
struct Compiled {
  dfc::COMPILE_RECORD* rec = nullptr;
  explicit Compiled(const std::string& text) { rec = dfc::DfcParseDataBytes(text.data(), text.size(), Resolver()); }
  ~Compiled() { dfc::DfcFreeCompileRecord(rec); }
  dfc::COMPILE_RECORD* operator->() const { return rec; }
  std::vector<dfc::CR_NODE*> Nodes() const {
    std::vector<dfc::CR_NODE*> v;
    for (dfc::CR_NODE* n = rec->features.head; n; n = n->next) v.push_back(n);
    return v;
  }
  std::vector<uint16_t> OptionValues(const dfc::CR_NODE* n) const {
    std::vector<uint16_t> v;
    for (dfc::CR_OPTION* o = n->options; o; o = o->next) v.push_back(o->value);
    return v;
  }
};

// An image in offset form.
struct Image {
  BYTE* bytes = nullptr;
  uint32_t length = 0;
  explicit Image(const std::string& text) {
    dfc::COMPILE_RECORD* rec = dfc::DfcParseDataBytes(text.data(), text.size(), Resolver());
    bytes = dfc::DfcAssembleImage(rec, &length);
  }
  ~Image() {
    if (bytes) GlobalFree(bytes);
  }
  std::vector<BYTE> Vec() const { return std::vector<BYTE>(bytes, bytes + length); }
  template <class T>
  T At(uint64_t off) const {
    return dfc::Get<T>(bytes, off);
  }
  const dfc::COMPILED_IMAGE_HEADER& H() const { return *reinterpret_cast<const dfc::COMPILED_IMAGE_HEADER*>(bytes); }
};

}  // namespace dfctest
