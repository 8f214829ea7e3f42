// kvhost docprops PRINTER [--in FILE] [--out FILE] [settings] [--request FIELD=CODE,...]: the silent
// DocumentPropertiesW (DM_IN_BUFFER | DM_OUT_BUFFER) an application calls before it prints. It prints the
// driver's answer, the document settings that differ from the printer's by name, and the request codes
// the driver's capability block allows; --request fills the request block as an application that knows
// this driver does.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "doc_settings.h"
#include "kvplat/devmode.h"
#include "kvplat/dialog.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvsetup/replace_file.h"
#include "setting_text.h"
#include "settings/item_records.h"

namespace {

// Where the driver keeps the two blocks it exchanges with applications in its DEVMODE.
constexpr size_t kRequestBlock = 285;
constexpr size_t kCapsBlock = 317;
constexpr size_t kBlockSize = 32;
constexpr BYTE kRequestValid = 1;

// A field of the request block: its name on the command line, its byte, and its highest code.
struct RequestField {
  const char* name;
  size_t byte;
  long maxCode;
};
constexpr RequestField kFields[] = {
    {"duplex", 2, 255}, {"sort", 3, 255},  {"punch", 4, 255}, {"staple", 5, 255},  {"tray", 6, 255},
    {"resolution", 7, 255}, {"area", 8, 255}, {"scale", 10, 65535}, {"nup", 12, 255}, {"paper", 13, 255},
};
constexpr BYTE kRequestReset = 2, kRequestQuery = 3;

// What the capability block allows: per field, its bytes and the request code of the list's first bit.
struct CapsList {
  const char* field;
  size_t firstByte;
  size_t bytes;
  int firstCode;
};
constexpr CapsList kCaps[] = {
    {"duplex", 1, 1, 2}, {"sort", 2, 1, 2},        {"punch", 4, 1, 2},  {"staple", 5, 2, 2},
    {"tray", 7, 2, 1},   {"resolution", 10, 1, 1}, {"paper", 13, 3, 1},
};

// "FIELD=CODE,..." or "reset" / "query" into a request block; false with *error set.
bool ParseRequest(const std::string& text, BYTE block[kBlockSize], std::string* error) {
  std::memset(block, 0, kBlockSize);
  block[1] = kRequestValid;
  if (text == "reset" || text == "query") {
    block[0] = text == "reset" ? kRequestReset : kRequestQuery;
    return true;
  }
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(at, end - at);
    size_t eq = item.find('=');
    const RequestField* field = nullptr;
    for (const RequestField& f : kFields)
      if (eq != std::string::npos && item.compare(0, eq, f.name) == 0 && eq == std::strlen(f.name)) field = &f;
    long code = 0;
    if (!field || !kvhost::ParseNumber(item.substr(eq + 1), 0, field->maxCode, &code)) {
      *error = "--request takes FIELD=CODE,... (duplex, sort, punch, staple, tray, resolution, area, scale, nup, "
               "paper) or reset or query; '" + item + "' is neither";
      return false;
    }
    if (field->maxCode > 255) {
      block[field->byte] = BYTE(code & 0xFF);
      block[field->byte + 1] = BYTE(code >> 8);
    } else {
      block[field->byte] = BYTE(code);
    }
    at = end + 1;
  }
  return true;
}

// A whole DEVMODE: its sizes add up to its length.
bool WholeDevmode(const std::vector<BYTE>& dm) {
  if (dm.size() < offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) return false;
  auto* h = reinterpret_cast<const DEVMODEW*>(dm.data());
  return size_t(h->dmSize) + h->dmDriverExtra == dm.size();
}

std::string Answer(LONG r) {
  if (r == IDOK) return "IDOK (1)";
  if (r == IDCANCEL) return "IDCANCEL (2)";
  DWORD e = GetLastError();
  std::string text = std::to_string(r) + " (error " + std::to_string(e);
  if (e == ERROR_NOT_SUPPORTED) text += ": the driver cannot hand out document settings yet";
  return text + ")";
}

// The DEVMODE settings whose bytes differ between the two, by name.
void PrintChanges(const std::vector<BYTE>& before, const std::vector<BYTE>& after) {
  const ITEM_DICTIONARY* d = StgGetTemplateDictionary();
  size_t size = std::min(before.size(), after.size());
  int shown = 0;
  for (int16_t i = 0; d && i < d->count; ++i) {
    const ITEM_DESC& row = d->rows[i];
    if (StgTypeBlock(row.type) != STG_BLOCK_DEVMODE || !row.ext || !row.ext->name) continue;
    // The two application blocks are listed by what they allow, below.
    if (row.offset >= kRequestBlock && row.offset < kCapsBlock + kBlockSize) continue;
    std::vector<BYTE> a = kvhost::DevmodeSettingBytes(row, before.data(), size);
    std::vector<BYTE> b = kvhost::DevmodeSettingBytes(row, after.data(), size);
    if (a.empty() || a == b) continue;
    if (!shown++) std::printf("changed settings:\n");
    std::printf("  %-32s %s -> %s\n", kvp::ToUtf8(kvp::WView(row.ext->name)).c_str(),
                kvhost::SettingText(row, a).c_str(), kvhost::SettingText(row, b).c_str());
  }
  if (!shown) std::printf("changed settings: none\n");
}

void PrintCaps(const std::vector<BYTE>& dm) {
  if (dm.size() < kCapsBlock + kBlockSize) return;
  const BYTE* caps = dm.data() + kCapsBlock;
  std::printf("request codes the printer allows:\n");
  for (const CapsList& l : kCaps) {
    std::string codes;
    for (size_t bit = 0; bit < l.bytes * 8; ++bit)
      if (caps[l.firstByte + bit / 8] & (1u << (bit % 8))) codes += " " + std::to_string(l.firstCode + int(bit));
    std::printf("  %-12s%s\n", l.field, codes.empty() ? " none" : codes.c_str());
  }
}

int DocProps(const std::vector<std::string>& args) {
  // With --prompt the application lets the user choose: the document sheet, driven by the input script.
  if (args.size() >= 2 && args[0].rfind("--", 0) != 0 && std::find(args.begin(), args.end(), "--prompt") != args.end())
    return kvhost::RunDocumentSheet(
        kvhost::SheetArguments(args[0], std::vector<std::string>(args.begin() + 1, args.end()), "--prompt"));
  std::string name, in, out, request, error;
  kvhost::PublicFields asked;
  for (size_t i = 0; i < args.size(); ++i) {
    int taken = kvhost::ParseSetting(args, &i, &asked, &error);
    if (taken < 0) return kvhost::UsageError("docprops: " + error);
    if (taken > 0) continue;
    if (args[i] == "--in" && i + 1 < args.size()) in = args[++i];
    else if (args[i] == "--out" && i + 1 < args.size()) out = args[++i];
    else if (args[i] == "--request" && i + 1 < args.size()) request = args[++i];
    else if (args[i].rfind("--", 0) == 0 || !name.empty()) return kvhost::UsageError("docprops: unexpected '" + args[i] + "'");
    else name = args[i];
  }
  if (name.empty())
    return kvhost::UsageError("usage: kvhost docprops PRINTER [--in FILE] [--out FILE] [settings] [--request FIELD=CODE,...]");
  BYTE block[kBlockSize];
  if (!request.empty() && !ParseRequest(request, block, &error)) return kvhost::UsageError("docprops: " + error);
  if (int rc = kvhost::CheckRoot()) return rc;
  std::string outHost;
  if (!out.empty() && !kvhost::HostPathOf(out, &outHost)) return kvhost::Failed("docprops: cannot place " + out);

  std::u16string wname = kvp::FromUtf8(name);
  HANDLE printer = nullptr;
  if (!OpenPrinterW(wname.data(), &printer, nullptr))
    return kvhost::Failed("docprops: cannot open printer '" + name + "' (error " + std::to_string(GetLastError()) + ")");
  struct Closer {
    HANDLE h;
    ~Closer() { ClosePrinter(h); }
  } closer{printer};

  LONG size = DocumentPropertiesW(nullptr, printer, wname.data(), nullptr, nullptr, 0);
  if (size < LONG(sizeof(DEVMODEW)))
    return kvhost::Failed("docprops: the driver names no DEVMODE size (answer " + Answer(size) + ")");
  std::printf("DEVMODE size        %d bytes\n", size);
  std::vector<BYTE> defaults(size_t(size), 0);
  LONG r = DocumentPropertiesW(nullptr, printer, wname.data(), reinterpret_cast<DEVMODEW*>(defaults.data()), nullptr,
                               DM_OUT_BUFFER);
  if (r < 0) return kvhost::Failed("docprops: the driver gave no document settings: answer " + Answer(r));

  std::vector<BYTE> input = defaults;
  if (!in.empty()) {
    std::string bytes;
    if (!kvhost::ReadHostFile(in, &bytes, &error)) return kvhost::Failed("docprops: " + error);
    input.assign(bytes.begin(), bytes.end());
    if (!WholeDevmode(input)) return kvhost::Failed("docprops: " + in + " is not a whole DEVMODE");
  }
  auto* dmIn = reinterpret_cast<DEVMODEW*>(input.data());
  kvhost::MergePublicFields(asked.dm, dmIn);
  if (!request.empty()) {
    if (input.size() < kRequestBlock + kBlockSize)
      return kvhost::Failed("docprops: the DEVMODE has no room for the request block");
    std::memcpy(input.data() + kRequestBlock, block, kBlockSize);
  }
  std::vector<BYTE> output(size_t(size), 0);
  r = DocumentPropertiesW(nullptr, printer, wname.data(), reinterpret_cast<DEVMODEW*>(output.data()), dmIn,
                          DM_IN_BUFFER | DM_OUT_BUFFER);
  std::printf("DocumentProperties  %s\n", Answer(r).c_str());
  if (r < 0) return kvhost::Failed("docprops: the driver refused the document settings");
  PrintChanges(defaults, output);
  PrintCaps(output);
  if (!outHost.empty()) {
    auto* h = reinterpret_cast<const DEVMODEW*>(output.data());
    size_t bytes = std::min(output.size(), size_t(h->dmSize) + h->dmDriverExtra);
    std::string why;
    if (!kvsetup::WriteFileReplacing(outHost, std::string(output.begin(), output.begin() + long(bytes)), &why))
      return kvhost::Failed("docprops: cannot write " + outHost + ": " + why);
    std::printf("written to %s (%zu bytes)\n", outHost.c_str(), bytes);
  }
  return kvhost::kExitDone;
}

}  // namespace

KVHOST_COMMAND_ROOT("docprops",
                    "  docprops PRINTER [--in FILE] [--out FILE] [settings] [--request FIELD=CODE,...]\n"
                    "                           the document settings an application asks of the driver before it\n"
                    "                           prints (silent DocumentPropertiesW): the answer, the settings that\n"
                    "                           differ from the printer's, and the request codes the printer allows.\n"
                    "                           --in takes a DEVMODE file, --out writes the result; settings as for\n"
                    "                           print; --request fills the driver's request block: duplex, sort,\n"
                    "                           punch, staple, tray, resolution, area, scale, nup, paper =CODE, or\n"
                    "                           reset or query\n"
                    "  docprops PRINTER --prompt [--script FILE] [--out FILE] [--pictures DIR]\n"
                    "                           the document sheet the application shows (as ui document; --pictures\n"
                    "                           writes a picture of each page)",
                    DocProps, kvhost::RootUse::kChecksItself);
