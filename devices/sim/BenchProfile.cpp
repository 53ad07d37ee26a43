#include "BenchProfile.h"

#include "SimText.h"
#include "devices/sim/dutlink_sim.h"

namespace sim {

namespace {

template <auto Member>
bool SetCurrent(BenchProfile& profile, std::string_view value) {
  auto number = ParseDecimal(value);
  if (!number || *number < 0.0 || *number > 1.0e6) {
    return false;
  }
  profile.*Member = static_cast<float>(*number);
  return true;
}

bool SetInvalidReadings(BenchProfile& profile, std::string_view value) {
  auto number = ParseInteger(value);
  if (!number || *number < 0 || *number > INT32_MAX) {
    return false;
  }
  profile.invalidReadings = static_cast<int32_t>(*number);
  return true;
}

constexpr BenchKey kBenchKeys[] = {
    {"PowerOnCurrent", "150", SetCurrent<&BenchProfile::powerOnCurrent>},
    {"ChargeCurrent", "450", SetCurrent<&BenchProfile::chargeCurrent>},
    {"DeepSleepCurrent", "1.6", SetCurrent<&BenchProfile::deepSleepCurrent>},
    {"LeakCurrent", "0.035", SetCurrent<&BenchProfile::leakCurrent>},
    {"InvalidReadings", "0", SetInvalidReadings},
};

}  // namespace

std::span<const BenchKey> BenchKeys() {
  return kBenchKeys;
}

BenchProfile DefaultBenchProfile() {
  BenchProfile profile;
  for (const BenchKey& key : kBenchKeys) {
    key.apply(profile, key.defaultText);
  }
  return profile;
}

bool SetBenchValue(BenchProfile& profile, std::string_view section, std::string_view key,
                   std::string_view value) {
  if (!EqualsNoCase(section, "Bench")) {
    return false;
  }
  for (const BenchKey& known : kBenchKeys) {
    if (EqualsNoCase(key, known.name)) {
      return known.apply(profile, value);
    }
  }
  return false;
}

float OutputCurrent(const BenchProfile& profile, OutputRole role, bool outputOn,
                    int32_t phoneState) {
  if (!outputOn) {
    return 0.0f;
  }
  if (role == OutputRole::kCharger) {
    return phoneState == KVSIM_PHONE_CHARGING ? profile.chargeCurrent : 0.0f;
  }
  if (role == OutputRole::kNone) {
    return 0.0f;
  }
  switch (phoneState) {
    case KVSIM_PHONE_ON:
    case KVSIM_PHONE_CHARGING:
      return profile.powerOnCurrent;
    case KVSIM_PHONE_DEEP_SLEEP:
      return profile.deepSleepCurrent;
    default:
      return profile.leakCurrent;
  }
}

}  // namespace sim
