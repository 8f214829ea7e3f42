// Stand-ins ("seams") for calls into code that is not built yet.
//
// A function is declared once, in the header of the area that owns it; its callers and its real
// definition include that header. Until the real definition exists, a weak least body of that same
// declaration lives in a *_seams.cpp file, written as
//
//   KV_SEAM(CfgLoadFreeSize) void CfgLoadFreeSize(SETTING_CONTEXT*, int) {}
//
// The macro makes the body weak and places it in its own section, and it defines the marker
// kvseam_<name>. The stand-in check (cmake/check_stand_ins.sh, run by CTest over every linked library
// and program) fails when a binary holds the marker of a name together with a definition of that name
// outside the stand-in section: a real definition that shadows a stand-in that should have been
// deleted, or a stand-in whose parameter types differ from the real function's. A second stand-in of
// one name in one binary is a link error (two markers).
#pragma once

#define KV_SEAM_SECTION "kvseam_text"

#define KV_SEAM(name)                                              \
  extern "C" __attribute__((used)) const char kvseam_##name = 0; \
  __attribute__((weak, section(KV_SEAM_SECTION)))

// The bounds of the stand-in section, provided by the linker while any stand-in is linked.
extern "C" {
extern const char __start_kvseam_text[] __attribute__((weak, visibility("hidden")));
extern const char __stop_kvseam_text[] __attribute__((weak, visibility("hidden")));
}

// True when `fn` (a function's address) is a stand-in body rather than a real definition. Tests that can
// only assert a stand-in's answer guard themselves with it, so that they fail, and get rewritten to the
// real answer, once the real function is built.
inline bool KvIsStandIn(const void* fn) {
  const char* p = static_cast<const char*>(fn);
  return __start_kvseam_text && p >= __start_kvseam_text && p < __stop_kvseam_text;
}
