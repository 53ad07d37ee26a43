// Profiles of the simulated phone and bench are text written by line engineers: any bytes
// must parse without harm, and the records filled from the result must stay in their sizes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "BenchProfile.h"
#include "IniText.h"
#include "PhoneProfile.h"
#include "PhoneRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  sim::BenchProfile bench = sim::DefaultBenchProfile();
  for (const sim::IniEntry& entry : sim::ParseIni(text)) {
    sim::SetPhoneValue(phone, entry.section, entry.key, entry.value);
    sim::SetBenchValue(bench, entry.section, entry.key, entry.value);
    sim::AtReply(phone, entry.key);
  }
  uint8_t identity[sim::kIdentityRecordSize] = {};
  sim::StoreLe32(identity, size > 0 ? static_cast<uint32_t>(data[0]) * 0x01010101u : 0xFFu);
  sim::FillIdentityRecord(phone, identity);
  uint8_t mmi[sim::kMmiRecordSize] = {};
  sim::StoreLe16(mmi, size > 1 ? data[1] & 1 : 0);
  sim::FillMmiRecord(phone, mmi);
  sim::BatteryWord(phone, 3.8f, true);
  return 0;
}
