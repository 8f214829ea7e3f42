// Shared set-up of the feature-module tests: one full context of printer "P" with an empty driver INI
// where printer set-up leaves it, and short helpers for settings and INI keys.
#pragma once
#include <string>

#include "config/ini.h"
#include "config/paths.h"
#include "context_fixture.h"
#include "kvtest/install_printer.h"
#include "settings/access.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"

namespace kvstgtest {

class ModuleTest : public OneContextTest {
 protected:
  void SetUp() override {
    OneContextTest::SetUp();
    ini_ = CfgGetIniPath(ctx_);
    section_ = CfgGetPrinterName(ctx_);
    ASSERT_FALSE(ini_.empty());
    ASSERT_FALSE(section_.empty());
    kvtest::WriteMachineFile(ini_, "");
  }
  uint64_t Get(WORD id) { return StgGetValue(ctx_, id, nullptr); }
  void Set(WORD id, uint64_t v) { StgSetValue(ctx_, id, v); }
  // An INI key of the driver INI's printer section (or another section / file), "" when absent.
  std::u16string Key(const std::u16string& key, const std::u16string& section = {}, const std::u16string& file = {}) {
    WCHAR buf[300];
    CfgIniGetString((section.empty() ? section_ : section).c_str(), key.c_str(), u"<absent>", buf, 300,
                    (file.empty() ? ini_ : file).c_str());
    return buf;
  }
  void PutKey(const std::u16string& key, const std::u16string& value, const std::u16string& section = {},
              const std::u16string& file = {}) {
    ASSERT_TRUE(CfgIniWriteString((section.empty() ? section_ : section).c_str(), key.c_str(), value.c_str(),
                                  (file.empty() ? ini_ : file).c_str()));
  }

  std::u16string ini_;
  std::u16string section_;
};

}  // namespace kvstgtest
