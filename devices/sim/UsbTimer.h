// The simulated USB connection: sets the caller's connected event a given time after the
// phone was asked to enter its mode, unless cancelled first.
#pragma once

#include <cstdint>
#include <mutex>

namespace sim {

class UsbTimer {
 public:
  // Replaces any pending connection. False when the event handle is unusable.
  bool Start(void* connectedEvent, int32_t milliseconds);
  // Cancels a pending connection and waits for its thread to end.
  void Cancel();

 private:
  void CancelLocked();

  std::mutex mutex_;
  void* thread_ = nullptr;
  void* cancel_ = nullptr;
};

}  // namespace sim
