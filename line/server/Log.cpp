#include "line/server/Log.h"

#include <iostream>

namespace line {

void LogLine(const std::string& text) {
  std::cerr << "varnex-line: " + text + "\n" << std::flush;
}

void LogRate::Line(const std::string& text, int64_t nowMs) {
  std::string held;
  {
    std::lock_guard guard(lock_);
    if (nowMs - minuteStartMs_ >= 60000) {
      minuteStartMs_ = nowMs;
      written_ = 0;
    }
    if (written_ >= perMinute_) {
      ++held_;
      return;
    }
    ++written_;
    if (held_ > 0) {
      held = " (" + std::to_string(held_) + " like it not logged before)";
      held_ = 0;
    }
  }
  LogLine(text + held);
}

}  // namespace line
