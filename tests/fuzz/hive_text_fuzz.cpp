// Any bytes as a registry hive file: the reader accepts or refuses them without reading outside the
// text, and a hive it accepts is written as text that reads back to the same hive.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hive.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "hive_text: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kvp::reg;
  Key root;
  std::string error;
  if (!ParseHive(std::string_view(reinterpret_cast<const char*>(data), size), root, error)) {
    Check(error.rfind("line ", 0) == 0, "a refusal names its line");
    return 0;
  }
  std::string text = WriteHive(root);
  Key again;
  Check(ParseHive(text, again, error), "the written hive reads back");
  Check(WriteHive(again) == text, "the written hive is stable");
  return 0;
}
