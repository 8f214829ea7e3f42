// Fuzz target: the input is PJL SET text from an outside program. It goes to ExcSetCommandBase whole
// (up to its first NUL), then each of its lines (up to and including an LF, or the rest) to
// ExcUpdateCommand, on one exclusion handle of the installed model printer. Every answer must be one of
// the documented codes, and the base and change list must stay NUL-terminated texts of their lengths.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "api_frame.h"
#include "exc_cmdbase.h"
#include "kvdrvexc.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"

namespace {

EXC_HANDLE Handle() {
  static kvtest::TempRoot root;
  static EXC_HANDLE h = [] {
    ApiLibraryAttach();
    HANDLE p = kvtest::InstallModelPrinter(u"Exchange plotter", kvsetup::kDeliverables | kvsetup::kModelFiles);
    if (p) ClosePrinter(p);
    EXC_HANDLE e = ExcGetExclusive("Exchange plotter");
    if (!e) std::abort();
    return e;
  }();
  return h;
}

void CheckTexts(EXC_HANDLE h) {
  if (h->baseText && (h->baseLength == 0 || std::strlen(h->baseText) + 1 != h->baseLength)) std::abort();
  if (h->changeText && (h->changeLength == 0 || std::strlen(h->changeText) + 1 != h->changeLength)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EXC_HANDLE h = Handle();
  std::string text(reinterpret_cast<const char*>(data), size);
  int32_t changeSize = -1;
  int r = ExcSetCommandBase(h, text.c_str(), &changeSize);
  if (r < -2 || r > 1 || changeSize < 0) std::abort();
  CheckTexts(h);
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    at = end == std::string::npos ? text.size() : end + 1;
    r = ExcUpdateCommand(h, line.c_str(), &changeSize);
    if (r < -1 || r > 1 || changeSize < 0) std::abort();
    CheckTexts(h);
    std::vector<char> change(size_t(changeSize) + 1);
    int32_t needed = 0;
    if (ExcGetCommandChange(h, changeSize, change.data(), &needed) != 0 || needed != changeSize) std::abort();
  }
  return 0;
}
