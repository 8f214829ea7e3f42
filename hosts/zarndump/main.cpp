// zarndump [--summary] FILE: prints a ZARN print stream readably, one block or record a line, or with
// --summary its blocks, records and bytes per page. Exit codes: 0 a well-formed stream; 1 a malformed
// stream (the first bad byte's offset is printed) or a file that cannot be read (missing, a folder,
// empty); 2 a wrong command line.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zarn_decode.h"

namespace {

constexpr const char* kUsage = "usage: zarndump [--summary] FILE.zarn";

void PrintHelp() {
  std::printf("%s\n"
              "Prints a ZARN print stream readably: one block or record a line, the PJL text of the job header,\n"
              "page header and page trailer one text line a line.\n"
              "  --summary   only the blocks, records and bytes of each page\n\n"
              "exit codes:\n"
              "  0  the stream is well-formed\n"
              "  1  the stream is malformed (the first bad byte's offset is printed), or the file cannot be\n"
              "     read: missing, unreadable, a folder, or empty\n"
              "  2  the command line is wrong\n",
              kUsage);
}

// The whole file, or false with the reason.
bool ReadStream(const std::string& file, std::vector<uint8_t>* bytes, std::string* why) {
  struct stat st;
  if (stat(file.c_str(), &st) != 0) {
    *why = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = "it is not a file (a print stream file is needed)";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *why = "it cannot be opened";
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *why = "it cannot be read";
    return false;
  }
  if (bytes->empty()) {
    *why = "it is empty, not a print stream";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool summary = false;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      PrintHelp();
      return 0;
    }
    if (a == "--summary") {
      summary = true;
    } else if (a.rfind("--", 0) == 0 || !file.empty()) {
      std::fprintf(stderr, "zarndump: unexpected '%s' (see zarndump --help)\n", a.c_str());
      return 2;
    } else {
      file = a;
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  std::vector<uint8_t> bytes;
  std::string why;
  if (!ReadStream(file, &bytes, &why)) {
    std::fprintf(stderr, "zarndump: cannot read %s: %s\n", file.c_str(), why.c_str());
    return 1;
  }
  std::string out;
  zarn::DecodeResult r = zarn::Decode(bytes.data(), bytes.size(), summary, &out);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return r.ok ? 0 : 1;
}
