#include "station/dialogs/core/SettingRules.h"

#include <cwchar>
#include <iterator>

FirstFewEnables FirstFewEnablesFor(int32_t itemChecked, int32_t firstFewChecked) {
  return {itemChecked != 0, itemChecked != 0 && firstFewChecked != 0};
}

PowerOffView OpenPowerOffChoices(CheckSettings& settings) {
  PowerOffView view;
  view.rowChecked = settings.checkPowerOffCurrent != 0;
  if (settings.factoryReset != 0) {
    settings.powerOffAfterCheck = 0;
    view.powerOffEnabled = false;
    view.rowPresent = false;
    view.rowChecked = false;
    settings.checkPowerOffCurrent = 0;
  } else if (settings.powerOffAfterCheck != 0) {
    settings.factoryReset = 0;
    view.factoryResetEnabled = false;
    view.rowPresent = false;
    view.rowChecked = false;
    settings.checkPowerOffCurrent = 0;
  } else if (settings.checkPowerOffCurrent != 0) {
    view.factoryResetEnabled = false;
    view.powerOffEnabled = false;
  }
  return view;
}

namespace {

// One of the two boxes changed: while it is set the other box and the row step aside; when it
// is cleared the other box comes back and the row returns unchecked.
void OptionClicked(bool nowSet, int32_t& otherMember, bool& otherEnabled, PowerOffView& view) {
  if (nowSet) {
    otherMember = 0;
    view.rowChecked = false;
    otherEnabled = false;
    view.rowPresent = false;
  } else {
    otherEnabled = true;
    view.rowPresent = true;
    view.rowChecked = false;
  }
}

}  // namespace

void FactoryResetClicked(CheckSettings& settings, PowerOffView& view) {
  OptionClicked(settings.factoryReset != 0, settings.powerOffAfterCheck, view.powerOffEnabled,
                view);
}

void PowerOffClicked(CheckSettings& settings, PowerOffView& view) {
  OptionClicked(settings.powerOffAfterCheck != 0, settings.factoryReset, view.factoryResetEnabled,
                view);
}

void PowerOffRowClicked(CheckSettings& settings, PowerOffView& view, bool wasChecked) {
  view.rowChecked = !wasChecked;
  view.factoryResetEnabled = wasChecked;
  view.powerOffEnabled = wasChecked;
  if (!wasChecked) {
    settings.factoryReset = 0;
    settings.powerOffAfterCheck = 0;
  }
}

const wchar_t* VersionLengthWarning(const CheckSettings& settings) {
  if (settings.checkApVersion != 0 &&
      wcsnlen(settings.apVersion, std::size(settings.apVersion)) < kMinVersionChars) {
    return kApVersionTooShort;
  }
  if (settings.checkModemVersion != 0 &&
      wcsnlen(settings.modemVersion, std::size(settings.modemVersion)) < kMinVersionChars) {
    return kModemVersionTooShort;
  }
  return nullptr;
}
