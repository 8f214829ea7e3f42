// The face file fontconfig matches for a family.
#include "font_match.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>

namespace kvp {

bool MatchFontFile(const std::string& family, LONG weight, bool italic, std::string* file, int* index) {
  // fontconfig's tables are released when the process ends, so leak checks stay quiet.
  static bool ok = [] {
    if (FcInit() != FcTrue) return false;
    std::atexit([] { FcFini(); });
    return true;
  }();
  if (!ok) return false;
  FcPattern* pat = FcPatternCreate();
  if (!pat) return false;
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* m = FcFontMatch(nullptr, pat, &res);
  bool found = false;
  FcChar8* path = nullptr;
  if (m && FcPatternGetString(m, FC_FILE, 0, &path) == FcResultMatch && path) {
    *file = reinterpret_cast<const char*>(path);
    int i = 0;
    *index = FcPatternGetInteger(m, FC_INDEX, 0, &i) == FcResultMatch ? i : 0;
    found = true;
  }
  if (m) FcPatternDestroy(m);
  FcPatternDestroy(pat);
  return found;
}

}  // namespace kvp
