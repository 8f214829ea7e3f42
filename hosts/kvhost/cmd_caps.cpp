// kvhost caps PRINTER [NAME...]: asks the printer's driver what the printer can do, as an application's
// print dialog does (DeviceCapabilitiesW), and prints the answers readably.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"

namespace {

constexpr char kUsage[] = "usage: kvhost caps PRINTER [NAME...]";

enum Kind { kValue, kPapers, kBins, kResolutions, kNup, kMedia, kText, kExtent, kRate };

struct Capability {
  const char* name;
  WORD index;
  Kind kind;
  const char* label;
};

constexpr Capability kCaps[] = {
    {"papers", DC_PAPERS, kPapers, "papers"},
    {"bins", DC_BINS, kBins, "bins"},
    {"resolutions", DC_ENUMRESOLUTIONS, kResolutions, "resolutions"},
    {"copies", DC_COPIES, kValue, "copies"},
    {"nup", DC_NUP, kNup, "pages per sheet"},
    {"media", DC_MEDIAREADY, kMedia, "media ready"},
    {"personality", DC_PERSONALITY, kText, "personality"},
    {"rate", DC_PRINTRATEPPM, kRate, "print rate"},
    {"duplex", DC_DUPLEX, kValue, "duplex"},
    {"collate", DC_COLLATE, kValue, "collate"},
    {"staple", DC_STAPLE, kValue, "staple"},
    {"color", DC_COLORDEVICE, kValue, "colour device"},
    {"truetype", DC_TRUETYPE, kValue, "TrueType"},
    {"orientation", DC_ORIENTATION, kValue, "landscape angle"},
    {"minextent", DC_MINEXTENT, kExtent, "smallest custom paper"},
    {"maxextent", DC_MAXEXTENT, kExtent, "largest custom paper"},
    {"fields", DC_FIELDS, kValue, "fields"},
    {"size", DC_SIZE, kValue, "DEVMODE public size"},
    {"extra", DC_EXTRA, kValue, "DEVMODE private size"},
    {"version", DC_VERSION, kValue, "DEVMODE version"},
    {"driver", DC_DRIVER, kValue, "driver version"},
};

constexpr DWORD kNone = 0xFFFFFFFFu;

std::u16string Field(const WCHAR* at, size_t chars) {
  size_t n = 0;
  while (n < chars && at[n]) ++n;
  return std::u16string(at, n);
}

// Asks one capability: its count or value, and the entries into out (entry bytes each).
DWORD Ask(const std::u16string& printer, WORD index, std::vector<BYTE>* out, size_t entry) {
  DWORD n = DeviceCapabilitiesW(printer.c_str(), nullptr, index, nullptr, nullptr);
  if (n == kNone || !out) return n;
  out->assign(size_t(n) * entry + entry, 0);
  return DeviceCapabilitiesW(printer.c_str(), nullptr, index, reinterpret_cast<LPWSTR>(out->data()), nullptr);
}

std::string Hex(DWORD v) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%X", v);
  return b;
}

void Print(const std::u16string& printer, const Capability& c) {
  std::vector<BYTE> a, b, s;
  DWORD n = 0;
  switch (c.kind) {
    case kPapers: {
      n = Ask(printer, DC_PAPERS, &a, DC_PAPERS_ENTRY);
      if (n == kNone) break;
      DWORD names = Ask(printer, DC_PAPERNAMES, &b, DC_PAPERNAMES_ENTRY);
      DWORD sizes = Ask(printer, DC_PAPERSIZE, &s, DC_PAPERSIZE_ENTRY);
      std::printf("%s (%u):\n", c.label, n);
      for (DWORD i = 0; i < n; ++i) {
        WORD code = reinterpret_cast<const WORD*>(a.data())[i];
        std::string name = i < names && names != kNone
                               ? kvp::ToUtf8(Field(reinterpret_cast<const WCHAR*>(b.data()) + i * 64, 64))
                               : "";
        std::printf("  %5u  %-28s", code, name.c_str());
        if (i < sizes && sizes != kNone) {
          const LONG* p = reinterpret_cast<const LONG*>(s.data()) + 2 * i;
          std::printf(" %ld.%ld x %ld.%ld mm", long(p[0] / 10), long(p[0] % 10), long(p[1] / 10), long(p[1] % 10));
        }
        std::printf("\n");
      }
      return;
    }
    case kBins: {
      n = Ask(printer, DC_BINS, &a, DC_BINS_ENTRY);
      if (n == kNone) break;
      DWORD names = Ask(printer, DC_BINNAMES, &b, DC_BINNAMES_ENTRY);
      std::printf("%s (%u):\n", c.label, n);
      for (DWORD i = 0; i < n; ++i) {
        std::string name = i < names && names != kNone
                               ? kvp::ToUtf8(Field(reinterpret_cast<const WCHAR*>(b.data()) + i * 24, 24))
                               : "";
        std::printf("  %5u  %s\n", reinterpret_cast<const WORD*>(a.data())[i], name.c_str());
      }
      return;
    }
    case kResolutions: {
      n = Ask(printer, c.index, &a, DC_ENUMRESOLUTIONS_ENTRY);
      if (n == kNone) break;
      std::printf("%s:", c.label);
      for (DWORD i = 0; i < n; ++i) {
        const LONG* p = reinterpret_cast<const LONG*>(a.data()) + 2 * i;
        std::printf("%s %ld x %ld dpi", i ? "," : "", long(p[0]), long(p[1]));
      }
      std::printf("\n");
      return;
    }
    case kNup: {
      n = Ask(printer, c.index, &a, DC_NUP_ENTRY);
      if (n == kNone) break;
      std::printf("%s:", c.label);
      for (DWORD i = 0; i < n; ++i) std::printf(" %u", reinterpret_cast<const DWORD*>(a.data())[i]);
      std::printf("\n");
      return;
    }
    case kMedia: {
      n = Ask(printer, c.index, &a, DC_MEDIAREADY_ENTRY);
      if (n == kNone) break;
      std::printf("%s (%u):", c.label, n);
      for (DWORD i = 0; i < n; ++i)
        std::printf("%s %s", i ? "," : "", kvp::ToUtf8(Field(reinterpret_cast<const WCHAR*>(a.data()) + i * 64, 64)).c_str());
      std::printf("\n");
      return;
    }
    case kText: {
      a.assign(DC_PERSONALITY_ENTRY + 2, 0);
      n = DeviceCapabilitiesW(printer.c_str(), nullptr, c.index, reinterpret_cast<LPWSTR>(a.data()), nullptr);
      if (n == kNone) break;
      std::printf("%s: %s\n", c.label, kvp::ToUtf8(Field(reinterpret_cast<const WCHAR*>(a.data()), 32)).c_str());
      return;
    }
    case kExtent: {
      n = DeviceCapabilitiesW(printer.c_str(), nullptr, c.index, nullptr, nullptr);
      if (n == kNone) break;
      std::printf("%s: %u.%u x %u.%u mm\n", c.label, (n & 0xFFFF) / 10, (n & 0xFFFF) % 10, (n >> 16) / 10, (n >> 16) % 10);
      return;
    }
    case kRate: {
      n = DeviceCapabilitiesW(printer.c_str(), nullptr, c.index, nullptr, nullptr);
      if (n == kNone) break;
      std::printf("%s: %u pages per minute\n", c.label, n);
      return;
    }
    case kValue: {
      n = DeviceCapabilitiesW(printer.c_str(), nullptr, c.index, nullptr, nullptr);
      if (n == kNone) break;
      std::printf("%s: %s\n", c.label, c.index == DC_FIELDS || c.index == DC_VERSION || c.index == DC_DRIVER
                                           ? Hex(n).c_str()
                                           : std::to_string(n).c_str());
      return;
    }
  }
  // The driver answers -1 for what it does not know (a printer without a duplex value, say).
  std::printf("%s: not known\n", c.label);
  return;
}

int RunCaps(const std::vector<std::string>& args) {
  if (args.empty() || args[0].rfind("--", 0) == 0) return kvhost::UsageError(kUsage);
  std::vector<const Capability*> asked;
  for (size_t i = 1; i < args.size(); ++i) {
    const Capability* found = nullptr;
    for (const Capability& c : kCaps)
      if (args[i] == c.name) found = &c;
    if (!found) {
      std::string names;
      for (const Capability& c : kCaps) names += std::string(names.empty() ? "" : ", ") + c.name;
      return kvhost::UsageError("caps: unknown capability '" + args[i] + "' (one of " + names + ")");
    }
    asked.push_back(found);
  }
  if (asked.empty())
    for (const Capability& c : kCaps) asked.push_back(&c);
  std::u16string printer = kvp::FromUtf8(args[0]);
  // A printer that is not there, or whose driver cannot answer, fails as a whole.
  if (DeviceCapabilitiesW(printer.c_str(), nullptr, DC_SIZE, nullptr, nullptr) == kNone)
    return kvhost::Failed("caps: the driver of '" + args[0] + "' does not answer (error " +
                          std::to_string(GetLastError()) + ")");
  for (const Capability* c : asked) Print(printer, *c);
  return kvhost::kExitDone;
}

}  // namespace

KVHOST_COMMAND("caps",
               "  caps PRINTER [NAME...]      the printer's capabilities as its driver answers an application's\n"
               "                           print dialog: papers (code, name, size), bins, resolutions, copies,\n"
               "                           pages per sheet, media ready, personality, print rate, ...",
               RunCaps);
