// The worker threads of a run: the UART worker asks the phone for its version, the USB worker
// waits for the phone library's connection event; both then run the checks and count the phone.
#pragma once

#include <memory>

#include <windows.h>

struct RunState;

// The thread handle, or null when no thread could be started.
HANDLE StartUartWorker(const std::shared_ptr<RunState>& run);
HANDLE StartUsbWorker(const std::shared_ptr<RunState>& run);
