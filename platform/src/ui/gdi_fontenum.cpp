// Font-family enumeration over the faces fontconfig finds, with the test switches that add or hide
// families.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "gdi_internal.h"
#include "kvplat/error.h"
#include "kvplat/paint.h"
#include "kvplat/text.h"

namespace {

struct FamilyInfo {
  bool outline = true;
  bool vertical = false;  // has an '@' twin
};

std::mutex g_fontMutex;
std::map<std::u16string, FamilyInfo>* g_added = nullptr;  // by face name
std::vector<std::u16string>* g_hidden = nullptr;

std::u16string Lower(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  return s;
}

// The families fontconfig finds, by face name: outline or not, and whether they cover an East Asian
// language (and so get a vertical twin).
std::map<std::u16string, FamilyInfo> ScanFontconfig() {
  std::map<std::u16string, FamilyInfo> out;
  // A configuration of its own, freed after the scan, so that nothing of it outlives the list.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return out;
  FcPattern* pat = FcPatternCreate();
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_OUTLINE, FC_LANG, nullptr);
  FcFontSet* set = pat && os ? FcFontList(config, pat, os) : nullptr;
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch || !family) continue;
      std::u16string face = kvp::FromUtf8(reinterpret_cast<const char*>(family));
      if (face.empty() || face.size() >= LF_FACESIZE - 1) continue;
      FcBool outline = FcTrue;
      FcPatternGetBool(set->fonts[i], FC_OUTLINE, 0, &outline);
      bool eastAsian = false;
      FcLangSet* langs = nullptr;
      if (FcPatternGetLangSet(set->fonts[i], FC_LANG, 0, &langs) == FcResultMatch && langs) {
        for (const char* l : {"ja", "zh-cn", "ko"})
          if (FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>(l)) == FcLangEqual) eastAsian = true;
      }
      FamilyInfo& info = out[face];
      info.outline = info.outline && outline;
      info.vertical = info.vertical || eastAsian;
    }
    FcFontSetDestroy(set);
  }
  if (os) FcObjectSetDestroy(os);
  if (pat) FcPatternDestroy(pat);
  FcConfigDestroy(config);
  return out;
}

struct Entry {
  std::u16string face;
  bool outline;
};

// The list as the enumeration reports it: one entry per face name (vertical twins included), sorted.
std::vector<Entry> CurrentFamilies() {
  static const std::map<std::u16string, FamilyInfo> scanned = ScanFontconfig();
  std::map<std::u16string, bool> faces;
  for (const auto& [face, info] : scanned) {
    faces[face] = info.outline;
    if (info.vertical) faces[u"@" + face] = info.outline;
  }
  std::lock_guard<std::mutex> lock(g_fontMutex);
  if (g_added)
    for (const auto& [face, info] : *g_added) faces[face] = info.outline;
  if (g_hidden)
    for (const std::u16string& h : *g_hidden) {
      faces.erase(h);
      if (h[0] != u'@') faces.erase(u"@" + h);
    }
  std::vector<Entry> out;
  for (const auto& [face, outline] : faces) out.push_back({face, outline});
  return out;
}

int Enumerate(HDC hdc, const char16_t* wanted, FONTENUMPROCW proc, LPARAM data) {
  if (!kvp::ui::Dc(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!proc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string want = wanted ? Lower(wanted) : std::u16string();
  int last = 1;
  for (const Entry& e : CurrentFamilies()) {
    if (!want.empty() && Lower(e.face) != want) continue;
    ENUMLOGFONTEXW lf{};
    std::memcpy(lf.elfLogFont.lfFaceName, e.face.c_str(), (e.face.size() + 1) * sizeof(WCHAR));
    std::memcpy(lf.elfFullName, e.face.c_str(), (e.face.size() + 1) * sizeof(WCHAR));
    std::memcpy(lf.elfStyle, u"Regular", sizeof(u"Regular"));
    lf.elfLogFont.lfHeight = 16;
    lf.elfLogFont.lfWeight = 400;
    lf.elfLogFont.lfOutPrecision = e.outline ? 7 : 0;  // outline precision for outline fonts
    NEWTEXTMETRICEXW tm{};
    tm.ntmTm.tmHeight = 16;
    tm.ntmTm.tmWeight = 400;
    tm.ntmSizeEM = 2048;
    last = proc(&lf.elfLogFont, &tm.ntmTm, e.outline ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE, data);
    if (last == 0) break;
  }
  return last;
}

}  // namespace

KVAPI int EnumFontFamiliesExW(HDC hdc, LOGFONTW* font, FONTENUMPROCW proc, LPARAM data, DWORD) {
  return Enumerate(hdc, font && font->lfFaceName[0] ? font->lfFaceName : nullptr, proc, data);
}

KVAPI int EnumFontFamiliesW(HDC hdc, LPCWSTR family, FONTENUMPROCW proc, LPARAM data) {
  return Enumerate(hdc, family && family[0] ? family : nullptr, proc, data);
}

namespace kvp::test {

void AddFontFamily(const std::u16string& face, bool outline) {
  std::lock_guard<std::mutex> lock(g_fontMutex);
  if (!g_added) g_added = new std::map<std::u16string, FamilyInfo>();
  (*g_added)[face] = FamilyInfo{outline, false};
  if (g_hidden) g_hidden->erase(std::remove(g_hidden->begin(), g_hidden->end(), face), g_hidden->end());
}

void HideFontFamily(const std::u16string& face) {
  std::lock_guard<std::mutex> lock(g_fontMutex);
  if (!g_hidden) g_hidden = new std::vector<std::u16string>();
  g_hidden->push_back(face);
  if (g_added) g_added->erase(face);
}

void ResetFontFamilies() {
  std::lock_guard<std::mutex> lock(g_fontMutex);
  delete g_added;
  g_added = nullptr;
  delete g_hidden;
  g_hidden = nullptr;
}

}  // namespace kvp::test
