// A UI-control plug-in for the tests, scripted by its own file name: "refuse" grants no interface,
// "noopen" opens no instance, "guard" provides the copy guard (function 1), "mark" the watermark
// (function 2). Every call is appended to the process variable KVTEST_UICTRL_LOG as "<file>:<call>;".
#include <string>

#include "devlink/plugins.h"
#include "kvplat/file.h"
#include "kvplat/module.h"
#include "kvplat/text.h"

namespace {

std::u16string Self() {
  static int marker;
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&marker), &self);
  WCHAR path[MAX_PATH] = {};
  GetModuleFileNameW(self, path, MAX_PATH);
  std::u16string p(path);
  std::u16string name = p.substr(p.rfind(u'\\') + 1);
  for (char16_t& c : name) c = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
  return name;
}
bool Named(const char16_t* part) { return Self().find(part) != std::u16string::npos; }

void Log(const char16_t* call) {
  WCHAR buf[2048] = {};
  DWORD n = GetEnvironmentVariableW(u"KVTEST_UICTRL_LOG", buf, 2048);
  std::u16string v(buf, n < 2048 ? n : 0);
  v += Self() + u":" + call + u";";
  SetEnvironmentVariableW(u"KVTEST_UICTRL_LOG", v.c_str());
}

int g_instance;

int Open(HANDLE, void** instance) {
  Log(u"open");
  if (Named(u"noopen")) return 0;
  *instance = &g_instance;
  return 1;
}
void Close(void*) { Log(u"close"); }
int Query(void*, DWORD function, DWORD* answer) {
  Log(function == 1 ? u"query1" : u"query2");
  *answer = (function == 1 && Named(u"guard")) || (function == 2 && Named(u"mark")) ? 1 : 0;
  return 1;
}
UICTRL_INTERFACE g_table{nullptr, nullptr, &Open, &Close, &Query};

}  // namespace

KVAPI int UICTRLGetInterface(DWORD version, UICTRL_INTERFACE** table) {
  Log(u"get");
  if (version != UICTRL_INTERFACE_VERSION || Named(u"refuse")) return 0;
  *table = &g_table;
  return 1;
}
KVAPI void UICTRLDisposeInterface(UICTRL_INTERFACE*) { Log(u"dispose"); }
