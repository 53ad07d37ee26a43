#include "station/run/SentMessageWait.h"

namespace {

// A sent message may arrive just before a wait begins; short slices make sure it is seen.
constexpr DWORD kSliceMs = 10;

void HandleSentMessages() {
  MSG message;
  // Only sent messages are handled: posted ones stay in the queue for the window's loop.
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

DWORD Remaining(ULONGLONG deadline) {
  ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

}  // namespace

bool WaitHandlingSentMessages(HANDLE handle, DWORD milliseconds) {
  if (handle == nullptr) {
    return true;
  }
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    HandleSentMessages();
    DWORD slice = Remaining(deadline);
    if (slice > kSliceMs) {
      slice = kSliceMs;
    }
    DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, slice, QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) {
      return true;
    }
    if (woken == WAIT_FAILED) {
      return false;
    }
    if (woken == WAIT_TIMEOUT && Remaining(deadline) == 0) {
      return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    }
  }
}

bool LockHandlingSentMessages(std::mutex& mutex, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    if (mutex.try_lock()) {
      return true;
    }
    HandleSentMessages();
    if (Remaining(deadline) == 0) {
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
  }
}
