#include "station/engine/core/RunCapture.h"

using Guard = std::lock_guard<std::mutex>;

void RunCapture::Clear() {
  Guard guard(lock_);
  run_ = CapturedRun{};
}

void RunCapture::Cell(std::wstring_view item, int32_t column, std::wstring_view text) {
  if (column < 0 || column >= 4) {
    return;
  }
  Guard guard(lock_);
  run_.rows[std::wstring(item)].cells[static_cast<size_t>(column)] = std::wstring(text);
}

void RunCapture::Measured(std::wstring_view item, const Measurement& measurement) {
  Guard guard(lock_);
  run_.rows[std::wstring(item)].measurement = measurement;
}

void RunCapture::TestLogOpened(std::string_view pathAnsi) {
  Guard guard(lock_);
  run_.testLogAnsi = std::string(pathAnsi);
}

CapturedRun RunCapture::Snapshot() const {
  Guard guard(lock_);
  return run_;
}
