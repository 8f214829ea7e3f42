// Module state, the priority and expansion tables, status selection and expansion.
#include "statusdata/status.h"

#include <atomic>
#include <cstring>
#include <iterator>

#include "kvplat/error.h"
#include "kvplat/module.h"
#include "statusdata/pminfo.h"

// ---------------------------------------------------------------------------------------------
// Module state

namespace {

HMODULE g_module = nullptr;
// Read without a lock by every text export; PatSetLocale may race with them (a text then comes in
// either language), which the atomic keeps well defined.
std::atomic<WORD> g_language{0x0400};

// The library's load entry: remember the module's own handle for its resources and file name.
__attribute__((constructor)) void PatOnProcessAttach() {
  HMODULE self = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&PatOnProcessAttach), &self))
    g_module = self;
}

}  // namespace

HMODULE PatModuleHandle() { return g_module; }
WORD PatCurrentLanguage() { return g_language.load(std::memory_order_relaxed); }
void PatSetCurrentLanguage(WORD langId) { g_language.store(langId, std::memory_order_relaxed); }

DWORD PatModelHook(DWORD, DWORD, void*) { return 0; }

// ---------------------------------------------------------------------------------------------
// Tables

#define NO_RESPONSE_TEXT "4294967042"  // -254 as unsigned decimal text

const PRIORITY_ROW g_PatPriorityTable[] = {
    {"10001", 10000}, {NO_RESPONSE_TEXT, 1}, {"10002", 7400}, {"10034", 9950}, {"10033", 9900},
    {"10023", 7800},  {"10047", 9850},       {"10035", 9800}, {"10003", 9750}, {"50115", 9700},
    {"50108", 9650},  {"50110", 9600},       {"50111", 9550}, {"50112", 9500}, {"50113", 9450},
    {"50105", 9400},  {"50114", 9350},       {"30608", 9300}, {"30617", 9250}, {"30616", 9200},
    {"13200", 9150},  {"13300", 9150},       {"13400", 9150}, {"12201", 9100}, {"12301", 9100},
    {"12401", 9100},  {"10006", 9000},       {"30623", 8950}, {"30622", 8900}, {"10032", 8850},
    {"30722", 8800},  {"30723", 8800},       {"30724", 8800}, {"30610", 8750}, {"30607", 8700},
    {"30609", 7600},  {"40979", 6950},       {"461yy", 6900}, {"462yy", 6900}, {"463yy", 6900},
    {"464yy", 6900},  {"471yy", 6850},       {"472yy", 6850}, {"473yy", 6850}, {"474yy", 6850},
    {"481yy", 6800},  {"482yy", 6800},       {"483yy", 6800}, {"484yy", 6800}, {"450yy", 6750},
    {"411yy", 6700},  {"412yy", 6700},       {"413yy", 6700}, {"414yy", 6700}, {"41200", 6650},
    {"41300", 6650},  {"41400", 6650},       {"41100", 6600}, {"40722", 6550}, {"40723", 6550},
    {"40724", 6550},  {"40200", 6500},       {"40205", 6500}, {"40204", 6500}, {"40292", 6500},
    {"40010", 6450},  {"40011", 6400},       {"42000", 6350}, {"42001", 6350}, {"42011", 6350},
    {"40800", 6300},
};
const DWORD g_PatPriorityTableRows = DWORD(std::size(g_PatPriorityTable));
static_assert(std::size(g_PatPriorityTable) == 71);

const EXPANSION_ROW g_PatExpansionTable[] = {
    {"10001", 10001, 0},   {NO_RESPONSE_TEXT, PAT_STATUS_NO_RESPONSE, 0},
    {"10002", 10002, 0},   {"10034", 10034, 0},     {"10033", 10033, 0},     {"10023", 10023, 0},
    {"10047", 10047, 0},   {"10035", 10035, 0},     {"10003", 10003, 0},     {"50115", 50115, 0},
    {"50108", 50108, 0},   {"50110", 50110, 0},     {"50111", 50111, 0},     {"50112", 50112, 0},
    {"50113", 50113, 0},   {"50105", 50105, 0},     {"50114", 50114, 0},     {"30608", 30608, 0},
    {"30617", 30617, 0},   {"30616", 30616, 0},     {"13200", 13200, 1},     {"13300", 13300, 2},
    {"13400", 13400, 3},   {"12201", 12201, 1},     {"12301", 12301, 2},     {"12401", 12401, 3},
    {"10006", 10006, 0},   {"30623", 30623, 0},     {"30622", 30622, 0},     {"10032", 10032, 0},
    {"30722", 30722, 1},   {"30723", 30723, 2},     {"30724", 30724, 3},     {"30610", 30610, 0},
    {"30607", 30607, 0},   {"30609", 30609, 0},     {"40979", 40979, 0},     {"461yy", 46100, 4},
    {"462yy", 46200, 1},   {"463yy", 46300, 2},     {"464yy", 46400, 3},     {"471yy", 47100, 4},
    {"472yy", 47200, 1},   {"473yy", 47300, 2},     {"474yy", 47400, 3},     {"481yy", 48100, 4},
    {"482yy", 48200, 1},   {"483yy", 48300, 2},     {"484yy", 48400, 3},     {"450yy", 45000, 0},
    {"411yy", 41100, 4},   {"412yy", 41200, 1},     {"413yy", 41300, 2},     {"414yy", 41400, 3},
    {"41200", 1041200, 1}, {"41300", 1041300, 2},   {"41400", 1041400, 3},   {"41100", 1041100, 0},
    {"40722", 40722, 1},   {"40723", 40723, 2},     {"40724", 40724, 3},     {"40200", 40200, 6},
    {"40205", 40205, 7},   {"40204", 40204, 8},     {"40292", 40292, 9},     {"40010", 40010, 7},
    {"40011", 40011, 0},   {"42000", 42000, 5},     {"42000", 42000, 6},     {"42001", 42001, 6},
    {"42001", 42001, 10},  {"42011", 42011, 9},     {"40800", 40800, 0},
};
const DWORD g_PatExpansionTableRows = DWORD(std::size(g_PatExpansionTable));
static_assert(std::size(g_PatExpansionTable) == 73);

const EXPANSION_ROW g_PatAltExpansionTable[] = {
    {"10001", 10001, 0}, {NO_RESPONSE_TEXT, PAT_STATUS_NO_RESPONSE, 0},
    {"50115", 50115, 0}, {"50108", 50108, 0}, {"50110", 50110, 0}, {"50111", 50111, 0},
    {"50112", 50112, 0}, {"50113", 50113, 0}, {"50105", 50105, 0}, {"50114", 50114, 0},
    {"10006", 10006, 0}, {"10032", 10032, 0}, {"30722", 30722, 1}, {"30723", 30723, 2},
    {"30724", 30724, 3}, {"30610", 30610, 0}, {"30607", 30607, 0}, {"30609", 30609, 0},
    {"40722", 40722, 1}, {"40723", 40723, 2}, {"40724", 40724, 3}, {"40010", 40010, 7},
    {"40011", 40011, 0}, {"40800", 40800, 0},
};
const DWORD g_PatAltExpansionTableRows = DWORD(std::size(g_PatAltExpansionTable));
static_assert(std::size(g_PatAltExpansionTable) == 24);

// ---------------------------------------------------------------------------------------------
// Selection

namespace {

// The record an item of the status container points to; null for a missing item or one whose data
// is not exactly a pointer.
PRN_INFO_EX* ItemRecord(INFO_NODE* container, DWORD id) {
  INFO_NODE* item = InfoNodeFind(InfoNodeFirstChild(container), id);
  PRN_INFO_EX* record = nullptr;
  if (!item || !InfoNodeReadData(item, &record, sizeof record)) return nullptr;
  return record;
}

bool KindIsKnown(DWORD kind) { return LOWORD(kind) == PAT_KIND_D || LOWORD(kind) == PAT_KIND_H; }

}  // namespace

DWORD PatSelectStatus(DWORD kind, INFO_NODE* container, PAT_MERGED_RECORD* merged) {
  if (!KindIsKnown(kind) || !container || container->id != INFO_ID_STATUS || !merged)
    return ERROR_INVALID_PARAMETER;
  PRN_INFO_EX* general = ItemRecord(container, 2);
  DWORD itemId = LOWORD(kind) == PAT_KIND_D ? 1 : container->dataLength;
  PRN_INFO_EX* selected = ItemRecord(container, itemId);
  if (!PatIsUsableRecord(general) || !PatIsUsableRecord(selected)) return ERROR_INVALID_PARAMETER;

  std::memset(merged, 0, sizeof *merged);
  PRN_INFO_EX& m = merged->record;
  std::memcpy(&m, selected, sizeof(PRN_INFO_EX));
  if (general->pEngineStatus) {
    m.cEngineStatus = general->cEngineStatus;
    m.pEngineStatus = general->pEngineStatus;
  }
  CHAR* PRN_INFO_EX::* const strings[] = {&PRN_INFO_EX::pModelName,  &PRN_INFO_EX::pMakerName,
                                          &PRN_INFO_EX::pDescription, &PRN_INFO_EX::pSYSVersion,
                                          &PRN_INFO_EX::pMainProgVersion, &PRN_INFO_EX::pKPSVersion};
  for (auto s : strings)
    if (general->*s) m.*s = general->*s;
  struct ListPart {
    DWORD PRN_INFO_EX::* count;
    LIST_NODE* PRN_INFO_EX::* head;
  };
  const ListPart lists[] = {{&PRN_INFO_EX::cLoadedEmul, &PRN_INFO_EX::pLoadedEmul},
                            {&PRN_INFO_EX::cLoadedFont, &PRN_INFO_EX::pLoadedFont},
                            {&PRN_INFO_EX::cTrayInfo, &PRN_INFO_EX::pTrayInfo},
                            {&PRN_INFO_EX::cOutBinInfo, &PRN_INFO_EX::pOutBinInfo},
                            {&PRN_INFO_EX::cDeviceInfo, &PRN_INFO_EX::pDeviceInfo},
                            {&PRN_INFO_EX::cEmulUniqInfo, &PRN_INFO_EX::pEmulUniqInfo}};
  for (const auto& l : lists)
    if (general->*l.head) {
      m.*l.count = general->*l.count;
      m.*l.head = general->*l.head;
    }
  m.memoryKB = general->memoryKB;
  m.modelCode = general->modelCode;
  return 0;
}

const PRIORITY_ROW* PatPriorityTableFor(DWORD kind) {
  return (kind == PAT_KIND_D || kind == (PAT_KIND_D | PAT_KIND_ALTERNATE)) ? g_PatPriorityTable : nullptr;
}

BOOL PatLookupPriority(const PRIORITY_ROW* table, DWORD code, DWORD* priority) {
  DWORD dummy;
  if (!priority) priority = &dummy;
  *priority = PAT_PRIORITY_NONE;
  if (table != g_PatPriorityTable) return 0;
  char text[11];
  PatFormatCode(code, text);
  for (DWORD i = 0; i < g_PatPriorityTableRows; ++i)
    if (std::strcmp(table[i].pattern, text) == 0) {
      *priority = table[i].priority;
      return 1;
    }
  for (DWORD i = 0; i < g_PatPriorityTableRows; ++i)
    if (PatMatchCodePattern(text, table[i].pattern)) {
      *priority = table[i].priority;
      return 1;
    }
  return 0;
}

DWORD PatSelectTopCodes(const STATUS_CONTEXT* context, ELEMENT_LIST* codes) {
  if (!context || !context->record || !codes) return ERROR_INVALID_PARAMETER;
  const PRIORITY_ROW* table = PatPriorityTableFor(context->kind);
  if (!table) return PAT_ERROR_NOT_FOUND;
  const PRN_INFO_EX* record = context->record;
  auto codeOf = [](const LIST_NODE* n) { return reinterpret_cast<const ENGINE_STATUS_NODE*>(n)->fullCode; };

  DWORD best = PAT_PRIORITY_NONE, p;
  for (const LIST_NODE* n = record->pEngineStatus; n; n = n->next) {
    PatLookupPriority(table, codeOf(n), &p);
    if (p < best) best = p;
  }
  DWORD noResponsePriority = PAT_PRIORITY_NONE;
  if (record->noResponse) {
    PatLookupPriority(table, PAT_STATUS_NO_RESPONSE, &noResponsePriority);
    if (noResponsePriority < best) best = noResponsePriority;
  }

  DWORD first = ElemListCount(codes) + 1;
  for (const LIST_NODE* n = record->pEngineStatus; n; n = n->next) {
    DWORD code = codeOf(n);
    PatLookupPriority(table, code, &p);
    if (p == best && !ElemListAppend(codes, &code)) return ERROR_NOT_ENOUGH_MEMORY;
  }
  if (record->noResponse && noResponsePriority == best) {
    DWORD code = PAT_STATUS_NO_RESPONSE;
    if (!ElemListAppend(codes, &code)) return ERROR_NOT_ENOUGH_MEMORY;
  }
  // Stable insertion sort of the appended codes, ascending as unsigned numbers.
  DWORD count = ElemListCount(codes);
  for (DWORD i = first + 1; i <= count; ++i) {
    DWORD value = *static_cast<DWORD*>(ElemListAt(codes, i));
    DWORD j = i;
    while (j > first && *static_cast<DWORD*>(ElemListAt(codes, j - 1)) > value) {
      *static_cast<DWORD*>(ElemListAt(codes, j)) = *static_cast<DWORD*>(ElemListAt(codes, j - 1));
      --j;
    }
    *static_cast<DWORD*>(ElemListAt(codes, j)) = value;
  }
  return 0;
}

DWORD PatCollectStatusCodes(const STATUS_CONTEXT* context, ELEMENT_LIST* display) {
  ELEMENT_LIST* codes = ElemListCreate(sizeof(DWORD), 16, 0);
  if (!codes) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD r = PatSelectTopCodes(context, codes);
  for (DWORD i = 1; r == 0 && i <= ElemListCount(codes); ++i)
    r = PatExpandStatusCode(context, *static_cast<DWORD*>(ElemListAt(codes, i)), display);
  ElemListFree(codes);
  return r;
}

DWORD PatExtractServiceCode(const CHAR* text, CHAR* destination, DWORD capacity) {
  if (!text || !destination || capacity == 0) return ERROR_INVALID_PARAMETER;
  destination[0] = 0;
  size_t length = strnlen(text, sizeof(ENGINE_STATUS_NODE::text));
  for (size_t i = length; i >= 2; --i) {
    if (text[i - 2] == 'S' && text[i - 1] == 'C') {
      PatCopyText(destination, capacity, text + i - 2);
      return 0;
    }
  }
  return 0;
}

DWORD PatExpandStatusCode(const STATUS_CONTEXT* context, DWORD code, ELEMENT_LIST* display) {
  if (!context || !context->record || !display) return ERROR_INVALID_PARAMETER;
  if (code != PAT_STATUS_SERVICE_CALL) return PatExpandStatusTable(context, code, display);
  STATUS_ENTRY entry{};
  entry.code = PAT_STATUS_SERVICE_CALL;
  for (const LIST_NODE* n = context->record->pEngineStatus; n; n = n->next) {
    auto* node = reinterpret_cast<const ENGINE_STATUS_NODE*>(n);
    if (node->fullCode == PAT_STATUS_SERVICE_CALL) {
      // The node's text field is not necessarily terminated; the extraction is bounded by it.
      CHAR text[sizeof node->text + 1] = {};
      std::memcpy(text, node->text, sizeof node->text);
      PatExtractServiceCode(text, entry.text, sizeof entry.text);
      break;
    }
  }
  return ElemListAppend(display, &entry) ? 0 : ERROR_NOT_ENOUGH_MEMORY;
}

DWORD PatExpandStatusTable(const STATUS_CONTEXT* context, DWORD code, ELEMENT_LIST* display) {
  if (!context || !display) return ERROR_INVALID_PARAMETER;
  bool alternate = (context->kind & PAT_KIND_ALTERNATE) != 0;
  const EXPANSION_ROW* table = alternate ? g_PatAltExpansionTable : g_PatExpansionTable;
  DWORD rows = alternate ? g_PatAltExpansionTableRows : g_PatExpansionTableRows;
  char text[11];
  PatFormatCode(code, text);
  for (int pass = 0; pass < 2; ++pass) {
    bool any = false;
    for (DWORD i = 0; i < rows; ++i) {
      bool fits = pass == 0 ? std::strcmp(table[i].pattern, text) == 0 : PatMatchCodePattern(text, table[i].pattern);
      if (!fits) continue;
      STATUS_ENTRY entry{};
      entry.code = table[i].displayCode;
      entry.location = table[i].location;
      if (!ElemListAppend(display, &entry)) return ERROR_NOT_ENOUGH_MEMORY;
      any = true;
    }
    if (any) break;
  }
  return 0;
}
