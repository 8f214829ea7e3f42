// The stand-ins' call log stays bounded on a busy root: past its bound it is set aside once and started
// afresh, so a long run keeps the latest calls and never more than twice the bound.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "companion_script.h"
#include "kvtest/temp_root.h"

namespace {

namespace fs = std::filesystem;

TEST(CompanionLog, StaysBoundedAndKeepsTheLatestCalls) {
  kvtest::TempRoot root;
  fs::create_directories(root.path() + "/companions");
  const std::string log = root.path() + "/companions/kvtest.log", old = log + ".old";
  const std::string line(1000, 'w');
  const size_t lines = 3 * kvcomp::kMaxLogBytes / line.size();  // three bounds' worth of calls
  for (size_t i = 0; i < lines; ++i) kvcomp::LogCall("kvtest", i + 1 == lines ? "the last call" : line);
  ASSERT_TRUE(fs::exists(old));
  EXPECT_LE(fs::file_size(log), kvcomp::kMaxLogBytes + line.size() + 1);
  EXPECT_LE(fs::file_size(old), kvcomp::kMaxLogBytes + line.size() + 1);
  std::ifstream in(log);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.substr(text.size() - 14), "the last call\n");
}

}  // namespace
