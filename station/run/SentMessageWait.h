// Waits of the window's thread that still handle the messages other threads send to it, so a
// worker blocked in SendMessageW never deadlocks with a window waiting for that worker.
#pragma once

#include <mutex>

#include <windows.h>

// One bound shared by several waits in a row: each gets what is left of it.
class WaitBudget {
 public:
  explicit WaitBudget(DWORD milliseconds) : deadline_(GetTickCount64() + milliseconds) {}
  DWORD Remaining() const {
    const ULONGLONG now = GetTickCount64();
    return now >= deadline_ ? 0 : static_cast<DWORD>(deadline_ - now);
  }

 private:
  ULONGLONG deadline_;
};

// True when `handle` was signalled within `milliseconds`.
bool WaitHandlingSentMessages(HANDLE handle, DWORD milliseconds);
// Takes `mutex` within `milliseconds`; false when it could not.
bool LockHandlingSentMessages(std::mutex& mutex, DWORD milliseconds);
