#include "station/run/RunMessages.h"

#include <cstdint>
#include <string>

#include "station/run/RunControl.h"
#include "station/run/RunDisplay.h"

bool DispatchRunMessage(RunMessageDisplay& display, const RunControl& run, UINT message,
                        WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRunTextMessage:
      if (const wchar_t* text = run.MessageTextAt(wParam)) {
        display.ShowMessage(text, static_cast<uint32_t>(lParam));
      }
      return true;
    case kRunControlsMessage:
      display.SetControlsEnabled(static_cast<int32_t>(lParam));
      return true;
    case kRunCommTextMessage:
      display.RefreshCommText();
      return true;
    case kRunStatusMessage:
      display.SetStatus(static_cast<int32_t>(lParam));
      return true;
    case kRunEnableStartStopMessage:
      display.EnableStartStop(wParam != 0);
      return true;
    default:
      return false;
  }
}
