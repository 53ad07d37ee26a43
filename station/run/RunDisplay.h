// The display operations a run uses, on the window's thread unless said otherwise. The main
// window implements them on its controls; VarnexCli prints them.
#pragma once

#include <cstdint>
#include <string>

// Status panel states (message 11143).
inline constexpr int32_t kStatusIdle = 0;
inline constexpr int32_t kStatusWorking = 1;
inline constexpr int32_t kStatusPass = 3;
inline constexpr int32_t kStatusFail = 4;

// What the worker's messages show: 11139, 11140, 11142, 11143 and the button's enabling.
class RunMessageDisplay {
 public:
  virtual ~RunMessageDisplay() = default;

  // The message line in a colour 0x00BBGGRR (as message 11139).
  virtual void ShowMessage(const std::wstring& text, uint32_t color) = 0;
  // The status panel (as 11143): kStatusIdle, kStatusWorking, kStatusPass or kStatusFail.
  virtual void SetStatus(int32_t state) = 0;
  // The controls for a run (0) or for idle (1), as 11140.
  virtual void SetControlsEnabled(int32_t enable) = 0;
  // The communication text (as 11142), with RunControl::port().
  virtual void RefreshCommText() = 0;
  // Enables or disables the Start/Stop button (the worker asks for it by a posted message).
  virtual void EnableStartStop(bool enable) = 0;
};

class RunDisplay : public RunMessageDisplay {
 public:
  // The start check of the scanned codes. False when a code is missing; its message has been
  // shown already.
  virtual bool CheckScannedCodes() = 0;
  // Replaces the Test Detail box's text and shows it.
  virtual void ShowDetail(const std::wstring& text) = 0;
  // "Start" or "Stop" on the Start/Stop button.
  virtual void SetStartStopText(const wchar_t* text) = 0;
  // Builds the result list afresh from the enabled items.
  virtual void RebuildResultList() = 0;
};
