// Shared by the two test modules: appends an event to the process variable KVTEST_MODLOG.
#pragma once
#include <string>

#include "kvplat/file.h"

inline void ModLog(const char16_t* event) {
  WCHAR buf[512] = {};
  DWORD n = GetEnvironmentVariableW(u"KVTEST_MODLOG", buf, 512);
  std::u16string v(buf, n < 512 ? n : 0);
  v += event;
  v += u";";
  SetEnvironmentVariableW(u"KVTEST_MODLOG", v.c_str());
}
