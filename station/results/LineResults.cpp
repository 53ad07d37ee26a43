#include "station/results/LineResults.h"

#include "station/results/StationFacts.h"
#include "station/results/core/LinkState.h"
#include "station/run/RunControl.h"

namespace {

// The window is closing: the sender gets this long to leave a pause; a request keeps going.
constexpr uint32_t kSenderEndMs = 1000;

}  // namespace

LineResults::~LineResults() {
  Stop();
}

std::wstring LineResults::Start(RunControl& control, HWND window, UINT stateMessage) {
  config_ = ReadLineConfig();
  RecordSpool spool;
  sender_ = std::make_unique<LineSender>(
      spool, config_.settings, config_.station,
      [window, stateMessage] { PostMessageW(window, stateMessage, 0, 0); });
  recorder_ = std::make_unique<RunRecorder>(spool, IdentityFor("Varnex", config_));
  recorder_->SetSpooledHandler([sender = sender_.get()] { sender->Wake(); });
  control.SetObserver(recorder_.get());
  sender_->Start();
  return config_.settings ? Utf8ToUtf16(PlainTextWarning(config_.settings->service))
                          : std::wstring();
}

std::wstring LineResults::StateText() const {
  if (!sender_) {
    return {};
  }
  LinkState state = sender_->State();
  if (!state.configured && config_.present) {
    state.problem = config_.problem;
  }
  return LinkStateText(state);
}

void LineResults::Stop() {
  if (sender_) {
    sender_->Stop(kSenderEndMs);
  }
}
