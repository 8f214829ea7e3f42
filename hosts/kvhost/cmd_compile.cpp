// kvhost compile FILE [OUT]: compiles a driver data file and writes its compiled image (".BCS" beside the
// file unless OUT is given). kvhost compile --dump FILE|IMAGE: prints the header and a listing of the
// nodes, rules and command trees of a data file or of an image file. kvhost compile --check FILE: the
// author's check of a data file (every statement the compiler skips, and why).
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "driverdata/dfc_check.h"
#include "driverdata/dfc_compiler.h"
#include "kvplat/heap.h"
#include "kvsetup/replace_file.h"

namespace {

// The image file beside a data file: the text after the last '.' becomes "BCS".
std::string ImagePathOf(const std::string& data) {
  size_t slash = data.find_last_of("/\\");
  size_t dot = data.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return data + ".BCS";
  return data.substr(0, dot + 1) + "BCS";
}

const BYTE* Bytes(const std::string& s) { return reinterpret_cast<const BYTE*>(s.data()); }

bool LooksLikeImage(const std::string& b) {
  return b.size() >= dfc::kHeaderSize && dfc::Get<uint32_t>(Bytes(b), 32) == b.size();
}

// Refuses what is no data file, with the reason; kExitDone when the bytes may be compiled.
int RefuseNonDataFile(const std::string& path, const std::string& bytes) {
  if (LooksLikeImage(bytes))
    return kvhost::Failed(path + " is a compiled image, not a driver data file (see compile --dump)");
  switch (dfc::DfcClassifyDataFile(Bytes(bytes), bytes.size())) {
    case dfc::kDataFileBinary:
      return kvhost::Failed(path + " is binary data, not a driver data file (statements are text lines "
                                   "beginning with '*')");
    case dfc::kDataFileNoStatement:
      return kvhost::Failed(path + " holds no statement of the driver data file (no line such as "
                                   "'*OpenUI' or '*Judge'); is it an INI file or another text?");
    default:
      return kvhost::kExitDone;
  }
}

BYTE* Compile(const std::string& text, uint32_t* length) {
  dfc::COMPILE_RECORD* rec = dfc::DfcParseDataBytes(text.data(), text.size(), nullptr);
  if (!rec) return nullptr;
  return dfc::DfcAssembleImage(rec, length);
}

// Prints the findings; done when there is none, failed when there are.
int Check(const std::string& path, const std::string& bytes) {
  bool ok = false;
  std::vector<dfc::CheckFinding> found = dfc::DfcCheckDataFile(Bytes(bytes), bytes.size(), &ok);
  if (!ok) return kvhost::Failed(path + ": out of memory while checking");
  size_t warnings = 0;
  for (auto& x : found) {
    const char* tag = x.warning ? "warning: " : "";
    warnings += x.warning;
    if (x.line > 0)
      std::printf("%s:%d: %s%s\n    %s\n", path.c_str(), x.line, tag, x.reason.c_str(), x.statement.c_str());
    else
      std::printf("%s: %s%s\n", path.c_str(), tag, x.reason.c_str());
  }
  size_t skipped = found.size() - warnings;
  std::printf("%s: %zu skipped %s, %zu %s\n", path.c_str(), skipped, skipped == 1 ? "item" : "items", warnings,
              warnings == 1 ? "warning" : "warnings");
  return found.empty() ? kvhost::kExitDone : kvhost::kExitFailed;
}

int RunCompile(const std::vector<std::string>& args) {
  std::string mode = !args.empty() && (args[0] == "--dump" || args[0] == "--check") ? args[0] : "";
  size_t first = mode.empty() ? 0 : 1;
  if (args.size() < first + 1 || args.size() > first + (mode.empty() ? 2 : 1) ||
      (args[first].rfind("--", 0) == 0))
    return kvhost::UsageError(
        "usage: kvhost compile FILE [OUT] | kvhost compile --dump FILE|IMAGE | kvhost compile --check FILE");
  const std::string& in = args[first];
  std::string bytes, error;
  if (!kvhost::ReadHostFile(in, &bytes, &error)) return kvhost::Failed(error);
  if (mode == "--dump" && LooksLikeImage(bytes)) {
    auto emit = [](void*, const char* t) { std::fputs(t, stdout); };
    dfc::DfcDumpImage(Bytes(bytes), bytes.size(), emit, nullptr);
    if (dfc::ImgCheckImage(Bytes(bytes), bytes.size())) return kvhost::kExitDone;
    return kvhost::Failed(in + " is a damaged compiled image");
  }
  if (int rc = RefuseNonDataFile(in, bytes)) return rc;
  if (mode == "--check") return Check(in, bytes);
  uint32_t length = 0;
  BYTE* image = Compile(bytes, &length);
  if (!image) return kvhost::Failed(in + " could not be compiled (out of memory or too large)");
  int rc = kvhost::kExitDone;
  if (mode == "--dump") {
    auto emit = [](void*, const char* t) { std::fputs(t, stdout); };
    dfc::DfcDumpImage(image, length, emit, nullptr);
  } else {
    std::string out = args.size() > 1 ? args[1] : ImagePathOf(in), host, why = "it cannot be placed on this root";
    if (!kvhost::HostPathOf(out, &host) ||
        !kvsetup::WriteFileReplacing(host, std::string_view(reinterpret_cast<const char*>(image), length), &why))
      rc = kvhost::Failed("cannot write " + out + ": " + why);
    else std::printf("%s: %u bytes\n", out.c_str(), length);
  }
  GlobalFree(image);
  return rc;
}

}  // namespace

KVHOST_COMMAND_ROOT("compile",
                    "  compile FILE [OUT]       compile a driver data file into its image (default FILE with .BCS)\n"
                    "  compile --dump FILE|IMAGE  list the header, nodes, rules and commands of a data file or image\n"
                    "  compile --check FILE     list every statement of a data file that the compiler skips, and why,\n"
                    "                           and warn of conditions that can never change",
                    RunCompile, kvhost::RootUse::kNone);
