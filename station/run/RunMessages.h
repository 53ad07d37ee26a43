// The messages by which a run's worker reaches the window. Sent ones (SendMessageW) wait until
// the window has handled them; posted ones (PostMessageW) do not.
#pragma once

#include <windows.h>

class RunDisplay;

// Row reports (11138) are the check engine's: kRowReportMessage in station/engine/RowReport.h.
inline constexpr UINT kRunTextMessage = 11139;      // sent: wParam = UTF-16 text, lParam = colour
inline constexpr UINT kRunControlsMessage = 11140;  // sent: lParam = enable flag
inline constexpr UINT kRunEndedMessage = 11141;     // posted at the end of every run
inline constexpr UINT kRunCommTextMessage = 11142;  // sent: refresh the communication text
inline constexpr UINT kRunStatusMessage = 11143;    // sent: lParam = status state
// The Start/Stop command: WM_COMMAND with this id, posted by a worker with lParam 0.
inline constexpr WORD kStartStopCommand = 1005;

// Turns 11139, 11140, 11142 and 11143 into calls of `display`. False for any other message
// (11138, 11141 and the command are the window's own business).
bool DispatchRunMessage(RunDisplay& display, UINT message, WPARAM wParam, LPARAM lParam);
