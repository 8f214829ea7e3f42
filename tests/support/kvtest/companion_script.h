// A companion stand-in's answers and call log in a machine root: the [Answers] script it reads and the
// log of the calls it took, one line a call.
#pragma once
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kvtest {

inline void WriteCompanionScript(const std::string& root, const std::string& module, const std::string& answers) {
  std::filesystem::create_directories(root + "/companions");
  std::ofstream(root + "/companions/" + module + ".ini") << "[Answers]\n" << answers;
}

inline std::string ReadCompanionLog(const std::string& root, const std::string& module) {
  std::ifstream in(root + "/companions/" + module + ".log");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace kvtest
