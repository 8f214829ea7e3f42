// Per-thread last-error value and the system texts of the error codes.
#include "kvplat/error.h"

#include <cstring>

#include "kvplat/heap.h"

namespace {
thread_local DWORD g_lastError = 0;

struct ErrorText {
  DWORD code;
  const char* text;
};

// The texts of the codes this platform sets, in code order (the look-up bisects).
constexpr ErrorText kTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {ERROR_INVALID_DRIVE, "The system cannot find the drive specified."},
    {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
    {ERROR_NO_MORE_FILES, "There are no more files."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process."},
    {ERROR_LOCK_VIOLATION, "The process cannot access the file because another process has locked a portion of the file."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BUFFER_OVERFLOW, "The file name is too long."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_BAD_DRIVER_LEVEL, "The system does not support the command requested."},
    {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_INVALID_LEVEL, "The system call level is not correct."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_NEGATIVE_SEEK, "An attempt was made to move the file pointer before the beginning of the file."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_NOT_LOCKED, "The segment is already unlocked."},
    {ERROR_BAD_ARGUMENTS, "One or more arguments are not correct."},
    {ERROR_BAD_PATHNAME, "The specified path is invalid."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_BAD_EXE_FORMAT, "The file is not a valid application."},
    {ERROR_ENVVAR_NOT_FOUND, "The system could not find the environment option that was entered."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_NOT_OWNER, "Attempt to release mutex not owned by caller."},
    {ERROR_INVALID_ADDRESS, "Attempt to access invalid address."},
    {ERROR_ARITHMETIC_OVERFLOW, "Arithmetic result exceeded 32 bits."},
    {ERROR_ABANDONED_WAIT_0, "The wait was abandoned."},
    {ERROR_NOACCESS, "Invalid access to memory location."},
    {ERROR_INVALID_FLAGS, "Invalid flags."},
    {ERROR_FILE_INVALID, "The volume for a file has been externally altered so that the opened file is no longer valid."},
    {ERROR_NO_TOKEN, "An attempt was made to reference a token that does not exist."},
    {ERROR_BADDB, "The configuration registry database is corrupt."},
    {ERROR_BADKEY, "The configuration registry key is invalid."},
    {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
    {ERROR_CANTREAD, "The configuration registry key could not be read."},
    {ERROR_CANTWRITE, "The configuration registry key could not be written."},
    {ERROR_KEY_DELETED, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_NO_UNICODE_TRANSLATION, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {ERROR_DLL_INIT_FAILED, "A dynamic link library (DLL) initialization routine failed."},
    {ERROR_MAPPED_ALIGNMENT, "The base address or the file offset specified does not have the proper alignment."},
    {ERROR_OLD_WIN_VERSION, "The specified program requires a newer version of the operating system."},
    {ERROR_USER_MAPPED_FILE, "The requested operation cannot be performed on a file with a user-mapped section open."},
    {ERROR_NOT_ALL_ASSIGNED, "Not all privileges or groups referenced are assigned to the caller."},
    {ERROR_INVALID_OWNER, "This security ID may not be assigned as the owner of this object."},
    {ERROR_NO_IMPERSONATION_TOKEN, "An attempt has been made to operate on an impersonation token by a thread that is not currently impersonating a client."},
    {ERROR_PRIVILEGE_NOT_HELD, "A required privilege is not held by the client."},
    {ERROR_INVALID_ACL, "The access control list (ACL) structure is invalid."},
    {ERROR_INVALID_SID, "The security ID structure is invalid."},
    {ERROR_INVALID_SECURITY_DESCR, "The security descriptor structure is invalid."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
    {ERROR_INVALID_USER_BUFFER, "The supplied user buffer is not valid for the requested operation."},
    {ERROR_UNKNOWN_PRINTER_DRIVER, "The printer driver is unknown."},
    {ERROR_UNKNOWN_PRINTPROCESSOR, "The print processor is unknown."},
    {ERROR_INVALID_SEPARATOR_FILE, "The specified separator file is invalid."},
    {ERROR_INVALID_PRIORITY, "The specified priority is invalid."},
    {ERROR_INVALID_PRINTER_NAME, "The printer name is invalid."},
    {ERROR_PRINTER_ALREADY_EXISTS, "The printer already exists."},
    {ERROR_INVALID_PRINTER_COMMAND, "The printer command is invalid."},
    {ERROR_INVALID_DATATYPE, "The specified datatype is invalid."},
    {ERROR_RESOURCE_DATA_NOT_FOUND, "The specified image file did not contain a resource section."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, "The specified resource type cannot be found in the image file."},
    {ERROR_RESOURCE_NAME_NOT_FOUND, "The specified resource name cannot be found in the image file."},
    {ERROR_RESOURCE_LANG_NOT_FOUND, "The specified resource language ID cannot be found in the image file."},
    {ERROR_INVALID_FORM_NAME, "The specified form name is invalid."},
    {ERROR_INVALID_FORM_SIZE, "The specified form size is invalid."},
    {ERROR_ALREADY_WAITING, "The specified printer handle is already being waited on."},
    {ERROR_PRINTER_DELETED, "The specified printer has been deleted."},
    {ERROR_INVALID_PRINTER_STATE, "The state of the printer is invalid."},
};

constexpr bool Ascending() {
  for (size_t i = 1; i < sizeof kTexts / sizeof kTexts[0]; ++i)
    if (kTexts[i - 1].code >= kTexts[i].code) return false;
  return true;
}
static_assert(Ascending(), "error texts in code order, each code once");

const char* TextOf(DWORD code) {
  size_t lo = 0, hi = sizeof kTexts / sizeof kTexts[0];
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (kTexts[mid].code < code)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo < sizeof kTexts / sizeof kTexts[0] && kTexts[lo].code == code ? kTexts[lo].text : nullptr;
}

}  // namespace

KVAPI DWORD GetLastError(void) { return g_lastError; }
KVAPI void SetLastError(DWORD code) { g_lastError = code; }

KVAPI DWORD FormatMessageW(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPWSTR buffer, DWORD size, void*) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) ||
      !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = TextOf(messageId);
  if (!text) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  DWORD n = (DWORD)std::strlen(text) + 2;  // with "\r\n"
  WCHAR* out = buffer;
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    DWORD chars = n + 1 > size ? n + 1 : size;
    out = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, (SIZE_T)chars * sizeof(WCHAR)));
    if (!out) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    *reinterpret_cast<LPWSTR*>(buffer) = out;
  } else if (n + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  DWORD i = 0;
  for (; text[i]; ++i) out[i] = (WCHAR)(unsigned char)text[i];
  out[i++] = u'\r';
  out[i++] = u'\n';
  out[i] = 0;
  return n;
}
