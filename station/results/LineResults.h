// The station window's part of the line results: VarnexLine.ini read at start-up, the recorder
// attached to the run control, the background sender, and the one-line link state.
//
//   warning = lineResults_.Start(run_, hwnd(), kLineStateMessage);   // OnInitDialog
//   case kLineStateMessage: SetItemText(IDC_LINE_STATE, lineResults_.StateText());
//   lineResults_.Stop();                                  // closing
#pragma once

#include <memory>
#include <string>

#include <windows.h>

#include "station/results/LineConfig.h"
#include "station/results/LineSender.h"
#include "station/results/RunRecorder.h"

class RunControl;

class LineResults {
 public:
  LineResults() = default;
  ~LineResults();
  LineResults(const LineResults&) = delete;
  LineResults& operator=(const LineResults&) = delete;

  // `window` is sent nothing; it receives `stateMessage` (posted) when the link state changes.
  // Returns the warning line for the Test Detail box when the token and the records would
  // cross the network unencrypted; empty otherwise.
  std::wstring Start(RunControl& control, HWND window, UINT stateMessage);
  std::wstring StateText() const;
  // Ends the sender (a request in progress is left to finish on its own).
  void Stop();

 private:
  LineConfig config_;
  std::unique_ptr<LineSender> sender_;
  std::unique_ptr<RunRecorder> recorder_;
};
