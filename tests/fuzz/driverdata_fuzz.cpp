// Fuzz target of the driver data compiler. The input is compiled as a data file: the image must pass the
// loader's checks, relocate, and compile to the same bytes twice. The same input is then checked as a
// ".BCS" image file, which must never make the check or the relocation read or write out of bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "driverdata/dfc_compiler.h"
#include "kvplat/heap.h"

namespace {

struct Sym {
  const char* name;
  uint16_t id, key;
  uint32_t value;
};
// Names the seed corpus uses; settings carry ids and keys, option names values.
const Sym kSyms[] = {
    {"QDV_RADIOLIST_1", 7, 549, 0},
    {"QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION", 38, 1013, 0},
    {"QDV_IDC_PRESET_CHOICE_PAPERSIZE", 8, 543, 0},
    {"QDV_IDC_PRESET_CHOICE_PAPERSIZE2", 8, 582, 0},
    {"QDV_IDC_PRESET_CHOICE_SOURCETRAY", 13, 536, 0},
    {"QDV_IDC_PRESET_CHOICE_PRINTSIZE", 46, 547, 0},
    {"QDV_IDC_PRESET_EDIT_COPIES", 12, 552, 0},
    {"QDV_IDC_EDIT_CHOICE_DUPLEX", 58, 653, 0},
    {"QDV_IDC_USERCODE_EDIT_USERCODE", 203, 834, 0},
    {"QDV_IDC_FREE_EDIT_WIDTH1", 340, 1249, 0},
    {"QDV_IDC_FREE_EDIT_WIDTH2", 340, 1251, 0},
    {"QDV_ConditionOption", 0, 30, 0},
    {"QDV_ConvertDevmode", 0, 29, 0},
    {"QDV_RollSizeSupportCheck", 743, 358, 0},
    {"QDV_OptionDuplex", 10014, 35, 0},
    {"QDV_OptionFoldingFan", 10296, 346, 0},
    {"IDOKBUTTON", 0, 1, 0},
    {"IDCANCELBUTTON", 0, 2, 0},
    {"A", 1, 100, 0},
    {"B", 696, 101, 0},
    {"C", 10434, 102, 0},
};
const Sym kEnums[] = {
    {"IDS_T_PORTRAIT", 0, 0, 2026}, {"IDS_T_LANDSCAPE", 0, 0, 2027}, {"IDS_T_RES300", 0, 0, 84},
    {"IDS_T_RES600", 0, 0, 86},     {"IDS_PAPERSIZE_A4", 0, 0, 41},  {"IDS_PAPERSIZE_A3", 0, 0, 40},
    {"IDS_PAPERSIZE_A1", 0, 0, 13240}, {"IDS_PAPERSIZE_A0", 0, 0, 13239}, {"IDS_SOURCE_AUTO", 0, 0, 1},
    {"IDS_SOURCE_ROLL1", 0, 0, 13260}, {"IDS_SOURCE_MANUAL", 0, 0, 4}, {"Opt_Duplex", 0, 0, 3},
    {"Opt_HDD", 0, 0, 6},           {"Opt_FoldingFan", 0, 0, 87},    {"a", 0, 0, 1},
    {"b", 0, 0, 2},                 {"c", 0, 0, 3},
};

int FindSymbol(void*, const char* n, uint16_t* id, uint16_t* key) {
  for (const Sym& s : kSyms)
    if (std::strcmp(s.name, n) == 0) {
      *id = s.id;
      *key = s.key;
      return 1;
    }
  return 0;
}
int FindEnum(void*, const char* n, uint32_t* v) {
  for (const Sym& s : kEnums)
    if (std::strcmp(s.name, n) == 0) {
      *v = s.value;
      return 1;
    }
  return 0;
}
int FindDialog(void*, const char* n, uint16_t* v) {
  if (std::strcmp(n, "QDV_IDD_PRESET") != 0) return 0;
  *v = 1001;
  return 1;
}
int FindControl(void*, const char* n, uint16_t* v) {
  if (std::strcmp(n, "QDV_IDC_PRESET_CHOICE_PAPERSIZE") != 0) return 0;
  *v = 3005;
  return 1;
}
int FindMessage(void*, const char* n, uint16_t* v) {
  if (std::strcmp(n, "QDV_PrintSizeIllegalMessage") != 0) return 0;
  *v = 416;
  return 1;
}
const dfc::DFC_RESOLVER kResolver = {nullptr, FindSymbol, FindEnum, FindDialog, FindControl, FindMessage};

BYTE* CompileBytes(const uint8_t* data, size_t size, uint32_t* length) {
  dfc::COMPILE_RECORD* rec = dfc::DfcParseDataBytes(data, size, &kResolver);
  return rec ? dfc::DfcAssembleImage(rec, length) : nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t length = 0;
  BYTE* image = CompileBytes(data, size, &length);
  if (image) {
    if (!dfc::ImgCheckImage(image, length)) std::abort();  // the compiler built an image the loader refuses
    uint32_t again = 0;
    BYTE* second = CompileBytes(data, size, &again);
    if (!second || again != length || std::memcmp(image, second, length) != 0) std::abort();
    GlobalFree(second);
    dfc::DfcDumpImage(image, length, [](void*, const char*) {}, nullptr);
    if (!dfc::DfcCheckAndRelocate(image, length)) std::abort();
    GlobalFree(image);
  }
  // The same bytes as an image file, with a matching length field.
  if (size >= dfc::kHeaderSize && size < (1u << 24)) {
    std::vector<BYTE> copy(data, data + size);
    dfc::Put<uint32_t>(copy.data(), 32, uint32_t(size));
    dfc::DfcCheckAndRelocate(copy.data(), copy.size());
  }
  return 0;
}
