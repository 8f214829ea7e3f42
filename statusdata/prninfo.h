// The printer-information record the monitor hands in, its keyed lists and their node layouts.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

// Every list node is one zero-filled global-memory block: next, size, then the payload at byte 12.
#pragma pack(push, 4)
struct LIST_NODE {
  LIST_NODE* next;
  DWORD size;
};
static_assert(sizeof(LIST_NODE) == 12 && offsetof(LIST_NODE, size) == 8);

struct ENGINE_STATUS_NODE {
  LIST_NODE hdr;
  WORD code;
  WORD reserved;
  DWORD fullCode;
  CHAR text[260];
};
struct EMULATION_NODE {
  LIST_NODE hdr;
  WORD code;
  CHAR version[16];
  BYTE reserved[2];
};
struct FONT_NODE {
  LIST_NODE hdr;
  WORD code;
  WORD reserved;
};
struct TRAY_NODE {
  LIST_NODE hdr;
  WORD trayCode;
  WORD paperSize;
  WORD level;      // percent
  WORD paperType;
  DWORD flags;     // bit 0: locked
};
struct OUTBIN_NODE {
  LIST_NODE hdr;
  WORD binCode;
  WORD state;      // 0 ready, 1 paper present, 2 full
};
struct DEVICE_NODE {
  LIST_NODE hdr;
  WORD deviceCode;
  WORD zero;
};
struct EMUL_UNIQUE_NODE {
  LIST_NODE hdr;
  WORD code;            // always 15
  WORD reserved;
  DWORD memoryUsage;    // 1 page, 2 user, 0 other
  CHAR other[33];
  BYTE reserved2[3];
  DWORD imageRotation;  // 1 possible, 2 impossible, 0 other
  DWORD reserved3;
};
struct COUNTER_NODE {
  LIST_NODE hdr;
  WORD itemCode;
  WORD reserved;
  DWORD value;
  DWORD reserved2;
};
#pragma pack(pop)

static_assert(sizeof(ENGINE_STATUS_NODE) == 280);
static_assert(offsetof(ENGINE_STATUS_NODE, code) == 12 && offsetof(ENGINE_STATUS_NODE, fullCode) == 16);
static_assert(offsetof(ENGINE_STATUS_NODE, text) == 20);
static_assert(sizeof(EMULATION_NODE) == 32);
static_assert(offsetof(EMULATION_NODE, code) == 12 && offsetof(EMULATION_NODE, version) == 14);
static_assert(offsetof(EMULATION_NODE, reserved) == 30);
static_assert(sizeof(FONT_NODE) == 16 && offsetof(FONT_NODE, code) == 12);
static_assert(sizeof(TRAY_NODE) == 24);
static_assert(offsetof(TRAY_NODE, trayCode) == 12 && offsetof(TRAY_NODE, paperSize) == 14);
static_assert(offsetof(TRAY_NODE, level) == 16 && offsetof(TRAY_NODE, paperType) == 18);
static_assert(offsetof(TRAY_NODE, flags) == 20);
static_assert(sizeof(OUTBIN_NODE) == 16 && offsetof(OUTBIN_NODE, binCode) == 12);
static_assert(offsetof(OUTBIN_NODE, state) == 14);
static_assert(sizeof(DEVICE_NODE) == 16 && offsetof(DEVICE_NODE, deviceCode) == 12);
static_assert(offsetof(DEVICE_NODE, zero) == 14);
static_assert(sizeof(EMUL_UNIQUE_NODE) == 64);
static_assert(offsetof(EMUL_UNIQUE_NODE, code) == 12 && offsetof(EMUL_UNIQUE_NODE, memoryUsage) == 16);
static_assert(offsetof(EMUL_UNIQUE_NODE, other) == 20 && offsetof(EMUL_UNIQUE_NODE, imageRotation) == 56);
static_assert(sizeof(COUNTER_NODE) == 24);
static_assert(offsetof(COUNTER_NODE, itemCode) == 12 && offsetof(COUNTER_NODE, value) == 16);

// The record itself: the monitor allocates it (at least PRN_INFO_EX_MIN_SIZE bytes), zeroes it and
// sets the size word. The library uses the first 280 bytes and never touches the rest.
struct PRN_INFO_EX {
  DWORD size;
  DWORD reserved04;
  DWORD cEngineStatus;
  DWORD reserved0C;
  LIST_NODE* pEngineStatus;
  CHAR* pModelName;
  CHAR* pMakerName;
  CHAR* pDescription;
  CHAR* pSYSVersion;
  CHAR* pMainProgVersion;
  CHAR* pKPSVersion;
  DWORD memoryKB;
  BYTE online;
  BYTE modelCode;       // 255: model name not recognised
  BYTE offline;
  BYTE error;
  BYTE printing;
  BYTE noResponse;
  WORD reserved52;
  DWORD emulationState;
  DWORD cLoadedEmul;
  DWORD reserved5C;
  LIST_NODE* pLoadedEmul;
  DWORD cLoadedFont;
  DWORD reserved6C;
  LIST_NODE* pLoadedFont;
  DWORD trayState;
  DWORD cTrayInfo;
  LIST_NODE* pTrayInfo;
  DWORD outBinState;
  DWORD cOutBinInfo;
  LIST_NODE* pOutBinInfo;
  DWORD cDeviceInfo;
  DWORD reserved9C;
  LIST_NODE* pDeviceInfo;
  DWORD cEmulUniqInfo;
  DWORD reservedAC;
  LIST_NODE* pEmulUniqInfo;
  BYTE reservedB8[36];
  DWORD cCounterInfo;
  LIST_NODE* pCounterInfo;
  DWORD cSupplyInfo;
  DWORD reservedEC;
  LIST_NODE* pSupplyInfo;
  DWORD cColorCorrection;
  DWORD reservedFC;
  LIST_NODE* pColorCorrection;
  DWORD cCustomMediaInfo;
  DWORD reserved10C;
  LIST_NODE* pCustomMediaInfo;
};
constexpr DWORD PRN_INFO_EX_MIN_SIZE = 404;
static_assert(sizeof(PRN_INFO_EX) == 280);
static_assert(offsetof(PRN_INFO_EX, size) == 0 && offsetof(PRN_INFO_EX, reserved04) == 4);
static_assert(offsetof(PRN_INFO_EX, cEngineStatus) == 8 && offsetof(PRN_INFO_EX, reserved0C) == 12);
static_assert(offsetof(PRN_INFO_EX, pEngineStatus) == 16 && offsetof(PRN_INFO_EX, pModelName) == 24);
static_assert(offsetof(PRN_INFO_EX, pMakerName) == 32 && offsetof(PRN_INFO_EX, pDescription) == 40);
static_assert(offsetof(PRN_INFO_EX, pSYSVersion) == 48 && offsetof(PRN_INFO_EX, pMainProgVersion) == 56);
static_assert(offsetof(PRN_INFO_EX, pKPSVersion) == 64 && offsetof(PRN_INFO_EX, memoryKB) == 72);
static_assert(offsetof(PRN_INFO_EX, online) == 76 && offsetof(PRN_INFO_EX, modelCode) == 77);
static_assert(offsetof(PRN_INFO_EX, offline) == 78 && offsetof(PRN_INFO_EX, error) == 79);
static_assert(offsetof(PRN_INFO_EX, printing) == 80 && offsetof(PRN_INFO_EX, noResponse) == 81);
static_assert(offsetof(PRN_INFO_EX, reserved52) == 82 && offsetof(PRN_INFO_EX, emulationState) == 84);
static_assert(offsetof(PRN_INFO_EX, cLoadedEmul) == 88 && offsetof(PRN_INFO_EX, reserved5C) == 92);
static_assert(offsetof(PRN_INFO_EX, pLoadedEmul) == 96 && offsetof(PRN_INFO_EX, cLoadedFont) == 104);
static_assert(offsetof(PRN_INFO_EX, reserved6C) == 108 && offsetof(PRN_INFO_EX, pLoadedFont) == 112);
static_assert(offsetof(PRN_INFO_EX, trayState) == 120 && offsetof(PRN_INFO_EX, cTrayInfo) == 124);
static_assert(offsetof(PRN_INFO_EX, pTrayInfo) == 128 && offsetof(PRN_INFO_EX, outBinState) == 136);
static_assert(offsetof(PRN_INFO_EX, cOutBinInfo) == 140 && offsetof(PRN_INFO_EX, pOutBinInfo) == 144);
static_assert(offsetof(PRN_INFO_EX, cDeviceInfo) == 152 && offsetof(PRN_INFO_EX, reserved9C) == 156);
static_assert(offsetof(PRN_INFO_EX, pDeviceInfo) == 160 && offsetof(PRN_INFO_EX, cEmulUniqInfo) == 168);
static_assert(offsetof(PRN_INFO_EX, reservedAC) == 172 && offsetof(PRN_INFO_EX, pEmulUniqInfo) == 176);
static_assert(offsetof(PRN_INFO_EX, reservedB8) == 184 && offsetof(PRN_INFO_EX, cCounterInfo) == 220);
static_assert(offsetof(PRN_INFO_EX, pCounterInfo) == 224 && offsetof(PRN_INFO_EX, cSupplyInfo) == 232);
static_assert(offsetof(PRN_INFO_EX, reservedEC) == 236 && offsetof(PRN_INFO_EX, pSupplyInfo) == 240);
static_assert(offsetof(PRN_INFO_EX, cColorCorrection) == 248 && offsetof(PRN_INFO_EX, reservedFC) == 252);
static_assert(offsetof(PRN_INFO_EX, pColorCorrection) == 256);
static_assert(offsetof(PRN_INFO_EX, cCustomMediaInfo) == 264 && offsetof(PRN_INFO_EX, reserved10C) == 268);
static_assert(offsetof(PRN_INFO_EX, pCustomMediaInfo) == 272);

// Codes the lists carry.
enum : WORD {
  TRAY_ROLL1 = 51, TRAY_ROLL2 = 52, TRAY_CUT_PAPER = 60, TRAY_BYPASS = 1,
  OUTBIN_UPPER = 29, OUTBIN_LOWER = 30, OUTBIN_UNKNOWN = 255,
  DEVICE_ROLL2 = 42, DEVICE_CUT_PAPER = 116, DEVICE_BYPASS = 16, DEVICE_ACCORDION_FOLD = 126, DEVICE_DISK = 3,
  EMULATION_ZARN = 15,
};

// Where one keyed list lives in a record.
struct LIST_REF {
  LIST_NODE* head;
  LIST_NODE** headSlot;
  DWORD* count;
};

// Whether a record may be used at all: present and its size word at least 404.
bool PatIsUsableRecord(const PRN_INFO_EX* record);

// PatFindPrnInfoList: 1 with the list of an exact, case-sensitive key ("pTrayInfo", ...); 0 for any
// other key or an unusable record.
BOOL PatFindPrnInfoList(PRN_INFO_EX* record, const char* key, LIST_REF* ref);
// PatAppendPrnInfoNode: links the node at the end of the keyed list and counts it; 0 for a bad key.
BOOL PatAppendPrnInfoNode(PRN_INFO_EX* record, const char* key, LIST_NODE* node);
// PatClearPrnInfoList: frees every node of the keyed list; head null, count 0.
BOOL PatClearPrnInfoList(PRN_INFO_EX* record, const char* key);
// PatSetPrnInfoString: replaces one of the six strings ("pModelName", ...) with a global-memory copy
// of `text` (a null text just frees it). 0 for a bad key (nothing changes) or when the copy cannot be
// allocated (the field is then null).
BOOL PatSetPrnInfoString(PRN_INFO_EX* record, const char* key, const char* text);
// PatHasDevice: 1 when pDeviceInfo holds a node with the code.
BOOL PatHasDevice(PRN_INFO_EX* record, WORD deviceCode);
// PatAddEngineStatus: appends an engine-status node with the code and an empty text; 0 when the node
// cannot be allocated (nothing changes then).
BOOL PatAddEngineStatus(PRN_INFO_EX* record, DWORD code);
// PatIsErrorClassCode: engine-status codes that mean an error (40001-49999 and 10002).
BOOL PatIsErrorClassCode(DWORD code);

LIST_NODE* PatNewListNode(DWORD size);
void PatFreeListNodes(LIST_NODE* head);
LIST_NODE* PatAppendListNode(LIST_NODE* head, LIST_NODE* node);
// PatFindListNode: the first node whose u16 code at byte 12 equals `code`.
LIST_NODE* PatFindListNode(LIST_NODE* head, WORD code);

// The u16 code every node layout keeps at byte 12.
inline WORD PatListNodeCode(const LIST_NODE* node) {
  WORD code;
  __builtin_memcpy(&code, reinterpret_cast<const BYTE*>(node) + 12, sizeof code);
  return code;
}

// Copies at most cap - 1 characters of text (null: empty) and terminates.
void PatCopyText(CHAR* destination, size_t cap, const CHAR* text);
