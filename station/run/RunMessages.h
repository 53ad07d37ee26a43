// The messages by which a run's worker reaches the window. Sent ones (SendMessageW) wait until
// the window has handled them; posted ones (PostMessageW) do not.
#pragma once

#include <windows.h>

class RunControl;
class RunMessageDisplay;

// Row reports (11138) are the check engine's: kRowReportMessage in station/engine/RowReport.h.
inline constexpr UINT kRunTextMessage = 11139;      // sent: wParam = UTF-16 text, lParam = colour
inline constexpr UINT kRunControlsMessage = 11140;  // sent: lParam = enable flag
inline constexpr UINT kRunEndedMessage = 11141;     // posted at the end of every run
inline constexpr UINT kRunCommTextMessage = 11142;  // sent: refresh the communication text
inline constexpr UINT kRunStatusMessage = 11143;    // sent: lParam = status state
// The Start/Stop command: WM_COMMAND with this id. Whoever sends or posts it (the button, the
// Enter key, a line tool) is the operator.
inline constexpr WORD kStartStopCommand = 1005;
// Private to the run control. Posted by a worker: its own stop request, wParam = its run's
// number (RunControl::OnStopRequest), and the enabling of the Start/Stop button, wParam = 1 or
// 0, so the worker never waits for the window's thread while it holds the run's gate.
inline constexpr UINT kRunStopRequestMessage = WM_APP + 0x105;
inline constexpr UINT kRunEnableStartStopMessage = WM_APP + 0x106;

// Turns 11139, 11140, 11142, 11143 and the button's enabling into calls of `display`; a text
// of 11139 only when it is the one `run` handed over (any other address is ignored). False for
// any other message (11138, 11141, the command and the stop request are the window's own
// business).
bool DispatchRunMessage(RunMessageDisplay& display, const RunControl& run, UINT message,
                        WPARAM wParam, LPARAM lParam);
