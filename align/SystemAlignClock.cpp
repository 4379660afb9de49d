#include "align/SystemAlignClock.h"

#include <condition_variable>
#include <mutex>

namespace velmora {

QDateTime SystemAlignClock::Now() { return QDateTime::currentDateTimeUtc(); }

bool SystemAlignClock::Wait(std::chrono::milliseconds duration, std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any woken;
  std::unique_lock lock(mutex);
  woken.wait_for(lock, stop, duration, [] { return false; });  // only the stop wakes it early
  return !stop.stop_requested();
}

}  // namespace velmora
