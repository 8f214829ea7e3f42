// Named mutexes across processes. Two layers:
//  - in the process, one MutexCore per name (shared by all handles) says which thread owns the mutex and
//    how often, and queues the process's own threads on a condition variable;
//  - across processes, the owning thread holds an exclusive open-file-description lock on byte 0 of the
//    name's lock file, and the byte itself is the "held" mark (1 while owned), read and written through a
//    shared mapping of the file. The host drops the lock when the holder dies, the mark stays, and the
//    next owner learns that the mutex was abandoned.
// Every process with the mutex open holds a shared lock on byte 1, which is how CreateMutexW and
// OpenMutexW tell whether the mutex exists somewhere; byte 2 serialises that check with creation.
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/sync.h"
#include "kvplat/text.h"
#include "kvplat/testhooks.h"

namespace {

using Clock = std::chrono::steady_clock;

pid_t SelfId() {
  static thread_local pid_t id = pid_t(syscall(SYS_gettid));
  return id;
}

struct MutexCore {
  std::string key;  // lock-file path, or empty for an unnamed mutex
  int fd = -1;
  char* mapped = nullptr;  // the lock file's first bytes, shared with every process (byte 0: the mark)
  std::mutex mu;
  std::condition_variable cv;
  pid_t owner = 0;       // thread that owns the mutex or is taking the file lock for it
  unsigned depth = 0;    // 0 while the owner is still taking the file lock
  bool unnamedMark = false;  // the "held" mark of an unnamed mutex (no file)
  ~MutexCore() {
    if (mapped) munmap(mapped, kMapBytes);
    if (fd >= 0) close(fd);  // drops this process's locks; a still-set mark reads as abandoned
  }
  static constexpr size_t kMapBytes = 64;
};

// The names this process has open. Replaced (not cleared) in a forked child: the parent's objects may be
// mid-use by threads that do not exist in the child.
struct Registry {
  std::mutex mu;
  std::map<std::string, std::weak_ptr<MutexCore>> cores;
};
Registry* g_registry = nullptr;
Registry& Reg() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_registry = new Registry();
    pthread_atfork(nullptr, nullptr, [] { g_registry = new Registry(); });
  });
  return *g_registry;
}

// The mutexes the current thread owns; a thread that ends with some abandons them.
struct Owned {
  std::vector<std::shared_ptr<MutexCore>> list;
  ~Owned();
};
thread_local Owned t_owned;

bool LockRange(int fd, short type, off_t start, bool wait) {
  struct flock fl{};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = 1;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}
bool RangeLockedByOther(int fd, off_t start) {
  struct flock fl{};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

bool ReadMark(MutexCore& c) {
  if (!c.mapped) return c.unnamedMark;
  return __atomic_load_n(&c.mapped[0], __ATOMIC_ACQUIRE) == 1;
}
void WriteMark(MutexCore& c, bool held) {
  if (!c.mapped) {
    c.unnamedMark = held;
    return;
  }
  __atomic_store_n(&c.mapped[0], char(held ? 1 : 0), __ATOMIC_RELEASE);
}

// Gives up the ownership of `c` held by the current thread (the caller holds c.mu). With `abandon`
// the mark stays set, so the next owner gets WAIT_ABANDONED.
void DropOwnership(MutexCore& c, bool abandon) {
  if (!abandon) WriteMark(c, false);
  if (c.fd >= 0) LockRange(c.fd, F_UNLCK, 0, false);
  c.owner = 0;
  c.depth = 0;
  c.cv.notify_one();
}

Owned::~Owned() {
  for (auto& c : list) {
    std::lock_guard<std::mutex> g(c->mu);
    if (c->owner == SelfId() && c->depth > 0) DropOwnership(*c, true);
  }
}

// Splits the prefix off and checks the name; returns the error or ERROR_SUCCESS.
DWORD NormaliseName(LPCWSTR name, std::u16string* out) {
  std::u16string_view n = kvp::WView(name);
  if (n.size() > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  for (std::u16string_view prefix : {u"Global\\", u"Local\\"}) {
    if (n.size() >= prefix.size() && kvp::WEqualI(n.substr(0, prefix.size()), prefix)) {
      n.remove_prefix(prefix.size());
      break;
    }
  }
  if (n.empty() || n.find(u'\\') != std::u16string_view::npos) return ERROR_INVALID_NAME;
  *out = std::u16string(n);
  return ERROR_SUCCESS;
}

// The lock file of a name: readable names are kept, others are hashed (names compare with case, so the
// hash covers the exact spelling).
std::string LockFileOf(const std::u16string& name) {
  std::string base;
  bool plain = name.size() <= 64;
  for (char16_t c : name) {
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
          c == u'-' || c == u'.'))
      plain = false;
  }
  if (plain) {
    base = "m_" + kvp::ToUtf8(name);
  } else {
    uint64_t h = 1469598103934665603ull;
    for (char16_t c : name) {
      h ^= uint64_t(c);
      h *= 1099511628211ull;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "h_%016llx", (unsigned long long)h);
    base = buf;
  }
  return kvp::MachineRoot() + "/sync/" + base + ".lock";
}

struct MutexHandle {
  std::shared_ptr<MutexCore> core;
};
void CloseMutexHandle(void* p) { delete static_cast<MutexHandle*>(p); }

HANDLE NewHandle(std::shared_ptr<MutexCore> core) {
  return kvp::HandleCreate(kvp::kHandleKindMutex, new MutexHandle{std::move(core)}, &CloseMutexHandle);
}

// Opens (create == true) or finds the core of a named mutex. *existed tells whether some process
// (this one included) had it open already.
DWORD OpenCore(const std::u16string& name, bool create, std::shared_ptr<MutexCore>* out, bool* existed) {
  std::string path = LockFileOf(name);
  Registry& reg = Reg();
  std::lock_guard<std::mutex> g(reg.mu);
  auto it = reg.cores.find(path);
  if (it != reg.cores.end()) {
    if (auto c = it->second.lock()) {
      *out = c;
      *existed = true;
      return ERROR_SUCCESS;
    }
  }
  std::string dir = kvp::MachineRoot() + "/sync";
  struct stat st;
  if (stat(kvp::MachineRoot().c_str(), &st) != 0) return ERROR_PATH_NOT_FOUND;
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return ERROR_ACCESS_DENIED;
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
  if (fd < 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
  LockRange(fd, F_WRLCK, 2, true);
  bool other = RangeLockedByOther(fd, 1);
  struct stat fst;
  void* map = MAP_FAILED;
  if ((create || other) && fstat(fd, &fst) == 0 &&
      (fst.st_size >= off_t(MutexCore::kMapBytes) || ftruncate(fd, MutexCore::kMapBytes) == 0))
    map = mmap(nullptr, MutexCore::kMapBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if ((!create && !other) || map == MAP_FAILED) {
    LockRange(fd, F_UNLCK, 2, false);
    close(fd);
    return (!create && !other) ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
  }
  auto c = std::make_shared<MutexCore>();
  c->key = path;
  c->fd = fd;
  c->mapped = static_cast<char*>(map);
  // Nobody has it open: a mark left by processes that are all gone belongs to a mutex that no longer
  // exists, and a new one starts free.
  if (!other) WriteMark(*c, false);
  LockRange(fd, F_RDLCK, 1, true);
  LockRange(fd, F_UNLCK, 2, false);
  reg.cores[path] = c;
  *out = c;
  *existed = other;
  return ERROR_SUCCESS;
}

// Takes the mutex for the current thread. Returns WAIT_OBJECT_0, WAIT_ABANDONED or WAIT_TIMEOUT.
DWORD Acquire(const std::shared_ptr<MutexCore>& cp, DWORD ms) {
  MutexCore& c = *cp;
  pid_t me = SelfId();
  Clock::time_point deadline = ms == INFINITE ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(ms);
  {
    std::unique_lock<std::mutex> g(c.mu);
    if (c.owner == me && c.depth > 0) {
      ++c.depth;
      return WAIT_OBJECT_0;
    }
    while (c.owner != 0) {
      if (ms == INFINITE)
        c.cv.wait(g);
      else if (c.cv.wait_until(g, deadline) == std::cv_status::timeout && c.owner != 0)
        return WAIT_TIMEOUT;
    }
    c.owner = me;  // claims the in-process side; depth 0 until the file lock is ours
    c.depth = 0;
  }
  bool got = true;
  if (c.fd >= 0) {
    if (ms == INFINITE) {
      got = LockRange(c.fd, F_WRLCK, 0, true);
    } else {
      // Poll: the host offers no timed wait on a file lock.
      auto pauseFor = std::chrono::microseconds(200);
      while (!(got = LockRange(c.fd, F_WRLCK, 0, false)) && Clock::now() < deadline) {
        auto left = deadline - Clock::now();
        std::this_thread::sleep_for(left < pauseFor ? left : pauseFor);
        if (pauseFor < std::chrono::milliseconds(5)) pauseFor *= 2;
      }
      if (!got) got = LockRange(c.fd, F_WRLCK, 0, false);
    }
  }
  std::lock_guard<std::mutex> g(c.mu);
  if (!got) {
    c.owner = 0;
    c.cv.notify_one();
    return WAIT_TIMEOUT;
  }
  bool abandoned = ReadMark(c);
  WriteMark(c, true);
  c.depth = 1;
  t_owned.list.push_back(cp);
  return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

}  // namespace

namespace kvp {
// Used by WaitForSingleObject.
DWORD MutexWait(HANDLE h, DWORD ms, bool* isMutex) {
  auto mh = HandleRef<MutexHandle>(h, kHandleKindMutex);
  *isMutex = mh != nullptr;
  if (!mh) return WAIT_FAILED;
  return Acquire(mh->core, ms);
}
}  // namespace kvp

KVAPI HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCWSTR name) {
  std::shared_ptr<MutexCore> core;
  bool existed = false;
  if (!name) {
    core = std::make_shared<MutexCore>();
  } else {
    std::u16string n;
    DWORD err = NormaliseName(name, &n);
    if (err == ERROR_SUCCESS) err = OpenCore(n, true, &core, &existed);
    if (err != ERROR_SUCCESS) {
      SetLastError(err);
      return nullptr;
    }
  }
  HANDLE h = NewHandle(core);
  if (!h) return nullptr;
  if (initialOwner && !existed) Acquire(core, INFINITE);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

KVAPI HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCSTR name) {
  if (!name) return CreateMutexW(sa, initialOwner, nullptr);
  std::u16string w = kvp::FromUtf8(name);  // object names of the driver are ASCII
  return CreateMutexW(sa, initialOwner, w.c_str());
}

KVAPI HANDLE OpenMutexW(DWORD access, BOOL inherit, LPCWSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::u16string n;
  std::shared_ptr<MutexCore> core;
  bool existed = false;
  DWORD err = NormaliseName(name, &n);
  if (err == ERROR_SUCCESS) err = OpenCore(n, false, &core, &existed);
  if (err != ERROR_SUCCESS) {
    SetLastError(err == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : err);
    return nullptr;
  }
  return NewHandle(core);
}

KVAPI BOOL ReleaseMutex(HANDLE h) {
  auto mh = kvp::HandleRef<MutexHandle>(h, kvp::kHandleKindMutex);
  if (!mh) return FALSE;
  MutexCore& c = *mh->core;
  std::lock_guard<std::mutex> g(c.mu);
  if (c.owner != SelfId() || c.depth == 0) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--c.depth == 0) {
    DropOwnership(c, false);
    auto& l = t_owned.list;
    for (size_t i = 0; i < l.size(); ++i)
      if (l[i].get() == &c) {
        l.erase(l.begin() + i);
        break;
      }
  }
  return TRUE;
}
