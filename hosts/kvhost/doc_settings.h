// The document settings an application sets itself (paper, orientation, copies, resolution, colour, the
// document's title), as the commands that act as an application take them from the command line.
#pragma once
#include <string>
#include <vector>

#include "kvplat/devmode.h"

namespace kvhost {

// The public DEVMODE fields the user asked for; dmFields says which.
struct PublicFields {
  DEVMODEW dm{};
  std::u16string title = u"kvhost sample job";
};

// A decimal number within [low, high].
bool ParseNumber(const std::string& text, long low, long high, long* out);
// One settings option at args[*i] (its value after it): 1 taken, 0 not a settings option, -1 bad value
// (*error says why).
int ParseSetting(const std::vector<std::string>& args, size_t* i, PublicFields* f, std::string* error);
// The asked fields over a DEVMODE.
void MergePublicFields(const DEVMODEW& asked, DEVMODEW* dm);

// The help text of the settings options.
#define KVHOST_SETTINGS_HELP \
  "                           --paper NAME|WxHmm (A0-A4, B1-B4, Letter, Legal, Ledger, Foolscap, or\n" \
  "                           a custom size in millimetres, 210-914 wide and 257-3276 long),\n" \
  "                           --orientation portrait|landscape,\n" \
  "                           --copies N (1-999), --resolution DPI, --color|--mono, --title TEXT\n" \
  "                           (the document name of the job)"

}  // namespace kvhost
