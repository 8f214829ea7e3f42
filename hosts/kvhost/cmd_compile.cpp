// kvhost compile FILE [OUT]: compiles a driver data file and writes its compiled image (".BCS" beside the
// file unless OUT is given). kvhost compile --dump FILE|IMAGE: prints the header and a listing of the
// nodes, rules and command trees of a data file or of an image file. kvhost compile --check FILE: lists the
// statements the compiler would skip (cmd_compile_check.cpp).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "driverdata/dfc_compiler.h"
#include "kvplat/heap.h"

namespace kvhost {
int RunCompileCheck(const std::vector<std::string>& args);
}

namespace {

bool ReadFile(const std::string& path, std::vector<BYTE>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The image file beside a data file: the text after the last '.' becomes "BCS".
std::string ImagePathOf(const std::string& data) {
  size_t slash = data.find_last_of('/');
  size_t dot = data.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return data + ".BCS";
  return data.substr(0, dot + 1) + "BCS";
}

bool LooksLikeImage(const std::vector<BYTE>& b) {
  if (b.size() < dfc::kHeaderSize) return false;
  return dfc::Get<uint32_t>(b.data(), 32) == b.size();
}

BYTE* Compile(const std::vector<BYTE>& text, uint32_t* length) {
  dfc::COMPILE_RECORD* rec = dfc::DfcParseDataBytes(text.data(), text.size(), nullptr);
  if (!rec) return nullptr;
  return dfc::DfcAssembleImage(rec, length);
}

int RunCompile(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "--check") return kvhost::RunCompileCheck({args.begin() + 1, args.end()});
  bool dump = !args.empty() && args[0] == "--dump";
  size_t first = dump ? 1 : 0;
  if (args.size() < first + 1 || args.size() > first + (dump ? 1 : 2)) {
    std::fprintf(stderr, "usage: kvhost compile FILE [OUT] | kvhost compile --dump FILE|IMAGE\n");
    return 2;
  }
  const std::string& in = args[first];
  std::vector<BYTE> bytes;
  if (!ReadFile(in, &bytes) || bytes.empty()) {
    std::fprintf(stderr, "kvhost: cannot read %s (missing or empty)\n", in.c_str());
    return 1;
  }
  if (dump) {
    auto emit = [](void*, const char* t) { std::fputs(t, stdout); };
    if (LooksLikeImage(bytes)) {
      dfc::DfcDumpImage(bytes.data(), bytes.size(), emit, nullptr);
      return dfc::ImgCheckImage(bytes.data(), bytes.size()) ? 0 : 1;
    }
    uint32_t length = 0;
    BYTE* image = Compile(bytes, &length);
    if (!image) {
      std::fprintf(stderr, "kvhost: %s could not be compiled (out of memory or too large)\n", in.c_str());
      return 1;
    }
    dfc::DfcDumpImage(image, length, emit, nullptr);
    GlobalFree(image);
    return 0;
  }
  uint32_t length = 0;
  BYTE* image = Compile(bytes, &length);
  if (!image) {
    std::fprintf(stderr, "kvhost: %s could not be compiled (out of memory or too large)\n", in.c_str());
    return 1;
  }
  std::string out = args.size() > 1 ? args[1] : ImagePathOf(in);
  std::ofstream os(out, std::ios::binary | std::ios::trunc);
  os.write(reinterpret_cast<const char*>(image), length);
  os.close();
  GlobalFree(image);
  if (!os) {
    std::fprintf(stderr, "kvhost: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %u bytes\n", out.c_str(), length);
  return 0;
}

}  // namespace

KVHOST_COMMAND("compile",
               "  compile FILE [OUT]       compile a driver data file into its image (default FILE with .BCS)\n"
               "  compile --dump FILE|IMAGE  list the header, nodes, rules and commands of a data file or image\n"
               "  compile --check FILE     list every statement of a data file that the compiler skips, and why",
               RunCompile);
