// Processes: starting a program of the machine and waiting for it.
//
// A machine path names a host program through the machine root: CreateProcessW maps the application
// name (and the working folder) as every file call does and runs the host file found there, with the
// mapped working folder as its current folder and no arguments beyond the command line's words. There
// are no windows on this machine, so the show-window request is only recorded. Every start, successful
// or not, is recorded in this process's start log for tests to read (kvp::TakeProcessStarts).
#pragma once
#include <string>
#include <vector>

#include "kvplat/handle.h"
#include "kvplat/types.h"

#define STARTF_USESHOWWINDOW 0x00000001
#define STILL_ACTIVE 259L

typedef struct _STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;
static_assert(sizeof(STARTUPINFOW) == 104);
static_assert(offsetof(STARTUPINFOW, dwFlags) == 60 && offsetof(STARTUPINFOW, wShowWindow) == 64);

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;
static_assert(sizeof(PROCESS_INFORMATION) == 24);

// CreateProcessW: starts the program `application` (a machine path; with none, the first word of the
// command line). On success pi receives a process handle (WaitForSingleObject, GetExitCodeProcess,
// CloseHandle) and a thread handle (CloseHandle only). Errors: ERROR_INVALID_PARAMETER without a
// program or pi, ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND when the program or the working folder is
// not there, ERROR_BAD_EXE_FORMAT when the file is not a program, ERROR_NOT_ENOUGH_MEMORY.
KVAPI BOOL CreateProcessW(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                          LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                          LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startup,
                          LPPROCESS_INFORMATION pi);
// GetExitCodeProcess: the program's exit code, or STILL_ACTIVE while it runs.
KVAPI BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

namespace kvp {

// One recorded start.
struct ProcessStart {
  std::u16string application;  // as the caller named it
  std::u16string directory;    // the working folder as named (empty: the caller's)
  DWORD flags = 0;             // the start-up record's dwFlags
  WORD showWindow = 0;         // its wShowWindow
  BOOL inheritHandles = FALSE;
  DWORD error = 0;             // ERROR_SUCCESS when the program was started
};
// The starts recorded since the last call, oldest first; the log is emptied.
std::vector<ProcessStart> TakeProcessStarts();
// Waits for a process handle (the process kind of WaitForSingleObject). *isProcess tells whether h was one.
DWORD ProcessWait(HANDLE h, DWORD ms, bool* isProcess);

}  // namespace kvp
