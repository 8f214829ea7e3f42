// Stand-in for the spooler output library: a job's bytes are appended to its spool file
// <root>/spool/output/job<id>.zarn (job id 0: "job0"), and every call is logged to kvdrvspl.log. The
// spooler's job ids are unique on the machine, so two jobs, of one printer or of two, never share a file.
// Script keys ([Answers] in kvdrvspl.ini): FailStartDoc (1: start of document returns no handle),
// FailWriteAt (the n-th write of the job fails), ShortWriteAt (the n-th write reports one byte less).
// Built variants without DrvSplStartDocEx (KV_SPL_NO_START_DOC_EX) or without DrvSplWritePrinter
// (KV_SPL_NO_WRITE) stand in for older libraries.
#include <cstdio>
#include <filesystem>
#include <string>

#include "companion_script.h"
#include "kvplat/root.h"
#include "kvplat/types.h"

namespace {

constexpr const char* kModule = "kvdrvspl";

struct Job {
  DWORD id = 0;
  std::string path;
  long writes = 0;
};

std::string Handle(HANDLE h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "job%u", h ? static_cast<Job*>(h)->id : 0u);
  return h ? buf : "(none)";
}

HANDLE Start(const char* call, HANDLE printer, DWORD jobId) {
  std::error_code made;
  std::filesystem::create_directories(std::filesystem::path(kvp::MachineRoot()) / "companions", made);  // the log's
  kvcomp::LogCall(kModule, std::string(call) + " job " + std::to_string(jobId));
  if (!printer || kvcomp::ScriptInt(kModule, "FailStartDoc", 0)) return nullptr;
  std::filesystem::path dir = std::filesystem::path(kvp::MachineRoot()) / "spool" / "output";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  auto* job = new Job;
  job->id = jobId;
  job->path = (dir / ("job" + std::to_string(jobId) + ".zarn")).string();
  std::FILE* f = std::fopen(job->path.c_str(), "wb");  // a new job starts an empty file
  if (f) std::fclose(f);
  return job;
}

}  // namespace

#ifndef KV_SPL_NO_START_DOC_EX
// A new job's handle for the printer and job id, or none when the script refuses it.
KVAPI HANDLE DrvSplStartDocEx(HANDLE printer, DWORD jobId) { return Start("DrvSplStartDocEx", printer, jobId); }
#endif

// The same without the extended entry's caller.
KVAPI HANDLE DrvSplStartDoc(HANDLE printer, DWORD jobId) { return Start("DrvSplStartDoc", printer, jobId); }

KVAPI BOOL DrvSplStartPage(HANDLE h) {
  kvcomp::LogCall(kModule, "DrvSplStartPage " + Handle(h));
  return h != nullptr;
}

#ifndef KV_SPL_NO_WRITE
// Appends `length` bytes to the job's spool file; *written gets the bytes taken. FALSE on a bad handle,
// a scripted failure or a failed file write.
KVAPI BOOL DrvSplWritePrinter(HANDLE h, const void* bytes, DWORD length, DWORD* written) {
  kvcomp::LogCall(kModule, "DrvSplWritePrinter " + Handle(h) + " " + std::to_string(length));
  if (written) *written = 0;
  if (!h || (length && !bytes) || !written) return FALSE;
  auto* job = static_cast<Job*>(h);
  long n = ++job->writes;
  if (n == kvcomp::ScriptInt(kModule, "FailWriteAt", 0)) return FALSE;
  std::FILE* f = std::fopen(job->path.c_str(), "ab");
  if (!f) return FALSE;
  size_t put = std::fwrite(bytes, 1, length, f);
  bool ok = std::fclose(f) == 0 && put == length;
  if (!ok) return FALSE;
  *written = n == kvcomp::ScriptInt(kModule, "ShortWriteAt", 0) && length ? length - 1 : length;
  return TRUE;
}
#endif

KVAPI BOOL DrvSplEndPage(HANDLE h) {
  kvcomp::LogCall(kModule, "DrvSplEndPage " + Handle(h));
  return h != nullptr;
}

KVAPI BOOL DrvSplEndDoc(HANDLE h) {
  kvcomp::LogCall(kModule, "DrvSplEndDoc " + Handle(h));
  return h != nullptr;
}

// Releases the job's handle.
KVAPI BOOL DrvSplClose(HANDLE h) {
  kvcomp::LogCall(kModule, "DrvSplClose " + Handle(h));
  delete static_cast<Job*>(h);
  return h != nullptr;
}
