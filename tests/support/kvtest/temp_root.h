// A fresh machine root in a temporary folder for one test; removed afterwards.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kvplat/root.h"
#include "kvplat/testhooks.h"

namespace kvtest {

class TempRoot {
 public:
  TempRoot() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kvroot-XXXXXX").string();
    char* d = mkdtemp(tmpl.data());
    path_ = d ? d : tmpl;
    kvp::InitMachineRoot(path_);
    kvp::SetMachineRoot(path_);
  }
  ~TempRoot() {
    kvp::test::NoteOutsideChange();  // what this process keeps of the root is gone with it
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kvtest
