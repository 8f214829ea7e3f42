// Stand-in for a filter plug-in of the print stream: it hands the driver its interface table, opens the
// last library of the chain it is given (the spooler output library) and passes every call and byte on
// to it unchanged, logging each call to kvzfilter.log. Script keys ([Answers] in kvzfilter.ini):
// FailGetInterface, FailOpen, FailEndPage (1: that call fails), FailWriteAt (the n-th write fails).
#include <string>

#include "companion_script.h"
#include "kvplat/module.h"
#include "kvplat/types.h"

namespace {

constexpr const char* kModule = "kvzfilter";

// The table the driver calls through; laid out without padding as the driver expects.
#pragma pack(push, 1)
struct FilterInterface {
  DWORD version;
  BOOL (*open)(HANDLE* output, char** names);
  void (*close)(HANDLE output);
  void (*startDoc)(HANDLE output, HANDLE printer, DWORD jobId);
  void (*endDoc)(HANDLE output);
  void (*startPage)(HANDLE output);
  BOOL (*endPage)(HANDLE output);
  BOOL (*writePrinter)(HANDLE output, const void* bytes, DWORD length, DWORD* written);
};
#pragma pack(pop)
static_assert(sizeof(FilterInterface) == 60 && offsetof(FilterInterface, open) == 4 &&
              offsetof(FilterInterface, writePrinter) == 52);

typedef HANDLE (*StartDocFn)(HANDLE, DWORD);
typedef BOOL (*HandleFn)(HANDLE);
typedef BOOL (*WriteFn)(HANDLE, const void*, DWORD, DWORD*);

struct Chain {
  HMODULE next = nullptr;
  HANDLE job = nullptr;
  long writes = 0;
};

template <typename F>
F Proc(Chain* c, const char* name) {
  return c && c->next ? reinterpret_cast<F>(GetProcAddress(c->next, name)) : nullptr;
}

void Pass(Chain* c, const char* name) {
  if (auto f = Proc<HandleFn>(c, name)) f(c->job);
}

BOOL Open(HANDLE* output, char** names) {
  kvcomp::LogCall(kModule, "Open");
  if (!output || !names || !names[0] || kvcomp::ScriptInt(kModule, "FailOpen", 0)) return FALSE;
  const char* last = nullptr;
  for (char** n = names; *n; ++n) last = *n;
  auto* c = new Chain;
  c->next = LoadLibraryA(last);
  if (!c->next) {
    delete c;
    return FALSE;
  }
  *output = c;
  return TRUE;
}

void Close(HANDLE output) {
  kvcomp::LogCall(kModule, "Close");
  auto* c = static_cast<Chain*>(output);
  if (!c) return;
  Pass(c, "DrvSplClose");
  FreeLibrary(c->next);
  delete c;
}

void StartDoc(HANDLE output, HANDLE printer, DWORD jobId) {
  kvcomp::LogCall(kModule, "StartDoc job " + std::to_string(jobId));
  auto* c = static_cast<Chain*>(output);
  auto f = Proc<StartDocFn>(c, "DrvSplStartDocEx");
  if (!f) f = Proc<StartDocFn>(c, "DrvSplStartDoc");
  if (f) c->job = f(printer, jobId);
}

void EndDoc(HANDLE output) {
  kvcomp::LogCall(kModule, "EndDoc");
  Pass(static_cast<Chain*>(output), "DrvSplEndDoc");
}

void StartPage(HANDLE output) {
  kvcomp::LogCall(kModule, "StartPage");
  Pass(static_cast<Chain*>(output), "DrvSplStartPage");
}

BOOL EndPage(HANDLE output) {
  kvcomp::LogCall(kModule, "EndPage");
  if (kvcomp::ScriptInt(kModule, "FailEndPage", 0)) return FALSE;
  Pass(static_cast<Chain*>(output), "DrvSplEndPage");
  return TRUE;
}

BOOL WritePrinter(HANDLE output, const void* bytes, DWORD length, DWORD* written) {
  kvcomp::LogCall(kModule, "WritePrinter " + std::to_string(length));
  auto* c = static_cast<Chain*>(output);
  if (!c || !written || ++c->writes == kvcomp::ScriptInt(kModule, "FailWriteAt", 0)) return FALSE;
  auto f = Proc<WriteFn>(c, "DrvSplWritePrinter");
  if (!f) {
    *written = length;
    return TRUE;
  }
  return f(c->job, bytes, length, written);
}

}  // namespace

// Hands out the interface table for request 256; 0 for any other request or when scripted to refuse.
KVAPI int IZARNGetInterface(DWORD request, FilterInterface** table) {
  kvcomp::LogCall(kModule, "IZARNGetInterface " + std::to_string(request));
  if (!table || request != 256 || kvcomp::ScriptInt(kModule, "FailGetInterface", 0)) return 0;
  *table = new FilterInterface{1, &Open, &Close, &StartDoc, &EndDoc, &StartPage, &EndPage, &WritePrinter};
  return 1;
}

// Takes back a table handed out by IZARNGetInterface.
KVAPI void IZARNDisposeInterface(FilterInterface* table) {
  kvcomp::LogCall(kModule, "IZARNDisposeInterface");
  delete table;
}
