// Waits of the window's thread that still handle the messages other threads send to it, so a
// worker blocked in SendMessageW never deadlocks with a window waiting for that worker.
#pragma once

#include <mutex>

#include <windows.h>

// True when `handle` was signalled within `milliseconds`.
bool WaitHandlingSentMessages(HANDLE handle, DWORD milliseconds);
// Takes `mutex` within `milliseconds`; false when it could not.
bool LockHandlingSentMessages(std::mutex& mutex, DWORD milliseconds);
