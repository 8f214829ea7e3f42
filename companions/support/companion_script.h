// Scripting for the stand-ins of the maker's outside libraries. A test (or a user) writes
// <root>/companions/<Module>.ini with one [Answers] section; the stand-in reads its answers from there at
// every call and appends one line per call to <root>/companions/<Module>.log, which tests read back.
#pragma once
#include <string>

namespace kvcomp {

// The integer answer for `key`, or `def` when the script or key is absent. Numbers may be decimal or 0x hex.
long ScriptInt(const char* module, const char* key, long def);
// The text answer for `key`, or `def`.
std::string ScriptString(const char* module, const char* key, const std::string& def);
// Size at which a call log is set aside as "<Module>.log.old" and started afresh.
constexpr unsigned long long kMaxLogBytes = 1ull << 20;
// Appends one line to the module's call log (bounded: see kMaxLogBytes).
void LogCall(const char* module, const std::string& line);

}  // namespace kvcomp
