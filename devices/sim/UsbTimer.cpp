#include "UsbTimer.h"

#include <windows.h>

namespace sim {

namespace {

struct TimerJob {
  HANDLE event;
  HANDLE cancel;
  DWORD milliseconds;
};

DWORD WINAPI RunTimer(void* parameter) {
  TimerJob* job = static_cast<TimerJob*>(parameter);
  if (WaitForSingleObject(job->cancel, job->milliseconds) == WAIT_TIMEOUT) {
    SetEvent(job->event);
  }
  CloseHandle(job->event);
  delete job;
  return 0;
}

}  // namespace

bool UsbTimer::Start(void* connectedEvent, int32_t milliseconds) {
  std::lock_guard lock(mutex_);
  CancelLocked();
  if (milliseconds < 0) {
    return true;  // this phone never connects
  }
  // Our own copy of the handle, so the caller may close its event while we wait.
  HANDLE event = nullptr;
  if (connectedEvent == nullptr ||
      !DuplicateHandle(GetCurrentProcess(), connectedEvent, GetCurrentProcess(), &event, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return false;
  }
  HANDLE cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  TimerJob* job = new TimerJob{event, cancel, static_cast<DWORD>(milliseconds)};
  HANDLE thread = cancel ? CreateThread(nullptr, 0, RunTimer, job, 0, nullptr) : nullptr;
  if (thread == nullptr) {
    if (cancel) {
      CloseHandle(cancel);
    }
    CloseHandle(event);
    delete job;
    return false;
  }
  thread_ = thread;
  cancel_ = cancel;
  return true;
}

void UsbTimer::Cancel() {
  std::lock_guard lock(mutex_);
  CancelLocked();
}

void UsbTimer::CancelLocked() {
  if (thread_ == nullptr) {
    return;
  }
  SetEvent(cancel_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  CloseHandle(cancel_);
  thread_ = nullptr;
  cancel_ = nullptr;
}

}  // namespace sim
