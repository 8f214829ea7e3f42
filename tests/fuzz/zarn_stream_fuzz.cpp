// Any bytes as a print stream for the decoder: it never reads outside its input, and a failure names an
// offset inside the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zarn_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (bool summary : {false, true}) {
    std::string out;
    zarn::DecodeResult r = zarn::Decode(data, size, summary, &out);
    if (!r.ok && r.errorOffset >= size) {
      std::fprintf(stderr, "zarn_stream: error offset %llu outside %zu bytes\n",
                   static_cast<unsigned long long>(r.errorOffset), size);
      std::abort();
    }
    size_t last = out.rfind('\n', out.size() >= 2 ? out.size() - 2 : 0);
    std::string lastLine = out.substr(last == std::string::npos ? 0 : last + 1);
    if (!r.ok && lastLine.rfind("error at offset ", 0) != 0) std::abort();
  }
  return 0;
}
