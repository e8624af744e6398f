#include "stop_deadline.hpp"

#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <string>

#include "log.hpp"

namespace lumora {

StopDeadline::StopDeadline(std::chrono::milliseconds limit)
    : watchdog_([limit](std::stop_token stop) {
          std::mutex mutex;
          std::condition_variable_any finished;
          std::unique_lock lock(mutex);
          if (finished.wait_for(lock, stop, limit, [] { return false; }) || stop.stop_requested()) return;
          log_line("not stopped within " + std::to_string(limit.count()) + " ms; exiting now");
          _exit(1);
      }) {}

}  // namespace lumora
