// Modules: loading shared objects by their driver names, symbol look-up, reference counts and the
// platform's own built-in modules.
//
// Finding a module:
//  - a name without a folder ("X.dll", any case; no extension means ".dll") is looked for first among the
//    modules already loaded under that name, then in the search folders the host registered with
//    kvp::AddModuleSearchDir (in the order added), then in C:\Windows\System32;
//  - a full machine path ("C:\...\X.dll") names its folder directly (a relative path is taken from the
//    current folder, C:\Windows\System32);
//  - in a folder, a file named exactly as asked (without case) that is an ELF shared object is loaded,
//    else the same base name with ".so" instead of the extension.
// The platform's built-in modules (kernel32.dll, user32.dll, gdi32.dll, advapi32.dll, userenv.dll,
// shell32.dll, ole32.dll, oleaut32.dll, shlwapi.dll, version.dll, winspool.drv, comctl32.dll,
// comdlg32.dll, uxtheme.dll, mscms.dll, ntdll.dll, kernelbase.dll) are the platform library itself:
// GetProcAddress on them finds any platform export; they are never unloaded.
//
// Loading runs the module's load entry (its ELF constructors); FreeLibrary that brings the count to zero
// runs its destructors and unloads it. GetModuleHandle adds no reference; GetModuleHandleExW does unless
// told not to. A module can find its own handle with GetModuleHandleExW(FROM_ADDRESS) even while its
// constructors run.
#pragma once
#include <string>
#include <string_view>

#include "kvplat/types.h"

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#define LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE 0x00000040

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

// LoadLibraryW: the module's handle, one reference more; null with ERROR_MOD_NOT_FOUND (no such file, or
// it cannot be loaded), ERROR_BAD_EXE_FORMAT (the file is no shared object), ERROR_INVALID_PARAMETER,
// ERROR_FILENAME_EXCED_RANGE.
KVAPI HMODULE LoadLibraryW(LPCWSTR name);
KVAPI HMODULE LoadLibraryA(LPCSTR name);
// LoadLibraryExW: with LOAD_LIBRARY_AS_DATAFILE (or the image-resource flags) the file is opened for its
// resources only: no code runs, GetProcAddress finds nothing; when the module is already loaded as code
// that module is used. `file` must be null.
KVAPI HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
// GetProcAddress: an exported function or variable of the module by name; ordinals are not supported.
// Null with ERROR_PROC_NOT_FOUND, or ERROR_INVALID_HANDLE for a handle that is not a loaded module.
KVAPI FARPROC GetProcAddress(HMODULE module, LPCSTR name);
KVAPI BOOL FreeLibrary(HMODULE module);
// GetModuleHandleW: a loaded module (null name: the process's own image); ERROR_MOD_NOT_FOUND otherwise.
KVAPI HMODULE GetModuleHandleW(LPCWSTR name);
KVAPI BOOL GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module);
KVAPI BOOL DisableThreadLibraryCalls(HMODULE module);
// GetModuleFileNameW: the machine path of a module (null: the process image). When it does not fit, the
// truncated, terminated path, the result `size` and ERROR_INSUFFICIENT_BUFFER.
KVAPI DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
KVAPI DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

namespace kvp {

// Adds a machine folder searched for modules named without a folder. ERROR_SUCCESS or the mapping error.
DWORD AddModuleSearchDir(std::u16string_view machineDir);
void ClearModuleSearchDirs();
// The machine path the process's own image reports (default C:\Windows\System32\<program>.exe).
void SetProcessImagePath(std::u16string_view machinePath);

struct ModuleInfo {
  std::string hostPath;      // the file on the host (empty for built-in modules)
  std::u16string machinePath;
  void* dlHandle = nullptr;  // host loader handle (null for data-file modules)
  bool dataFile = false;
  bool builtin = false;
  unsigned refs = 0;
};
// What the platform knows of a loaded module (for the resource functions); false for an unknown handle.
bool GetModuleInfo(HMODULE module, ModuleInfo* info);

}  // namespace kvp
