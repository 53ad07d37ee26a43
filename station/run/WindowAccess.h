// The worker's way to the window: holds the run's gate, and does nothing once the run has been
// abandoned. While a worker holds the gate in a sent message, the window waiting for the gate
// handles sent messages (SentMessageWait.h), so the two never deadlock.
#pragma once

#include <cstdint>
#include <mutex>

#include <windows.h>

struct RunState;

class WindowAccess {
 public:
  explicit WindowAccess(RunState& run);
  WindowAccess(const WindowAccess&) = delete;
  WindowAccess& operator=(const WindowAccess&) = delete;

  // False when the run was abandoned: then nothing may be touched.
  explicit operator bool() const { return open_; }

  void Message(const wchar_t* text, uint32_t color);  // 11139
  void Controls(int32_t enable);                      // 11140
  void CommText();                                    // 11142
  void Status(int32_t state);                         // 11143
  void EnableStartStop(bool enable);  // posted: the window's thread changes the button
  void CountPass();
  void CountFail();
  void SetPort(int32_t port);
  // Clears the operator-stop flag and posts the run's own stop request.
  void RequestStop();
  void PostRunEnded();  // 11141

 private:
  RunState& run_;
  std::unique_lock<std::mutex> lock_;
  bool open_ = false;
};
