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
  if (row) return row->size < 4 ? 4 : row->size;
  if (id == 55) return sizeof(API_COPY_PROTECT_RECORD);
  return id == 1 ? sizeof(API_PRESET_FILE_RECORD) : 32;
}

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
  size_t n = RecordSize(id, version);
  uint8_t* record = static_cast<uint8_t*>(std::calloc(n, 1));
  std::memcpy(record, data, size < n ? size : n);
  BYTE map[64];
  int r = get ? ZARNDrvGetStatus(h, id, record, version) : ZARNDrvSetStatus(h, id, record, map, mode);
  std::free(record);
  if (r < -1) std::abort();
  if (!StgIsSameLayoutDevmode(StgGetDevmode(ApiFindConnection(h)->ctx))) std::abort();
  return 0;
}
