// Processes: host programs started through machine paths, their handles, waits and exit codes.
#include "kvplat/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/sync.h"
#include "kvplat/text.h"
#include "kvplat/time.h"

namespace {

constexpr DWORD kHandleKindProcess = kvp::kHandleKindFirstFree + 1;
constexpr DWORD kHandleKindThread = kvp::kHandleKindFirstFree + 2;

struct ProcessObject {
  pid_t pid = 0;
  std::mutex lock;
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
};

// The thread handle of a started process names nothing the caller can use but its closing.
struct ThreadObject {};

std::mutex g_logLock;
std::vector<kvp::ProcessStart> g_log;

void Record(kvp::ProcessStart start) {
  std::lock_guard<std::mutex> g(g_logLock);
  if (g_log.size() >= 1024) g_log.erase(g_log.begin());  // bounded: the latest starts are kept
  g_log.push_back(std::move(start));
}

// Reaps the process when it has ended (blocking for `block`). Called with p.lock held.
void Reap(ProcessObject& p, bool block) {
  if (p.ended) return;
  int status = 0;
  pid_t r;
  do r = waitpid(p.pid, &status, block ? 0 : WNOHANG);
  while (r < 0 && errno == EINTR);
  if (r == p.pid) {
    p.ended = true;
    p.exitCode = WIFEXITED(status) ? DWORD(WEXITSTATUS(status)) : DWORD(0xC0000000u | DWORD(WTERMSIG(status)));
  } else if (r < 0) {
    p.ended = true;  // not our child any more: nothing left to wait for
    p.exitCode = 1;
  }
}

void CloseProcess(void* object) {
  auto* p = static_cast<ProcessObject*>(object);
  {
    std::lock_guard<std::mutex> g(p->lock);
    Reap(*p, false);
  }
  delete p;
}

void CloseThread(void* object) { delete static_cast<ThreadObject*>(object); }

// The program's name: the application name, else the command line's first word (quoted or not).
std::u16string ProgramName(LPCWSTR application, LPCWSTR commandLine) {
  if (application && *application) return std::u16string(application);
  if (!commandLine) return {};
  std::u16string_view c(commandLine);
  if (!c.empty() && c[0] == u'"') {
    size_t end = c.find(u'"', 1);
    return std::u16string(c.substr(1, end == c.npos ? c.npos : end - 1));
  }
  size_t end = c.find(u' ');
  return std::u16string(c.substr(0, end));
}

DWORD Fail(kvp::ProcessStart& start, DWORD error) {
  start.error = error;
  Record(start);
  SetLastError(error);
  return FALSE;
}

}  // namespace

KVAPI BOOL CreateProcessW(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                          BOOL inheritHandles, DWORD, LPVOID, LPCWSTR currentDirectory, LPSTARTUPINFOW startup,
                          LPPROCESS_INFORMATION pi) {
  kvp::ProcessStart start;
  start.application = ProgramName(application, commandLine);
  start.directory = currentDirectory ? currentDirectory : u"";
  start.flags = startup ? startup->dwFlags : 0;
  start.showWindow = startup ? startup->wShowWindow : 0;
  start.inheritHandles = inheritHandles;
  if (!pi || start.application.empty()) return Fail(start, ERROR_INVALID_PARAMETER);
  std::string program, folder;
  if (DWORD e = kvp::MapPath(start.application, program)) return Fail(start, e);
  struct stat st {};
  if (stat(program.c_str(), &st) != 0) return Fail(start, ERROR_FILE_NOT_FOUND);
  if (!S_ISREG(st.st_mode) || access(program.c_str(), X_OK) != 0) return Fail(start, ERROR_BAD_EXE_FORMAT);
  if (!start.directory.empty()) {
    if (DWORD e = kvp::MapPath(start.directory, folder)) return Fail(start, e);
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(start, ERROR_DIRECTORY);
  }
  // The command line's words after the program are the arguments (a plain split on blanks).
  std::vector<std::string> words{program};
  if (commandLine) {
    std::string line = kvp::ToUtf8(commandLine);
    size_t skip = application && *application ? 0 : std::string::npos;
    std::vector<std::string> all;
    for (size_t i = 0; i < line.size();) {
      while (i < line.size() && line[i] == ' ') ++i;
      size_t j = line.find(' ', i);
      if (j == std::string::npos) j = line.size();
      if (j > i) all.push_back(line.substr(i, j - i));
      i = j;
    }
    for (size_t i = skip == 0 ? 0 : 1; i < all.size(); ++i) words.push_back(all[i]);
  }
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  auto* object = new (std::nothrow) ProcessObject;
  auto* thread = new (std::nothrow) ThreadObject;
  if (!object || !thread) {
    delete object;
    delete thread;
    return Fail(start, ERROR_NOT_ENOUGH_MEMORY);
  }
  // Everything the child needs is made before the fork: between fork and exec it only changes folder,
  // closes what it must not inherit and executes.
  const char* dir = folder.empty() ? nullptr : folder.c_str();
  const bool closeAll = !inheritHandles;
  pid_t pid = fork();
  if (pid < 0) {
    delete object;
    delete thread;
    return Fail(start, ERROR_NOT_ENOUGH_MEMORY);
  }
  if (pid == 0) {
    if (dir && chdir(dir) != 0) _exit(127);
    if (closeAll)
      for (int fd = 3; fd < 1024; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
    execv(argv[0], argv.data());
    _exit(127);
  }
  object->pid = pid;
  HANDLE h = kvp::HandleCreate(kHandleKindProcess, object, CloseProcess);
  if (!h) {
    delete thread;
    return Fail(start, ERROR_NOT_ENOUGH_MEMORY);
  }
  HANDLE t = kvp::HandleCreate(kHandleKindThread, thread, CloseThread);
  if (!t) {
    CloseHandle(h);
    return Fail(start, ERROR_NOT_ENOUGH_MEMORY);
  }
  pi->hProcess = h;
  pi->hThread = t;
  pi->dwProcessId = DWORD(pid);
  pi->dwThreadId = DWORD(pid);
  start.error = ERROR_SUCCESS;
  Record(std::move(start));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  auto p = kvp::HandleRef<ProcessObject>(process, kHandleKindProcess);
  if (!p || !exitCode) {
    SetLastError(p ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> g(p->lock);
  Reap(*p, false);
  *exitCode = p->exitCode;
  return TRUE;
}

namespace kvp {

std::vector<ProcessStart> TakeProcessStarts() {
  std::lock_guard<std::mutex> g(g_logLock);
  std::vector<ProcessStart> out;
  out.swap(g_log);
  return out;
}

DWORD ProcessWait(HANDLE h, DWORD ms, bool* isProcess) {
  auto p = HandleRef<ProcessObject>(h, kHandleKindProcess);
  *isProcess = p != nullptr;
  if (!p) return WAIT_FAILED;
  if (ms == INFINITE) {
    std::lock_guard<std::mutex> g(p->lock);
    Reap(*p, true);
    return WAIT_OBJECT_0;
  }
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    {
      std::lock_guard<std::mutex> g(p->lock);
      Reap(*p, false);
      if (p->ended) return WAIT_OBJECT_0;
    }
    if (std::chrono::steady_clock::now() >= until) return WAIT_TIMEOUT;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace kvp
