// Events of this process, and WaitForSingleObject for every waitable kind.
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "kvplat/error.h"
#include "kvplat/process.h"
#include "kvplat/sync.h"
#include "kvplat/text.h"

namespace kvp {
DWORD MutexWait(HANDLE h, DWORD ms, bool* isMutex);
}

namespace {

struct EventCore {
  std::mutex mu;
  std::condition_variable cv;
  bool manual = false;
  bool signalled = false;
};
struct EventHandle {
  std::shared_ptr<EventCore> core;
};
void CloseEventHandle(void* p) { delete static_cast<EventHandle*>(p); }

std::mutex g_namesMu;
std::map<std::u16string, std::weak_ptr<EventCore>>& Names() {
  static auto* m = new std::map<std::u16string, std::weak_ptr<EventCore>>();
  return *m;
}

DWORD EventWait(EventCore& e, DWORD ms) {
  std::unique_lock<std::mutex> g(e.mu);
  auto ready = [&] { return e.signalled; };
  if (ms == INFINITE)
    e.cv.wait(g, ready);
  else if (!e.cv.wait_for(g, std::chrono::milliseconds(ms), ready))
    return WAIT_TIMEOUT;
  if (!e.manual) e.signalled = false;
  return WAIT_OBJECT_0;
}

}  // namespace

KVAPI HANDLE CreateEventW(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  std::shared_ptr<EventCore> core;
  bool existed = false;
  if (name) {
    std::u16string n(kvp::WView(name));
    if (n.size() > MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return nullptr;
    }
    std::lock_guard<std::mutex> g(g_namesMu);
    core = Names()[n].lock();
    existed = core != nullptr;
    if (!core) {
      core = std::make_shared<EventCore>();
      Names()[n] = core;
    }
  } else {
    core = std::make_shared<EventCore>();
  }
  if (!existed) {
    core->manual = manualReset != 0;
    core->signalled = initialState != 0;
  }
  HANDLE h = kvp::HandleCreate(kvp::kHandleKindEvent, new EventHandle{core}, &CloseEventHandle);
  if (h) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

KVAPI BOOL SetEvent(HANDLE h) {
  auto e = kvp::HandleRef<EventHandle>(h, kvp::kHandleKindEvent);
  if (!e) return FALSE;
  std::lock_guard<std::mutex> g(e->core->mu);
  e->core->signalled = true;
  if (e->core->manual)
    e->core->cv.notify_all();
  else
    e->core->cv.notify_one();
  return TRUE;
}

KVAPI BOOL ResetEvent(HANDLE h) {
  auto e = kvp::HandleRef<EventHandle>(h, kvp::kHandleKindEvent);
  if (!e) return FALSE;
  std::lock_guard<std::mutex> g(e->core->mu);
  e->core->signalled = false;
  return TRUE;
}

KVAPI DWORD WaitForSingleObject(HANDLE h, DWORD ms) {
  switch (kvp::HandleKind(h)) {
    case kvp::kHandleKindMutex: {
      bool isMutex = false;
      DWORD r = kvp::MutexWait(h, ms, &isMutex);
      if (isMutex) return r;
      break;
    }
    case kvp::kHandleKindEvent:
      if (auto e = kvp::HandleRef<EventHandle>(h, kvp::kHandleKindEvent)) return EventWait(*e->core, ms);
      break;
    default: {
      bool isProcess = false;
      DWORD r = kvp::ProcessWait(h, ms, &isProcess);
      if (isProcess) return r;
      break;
    }
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}
