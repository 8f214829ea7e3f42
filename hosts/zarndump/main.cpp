// zarndump [--summary] FILE: prints a ZARN print stream readably, one block or record a line, or with
// --summary its blocks, records and bytes per page. Exit 0 for a well-formed stream, 1 for a malformed one
// (the first bad byte's offset is printed), 2 for bad usage or an unreadable file.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zarn_decode.h"

int main(int argc, char** argv) {
  bool summary = false;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--summary") {
      summary = true;
    } else if (a.rfind("--", 0) == 0 || !file.empty()) {
      std::fprintf(stderr, "zarndump: unexpected '%s'\n", a.c_str());
      return 2;
    } else {
      file = a;
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: zarndump [--summary] FILE.zarn\n");
    return 2;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "zarndump: cannot read %s\n", file.c_str());
    return 2;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string out;
  zarn::DecodeResult r = zarn::Decode(bytes.data(), bytes.size(), summary, &out);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return r.ok ? 0 : 1;
}
