// The service's log: one line per event on the standard error (the journal under systemd).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace line {

// "varnex-line: <text>"; outside parts of the text must have gone through LogText.
void LogLine(const std::string& text);

// At most `perMinute` lines a minute of one kind (refused deliveries: a station retrying a bad
// record, or a flood, must not fill the disk); the next line allowed says how many were not
// written.
class LogRate {
 public:
  explicit LogRate(int64_t perMinute) : perMinute_(perMinute) {}
  void Line(const std::string& text, int64_t nowMs);

 private:
  std::mutex lock_;
  int64_t perMinute_;
  int64_t minuteStartMs_ = 0;
  int64_t written_ = 0;
  int64_t held_ = 0;
};

}  // namespace line
