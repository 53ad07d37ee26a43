#include "station/run/RunMessages.h"

#include <cstdint>
#include <string>

#include "station/run/RunDisplay.h"

bool DispatchRunMessage(RunDisplay& display, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRunTextMessage: {
      const auto* text = reinterpret_cast<const wchar_t*>(wParam);
      display.ShowMessage(text != nullptr ? std::wstring(text) : std::wstring(),
                          static_cast<uint32_t>(lParam));
      return true;
    }
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
