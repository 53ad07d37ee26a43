// Decisions of the settings dialog that need no window: which controls are enabled, how the
// factory reset, the power-off after the check and the power-off current row exclude each
// other, and the version texts the dialog refuses.
#pragma once

#include "station/config/CheckSettings.h"

// An identity item's "Check the first few" box is enabled while the item is checked; its text
// box while both are.
struct FirstFewEnables {
  bool box;
  bool text;
};
FirstFewEnables FirstFewEnablesFor(int32_t itemChecked, int32_t firstFewChecked);

// What the dialog shows of the three power-off choices besides the two check box members
// (factoryReset and powerOffAfterCheck of the dialog's settings).
struct PowerOffView {
  bool factoryResetEnabled = true;
  bool powerOffEnabled = true;
  bool rowPresent = true;  // the power-off current row of the limit list
  bool rowChecked = false;
};

// On opening: the first of factory reset, power-off, power-off current that is set wins and
// the others are cleared (and disabled, or the row removed).
PowerOffView OpenPowerOffChoices(CheckSettings& settings);
// After the "Factory Reset" box was clicked; settings.factoryReset holds its new state.
void FactoryResetClicked(CheckSettings& settings, PowerOffView& view);
// After the "Power off after check" box was clicked; settings.powerOffAfterCheck is new.
void PowerOffClicked(CheckSettings& settings, PowerOffView& view);
// After the power-off current row's check box was clicked; `wasChecked` is its state before.
void PowerOffRowClicked(CheckSettings& settings, PowerOffView& view, bool wasChecked);

// The version texts must have at least this many characters while their check is on.
inline constexpr int kMinVersionChars = 5;
inline constexpr wchar_t kApVersionTooShort[] = L"Length of AP version can not less than 5!";
inline constexpr wchar_t kModemVersionTooShort[] = L"Length of Modem version can not less than 5!";

// The warning OK shows first, or null when the versions pass: the AP version is judged first.
const wchar_t* VersionLengthWarning(const CheckSettings& settings);
