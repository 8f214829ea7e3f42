// The spooler's exported calls over the records of spl_store.cpp.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <cstring>
#include <mutex>
#include <set>

#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/text.h"
#include "kvplat/time.h"
#include "spl_internal.h"

namespace kvp::spl {
namespace {

constexpr uint32_t kHandleMagic = 0x4B565350;  // "KVSP"
constexpr size_t kMaxPrinterName = 220;
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxKeyName = 1024;
constexpr DWORD kMaxValueData = 1u << 20;
constexpr const char16_t* kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\x64";
constexpr DWORD kGenericRead = 0x80000000, kGenericWrite = 0x40000000, kGenericExecute = 0x20000000,
                kGenericAll = 0x10000000, kMaximumAllowed = 0x02000000;
constexpr DWORD kAdminRights =
    PRINTER_ACCESS_ADMINISTER | SERVER_ACCESS_ADMINISTER | PRINTER_DELETE | PRINTER_WRITE_DAC | PRINTER_WRITE_OWNER;
constexpr DWORD kAttributeMask = 0x0000FFFF;

struct Handle {
  uint32_t magic = kHandleMagic;
  bool isServer = false;
  bool deleted = false;
  std::u16string server;    // "" local, else "\\SERVER"
  std::u16string fullName;  // printer handles
  DWORD access = 0;
};

std::mutex g_handleMu;
std::set<Handle*>& LiveHandles() {
  static std::set<Handle*> s;
  return s;
}

// Resolves a handle; null (with the last error set) for one that is not open.
Handle* Resolve(HANDLE h) {
  std::lock_guard<std::mutex> g(g_handleMu);
  auto* p = static_cast<Handle*>(h);
  if (!p || !LiveHandles().count(p) || p->magic != kHandleMagic) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return p;
}

Handle* ResolvePrinter(HANDLE h) {
  Handle* p = Resolve(h);
  if (p && (p->isServer || p->deleted)) {
    SetLastError(p->deleted ? ERROR_PRINTER_DELETED : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return p;
}

bool Failing(const char* fn) {
  DWORD err = 0;
  if (!ShouldFail(fn, &err)) return false;
  SetLastError(err);
  return true;
}

bool IsLocalServer(std::u16string_view server) {
  return server.empty() || WEqualI(server.substr(server.rfind(u'\\') + 1), ComputerName());
}

// Splits "\\SERVER\name" / "\\SERVER" / "name". False for a malformed server part.
bool SplitName(std::u16string_view in, std::u16string& server, std::u16string& name) {
  server.clear();
  name.assign(in);
  if (in.size() >= 2 && in[0] == u'\\' && in[1] == u'\\') {
    size_t sep = in.find(u'\\', 2);
    std::u16string_view srv = in.substr(0, sep == std::u16string_view::npos ? in.size() : sep);
    if (srv.size() <= 2) return false;
    server.assign(srv);
    name.assign(sep == std::u16string_view::npos ? std::u16string_view() : in.substr(sep + 1));
    if (IsLocalServer(server)) server.clear();
  }
  return true;
}

bool ValidPrinterName(std::u16string_view n) {
  if (n.empty() || n.size() > kMaxPrinterName) return false;
  bool allBlank = true;
  for (char16_t c : n) {
    if (c == u',' || c == u'!' || c == u'\\' || c < 0x20) return false;
    if (c != u' ') allBlank = false;
  }
  return !allBlank;
}

// Key paths: components separated by single backslashes, none empty.
bool ValidKey(std::u16string_view k) {
  if (k.empty() || k.size() > kMaxKeyName || k.front() == u'\\' || k.back() == u'\\') return false;
  for (size_t i = 0; i + 1 < k.size(); ++i)
    if (k[i] == u'\\' && k[i + 1] == u'\\') return false;
  return true;
}

// ---- packing records into the caller's buffer -----------------------------------------------------------

// Lays out the variable part after the fixed records; with a null base it only measures.
class Packer {
 public:
  Packer(BYTE* base, size_t fixed) : base_(base), pos_(fixed) {}
  LPWSTR Str(std::u16string_view s) {
    pos_ = (pos_ + 1) & ~size_t(1);
    size_t at = pos_;
    pos_ += (s.size() + 1) * sizeof(WCHAR);
    if (!base_) return nullptr;
    auto* d = reinterpret_cast<WCHAR*>(base_ + at);
    if (!s.empty()) std::memcpy(d, s.data(), s.size() * sizeof(WCHAR));
    d[s.size()] = 0;
    return d;
  }
  LPWSTR MultiStr(const std::vector<std::u16string>& list) {
    pos_ = (pos_ + 1) & ~size_t(1);
    size_t at = pos_;
    size_t n = 1;
    for (auto& s : list) n += s.size() + 1;
    pos_ += n * sizeof(WCHAR);
    if (!base_) return nullptr;
    auto* d = reinterpret_cast<WCHAR*>(base_ + at);
    for (auto& s : list) {
      std::memcpy(d, s.data(), s.size() * sizeof(WCHAR));
      d += s.size();
      *d++ = 0;
    }
    *d = 0;
    return reinterpret_cast<WCHAR*>(base_ + at);
  }
  void* Blob(const std::vector<BYTE>& b) {
    if (b.empty()) return nullptr;
    pos_ = (pos_ + 7) & ~size_t(7);
    size_t at = pos_;
    pos_ += b.size();
    if (!base_) return nullptr;
    std::memcpy(base_ + at, b.data(), b.size());
    return base_ + at;
  }
  size_t Size() const { return pos_; }

 private:
  BYTE* base_;
  size_t pos_;
};

// Runs fill(packer, base) once to measure and, when the buffer is large enough, once to write.
template <class Fill>
BOOL PackInto(LPBYTE out, DWORD cb, LPDWORD pcbNeeded, size_t fixed, Fill fill) {
  if (!pcbNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Packer measure(nullptr, fixed);
  fill(measure, nullptr);
  size_t need = measure.Size();
  if (need > 0xffffffffu) {
    SetLastError(ERROR_ARITHMETIC_OVERFLOW);
    return FALSE;
  }
  *pcbNeeded = DWORD(need);
  if (!out || cb < need) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memset(out, 0, need);
  Packer write(out, fixed);
  fill(write, out);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

std::u16string W(LPCWSTR s) { return s ? std::u16string(s, WLen(s)) : std::u16string(); }

// The kept printer record of a handle, read-only; sets the last error on failure.
bool LoadShared(Handle* h, std::shared_ptr<const Printer>& p) {
  DWORD err = LoadPrinterShared(h->fullName, p);
  if (err == ERROR_INVALID_PRINTER_NAME) err = ERROR_PRINTER_DELETED;
  if (err) {
    SetLastError(err);
    return false;
  }
  return true;
}

// A copy of the printer of a handle, to change and save; sets the last error on failure.
bool LoadFor(Handle* h, Printer& p) {
  std::shared_ptr<const Printer> kept;
  if (!LoadShared(h, kept)) return false;
  p = *kept;
  return true;
}

template <class P>
auto FindValue(P& p, std::u16string_view key, std::u16string_view name) -> decltype(&p.data[0]) {
  for (auto& v : p.data)
    if (WEqualI(v.key, key) && WEqualI(v.name, name)) return &v;
  return nullptr;
}

SYSTEMTIME NowUtc() {
  SYSTEMTIME t{};
  GetSystemTime(&t);  // the machine's clock, so tests can set it
  return t;
}

std::vector<Form> AllForms(DWORD* err) {
  std::vector<Form> forms = StandardForms();
  std::vector<Form> user;
  *err = LoadUserForms(user);
  forms.insert(forms.end(), user.begin(), user.end());
  return forms;
}

void PackForm(Packer& pk, BYTE* at, const Form& f) {
  LPWSTR name = pk.Str(f.name);
  if (!at) return;
  auto* r = reinterpret_cast<FORM_INFO_1W*>(at);
  r->Flags = f.flags;
  r->pName = name;
  r->Size = f.size;
  r->ImageableArea = f.area;
}

// ---- impersonation record ------------------------------------------------------------------------------

std::mutex g_logMu;
std::vector<std::string>& ImpLog() {
  static auto* v = new std::vector<std::string>();  // outlives the modules still loaded at exit
  return *v;
}
int g_clientToken = 0;  // its address is the client's token

// ---- driver libraries ----------------------------------------------------------------------------------

using DrvDocumentPropertiesFn = LONG (*)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);

}  // namespace
}  // namespace kvp::spl

using namespace kvp::spl;
using kvp::WEqualI;
using kvp::WLen;

// ---- printers ------------------------------------------------------------------------------------------

KVAPI BOOL OpenPrinterW(LPWSTR pPrinterName, HANDLE* phPrinter, PRINTER_DEFAULTSW* pDefault) {
  if (!phPrinter) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *phPrinter = nullptr;
  if (Failing("OpenPrinterW")) return FALSE;
  auto h = std::make_unique<Handle>();
  std::u16string name;
  if (!SplitName(W(pPrinterName), h->server, name)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  h->isServer = name.empty();
  DWORD access = pDefault ? pDefault->DesiredAccess : 0;
  if (access & kGenericAll) access |= h->isServer ? SERVER_ALL_ACCESS : PRINTER_ALL_ACCESS;
  if (access & (kGenericRead | kGenericWrite | kGenericExecute)) access |= PRINTER_READ;
  if (access & kMaximumAllowed) access |= IsAdministrator() ? PRINTER_ALL_ACCESS | SERVER_ALL_ACCESS : PRINTER_READ;
  access &= ~(kGenericAll | kGenericRead | kGenericWrite | kGenericExecute | kMaximumAllowed);
  if (access == 0) access = h->isServer ? SERVER_ACCESS_ENUMERATE : PRINTER_ACCESS_USE;
  if ((access & kAdminRights) && !IsAdministrator()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  h->access = access;
  if (!h->isServer) {
    if (!ValidPrinterName(name)) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
    h->fullName = h->server.empty() ? name : h->server + u"\\" + name;
    std::shared_ptr<const Printer> p;
    DWORD err = LoadPrinterShared(h->fullName, p);
    if (err) {
      SetLastError(err);
      return FALSE;
    }
    h->fullName = p->FullName();  // the stored spelling
  }
  std::lock_guard<std::mutex> g(g_handleMu);
  LiveHandles().insert(h.get());
  *phPrinter = h.release();
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL ClosePrinter(HANDLE hPrinter) {
  bool last = false;
  {
    std::lock_guard<std::mutex> g(g_handleMu);
    auto* p = static_cast<Handle*>(hPrinter);
    if (!p || !LiveHandles().erase(p)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    delete p;
    last = LiveHandles().empty();
  }
  // Outside the lock: a library's unload may close handles of its own.
  if (last) kvp::spl::ReleaseHeldDriverLibraries();
  return TRUE;
}

KVAPI HANDLE AddPrinterW(LPWSTR pName, DWORD Level, LPBYTE pPrinter) {
  if (Failing("AddPrinterW")) return nullptr;
  if (Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return nullptr;
  }
  if (!pPrinter) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!IsAdministrator()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  auto* in = reinterpret_cast<PRINTER_INFO_2W*>(pPrinter);
  Printer p;
  std::u16string ignored;
  std::u16string server = W(pName);
  if (!server.empty() && (server.size() < 3 || server.rfind(u"\\\\", 0) != 0 || server.find(u'\\', 2) != std::u16string::npos)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  if (IsLocalServer(server)) server.clear();
  p.server = server;
  p.name = W(in->pPrinterName);
  if (!ValidPrinterName(p.name)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  p.driver = W(in->pDriverName);
  Driver d;
  DWORD err = p.driver.empty() ? DWORD(ERROR_UNKNOWN_PRINTER_DRIVER) : LoadDriver(p.driver, d);
  if (err) {
    SetLastError(err);
    return nullptr;
  }
  p.driver = d.name;
  p.share = W(in->pShareName);
  p.port = in->pPortName && *in->pPortName ? W(in->pPortName) : u"FILE:";
  p.comment = W(in->pComment);
  p.location = W(in->pLocation);
  p.sepFile = W(in->pSepFile);
  p.printProcessor = in->pPrintProcessor && *in->pPrintProcessor ? W(in->pPrintProcessor) : u"KvPrint";
  p.datatype = in->pDatatype && *in->pDatatype ? W(in->pDatatype) : u"RAW";
  p.parameters = W(in->pParameters);
  p.attributes = (in->Attributes & kAttributeMask & ~(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK)) |
                 (server.empty() ? PRINTER_ATTRIBUTE_LOCAL : PRINTER_ATTRIBUTE_NETWORK);
  p.priority = in->Priority ? in->Priority : DEF_PRIORITY;
  if (p.priority > MAX_PRIORITY) {
    SetLastError(ERROR_INVALID_PRIORITY);
    return nullptr;
  }
  p.defaultPriority = in->DefaultPriority;
  p.startTime = in->StartTime;
  p.untilTime = in->UntilTime;
  if (in->pDevMode) {
    size_t n = size_t(in->pDevMode->dmSize) + in->pDevMode->dmDriverExtra;
    if (in->pDevMode->dmSize < offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    auto* b = reinterpret_cast<const BYTE*>(in->pDevMode);
    p.devmode.assign(b, b + n);
  }
  {
    StoreLock lock;
    if (PrinterExists(p.FullName())) {
      SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
      return nullptr;
    }
    err = SavePrinter(p);
  }
  if (err) {
    SetLastError(err);
    return nullptr;
  }
  // The driver sets the printer up; a printer its driver refuses does not stay.
  if (DWORD refused = DriverSetUpNewPrinter(p.FullName(), p.driver, p.devmode.empty())) {
    {
      StoreLock lock;
      RemovePrinterFile(p.FullName());
    }
    SetLastError(refused);
    return nullptr;
  }
  auto* h = new Handle;
  h->server = p.server;
  h->fullName = p.FullName();
  h->access = PRINTER_ALL_ACCESS;
  std::lock_guard<std::mutex> g(g_handleMu);
  LiveHandles().insert(h);
  SetLastError(ERROR_SUCCESS);
  return h;
}

KVAPI BOOL DeletePrinter(HANDLE hPrinter) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h || Failing("DeletePrinter")) return FALSE;
  if (!(h->access & (PRINTER_DELETE | PRINTER_ACCESS_ADMINISTER))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // The driver hears of the deletion while the printer's data is still there.
  if (std::shared_ptr<const Printer> p; LoadShared(h, p)) {
    DWORD ignored = 0;
    DriverPrinterEvent(h->fullName, p->driver, PRINTER_EVENT_DELETE, &ignored);
  }
  StoreLock lock;
  DWORD err = RemovePrinterFile(h->fullName);
  if (err) {
    SetLastError(err == ERROR_INVALID_PRINTER_NAME ? DWORD(ERROR_PRINTER_DELETED) : err);
    return FALSE;
  }
  h->deleted = true;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h || Failing("GetPrinterW")) return FALSE;
  std::shared_ptr<const Printer> kept;
  if (!LoadShared(h, kept)) return FALSE;
  const Printer& p = *kept;
  std::u16string full = p.FullName();
  switch (Level) {
    case 1:
      return PackInto(pPrinter, cbBuf, pcbNeeded, sizeof(PRINTER_INFO_1W), [&](Packer& pk, BYTE* base) {
        auto* r = reinterpret_cast<PRINTER_INFO_1W*>(base);
        LPWSTR desc = pk.Str(full + u"," + p.driver + u"," + p.location);
        LPWSTR name = pk.Str(full);
        LPWSTR comment = pk.Str(p.comment);
        if (!r) return;
        r->Flags = PRINTER_ENUM_ICON8;
        r->pDescription = desc;
        r->pName = name;
        r->pComment = comment;
      });
    case 2:
      return PackInto(pPrinter, cbBuf, pcbNeeded, sizeof(PRINTER_INFO_2W), [&](Packer& pk, BYTE* base) {
        auto* r = reinterpret_cast<PRINTER_INFO_2W*>(base);
        LPWSTR server = p.server.empty() ? nullptr : pk.Str(p.server);
        LPWSTR s[11] = {pk.Str(full),         pk.Str(p.share),          pk.Str(p.port),     pk.Str(p.driver),
                        pk.Str(p.comment),    pk.Str(p.location),       pk.Str(p.sepFile),  pk.Str(p.printProcessor),
                        pk.Str(p.datatype),   pk.Str(p.parameters),     nullptr};
        void* dm = pk.Blob(p.devmode);
        if (!r) return;
        r->pServerName = server;
        r->pPrinterName = s[0];
        r->pShareName = s[1];
        r->pPortName = s[2];
        r->pDriverName = s[3];
        r->pComment = s[4];
        r->pLocation = s[5];
        r->pDevMode = static_cast<LPDEVMODEW>(dm);
        r->pSepFile = s[6];
        r->pPrintProcessor = s[7];
        r->pDatatype = s[8];
        r->pParameters = s[9];
        r->pSecurityDescriptor = nullptr;
        r->Attributes = p.attributes;
        r->Priority = p.priority;
        r->DefaultPriority = p.defaultPriority;
        r->StartTime = p.startTime;
        r->UntilTime = p.untilTime;
        r->Status = p.status;
        r->cJobs = DWORD(p.jobs.size());
        r->AveragePPM = 0;
      });
    case 4:
      return PackInto(pPrinter, cbBuf, pcbNeeded, sizeof(PRINTER_INFO_4W), [&](Packer& pk, BYTE* base) {
        auto* r = reinterpret_cast<PRINTER_INFO_4W*>(base);
        LPWSTR name = pk.Str(full);
        LPWSTR server = p.server.empty() ? nullptr : pk.Str(p.server);
        if (!r) return;
        r->pPrinterName = name;
        r->pServerName = server;
        r->Attributes = p.attributes;
      });
    case 5:
      return PackInto(pPrinter, cbBuf, pcbNeeded, sizeof(PRINTER_INFO_5W), [&](Packer& pk, BYTE* base) {
        auto* r = reinterpret_cast<PRINTER_INFO_5W*>(base);
        LPWSTR name = pk.Str(full);
        LPWSTR port = pk.Str(p.port);
        if (!r) return;
        r->pPrinterName = name;
        r->pPortName = port;
        r->Attributes = p.attributes;
        r->DeviceNotSelectedTimeout = p.notSelectedTimeout;
        r->TransmissionRetryTimeout = p.retryTimeout;
      });
    case 7:
      return PackInto(pPrinter, cbBuf, pcbNeeded, sizeof(PRINTER_INFO_7W), [&](Packer& pk, BYTE* base) {
        auto* r = reinterpret_cast<PRINTER_INFO_7W*>(base);
        LPWSTR guid = p.objectGuid.empty() ? nullptr : pk.Str(p.objectGuid);
        if (!r) return;
        r->pszObjectGUID = guid;
        r->dwAction = p.dsAction;
      });
    default:
      SetLastError(ERROR_INVALID_LEVEL);
      return FALSE;
  }
}

KVAPI BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h || Failing("SetPrinterW")) return FALSE;
  if (Level != 2 && Level != 7) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pPrinter || Command != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!(h->access & PRINTER_ACCESS_ADMINISTER)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  StoreLock lock;
  Printer p;
  if (!LoadFor(h, p)) return FALSE;
  std::u16string oldName = p.FullName();
  if (Level == 7) {
    auto* in = reinterpret_cast<PRINTER_INFO_7W*>(pPrinter);
    DWORD a = in->dwAction;
    if (a != DSPRINT_PUBLISH && a != DSPRINT_UPDATE && a != DSPRINT_UNPUBLISH && a != DSPRINT_REPUBLISH) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    p.dsAction = a;
    if (a == DSPRINT_UNPUBLISH) {
      p.objectGuid.clear();
      p.attributes &= ~PRINTER_ATTRIBUTE_PUBLISHED;
    } else if (a == DSPRINT_PUBLISH || a == DSPRINT_REPUBLISH) {
      uint32_t hash = 2166136261u;
      for (char16_t c : oldName) hash = (hash ^ kvp::WFoldUpper(c)) * 16777619u;
      char buf[48];
      std::snprintf(buf, sizeof buf, "{%08X-0000-0000-0000-000000000000}", hash);
      p.objectGuid = kvp::FromUtf8(buf);
      p.attributes |= PRINTER_ATTRIBUTE_PUBLISHED;
    }
  } else {
    auto* in = reinterpret_cast<PRINTER_INFO_2W*>(pPrinter);
    if (in->pPrinterName) {
      std::u16string server, name;
      if (!SplitName(W(in->pPrinterName), server, name) || !ValidPrinterName(name) ||
          (!server.empty() && !WEqualI(server, p.server))) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
      }
      p.name = name;
    }
    if (in->pDriverName) {
      Driver d;
      DWORD err = LoadDriver(W(in->pDriverName), d);
      if (err) {
        SetLastError(err);
        return FALSE;
      }
      p.driver = d.name;
    }
    if (in->Priority > MAX_PRIORITY || in->DefaultPriority > MAX_PRIORITY) {
      SetLastError(ERROR_INVALID_PRIORITY);
      return FALSE;
    }
    if (in->pShareName) p.share = W(in->pShareName);
    if (in->pPortName) p.port = W(in->pPortName);
    if (in->pComment) p.comment = W(in->pComment);
    if (in->pLocation) p.location = W(in->pLocation);
    if (in->pSepFile) p.sepFile = W(in->pSepFile);
    if (in->pPrintProcessor) p.printProcessor = W(in->pPrintProcessor);
    if (in->pDatatype) p.datatype = W(in->pDatatype);
    if (in->pParameters) p.parameters = W(in->pParameters);
    if (in->pDevMode) {
      const DEVMODEW* dm = in->pDevMode;
      if (dm->dmSize < offsetof(DEVMODEW, dmFields) + sizeof(DWORD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      auto* b = reinterpret_cast<const BYTE*>(dm);
      p.devmode.assign(b, b + dm->dmSize + dm->dmDriverExtra);
    }
    p.attributes = (in->Attributes & kAttributeMask & ~(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK)) |
                   (p.attributes & (PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK));
    if (in->Priority) p.priority = in->Priority;
    p.defaultPriority = in->DefaultPriority;
    p.startTime = in->StartTime;
    p.untilTime = in->UntilTime;
  }
  std::u16string newName = p.FullName();
  bool renamed = !WEqualI(newName, oldName);
  if (renamed && PrinterExists(newName)) {
    SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
    return FALSE;
  }
  DWORD err = SavePrinter(p);
  if (!err && renamed) {
    err = RemovePrinterFile(oldName);
    if (err) RemovePrinterFile(newName);  // keep exactly one copy: the old one
  }
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  h->fullName = newName;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// ---- connections ---------------------------------------------------------------------------------------

namespace {
// The full name of a printer of a server that a connection may name, or "" (last error set).
std::u16string ServerPrinter(LPWSTR pName) {
  std::u16string server, name;
  if (!pName || !SplitName(W(pName), server, name) || server.empty() || IsLocalServer(server) || name.empty() ||
      !ValidPrinterName(name)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return {};
  }
  return server + u"\\" + name;
}

auto FindConnection(std::vector<std::u16string>& list, const std::u16string& full) {
  return std::find_if(list.begin(), list.end(), [&](const std::u16string& c) { return WEqualI(c, full); });
}
}  // namespace

KVAPI BOOL AddPrinterConnectionW(LPWSTR pName) {
  if (Failing("AddPrinterConnectionW")) return FALSE;
  std::u16string full = ServerPrinter(pName);
  if (full.empty()) return FALSE;
  std::shared_ptr<const Printer> p;
  if (DWORD err = LoadPrinterShared(full, p)) {
    SetLastError(err);
    return FALSE;
  }
  full = p->FullName();
  std::vector<std::u16string> list;
  if (DWORD err = LoadConnections(UserName(), list)) {
    SetLastError(err);
    return FALSE;
  }
  if (FindConnection(list, full) != list.end()) {
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  DWORD refused = 0;
  if (!DriverPrinterEvent(full, p->driver, PRINTER_EVENT_ADD_CONNECTION, &refused)) {
    SetLastError(refused);
    return FALSE;
  }
  StoreLock lock;
  DWORD err = LoadConnections(UserName(), list);
  if (!err && FindConnection(list, full) == list.end()) {
    list.push_back(full);
    err = SaveConnections(UserName(), list);
  }
  SetLastError(err);
  return err == ERROR_SUCCESS;
}

KVAPI BOOL DeletePrinterConnectionW(LPWSTR pName) {
  if (Failing("DeletePrinterConnectionW")) return FALSE;
  std::u16string full = ServerPrinter(pName);
  if (full.empty()) return FALSE;
  std::vector<std::u16string> list;
  if (DWORD err = LoadConnections(UserName(), list)) {
    SetLastError(err);
    return FALSE;
  }
  auto at = FindConnection(list, full);
  if (at == list.end()) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  full = *at;
  // A printer its server has deleted meanwhile has no driver left to tell.
  if (std::shared_ptr<const Printer> p; LoadPrinterShared(full, p) == ERROR_SUCCESS) {
    DWORD ignored = 0;
    DriverPrinterEvent(full, p->driver, PRINTER_EVENT_DELETE_CONNECTION, &ignored);
  }
  StoreLock lock;
  DWORD err = LoadConnections(UserName(), list);
  if (!err) {
    at = FindConnection(list, full);
    if (at != list.end()) list.erase(at);
    err = SaveConnections(UserName(), list);
  }
  SetLastError(err);
  return err == ERROR_SUCCESS;
}

// ---- drivers -------------------------------------------------------------------------------------------

namespace {
std::u16string InDriverFolder(const std::u16string& file) {
  if (file.empty() || file.find(u'\\') != std::u16string::npos || file.find(u':') != std::u16string::npos) return file;
  return std::u16string(kDriverDir) + u"\\3\\" + file;
}
bool EnvironmentOk(LPCWSTR env) { return !env || !*env || WEqualI(kvp::WView(env), KV_PRINT_ENVIRONMENT); }
}  // namespace

KVAPI BOOL AddPrinterDriverW(LPWSTR pName, DWORD Level, LPBYTE pDriverInfo) {
  if (Failing("AddPrinterDriverW")) return FALSE;
  if (Level != 2 && Level != 3) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pDriverInfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsAdministrator()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  auto* in = reinterpret_cast<DRIVER_INFO_3W*>(pDriverInfo);  // level 2 is the head of level 3
  if (!EnvironmentOk(in->pEnvironment)) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  Driver d;
  d.name = W(in->pName);
  if (!ValidPrinterName(d.name) || !in->pDriverPath || !in->pDataFile || !in->pConfigFile) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  d.version = 3;
  d.driverPath = InDriverFolder(W(in->pDriverPath));
  d.dataFile = InDriverFolder(W(in->pDataFile));
  d.configFile = InDriverFolder(W(in->pConfigFile));
  if (Level == 3) {
    d.helpFile = InDriverFolder(W(in->pHelpFile));
    d.monitor = W(in->pMonitorName);
    d.defaultDatatype = W(in->pDefaultDataType);
    for (const WCHAR* s = in->pDependentFiles; s && *s; s += WLen(s) + 1) {
      if (d.dependentFiles.size() >= 4096) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      d.dependentFiles.push_back(InDriverFolder(W(s)));
    }
  }
  bool replacing = false;
  {
    StoreLock lock;
    Driver old;
    replacing = LoadDriver(d.name, old) == ERROR_SUCCESS;
    if (DWORD err = SaveDriver(d)) {
      SetLastError(err);
      return FALSE;
    }
  }
  if (replacing) DriverUpgradePrinters(d.name);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                             LPDWORD pcbNeeded) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h || Failing("GetPrinterDriverW")) return FALSE;
  if (!EnvironmentOk(pEnvironment)) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  if (Level != 2 && Level != 3) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::shared_ptr<const Printer> p;
  if (!LoadShared(h, p)) return FALSE;
  std::shared_ptr<const Driver> kept;
  DWORD err = LoadDriverShared(p->driver, kept);
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  const Driver& d = *kept;
  size_t fixed = Level == 2 ? sizeof(DRIVER_INFO_2W) : sizeof(DRIVER_INFO_3W);
  return PackInto(pDriverInfo, cbBuf, pcbNeeded, fixed, [&](Packer& pk, BYTE* base) {
    auto* r = reinterpret_cast<DRIVER_INFO_3W*>(base);
    LPWSTR s[5] = {pk.Str(d.name), pk.Str(KV_PRINT_ENVIRONMENT), pk.Str(d.driverPath), pk.Str(d.dataFile),
                   pk.Str(d.configFile)};
    LPWSTR help = nullptr, deps = nullptr, mon = nullptr, dt = nullptr;
    if (Level == 3) {
      help = pk.Str(d.helpFile);
      deps = pk.MultiStr(d.dependentFiles);
      mon = pk.Str(d.monitor);
      dt = pk.Str(d.defaultDatatype);
    }
    if (!r) return;
    r->cVersion = d.version;
    r->pName = s[0];
    r->pEnvironment = s[1];
    r->pDriverPath = s[2];
    r->pDataFile = s[3];
    r->pConfigFile = s[4];
    if (Level == 3) {
      r->pHelpFile = help;
      r->pDependentFiles = deps;
      r->pMonitorName = mon;
      r->pDefaultDataType = dt;
    }
  });
}

KVAPI BOOL GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory,
                                      DWORD cbBuf, LPDWORD pcbNeeded) {
  if (Failing("GetPrinterDriverDirectoryW")) return FALSE;
  if (!EnvironmentOk(pEnvironment)) {
    SetLastError(ERROR_INVALID_ENVIRONMENT);
    return FALSE;
  }
  if (Level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::u16string server, name;
  if (pName && *pName && (!SplitName(W(pName), server, name) || !name.empty())) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  std::u16string dir = server.empty() ? std::u16string(kDriverDir) : server + u"\\print$\\x64";
  return PackInto(pDriverDirectory, cbBuf, pcbNeeded, 0, [&](Packer& pk, BYTE*) { pk.Str(dir); });
}

// ---- printer data --------------------------------------------------------------------------------------

KVAPI DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData,
                              DWORD nSize, LPDWORD pcbNeeded) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h) return GetLastError();
  DWORD err = 0;
  if (ShouldFail("GetPrinterDataExW", &err) || ShouldFail("GetPrinterDataW", &err)) return err;
  if (!pKeyName || !pValueName || !pcbNeeded || !ValidKey(kvp::WView(pKeyName)) || WLen(pValueName) > kMaxValueName)
    return ERROR_INVALID_PARAMETER;
  std::shared_ptr<const Printer> p;
  if (!LoadShared(h, p)) return GetLastError();
  const Value* v = FindValue(*p, kvp::WView(pKeyName), kvp::WView(pValueName));
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (pType) *pType = v->type;
  *pcbNeeded = DWORD(v->data.size());
  if (nSize < v->data.size() || (!pData && !v->data.empty())) return ERROR_MORE_DATA;
  if (!v->data.empty()) std::memcpy(pData, v->data.data(), v->data.size());
  return ERROR_SUCCESS;
}

KVAPI DWORD GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                            LPDWORD pcbNeeded) {
  return GetPrinterDataExW(hPrinter, SPLDS_DRIVER_KEY, pValueName, pType, pData, nSize, pcbNeeded);
}

KVAPI DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type, LPBYTE pData,
                              DWORD cbData) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h) return GetLastError();
  DWORD err = 0;
  if (ShouldFail("SetPrinterDataExW", &err) || ShouldFail("SetPrinterDataW", &err)) return err;
  if (!pKeyName || !pValueName || !ValidKey(kvp::WView(pKeyName)) || WLen(pValueName) > kMaxValueName ||
      cbData > kMaxValueData || (!pData && cbData))
    return ERROR_INVALID_PARAMETER;
  if (!(h->access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
  StoreLock lock;
  Printer p;
  if (!LoadFor(h, p)) return GetLastError();
  Value* v = FindValue(p, kvp::WView(pKeyName), kvp::WView(pValueName));
  if (v && v->type == Type && v->data.size() == cbData && (!cbData || std::memcmp(v->data.data(), pData, cbData) == 0))
    return ERROR_SUCCESS;  // stored already: nothing to write
  if (!v) {
    p.data.push_back(Value{W(pKeyName), W(pValueName), Type, {}});
    v = &p.data.back();
  }
  v->type = Type;
  v->data.assign(pData, pData + cbData);
  return SavePrinterValue(p, *v);
}

KVAPI DWORD SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
  return SetPrinterDataExW(hPrinter, SPLDS_DRIVER_KEY, pValueName, Type, pData, cbData);
}

KVAPI DWORD DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h) return GetLastError();
  DWORD err = 0;
  if (ShouldFail("DeletePrinterDataW", &err)) return err;
  if (!pValueName) return ERROR_INVALID_PARAMETER;
  if (!(h->access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
  StoreLock lock;
  Printer p;
  if (!LoadFor(h, p)) return GetLastError();
  for (auto it = p.data.begin(); it != p.data.end(); ++it) {
    if (WEqualI(it->key, SPLDS_DRIVER_KEY) && WEqualI(it->name, kvp::WView(pValueName))) {
      p.data.erase(it);
      return SavePrinter(p);
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

KVAPI DWORD EnumPrinterDataW(HANDLE hPrinter, DWORD dwIndex, LPWSTR pValueName, DWORD cbValueName,
                             LPDWORD pcbValueName, LPDWORD pType, LPBYTE pData, DWORD cbData, LPDWORD pcbData) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h) return GetLastError();
  DWORD err = 0;
  if (ShouldFail("EnumPrinterDataW", &err)) return err;
  if (!pcbValueName || !pcbData) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<const Printer> p;
  if (!LoadShared(h, p)) return GetLastError();
  std::vector<const Value*> vals;
  for (auto& v : p->data)
    if (WEqualI(v.key, SPLDS_DRIVER_KEY)) vals.push_back(&v);
  if (dwIndex >= vals.size()) return ERROR_NO_MORE_ITEMS;
  if (cbValueName == 0 && cbData == 0) {  // the size query: the largest name and data of the key
    size_t name = 0, data = 0;
    for (auto* v : vals) {
      name = std::max(name, (v->name.size() + 1) * sizeof(WCHAR));
      data = std::max(data, v->data.size());
    }
    *pcbValueName = DWORD(name);
    *pcbData = DWORD(data);
    return ERROR_SUCCESS;
  }
  const Value* v = vals[dwIndex];
  size_t nameBytes = (v->name.size() + 1) * sizeof(WCHAR);
  *pcbValueName = DWORD(nameBytes);
  *pcbData = DWORD(v->data.size());
  if (pType) *pType = v->type;
  if (!pValueName || cbValueName < nameBytes || cbData < v->data.size() || (!pData && !v->data.empty()))
    return ERROR_MORE_DATA;
  std::memcpy(pValueName, v->name.c_str(), nameBytes);
  if (!v->data.empty()) std::memcpy(pData, v->data.data(), v->data.size());
  return ERROR_SUCCESS;
}

// ---- forms ---------------------------------------------------------------------------------------------

KVAPI BOOL EnumFormsW(HANDLE hPrinter, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded,
                      LPDWORD pcReturned) {
  Handle* h = Resolve(hPrinter);
  if (!h || Failing("EnumFormsW")) return FALSE;
  if (Level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pcReturned) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pcReturned = 0;
  DWORD err;
  std::vector<Form> forms = AllForms(&err);
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  BOOL ok = PackInto(pForm, cbBuf, pcbNeeded, forms.size() * sizeof(FORM_INFO_1W), [&](Packer& pk, BYTE* base) {
    for (size_t i = 0; i < forms.size(); ++i) PackForm(pk, base ? base + i * sizeof(FORM_INFO_1W) : nullptr, forms[i]);
  });
  if (ok) *pcReturned = DWORD(forms.size());
  return ok;
}

KVAPI BOOL GetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded) {
  Handle* h = Resolve(hPrinter);
  if (!h || Failing("GetFormW")) return FALSE;
  if (Level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pFormName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD err;
  std::vector<Form> forms = AllForms(&err);
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  for (auto& f : forms) {
    if (!WEqualI(f.name, kvp::WView(pFormName))) continue;
    return PackInto(pForm, cbBuf, pcbNeeded, sizeof(FORM_INFO_1W),
                    [&](Packer& pk, BYTE* base) { PackForm(pk, base, f); });
  }
  SetLastError(ERROR_INVALID_FORM_NAME);
  return FALSE;
}

KVAPI BOOL AddFormW(HANDLE hPrinter, DWORD Level, LPBYTE pForm) {
  Handle* h = Resolve(hPrinter);
  if (!h || Failing("AddFormW")) return FALSE;
  if (Level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (!pForm) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsAdministrator()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  auto* in = reinterpret_cast<FORM_INFO_1W*>(pForm);
  Form f;
  f.name = W(in->pName);
  if (f.name.empty() || f.name.size() >= 64 || f.name.find(u'|') != std::u16string::npos) {
    SetLastError(ERROR_INVALID_FORM_NAME);
    return FALSE;
  }
  f.size = in->Size;
  f.area = in->ImageableArea;
  if (f.size.cx <= 0 || f.size.cy <= 0 || f.area.left < 0 || f.area.top < 0 || f.area.right > f.size.cx ||
      f.area.bottom > f.size.cy || f.area.left >= f.area.right || f.area.top >= f.area.bottom) {
    SetLastError(ERROR_INVALID_FORM_SIZE);
    return FALSE;
  }
  StoreLock lock;
  DWORD err;
  std::vector<Form> all = AllForms(&err);
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  for (auto& x : all)
    if (WEqualI(x.name, f.name)) {
      SetLastError(ERROR_FILE_EXISTS);
      return FALSE;
    }
  std::vector<Form> user;
  LoadUserForms(user);
  user.push_back(f);
  err = SaveUserForms(user);
  if (err) {
    SetLastError(err);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// ---- jobs ----------------------------------------------------------------------------------------------

KVAPI BOOL GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf, LPDWORD pcbNeeded) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h || Failing("GetJobW")) return FALSE;
  if (Level != 1 && Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  Printer p;
  if (!LoadFor(h, p)) return FALSE;
  const Job* j = nullptr;
  DWORD pos = 0;
  for (size_t i = 0; i < p.jobs.size(); ++i)
    if (p.jobs[i].id == JobId) {
      j = &p.jobs[i];
      pos = DWORD(i + 1);
    }
  if (!j) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string full = p.FullName();
  if (Level == 1)
    return PackInto(pJob, cbBuf, pcbNeeded, sizeof(JOB_INFO_1W), [&](Packer& pk, BYTE* base) {
      auto* r = reinterpret_cast<JOB_INFO_1W*>(base);
      LPWSTR s[5] = {pk.Str(full), pk.Str(j->machine), pk.Str(j->user), pk.Str(j->document), pk.Str(j->datatype)};
      if (!r) return;
      r->JobId = j->id;
      r->pPrinterName = s[0];
      r->pMachineName = s[1];
      r->pUserName = s[2];
      r->pDocument = s[3];
      r->pDatatype = s[4];
      r->pStatus = nullptr;
      r->Status = j->status;
      r->Priority = j->priority;
      r->Position = pos;
      r->TotalPages = j->totalPages;
      r->PagesPrinted = j->pagesPrinted;
      r->Submitted = j->submitted;
    });
  return PackInto(pJob, cbBuf, pcbNeeded, sizeof(JOB_INFO_2W), [&](Packer& pk, BYTE* base) {
    auto* r = reinterpret_cast<JOB_INFO_2W*>(base);
    LPWSTR s[9] = {pk.Str(full),     pk.Str(j->machine),       pk.Str(j->user),
                   pk.Str(j->document), pk.Str(j->user),       pk.Str(j->datatype),
                   pk.Str(p.printProcessor), pk.Str(p.parameters), pk.Str(p.driver)};
    void* dm = pk.Blob(j->devmode.empty() ? p.devmode : j->devmode);
    LPWSTR statusText = j->statusText.empty() ? nullptr : pk.Str(j->statusText);
    if (!r) return;
    r->JobId = j->id;
    r->pPrinterName = s[0];
    r->pMachineName = s[1];
    r->pUserName = s[2];
    r->pDocument = s[3];
    r->pNotifyName = s[4];
    r->pDatatype = s[5];
    r->pPrintProcessor = s[6];
    r->pParameters = s[7];
    r->pDriverName = s[8];
    r->pDevMode = static_cast<LPDEVMODEW>(dm);
    r->pStatus = statusText;
    r->Status = j->status;
    r->Priority = j->priority;
    r->Position = pos;
    r->StartTime = p.startTime;
    r->UntilTime = p.untilTime;
    r->TotalPages = j->totalPages;
    r->Size = j->size;
    r->Submitted = j->submitted;
    r->PagesPrinted = j->pagesPrinted;
  });
}

DWORD kvp::SplAddJob(HANDLE hPrinter, const SplJobSpec& spec) {
  Handle* h = ResolvePrinter(hPrinter);
  if (!h || Failing("SplAddJob")) return 0;
  StoreLock lock;
  Printer p;
  if (!LoadFor(h, p)) return 0;
  Job j;
  DWORD err = ERROR_SUCCESS;
  j.id = TakeJobId(p, &err);
  if (!j.id) {
    SetLastError(err);
    return 0;
  }
  j.document = spec.document;
  j.user = spec.userName.empty() ? UserName() : spec.userName;
  j.machine = spec.machineName.empty() ? u"\\\\" + ComputerName() : spec.machineName;
  j.datatype = spec.datatype;
  j.status = spec.status;
  j.totalPages = spec.totalPages;
  j.size = spec.size;
  j.priority = p.defaultPriority ? p.defaultPriority : DEF_PRIORITY;
  j.submitted = NowUtc();
  p.jobs.push_back(j);
  err = SavePrinter(p);
  if (err) {
    SetLastError(err);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return j.id;
}

DWORD kvp::SplSetJobStatus(HANDLE hPrinter, DWORD jobId, DWORD status) {
  return kvp::spl::SetJobDetails(hPrinter, jobId, nullptr, status, nullptr);
}

DWORD kvp::spl::SetJobDetails(HANDLE hPrinter, DWORD jobId, const std::vector<BYTE>* devmode, DWORD status,
                              const std::u16string* statusText, const DWORD* totalPages) {
  if (devmode && !WholeDevMode(*devmode)) return ERROR_INVALID_PARAMETER;
  Handle* h = ResolvePrinter(hPrinter);
  if (!h || Failing("SplSetJobStatus")) return GetLastError();
  StoreLock lock;
  Printer p;
  if (!LoadFor(h, p)) return GetLastError();
  for (Job& j : p.jobs)
    if (j.id == jobId) {
      j.status = status;
      if (devmode) j.devmode = *devmode;
      if (statusText) j.statusText = *statusText;
      if (totalPages) j.totalPages = *totalPages;
      return SavePrinter(p);
    }
  return ERROR_INVALID_PARAMETER;
}

DWORD kvp::SplListJobs(HANDLE hPrinter, std::vector<SplJobState>& out) {
  out.clear();
  Handle* h = ResolvePrinter(hPrinter);
  if (!h) return GetLastError();
  std::shared_ptr<const Printer> p;
  if (!LoadShared(h, p)) return GetLastError();
  for (const Job& j : p->jobs) out.push_back({j.id, j.document, j.status, j.totalPages});
  return ERROR_SUCCESS;
}

DWORD kvp::SplGetAllPrinterData(HANDLE hPrinter, std::vector<SplDataValue>& out) {
  out.clear();
  Handle* h = ResolvePrinter(hPrinter);
  if (!h) return GetLastError();
  std::shared_ptr<const Printer> p;
  if (!LoadShared(h, p)) return GetLastError();
  for (auto& v : p->data) out.push_back({v.key, v.name, v.type, v.data});
  return ERROR_SUCCESS;
}

std::vector<std::u16string> kvp::SplListPrinters(std::vector<std::string>* broken) { return ListPrinterNames(broken); }

std::vector<std::u16string> kvp::SplPrintersOfDriver(const std::u16string& driverName) {
  std::vector<std::u16string> out;
  for (const std::u16string& n : ListPrinterNames(nullptr)) {
    std::shared_ptr<const Printer> p;
    if (LoadPrinterShared(n, p) == ERROR_SUCCESS && WEqualI(p->driver, driverName)) out.push_back(n);
  }
  return out;
}

std::vector<std::u16string> kvp::SplListConnections() {
  std::vector<std::u16string> list;
  LoadConnections(UserName(), list);
  return list;
}

// ---- document properties -------------------------------------------------------------------------------

namespace {

std::string Hex(const void* p) {
  char b[24];
  std::snprintf(b, sizeof b, "%p", p);
  return b;
}

// Runs `call` with the export `entry` of the interface library of the printer (a handle, or the device
// name when there is none). The export's answer, or `failure` with the last error set: ERROR_INVALID_PRINTER_NAME,
// ERROR_UNKNOWN_PRINTER_DRIVER when the library cannot be loaded, ERROR_PROC_NOT_FOUND without the export.
template <typename Fn, typename R, typename Call>
R CallInterfaceLibrary(HANDLE hPrinter, LPWSTR pDeviceName, const char* entry, R failure, Call call) {
  HANDLE own = nullptr;
  if (!hPrinter) {
    if (!pDeviceName || !OpenPrinterW(pDeviceName, &own, nullptr)) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return failure;
    }
    hPrinter = own;
  }
  R result = failure;
  Handle* h = ResolvePrinter(hPrinter);
  Printer p;
  Driver d;
  DWORD err = 0;
  if (!h || !LoadFor(h, p)) {
    err = GetLastError();
  } else if ((err = LoadDriver(p.driver, d)) == ERROR_SUCCESS) {
    void* lib = kvp::spl::LoadDriverLibrary(d.configFile);
    if (!lib) {
      err = ERROR_UNKNOWN_PRINTER_DRIVER;
    } else {
      auto fn = reinterpret_cast<Fn>(kvp::spl::DriverLibraryEntry(lib, entry));
      if (!fn) {
        err = ERROR_PROC_NOT_FOUND;
      } else {
        SetLastError(ERROR_SUCCESS);
        result = call(fn, hPrinter, pDeviceName ? pDeviceName : const_cast<LPWSTR>(h->fullName.c_str()));
        err = GetLastError();
      }
      kvp::spl::FreeDriverLibrary(lib);
    }
  }
  if (own) ClosePrinter(own);
  SetLastError(err);
  return result;
}

using DrvDeviceCapabilitiesFn = DWORD (*)(HANDLE, LPWSTR, WORD, void*, PDEVMODEW);
using DrvAdvancedDocumentPropertiesFn = LONG (*)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW);
using PrinterPropertiesFn = BOOL (*)(HWND, HANDLE);

}  // namespace

KVAPI LONG DocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pDevModeOutput,
                               PDEVMODEW pDevModeInput, DWORD fMode) {
  if (Failing("DocumentPropertiesW")) return -1;
  return CallInterfaceLibrary<DrvDocumentPropertiesFn>(
      hPrinter, pDeviceName, "DrvDocumentProperties", LONG(-1), [&](auto fn, HANDLE printer, LPWSTR device) {
        LONG r = fn(hWnd, printer, device, pDevModeOutput, pDevModeInput, fMode);
        kvp::RecordDriverCall("DrvDocumentProperties",
                              "out=" + Hex(pDevModeOutput) + " in=" + Hex(pDevModeInput) + " fMode=" + std::to_string(fMode),
                              std::to_string(r));
        return r;
      });
}

KVAPI LONG AdvancedDocumentPropertiesW(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pDevModeOutput,
                                       PDEVMODEW pDevModeInput) {
  if (Failing("AdvancedDocumentPropertiesW")) return -1;
  return CallInterfaceLibrary<DrvAdvancedDocumentPropertiesFn>(
      hPrinter, pDeviceName, "DrvAdvancedDocumentProperties", LONG(-1), [&](auto fn, HANDLE printer, LPWSTR device) {
        LONG r = fn(hWnd, printer, device, pDevModeOutput, pDevModeInput);
        kvp::RecordDriverCall("DrvAdvancedDocumentProperties",
                              "out=" + Hex(pDevModeOutput) + " in=" + Hex(pDevModeInput), std::to_string(r));
        return r;
      });
}

KVAPI BOOL PrinterProperties(HWND hWnd, HANDLE hPrinter) {
  if (Failing("PrinterProperties")) return FALSE;
  if (!hPrinter) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The driver's export of the same name is looked up in its own module, never this one.
  return CallInterfaceLibrary<PrinterPropertiesFn>(hPrinter, nullptr, "PrinterProperties", BOOL(FALSE),
                                                   [&](auto fn, HANDLE printer, LPWSTR) {
                                                     BOOL r = fn(hWnd, printer);
                                                     kvp::RecordDriverCall("PrinterProperties", "", std::to_string(r));
                                                     return r;
                                                   });
}

KVAPI DWORD DeviceCapabilitiesW(LPCWSTR pDevice, LPCWSTR pPort, WORD fwCapability, LPWSTR pOutput,
                                const DEVMODEW* pDevMode) {
  if (Failing("DeviceCapabilitiesW")) return DWORD(-1);
  return CallInterfaceLibrary<DrvDeviceCapabilitiesFn>(
      nullptr, const_cast<LPWSTR>(pDevice), "DrvDeviceCapabilities", DWORD(-1),
      [&](auto fn, HANDLE printer, LPWSTR device) {
        DWORD r = fn(printer, device, fwCapability, pOutput, const_cast<PDEVMODEW>(pDevMode));
        kvp::RecordDriverCall("DrvDeviceCapabilities",
                              "index=" + std::to_string(fwCapability) + " out=" + Hex(pOutput) + " dm=" + Hex(pDevMode),
                              std::to_string(LONG(r)));
        return r;
      });
}

// ---- impersonation -------------------------------------------------------------------------------------

KVAPI HANDLE RevertToPrinterSelf(void) {
  std::lock_guard<std::mutex> g(g_logMu);
  ImpLog().push_back("revert");
  return &g_clientToken;
}

KVAPI BOOL ImpersonatePrinterClient(HANDLE hToken) {
  std::lock_guard<std::mutex> g(g_logMu);
  if (hToken != &g_clientToken) {
    ImpLog().push_back("impersonate-refused");
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ImpLog().push_back("impersonate");
  return TRUE;
}

namespace kvp::test {
std::vector<std::string> SpoolerImpersonationLog() {
  std::lock_guard<std::mutex> g(kvp::spl::g_logMu);
  return kvp::spl::ImpLog();
}
void ClearSpoolerImpersonationLog() {
  std::lock_guard<std::mutex> g(kvp::spl::g_logMu);
  kvp::spl::ImpLog().clear();
}
}  // namespace kvp::test
