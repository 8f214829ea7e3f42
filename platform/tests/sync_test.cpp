// Critical sections, named mutexes across threads and processes, events and the handle table.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "kvplat/error.h"
#include "kvplat/handle.h"
#include "kvplat/sync.h"
#include "kvtest/temp_root.h"

TEST(CriticalSection, ReentrantAndExclusive) {
  CRITICAL_SECTION cs;
  ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&cs, 4000));
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_EQ(cs.RecursionCount, 2);
  bool otherGot = true;
  std::thread([&] { otherGot = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(otherGot);
  LeaveCriticalSection(&cs);
  std::thread([&] { otherGot = TryEnterCriticalSection(&cs); }).join();
  EXPECT_FALSE(otherGot);
  LeaveCriticalSection(&cs);

  // Four threads add to a plain counter under the section; any lost update shows a hole.
  long counter = 0;
  std::vector<std::thread> ts;
  for (int t = 0; t < 4; ++t)
    ts.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        EnterCriticalSection(&cs);
        EnterCriticalSection(&cs);
        ++counter;
        LeaveCriticalSection(&cs);
        LeaveCriticalSection(&cs);
      }
    });
  for (auto& t : ts) t.join();
  EXPECT_EQ(counter, 80000);
  LeaveCriticalSection(&cs);  // not the owner: ignored
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  LeaveCriticalSection(&cs);
  DeleteCriticalSection(&cs);
}

TEST(Handles, TableRefusesStaleAndForeign) {
  size_t before = kvp::HandleCount();
  HANDLE m = CreateMutexW(nullptr, FALSE, nullptr);
  HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(m && e);
  EXPECT_EQ(kvp::HandleCount(), before + 2);
  EXPECT_FALSE(SetEvent(m));  // wrong kind
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_TRUE(CloseHandle(m));
  EXPECT_FALSE(CloseHandle(m));
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  for (HANDLE bad : {HANDLE(nullptr), INVALID_HANDLE_VALUE, HANDLE(uintptr_t(0x12345678))}) {
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(bad));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  }
  EXPECT_TRUE(CloseHandle(e));
  EXPECT_EQ(kvp::HandleCount(), before);
}

TEST(Event, AutoAndManualReset) {
  HANDLE a = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(a, 0), (DWORD)WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(a, 0), (DWORD)WAIT_TIMEOUT);
  HANDLE m = CreateEventW(nullptr, TRUE, FALSE, u"ev");
  HANDLE m2 = CreateEventW(nullptr, FALSE, FALSE, u"ev");
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  std::thread t([&] { SetEvent(m2); });
  EXPECT_EQ(WaitForSingleObject(m, INFINITE), (DWORD)WAIT_OBJECT_0);
  t.join();
  EXPECT_EQ(WaitForSingleObject(m, 0), (DWORD)WAIT_OBJECT_0);  // manual: stays signalled
  ResetEvent(m);
  EXPECT_EQ(WaitForSingleObject(m, 10), (DWORD)WAIT_TIMEOUT);
  for (HANDLE h : {a, m, m2}) CloseHandle(h);
}

TEST(Mutex, RecursiveOwnershipAndErrors) {
  kvtest::TempRoot root;
  HANDLE m = CreateMutexW(nullptr, TRUE, u"Global\\ZarnMutexTse");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
  HANDLE same = CreateMutexW(nullptr, FALSE, u"Local\\ZarnMutexTse");
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, u"ZarnMutexTse");
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(WaitForSingleObject(same, INFINITE), (DWORD)WAIT_OBJECT_0);  // again by the owner
  DWORD other = 0;
  std::thread([&] { other = WaitForSingleObject(opened, 30); }).join();
  EXPECT_EQ(other, (DWORD)WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(opened));
  EXPECT_FALSE(ReleaseMutex(m));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_OWNER);
  std::thread([&] {
    other = WaitForSingleObject(opened, 1000);
    ReleaseMutex(opened);
  }).join();
  EXPECT_EQ(other, (DWORD)WAIT_OBJECT_0);

  // A thread that ends while owning abandons the mutex.
  std::thread([&] { WaitForSingleObject(m, INFINITE); }).join();
  EXPECT_EQ(WaitForSingleObject(m, 1000), (DWORD)WAIT_ABANDONED);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(WaitForSingleObject(m, 0), (DWORD)WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(m));
  for (HANDLE h : {m, same, opened}) EXPECT_TRUE(CloseHandle(h));

  struct Bad {
    const char16_t* name;
    DWORD err;
  } bad[] = {{u"", ERROR_INVALID_NAME}, {u"Global\\", ERROR_INVALID_NAME}, {u"a\\b", ERROR_INVALID_NAME}};
  for (const auto& b : bad) {
    SetLastError(0);
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, b.name), nullptr);
    EXPECT_EQ(GetLastError(), b.err);
  }
  std::u16string longName(MAX_PATH + 1, u'x');
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, longName.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILENAME_EXCED_RANGE);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"NeverMade"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, nullptr), nullptr);
}

namespace {
// Runs `body` in a forked child and returns its exit status (the child never returns into the test).
template <typename F>
pid_t Spawn(F body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  return pid;
}
int Reap(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}
}  // namespace

TEST(Mutex, TwoProcessesHoldItInTurn) {
  kvtest::TempRoot root;
  // Shared between the children: how many hold the mutex now, the most ever seen, and the total entries.
  auto* shared = static_cast<std::atomic<int>*>(
      mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(shared, MAP_FAILED);
  new (&shared[0]) std::atomic<int>(0);
  new (&shared[1]) std::atomic<int>(0);
  new (&shared[2]) std::atomic<int>(0);
  auto child = [shared] {
    HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\TurnTest");
    if (!m) return 1;
    for (int i = 0; i < 200; ++i) {
      if (WaitForSingleObject(m, INFINITE) != WAIT_OBJECT_0) return 2;
      int inside = ++shared[0];
      if (inside > shared[1]) shared[1] = inside;
      usleep(50);
      ++shared[2];
      --shared[0];
      if (!ReleaseMutex(m)) return 3;
    }
    CloseHandle(m);
    return 0;
  };
  pid_t a = Spawn(child), b = Spawn(child);
  EXPECT_EQ(Reap(a), 0);
  EXPECT_EQ(Reap(b), 0);
  EXPECT_EQ(shared[1].load(), 1);  // never two holders at once
  EXPECT_EQ(shared[2].load(), 400);
  munmap(shared, 4096);
}

TEST(Mutex, HolderThatDiesAbandonsIt) {
  kvtest::TempRoot root;
  HANDLE m = CreateMutexW(nullptr, FALSE, u"Global\\Abandon");
  ASSERT_NE(m, nullptr);
  int held[2], go[2];  // child -> parent: "I hold it"; parent -> child: "die now"
  ASSERT_EQ(pipe(held), 0);
  ASSERT_EQ(pipe(go), 0);
  pid_t pid = Spawn([&] {
    HANDLE c = CreateMutexW(nullptr, FALSE, u"Global\\Abandon");
    if (!c || GetLastError() != ERROR_ALREADY_EXISTS) return 1;
    if (WaitForSingleObject(c, INFINITE) != WAIT_OBJECT_0) return 2;
    char x = 1;
    (void)!write(held[1], &x, 1);
    (void)!read(go[0], &x, 1);
    return 0;  // ends without ReleaseMutex
  });
  char x = 0;
  ASSERT_EQ(read(held[0], &x, 1), 1);
  EXPECT_EQ(WaitForSingleObject(m, 0), (DWORD)WAIT_TIMEOUT);  // the child holds it
  ASSERT_EQ(write(go[1], &x, 1), 1);
  EXPECT_EQ(WaitForSingleObject(m, 10000), (DWORD)WAIT_ABANDONED);
  EXPECT_EQ(Reap(pid), 0);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(WaitForSingleObject(m, 0), (DWORD)WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(m);
  for (int fd : {held[0], held[1], go[0], go[1]}) close(fd);
}
