// Programs started through machine paths: the working folder, the wait, the exit code, the errors and
// the start log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kvplat/error.h"
#include "kvplat/process.h"
#include "kvplat/root.h"
#include "kvplat/sync.h"
#include "kvplat/text.h"
#include "kvplat/time.h"
#include "kvtest/temp_root.h"

namespace {

namespace fs = std::filesystem;

std::string Host(std::u16string_view machine) {
  std::string out;
  EXPECT_EQ(kvp::MapPath(machine, out), 0u);
  return out;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(Process, RunsTheMappedProgramInTheMappedFolderAndReportsItsEnd) {
  kvtest::TempRoot root;
  kvp::TakeProcessStarts();
  fs::create_directories(Host(u"C:\\Tools"));
  fs::create_directories(Host(u"C:\\Work"));
  fs::copy_file(KV_MODULE_DIR "/kv_marker", Host(u"C:\\Tools\\marker.exe"));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = 0;
  PROCESS_INFORMATION pi{};
  WCHAR line[] = u"c:\\tools\\MARKER.EXE one two";
  ASSERT_TRUE(CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, u"c:\\work", &si, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
  DWORD code = 7;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(ReadText(Host(u"C:\\Work\\marker.txt")), "one two");
  EXPECT_TRUE(CloseHandle(pi.hThread));
  EXPECT_TRUE(CloseHandle(pi.hProcess));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_FAILED);

  auto starts = kvp::TakeProcessStarts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].application, u"c:\\tools\\MARKER.EXE");
  EXPECT_EQ(starts[0].directory, u"c:\\work");
  EXPECT_EQ(starts[0].flags, DWORD(STARTF_USESHOWWINDOW));
  EXPECT_EQ(starts[0].showWindow, 0);
  EXPECT_EQ(starts[0].error, 0u);
  EXPECT_TRUE(kvp::TakeProcessStarts().empty());
}

TEST(Process, RefusesWhatIsNoProgramAndRecordsTheRefusal) {
  kvtest::TempRoot root;
  kvp::TakeProcessStarts();
  fs::create_directories(Host(u"C:\\Tools"));
  std::ofstream(Host(u"C:\\Tools\\readme.txt")) << "text";
  fs::copy_file(KV_MODULE_DIR "/kv_marker", Host(u"C:\\Tools\\marker.exe"));
  struct Case {
    const char16_t* program;
    const char16_t* folder;
    DWORD error;
  } cases[] = {
      {u"C:\\Tools\\readme.txt", nullptr, ERROR_BAD_EXE_FORMAT},
      {u"C:\\Tools\\missing.exe", nullptr, ERROR_FILE_NOT_FOUND},
      {u"C:\\Tools", nullptr, ERROR_BAD_EXE_FORMAT},
      {u"C:\\Tools\\marker.exe", u"C:\\NoSuchFolder", ERROR_DIRECTORY},
      {u"", nullptr, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    PROCESS_INFORMATION pi{};
    SetLastError(0);
    EXPECT_FALSE(CreateProcessW(c.program, nullptr, nullptr, nullptr, FALSE, 0, nullptr, c.folder, nullptr, &pi));
    EXPECT_EQ(GetLastError(), c.error) << kvp::ToUtf8(c.program);
    EXPECT_EQ(pi.hProcess, nullptr);
  }
  EXPECT_EQ(kvp::TakeProcessStarts().size(), std::size(cases));
}

TEST(Process, AWaitWithATimeOutEndsAndTheExitCodeShowsARunningProgram) {
  kvtest::TempRoot root;
  fs::create_directories(Host(u"C:\\Tools"));
  std::string script = Host(u"C:\\Tools\\slow.exe");
  std::ofstream(script) << "#!/bin/sh\nsleep 1\nexit 3\n";
  fs::permissions(script, fs::perms::owner_all);
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(u"C:\\Tools\\slow.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10), WAIT_TIMEOUT);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, DWORD(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 3u);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  kvp::TakeProcessStarts();
}
