// Brings the phone link up as the station's Start does, without a worker thread: the UART
// version requests or the USB connection event, with the station's own texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "devices/dutlink.h"

struct LinkSettings {
  int32_t uart = 1;
  int32_t port = -1;
  int32_t wcdmaGsm = 0;
  int32_t wcdmaGsmMode = 0;
  int32_t powerOnWaitTime = 3000;  // ms a USB phone has to connect
};

enum class LinkState {
  Up,          // the phone answered; run the checks
  OpenFailed,  // KV_BeginPhoneTest refused the link; nothing to end
  NoAnswer,    // the link was opened but the phone did not come up
  Aborted,     // the operator stopped the run while the station waited for the phone
};

struct LinkResult {
  LinkState state = LinkState::OpenFailed;
  std::wstring message;  // the failure text the station shows
  int32_t port = -1;     // USB: the port the phone reported
};

// `progress` receives the station's blue message-line texts. `stopEvent` (a manual-reset event
// handle) ends the wait for the phone as the operator's Stop does.
LinkResult OpenPhoneLink(KV_PHONE phone, const LinkSettings& settings, void* stopEvent,
                         const std::function<void(const std::wstring&)>& progress);
