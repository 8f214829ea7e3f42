// The log of the platform's calls into driver libraries (spooler and printer device context).
#include <mutex>
#include <utility>

#include "kvplat/drvcontract.h"

namespace kvp {
namespace {
std::mutex g_callMu;
std::vector<DriverCallRecord>& Log() {
  static std::vector<DriverCallRecord> log;
  return log;
}
std::function<void(const DriverCallRecord&)>& Observer() {
  static std::function<void(const DriverCallRecord&)> observer;
  return observer;
}
}  // namespace

std::vector<DriverCallRecord> DriverCallLog() {
  std::lock_guard<std::mutex> g(g_callMu);
  return Log();
}

void ClearDriverCallLog() {
  std::lock_guard<std::mutex> g(g_callMu);
  Log().clear();
}

void SetDriverCallObserver(std::function<void(const DriverCallRecord&)> observer) {
  std::lock_guard<std::mutex> g(g_callMu);
  Observer() = std::move(observer);
}

void RecordDriverCall(std::string call, std::string arguments, std::string answer) {
  std::function<void(const DriverCallRecord&)> observer;
  DriverCallRecord record{std::move(call), std::move(arguments), std::move(answer)};
  {
    std::lock_guard<std::mutex> g(g_callMu);
    Log().push_back(record);
    observer = Observer();
  }
  // Outside the lock: an observer may itself look at the log.
  if (observer) observer(record);
}

}  // namespace kvp
