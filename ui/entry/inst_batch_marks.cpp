// The batch file's place and its "DrvInstSet" mark, which the job-control client reads and resets when
// a context is created for a printer that batch installation set up.
#include "config/ini.h"
#include "config/presets.h"
#include "inst_batch.h"
#include "kvplat/file.h"
#include "kvplat/text.h"

namespace {
constexpr const WCHAR* kDrvInstSet = u"DrvInstSet";
constexpr DWORD kPathChars = 260;
constexpr int kUnset = 0x7FFF;
}  // namespace

WCHAR* InstGetBatchIniPathTo(WCHAR* dst, DWORD capacity) {
  if (!dst || capacity < kPathChars) return nullptr;
  WCHAR dir[kPathChars] = {};
  UINT n = GetSystemDirectoryW(dir, kPathChars);
  constexpr std::u16string_view kName = u"\\ZARN.ini";
  if (n == 0 || n >= kPathChars || n + kName.size() >= capacity) return nullptr;
  kvp::WCopy(dst, capacity, dir);
  kvp::WCopy(dst + n, capacity - n, kName.data());
  return dst;
}

int InstHasDrvInstSet(const WCHAR* iniPath, const WCHAR* section) {
  if (!iniPath || !section) return 0;
  int v = CfgIniGetInt(section, kDrvInstSet, kUnset, iniPath);
  return v != 0 && v != kUnset ? 1 : 0;
}

int InstMarkDrvInstSet(const WCHAR* iniPath, const WCHAR* section, DWORD value) {
  CfgWriteIniNumber(iniPath, section, value, kDrvInstSet);
  return 1;
}
