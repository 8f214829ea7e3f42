#include "companion_script.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "kvplat/root.h"

namespace kvcomp {
namespace {

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Reads the [Answers] value of `key` from the module's script; false when absent.
bool Lookup(const char* module, const char* key, std::string& out) {
  std::ifstream f(kvp::MachineRoot() + "/companions/" + module + ".ini");
  if (!f) return false;
  std::string line;
  bool inAnswers = false;
  while (std::getline(f, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      inAnswers = EqualNoCase(line, "[Answers]");
      continue;
    }
    size_t eq = line.find('=');
    if (!inAnswers || eq == std::string::npos) continue;
    if (EqualNoCase(Trim(line.substr(0, eq)), key)) {
      out = Trim(line.substr(eq + 1));
      return true;
    }
  }
  return false;
}

}  // namespace

long ScriptInt(const char* module, const char* key, long def) {
  std::string v;
  if (!Lookup(module, key, v) || v.empty()) return def;
  char* end = nullptr;
  long n = std::strtol(v.c_str(), &end, 0);
  return end && *end == 0 ? n : def;
}

std::string ScriptString(const char* module, const char* key, const std::string& def) {
  std::string v;
  return Lookup(module, key, v) ? v : def;
}

void LogCall(const char* module, const std::string& line) {
  // A busy root would grow the log without end: past the bound it becomes "<Module>.log.old" (the one
  // before that is dropped) and a new log starts, so at most twice the bound is kept.
  const std::string path = kvp::MachineRoot() + "/companions/" + module + ".log";
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) >= kMaxLogBytes && !ec) std::filesystem::rename(path, path + ".old", ec);
  std::ofstream f(path, std::ios::app);
  f << line << '\n';
}

}  // namespace kvcomp
