// The named setting ids (setting_ids.h, and the QDV_ names of access.h) against the setting table:
// every named id is a setting of the table, carrying the table's name where the table names it, and
// sid names every setting of the table exactly once.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "settings/item_records.h"
#include "settings/table_internal.h"

namespace {

// name -> id of every "  <prefix>name = number," line of a header, names without the prefix.
std::map<std::string, int> NamedIds(const char* path, const std::string& prefix) {
  std::ifstream in(std::string(KV_SOURCE_DIR) + "/common/settings/" + path);
  EXPECT_TRUE(in.good()) << path;
  std::map<std::string, int> out;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string name, eq, number;
    if (!(words >> name >> eq >> number) || eq != "=" || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (number.empty() || number.back() != ',' || number.find_first_not_of("0123456789,") != std::string::npos) continue;
    name.erase(0, prefix.size());
    bool fresh = out.emplace(name, std::stoi(number)).second;
    EXPECT_TRUE(fresh) << "named twice: " << name;
  }
  return out;
}

std::string Narrow(const WCHAR* w) {
  std::string s;
  for (; w && *w; ++w) s += char(*w);
  return s;
}

// The table's row of a setting id, or none.
const ITEM_DESC* RowOf(int id) {
  int i = StgRowIndexOf(id);
  return i >= 0 && i < STG_ITEM_COUNT && int(StgTemplateRows[i].id) == id ? &StgTemplateRows[i] : nullptr;
}

TEST(SettingIds, NamedIdsMatchTheSettingTable) {
  std::map<std::string, int> sid = NamedIds("setting_ids.h", "");
  std::map<std::string, int> qdv = NamedIds("access.h", "QDV_");
  ASSERT_EQ(sid.size(), size_t(STG_ITEM_COUNT));
  ASSERT_GT(qdv.size(), 10u);
  for (const auto* names : {&sid, &qdv})
    for (const auto& [name, id] : *names) {
      const ITEM_DESC* row = RowOf(id);
      ASSERT_NE(row, nullptr) << name << " = " << id << " is no setting of the table";
      if (row->ext->name) {
        EXPECT_EQ(Narrow(row->ext->name), name) << id;
      }
    }
  std::map<int, int> named;
  for (const auto& [name, id] : sid) ++named[id];
  for (const ITEM_DESC& row : StgTemplateRows) EXPECT_EQ(named[int(row.id)], 1) << row.id;
}

}  // namespace
