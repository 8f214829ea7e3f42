// Stand-in for the maker's print-notification library. Script keys ([Answers] in KVPNInf.ini):
//   CapabilityResult (0 = success), CapabilityBits, ValueResult (0 = success), ValueBits.
// The variant built with KV_PN_NO_VALUE_EXPORT lacks the value export, for tests of a partial library.
#include <cstdint>
#include <string>

#include "companion_script.h"
#include "kvplat/types.h"

namespace {
constexpr const char* kModule = "KVPNInf";
}

KVAPI DWORD KVGetPrintNotificationCapability(const char* printerName, DWORD* caps) {
  kvcomp::LogCall(kModule, std::string("KVGetPrintNotificationCapability ") + (printerName ? printerName : "(null)"));
  if (!printerName || !caps) return 87;
  DWORD r = DWORD(kvcomp::ScriptInt(kModule, "CapabilityResult", 0));
  if (r == 0) *caps = DWORD(kvcomp::ScriptInt(kModule, "CapabilityBits", 3));
  return r;
}

#ifndef KV_PN_NO_VALUE_EXPORT
KVAPI DWORD KVGetPrintNotificationValue(DWORD* value) {
  kvcomp::LogCall(kModule, "KVGetPrintNotificationValue");
  if (!value) return 87;
  DWORD r = DWORD(kvcomp::ScriptInt(kModule, "ValueResult", 0));
  if (r == 0) *value = DWORD(kvcomp::ScriptInt(kModule, "ValueBits", 1));
  return r;
}
#endif
