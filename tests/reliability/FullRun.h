// A whole station run inside this process, as VarnexCli makes it: the line's full configuration
// (every check on, both supplies, the station record verified, both logs written), the scanned
// codes of the simulated good phone, waits recorded instead of slept, the prompt answered.
// Afterwards the simulated phone and bench tell what the run left behind.
#pragma once

#include <string>
#include <vector>

enum class Link { Usb, Uart };

struct RunOutcome {
  int exitCode = -1;
  double seconds = 0;
  std::string printed;  // rows and messages, when captured
  int failRows = 0;     // rows printed with the result FAIL
};

class FullRun {
 public:
  // Writes the configuration and a Log folder into `folder` (beside the running program).
  explicit FullRun(const std::wstring& folder);

  // Back to the good phone and bench, the phone's record holding the earlier stations as
  // passed, the link of the configuration set. Scripted faults go on top of this.
  void Reset(Link link);
  // One run; `capture` keeps what it printed, otherwise it goes nowhere.
  RunOutcome Run(bool capture);
  // Removes the test logs written so far.
  void RemoveTestLogs() const;

  const std::wstring& folder() const { return folder_; }

 private:
  std::wstring folder_;
  std::wstring config_;
};

// What a run must leave behind, whatever happened in it. Each returns the problems found, so a
// caller can print them with the run they belong to; empty = fine.
// Every supply created was released, every output it set ends switched off, the factory was
// released, and no call reached a supply after its release.
std::vector<std::string> SupplyProblems();
// The link, once opened, was closed again (and a USB mode process stopped) after it was last
// opened; and no phone call came after the phone handle was released.
std::vector<std::string> LinkProblems();

// The phone-library functions a run can make, by exported name.
const std::vector<const char*>& PhoneFunctionNames();
