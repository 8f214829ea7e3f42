// The document settings an application sets itself, from the command line.
#include "doc_settings.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "kvplat/text.h"

namespace kvhost {
namespace {

constexpr long kMaxCopies = 999;
constexpr long kMaxCustomMM = 15000;  // custom paper sides, in millimetres
// The model's custom sizes (model/README.md), in tenths of a millimetre: a size outside them would
// make a page of no dots or one wider than any roll. The DEVMODE's 16-bit length caps the longest.
constexpr long kCustomWidthMin = 2100, kCustomWidthMax = 9144;
constexpr long kCustomLengthMin = 2570, kCustomLengthMax = 32767;
constexpr const char* kCustomLimits =
    "--paper: a custom size must be 210 to 914.4 mm wide and 257 to 3276 mm long";

// The standard papers an application offers by name, with their DEVMODE codes.
struct PaperName {
  const char* name;
  SHORT code;
};
constexpr PaperName kPapers[] = {
    {"A0", 267}, {"A1", 268}, {"A2", 66}, {"A3", 8},  {"A4", 9},     {"B1", 270},    {"B2", 271},
    {"B3", 269}, {"B4", 12},  {"Letter", 1}, {"Legal", 5}, {"Ledger", 3}, {"Foolscap", 14},
};


// NAME of a standard paper (compared without regard to case) or WxHmm for a custom size within the
// model's limits. false with *error set when it is neither.
bool ParsePaper(const std::string& text, DEVMODEW* dm, std::string* error) {
  for (const PaperName& p : kPapers) {
    if (text.size() != std::strlen(p.name)) continue;
    bool same = true;
    for (size_t i = 0; i < text.size() && same; ++i) same = std::tolower((unsigned char)text[i]) == std::tolower((unsigned char)p.name[i]);
    if (!same) continue;
    dm->dmPaperSize = p.code;
    dm->dmFields |= DM_PAPERSIZE;
    return true;
  }
  *error = "--paper takes a paper name (A0-A4, B1-B4, Letter, Legal, Ledger, Foolscap) or WIDTHxLENGTHmm";
  size_t x = text.find('x');
  if (x == std::string::npos || text.size() < x + 3 || text.compare(text.size() - 2, 2, "mm") != 0) return false;
  long w = 0, h = 0;
  if (!ParseNumber(text.substr(0, x), 1, kMaxCustomMM, &w) ||
      !ParseNumber(text.substr(x + 1, text.size() - x - 3), 1, kMaxCustomMM, &h))
    return false;
  // DEVMODE sizes are in tenths of a millimetre and 16 bits wide.
  if (w * 10 < kCustomWidthMin || w * 10 > kCustomWidthMax || h * 10 < kCustomLengthMin || h * 10 > kCustomLengthMax) {
    *error = kCustomLimits;
    return false;
  }
  error->clear();
  dm->dmPaperSize = 256;
  dm->dmPaperWidth = SHORT(w * 10);
  dm->dmPaperLength = SHORT(h * 10);
  dm->dmFields |= DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
  return true;
}

}  // namespace

bool ParseNumber(const std::string& text, long low, long high, long* out) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno || !end || end == text.c_str() || *end || v < low || v > high) return false;
  *out = v;
  return true;
}

// One settings option at args[i] (its value after it); 1 taken, 0 not a settings option, -1 bad value
// (*error says why).
int ParseSetting(const std::vector<std::string>& args, size_t* i, PublicFields* f, std::string* error) {
  const std::string& a = args[*i];
  DEVMODEW& dm = f->dm;
  if (a == "--color" || a == "--mono") {
    dm.dmColor = a == "--color" ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    dm.dmFields |= DM_COLOR;
    return 1;
  }
  if (a != "--paper" && a != "--orientation" && a != "--copies" && a != "--resolution" && a != "--title") return 0;
  if (*i + 1 >= args.size()) {
    *error = a + " takes a value";
    return -1;
  }
  const std::string& v = args[++*i];
  long n = 0;
  if (a == "--paper") {
    if (ParsePaper(v, &dm, error)) return 1;
  } else if (a == "--orientation") {
    if (v == "portrait" || v == "landscape") {
      dm.dmOrientation = v == "portrait" ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
      dm.dmFields |= DM_ORIENTATION;
      return 1;
    }
    *error = "--orientation takes portrait or landscape";
  } else if (a == "--copies") {
    if (ParseNumber(v, 1, kMaxCopies, &n)) {
      dm.dmCopies = SHORT(n);
      dm.dmFields |= DM_COPIES;
      return 1;
    }
    *error = "--copies takes a number from 1 to " + std::to_string(kMaxCopies);
  } else if (a == "--resolution") {
    if (ParseNumber(v, 1, 32767, &n)) {
      dm.dmPrintQuality = SHORT(n);
      dm.dmYResolution = SHORT(n);
      dm.dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
      return 1;
    }
    *error = "--resolution takes dots per inch";
  } else {
    if (!v.empty()) {
      f->title = kvp::FromUtf8(v);
      return 1;
    }
    *error = "--title takes a text";
  }
  return -1;
}


void MergePublicFields(const DEVMODEW& asked, DEVMODEW* dm) {
  const DWORD fields = asked.dmFields;
  dm->dmFields |= fields;
  if (fields & DM_ORIENTATION) dm->dmOrientation = asked.dmOrientation;
  if (fields & DM_PAPERSIZE) dm->dmPaperSize = asked.dmPaperSize;
  if (fields & DM_PAPERWIDTH) dm->dmPaperWidth = asked.dmPaperWidth;
  if (fields & DM_PAPERLENGTH) dm->dmPaperLength = asked.dmPaperLength;
  if (fields & DM_COPIES) dm->dmCopies = asked.dmCopies;
  if (fields & DM_PRINTQUALITY) dm->dmPrintQuality = asked.dmPrintQuality;
  if (fields & DM_YRESOLUTION) dm->dmYResolution = asked.dmYResolution;
  if (fields & DM_COLOR) dm->dmColor = asked.dmColor;
}

}  // namespace kvhost
