// The face file fontconfig matches for a family, shared by the window drawing layer and the engine.
#pragma once
#include <string>

#include "kvplat/types.h"

namespace kvp {

// The file and face index for a family, weight (600 and above: bold) and slant. False when fontconfig
// cannot start or matches nothing.
bool MatchFontFile(const std::string& family, LONG weight, bool italic, std::string* file, int* index);

}  // namespace kvp
