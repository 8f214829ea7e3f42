// Fuzz target: the input is a caller's DEVMODE for the driver API's merge (ZARNDrvGetDevmodeEx, flags 8).
// The harness hands it over in a heap block of exactly the length the DEVMODE claims (its dmSize and
// dmDriverExtra; never less than those two fields need), the input's bytes first and zeros after them.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "api_frame.h"
#include "kvdrvexc.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/devmode.h"
#include "settings/store.h"

namespace {

// One connection on a printer of the model installed as set-up installs it.
API_HANDLE Connection() {
  static kvtest::TempRoot root;
  static API_HANDLE h = [] {
    ApiLibraryAttach();
    HANDLE p = kvtest::InstallModelPrinter(u"Merge plotter", kvsetup::kDeliverables | kvsetup::kModelFiles);
    if (p) ClosePrinter(p);
    API_HANDLE c = ZARNDrvEnable("Merge plotter");
    API_INIT_RECORD init{sizeof(API_INIT_RECORD), 16};
    if (!c || ZARNDrvInit(c, &init) != 1) std::abort();
    return c;
  }();
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  API_HANDLE h = Connection();
  API_DEVMODEW head{};
  std::memcpy(&head, data, size < sizeof head ? size : sizeof head);
  size_t claims = (size_t)head.dmSize + head.dmDriverExtra;
  size_t n = claims < offsetof(API_DEVMODEW, dmFields) ? offsetof(API_DEVMODEW, dmFields) : claims;
  BYTE* buf = static_cast<BYTE*>(std::calloc(n, 1));
  std::memcpy(buf, data, size < n ? size : n);
  API_DRIVER_DEVMODEW out;
  int r = ZARNDrvGetDevmodeEx(h, API_DEVMODE_MERGE, &out, buf);
  std::free(buf);
  if (r != (int)sizeof out && r != -1) std::abort();
  // Whatever came in, the connection's store keeps this model's layout.
  if (!StgIsSameLayoutDevmode(StgGetDevmode(ApiFindConnection(h)->ctx))) std::abort();
  return 0;
}
