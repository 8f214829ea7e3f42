// Fuzz target: the input is a status id (u32), a call (byte: even set, odd get), a mode (byte) and the
// record's bytes. The record goes to ZARNDrvSetStatus or ZARNDrvGetStatus in a heap block of exactly the
// size its version gives (its first u32 for a set, the input's for a get), so a read or write past the
// record is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "api_frame.h"
#include "api_status.h"
#include "kvdrvexc.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/devmode.h"
#include "settings/store.h"

namespace {

API_HANDLE Connection() {
  static kvtest::TempRoot root;
  static API_HANDLE h = [] {
    ApiLibraryAttach();
    HANDLE p = kvtest::InstallModelPrinter(u"Status plotter", kvsetup::kDeliverables | kvsetup::kModelFiles);
    if (p) ClosePrinter(p);
    API_HANDLE c = ZARNDrvEnable("Status plotter");
    API_INIT_RECORD init{sizeof(API_INIT_RECORD), 16};
    if (!c || ZARNDrvInit(c, &init) != 1) std::abort();
    return c;
  }();
  return h;
}

// The size of a record of an item at a version: its version list's row, else the item's fixed size.
size_t RecordSize(uint32_t id, uint32_t version) {
  const RECORD_VERSION_ROW* row = ApiRecordVersionRow(id, version);
  // A version-0 record is read as version 1 (the oldest callers wrote no version): it has that size.
  if (row && row->size == 0) row = ApiRecordVersionRow(id, 1);
  if (row) return row->size < 4 ? 4 : row->size;
  switch (id) {
    case 55: return sizeof(API_COPY_PROTECT_RECORD);
    case 1: return sizeof(API_PRESET_FILE_RECORD);
    case 26: return sizeof(API_USER_ID_RECORD);
    case 50: return sizeof(API_JOB_INFO_RECORD);
    case 59: return sizeof(API_AUTH_USER_RECORD);
    case 60: return sizeof(API_AUTH_SECURE_RECORD);
    case 63: return sizeof(API_TRAY_INFO_RECORD);
  }
  return 32;
}

// Job information's punch names go right after the record, into the room its size field gives: the
// block holds that room, bounded.
constexpr size_t kPunchRoom = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  API_HANDLE h = Connection();
  uint32_t id = 0, version = 0;
  std::memcpy(&id, data, 4);
  const bool get = data[4] & 1;
  const int mode = data[5] % 3;
  std::memcpy(&version, data + 6, 4);
  data += 6, size -= 6;  // the record starts with its version
  id %= 300;
  // A set reads a version-0 record as version 1.
  size_t n = RecordSize(id, !get && version == 0 ? 1 : version);
  const bool punch = id == API_STATUS_JOB_INFO;
  uint8_t* record = static_cast<uint8_t*>(std::calloc(n + (punch ? kPunchRoom : 0), 1));
  std::memcpy(record, data, size < n ? size : n);
  if (punch) {
    uint32_t room = 0;
    std::memcpy(&room, record + 28, 4);
    room %= kPunchRoom + 1;
    std::memcpy(record + 28, &room, 4);
  }
  BYTE map[64];
  int r = get ? ZARNDrvGetStatus(h, id, record, version) : ZARNDrvSetStatus(h, id, record, map, mode);
  std::free(record);
  if (r < -1) std::abort();
  if (!StgIsSameLayoutDevmode(StgGetDevmode(ApiFindConnection(h)->ctx))) std::abort();
  return 0;
}
