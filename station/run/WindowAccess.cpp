#include "station/run/WindowAccess.h"

#include <cwchar>
#include <iterator>

#include "station/run/RunDisplay.h"
#include "station/run/RunMessages.h"
#include "station/run/RunState.h"

WindowAccess::WindowAccess(RunState& run) : run_(run), lock_(run.gate) {
  open_ = !run.abandoned.load();
}

void WindowAccess::Message(const wchar_t* text, uint32_t color) {
  if (open_) {
    // The worker's texts are short constants; a longer one would be cut.
    const size_t length = wcsnlen(text, std::size(run_.messageText) - 1);
    wmemcpy(run_.messageText, text, length);
    run_.messageText[length] = L'\0';
    SendMessageW(run_.window, kRunTextMessage, reinterpret_cast<WPARAM>(run_.messageText),
                 static_cast<LPARAM>(color));
  }
}

void WindowAccess::Controls(int32_t enable) {
  if (open_) {
    SendMessageW(run_.window, kRunControlsMessage, 0, static_cast<LPARAM>(enable));
  }
}

void WindowAccess::CommText() {
  if (open_) {
    SendMessageW(run_.window, kRunCommTextMessage, 0, 0);
  }
}

void WindowAccess::Status(int32_t state) {
  if (open_) {
    SendMessageW(run_.window, kRunStatusMessage, 0, static_cast<LPARAM>(state));
  }
}

void WindowAccess::EnableStartStop(bool enable) {
  if (open_) {
    PostMessageW(run_.window, kRunEnableStartStopMessage, enable ? 1 : 0, 0);
  }
}

void WindowAccess::CountPass() {
  if (open_) {
    run_.counters->passCount.fetch_add(1);
  }
}

void WindowAccess::CountFail() {
  if (open_) {
    run_.counters->failCount.fetch_add(1);
    run_.counters->blockFailCount.fetch_add(1);
  }
}

void WindowAccess::SetPort(int32_t port) {
  if (open_) {
    run_.port->store(port);
  }
}

void WindowAccess::RequestStop() {
  if (open_) {
    run_.checking.store(false);
    run_.operatorStop.store(0);
    run_.stopPosted.store(true);
    PostMessageW(run_.window, kRunStopRequestMessage, run_.number, 0);
  }
}

void WindowAccess::PostRunEnded() {
  if (open_) {
    PostMessageW(run_.window, kRunEndedMessage, 0, 0);
  }
}
