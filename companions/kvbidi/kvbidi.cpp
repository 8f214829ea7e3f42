// Stand-in for the maker's bidirectional-communication library: it answers as a printer of the model
// would, from a scripted device description. Script keys ([Answers] in kvbidi64.ini):
//   OpenResult (1), OpenError (2, the last error of a refused open), Available (1);
//   Model ("Lumeta QT M8350", the device's model name), ModelResult (1), ModelError (31);
//   OpenQueryResult (1), OpenQueryError (0); AddSetResult (1), AddSetError (0);
//   Item<n> = u32 list ("51,52,60") or Item<n>Text = ANSI text: the answer of item n (entry 6); an
//   empty value: no answer; without either key the item answers as the model's default device does
//   (two rolls, the cut-sheet and the manual tray with plain paper, a hard disk and the multi-sheet
//   source, 256 MB of memory, firmware "FW 1.00");
//   Fail<n> = 1: reading item n fails (-1, last error 31);
//   ExtraCount = a number added to every entry count reported (a device that overstates its answers);
//   Set<n> = u32 or Set<n>Text = text: item n of status set 15 (entry 7), with the same defaults
//   (memory type 1, emulation "ZARN 1.0"); SizeQueryOk = 1 makes a size
//   query of the set succeed (default: it answers zero with last error 5 and the size);
//   DelayMs: every read sleeps this long (for tests of queries on two threads at once).
// Every call appends a line to kvbidi64.log.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "companion_script.h"
#include "devlink/bidi_query.h"
#include "kvplat/error.h"
#include "kvplat/text.h"

namespace {

constexpr const char* kModule = "kvbidi64";
constexpr DWORD kGenFailure = 31;

long Int(const std::string& key, long def) { return kvcomp::ScriptInt(kModule, key.c_str(), def); }
std::string Str(const std::string& key, const std::string& def) { return kvcomp::ScriptString(kModule, key.c_str(), def); }
void Log(const std::string& line) { kvcomp::LogCall(kModule, line); }

void Delay() {
  long ms = Int("DelayMs", 0);
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The model's default device, for the keys a script leaves out.
struct DefaultAnswer {
  const char* key;
  const char* value;
};
constexpr DefaultAnswer kDefaultDevice[] = {
    {"Item1", "51,52,60,1"},    {"Item20", "23,23,23,23"}, {"Item21", "1,1,1,1"}, {"Item23", "0,0,0,0"},
    {"Item2", "16,3"},          {"Item11", "268435456"},   {"Item8Text", "FW 1.00"}, {"Set258", "1"},
    {"Set2Text", "ZARN 1.0"},
};
constexpr const char* kAbsent = "\x01";

// The default device's value of `key`, or kAbsent.
std::string Default(const std::string& key) {
  for (const DefaultAnswer& d : kDefaultDevice)
    if (key == d.key) return d.value;
  return kAbsent;
}

// The bytes of an answer and its entry count; empty when the device has none.
struct Answer {
  std::vector<BYTE> bytes;
  LONG count = 0;
};
Answer Scripted(const std::string& prefix, DWORD item) {
  Answer a;
  std::string key = prefix + std::to_string(item);
  std::string list = Str(key, kAbsent), text = Str(key + "Text", kAbsent);
  if (list == kAbsent && text == kAbsent) {
    list = Default(key);
    text = Default(key + "Text");
  }
  if (text != kAbsent) {
    if (text.empty()) return a;
    a.bytes.assign(text.begin(), text.end());
    a.bytes.push_back(0);
    a.count = LONG((a.bytes.size() + 3) / 4);
    return a;
  }
  if (list == kAbsent) return a;
  for (size_t pos = 0; !list.empty() && pos <= list.size();) {
    size_t comma = list.find(',', pos);
    std::string part = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    DWORD v = DWORD(std::strtoul(part.c_str(), nullptr, 0));
    BYTE b[4];
    std::memcpy(b, &v, 4);
    a.bytes.insert(a.bytes.end(), b, b + 4);
    ++a.count;
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return a;
}

BOOL Refuse(const char* resultKey, const char* errorKey, DWORD defError) {
  if (Int(resultKey, 1)) return TRUE;
  SetLastError(DWORD(Int(errorKey, long(defError))));
  return FALSE;
}

BOOL Open(const WCHAR* printerName, HANDLE* device, DWORD* available) {
  Log("open " + kvp::ToUtf8(printerName ? printerName : u""));
  if (!device || !available || !Refuse("OpenResult", "OpenError", 2)) return FALSE;
  *device = new DWORD(0xB1D1);
  *available = DWORD(Int("Available", 1));
  return TRUE;
}

void Close(HANDLE device) {
  Log("close");
  delete static_cast<DWORD*>(device);
}

BOOL OpenQuery(HANDLE, HANDLE* query, DWORD flags, DWORD* out) {
  char hex[16];
  std::snprintf(hex, sizeof(hex), "0x%X", unsigned(flags));
  Log(std::string("openQuery ") + hex);
  if (query) *query = reinterpret_cast<HANDLE>(0x51);
  if (out) *out = 0;
  return Refuse("OpenQueryResult", "OpenQueryError", 0);
}

BOOL AddQuerySet(HANDLE, HANDLE*, WORD set, DWORD) {
  Log("addSet " + std::to_string(set));
  return Refuse("AddSetResult", "AddSetError", 0);
}

BOOL DeviceModel(HANDLE, DWORD, WCHAR* buffer, DWORD chars) {
  Log("model");
  if (!buffer || !chars || !Refuse("ModelResult", "ModelError", kGenFailure)) return FALSE;
  std::u16string m = kvp::FromUtf8(Str("Model", "Lumeta QT M8350"));
  kvp::WCopy(buffer, chars, m.c_str());
  return TRUE;
}

LONG ReadItem(HANDLE, DWORD item, void* buffer, DWORD size, DWORD* needed) {
  Log("read " + std::to_string(item) + (buffer ? "" : " size"));
  Delay();
  if (needed) *needed = 0;
  if (Int("Fail" + std::to_string(item), 0)) {
    SetLastError(kGenFailure);
    return -1;
  }
  Answer a = Scripted("Item", item);
  if (needed) *needed = DWORD(a.bytes.size());
  if (!buffer) return 0;
  if (size < a.bytes.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return -1;
  }
  if (!a.bytes.empty()) std::memcpy(buffer, a.bytes.data(), a.bytes.size());
  return a.count + LONG(Int("ExtraCount", 0));
}

BOOL ReadSetItem(HANDLE, WORD set, DWORD item, void* buffer, DWORD size, DWORD* needed) {
  Log("readSet " + std::to_string(set) + " " + std::to_string(item) + (buffer ? "" : " size"));
  Delay();
  Answer a = Scripted("Set", item);
  if (needed) *needed = DWORD(a.bytes.size());
  if (set != BIDI_STATUS_SET) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!buffer) {
    if (a.bytes.empty() || Int("SizeQueryOk", 0)) return TRUE;
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (size < a.bytes.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (!a.bytes.empty()) std::memcpy(buffer, a.bytes.data(), a.bytes.size());
  return TRUE;
}

}  // namespace

KVAPI BOOL KavroInitializeBidiApiV2W(BIDI_API* api) {
  Log("init");
  if (!api) return FALSE;
  std::memset(api, 0, sizeof(*api));
  api->headerSize = sizeof(*api);
  api->headerVersion = 2;
  api->open = Open;
  api->close = Close;
  api->openQuery = OpenQuery;
  api->addQuerySet = AddQuerySet;
  api->deviceModel = DeviceModel;
  api->readItem = ReadItem;
  api->readSetItem = ReadSetItem;
  return TRUE;
}
