// The platform-neutral core of the stand-ins: profile parsing, the phone's records and the
// current model of the bench.
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "BenchProfile.h"
#include "CallTable.h"
#include "IniText.h"
#include "PhoneProfile.h"
#include "PhoneRecords.h"
#include "SimText.h"
#include "devices/sim/dutlink_sim.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::string text;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      text.append(chunk, got);
    }
    std::fclose(file);
  }
  return text;
}

const sim::IniEntry* FindEntry(const std::vector<sim::IniEntry>& entries,
                               const std::string& section, const std::string& key) {
  for (const sim::IniEntry& entry : entries) {
    if (entry.section == section && entry.key == key) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace

TEST(SimText, ParsesDecimalAndHexAndRefusesJunk) {
  EXPECT_EQ(sim::ParseInteger("42"), 42);
  EXPECT_EQ(sim::ParseInteger(" -7 "), -7);
  EXPECT_EQ(sim::ParseInteger("0x0837FFFF"), 0x0837FFFF);
  EXPECT_EQ(sim::ParseInteger("0XfF"), 255);
  EXPECT_FALSE(sim::ParseInteger(""));
  EXPECT_FALSE(sim::ParseInteger("0x"));
  EXPECT_FALSE(sim::ParseInteger("12a"));
  EXPECT_FALSE(sim::ParseInteger("99999999999999999999999"));
  EXPECT_DOUBLE_EQ(*sim::ParseDecimal("0.035"), 0.035);
  EXPECT_FALSE(sim::ParseDecimal("nan"));
  EXPECT_FALSE(sim::ParseDecimal("1.5mA"));
}

TEST(SimText, UnescapesKnownEscapesAndKeepsOthers) {
  EXPECT_EQ(sim::Unescape("OK\\r\\n"), "OK\r\n");
  EXPECT_EQ(sim::Unescape("a\\tb\\\\c\\\"d\\=e"), "a\tb\\c\"d=e");
  EXPECT_EQ(sim::Unescape("C:\\x\\"), "C:\\x\\");
}

TEST(SimText, CopyTerminatedCutsToBufferAndNeverWritesPastIt) {
  char buffer[8];
  std::memset(buffer, 'X', sizeof buffer);
  EXPECT_EQ(sim::CopyTerminated("860000000000011", buffer, 5), 4u);
  EXPECT_STREQ(buffer, "8600");
  EXPECT_EQ(buffer[5], 'X');
  EXPECT_EQ(sim::CopyTerminated("abc", buffer, 0), 0u);
  EXPECT_EQ(buffer[0], '8');
}

TEST(IniText, ReadsSectionsKeysQuotesAndEscapedEquals) {
  auto entries = sim::ParseIni(
      "\xEF\xBB\xBF; comment\r\n[Phone]\r\nIMEI1 = 123 \r\n# other\r\nnoequals\r\n"
      "[AT]\nAT+KVDIAG\\=\"AT+ETSRESET\"=DONE\\r\\n\nAT+X= \"  padded \"\n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].section, "Phone");
  EXPECT_EQ(entries[0].key, "IMEI1");
  EXPECT_EQ(entries[0].value, "123");
  EXPECT_EQ(entries[1].section, "AT");
  EXPECT_EQ(entries[1].key, "AT+KVDIAG=\"AT+ETSRESET\"");
  EXPECT_EQ(entries[1].value, "DONE\\r\\n");  // escapes are left to the reader of the value
  EXPECT_EQ(entries[2].value, "  padded ");
}

TEST(PhoneProfile, DefaultsAreTheGoodPhone) {
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  EXPECT_EQ(phone.imei1, "860000000000011");
  EXPECT_EQ(phone.imei2, "860000000000029");
  EXPECT_EQ(phone.imei3, "860000000000037");
  EXPECT_EQ(phone.sn1, "VX202612090001");
  EXPECT_EQ(phone.sn2, "VX202612090002");
  EXPECT_EQ(phone.btAddr, "00A0C6123456");
  EXPECT_EQ(phone.wlanAddr, "00A0C6123457");
  EXPECT_EQ(phone.gsmFlags, 0x0837FFFFu);
  EXPECT_EQ(phone.wcdmaFlags, 0x100F);
  EXPECT_EQ(phone.lteFlags, 0xF03F);
  EXPECT_EQ(phone.fguType, 1);
  EXPECT_EQ(phone.secureBoot, 1);
  EXPECT_TRUE(phone.batteryAuto);
  EXPECT_TRUE(phone.fguAuto);
  EXPECT_EQ(phone.batteryIdleMv, 3800);
  EXPECT_EQ(phone.usbPort, 5);
  EXPECT_EQ(phone.usbConnectMs, 300);
  EXPECT_EQ(phone.uartSilentAttempts, 0);
  EXPECT_EQ(sim::AtReply(phone, "AT+CPIN?"), "+CPIN: READY\r\n\r\nOK\r\n");
  EXPECT_EQ(sim::AtReply(phone, "AT+TFSTAT?"), "+TFSTAT: 1\r\n\r\nOK\r\n");
  EXPECT_EQ(sim::AtReply(phone, "AT+CPIN"), "OK\r\n");
  for (int block = 0; block < 2; ++block) {
    for (const sim::MmiEntry& entry : phone.mmi[static_cast<size_t>(block)]) {
      EXPECT_EQ(entry.supported, 1);
      EXPECT_EQ(entry.result, 1);
    }
  }
}

TEST(PhoneProfile, ShippedProfilesHoldExactlyTheBuiltInDefaults) {
  auto phone = sim::ParseIni(ReadFile(SIM_SOURCE_DIR "/DutlinkSim.ini"));
  ASSERT_FALSE(phone.empty()) << "DutlinkSim.ini not found";
  for (const sim::PhoneKey& key : sim::PhoneKeys()) {
    const sim::IniEntry* entry = FindEntry(phone, "Phone", key.name);
    ASSERT_NE(entry, nullptr) << key.name;
    EXPECT_EQ(entry->value, key.defaultText) << key.name;
  }
  for (const auto& [command, reply] : sim::DefaultAtReplies()) {
    const sim::IniEntry* entry = FindEntry(phone, "AT", command);
    ASSERT_NE(entry, nullptr) << command;
    EXPECT_EQ(entry->value, reply) << command;
  }
  auto bench = sim::ParseIni(ReadFile(SIM_SOURCE_DIR "/PowerbenchSim.ini"));
  for (const sim::BenchKey& key : sim::BenchKeys()) {
    const sim::IniEntry* entry = FindEntry(bench, "Bench", key.name);
    ASSERT_NE(entry, nullptr) << key.name;
    EXPECT_EQ(entry->value, key.defaultText) << key.name;
  }
}

TEST(PhoneProfile, SetsValuesAndRefusesBadOnesWithoutChange) {
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  EXPECT_TRUE(sim::SetPhoneValue(phone, "phone", "imei1", "123456789012345"));
  EXPECT_EQ(phone.imei1, "123456789012345");
  EXPECT_TRUE(sim::SetPhoneValue(phone, "Phone", "WcdmaFlags", "0x0001"));
  EXPECT_EQ(phone.wcdmaFlags, 1);
  EXPECT_FALSE(sim::SetPhoneValue(phone, "Phone", "WcdmaFlags", "0x10000"));
  EXPECT_EQ(phone.wcdmaFlags, 1);
  EXPECT_FALSE(sim::SetPhoneValue(phone, "Phone", "UsbConnectMs", "-2"));
  EXPECT_TRUE(sim::SetPhoneValue(phone, "Phone", "UsbConnectMs", "-1"));
  EXPECT_EQ(phone.usbConnectMs, -1);
  EXPECT_FALSE(sim::SetPhoneValue(phone, "Phone", "NoSuchKey", "1"));
  EXPECT_FALSE(sim::SetPhoneValue(phone, "Nowhere", "IMEI1", "1"));

  EXPECT_TRUE(sim::SetPhoneValue(phone, "Phone", "BatteryValue", "375"));
  EXPECT_FALSE(phone.batteryAuto);
  EXPECT_EQ(phone.batteryValue, 375u);
  EXPECT_FALSE(sim::SetPhoneValue(phone, "Phone", "BatteryValue", "0x1000000"));
  EXPECT_FALSE(phone.batteryAuto);
  EXPECT_TRUE(sim::SetPhoneValue(phone, "Phone", "BatteryValue", "AUTO"));
  EXPECT_TRUE(phone.batteryAuto);
}

TEST(PhoneProfile, AtRepliesMatchExactCommandsWithEscapes) {
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  EXPECT_TRUE(sim::SetPhoneValue(phone, "AT", "AT+CPIN?", "+CME ERROR: 10\\r\\n"));
  EXPECT_TRUE(sim::SetPhoneValue(phone, "AT", "Default", "ERROR\\r\\n"));
  EXPECT_EQ(sim::AtReply(phone, "AT+CPIN?"), "+CME ERROR: 10\r\n");
  EXPECT_EQ(sim::AtReply(phone, "at+cpin?"), "ERROR\r\n");
  EXPECT_EQ(sim::AtReply(phone, "AT+TFSTAT?"), "+TFSTAT: 1\r\n\r\nOK\r\n");
}

TEST(PhoneProfile, MmiKeysSetOneItemOrAWholeBlock) {
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  EXPECT_TRUE(sim::SetPhoneValue(phone, "MMI", "Pcba", "1,0"));
  EXPECT_TRUE(sim::SetPhoneValue(phone, "MMI", "Whole.63", "1,2"));
  EXPECT_TRUE(sim::SetPhoneValue(phone, "MMI", "Whole.0", "0,-1"));
  EXPECT_FALSE(sim::SetPhoneValue(phone, "MMI", "Whole.64", "1,1"));
  EXPECT_FALSE(sim::SetPhoneValue(phone, "MMI", "Whole.5", "1"));
  EXPECT_FALSE(sim::SetPhoneValue(phone, "MMI", "Board", "1,1"));
  EXPECT_EQ(phone.mmi[sim::kMmiPcba][17].result, 0);
  EXPECT_EQ(phone.mmi[sim::kMmiWhole][63].result, 2);
  EXPECT_EQ(phone.mmi[sim::kMmiWhole][62].result, 1);
  EXPECT_EQ(phone.mmi[sim::kMmiWhole][0].supported, 0);
  EXPECT_EQ(phone.mmi[sim::kMmiWhole][0].result, -1);
}

TEST(PhoneRecords, IdentityRecordFillsOnlyRequestedFieldsAtTheirOffsets) {
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  uint8_t record[sim::kIdentityRecordSize];
  std::memset(record, 0xEE, sizeof record);
  sim::StoreLe32(record, 19);
  sim::FillIdentityRecord(phone, record);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 4), "860000000000011");
  EXPECT_STREQ(reinterpret_cast<char*>(record + 20), "860000000000029");
  EXPECT_STREQ(reinterpret_cast<char*>(record + 36), "860000000000037");
  EXPECT_EQ(record[52], 0xEE);
  EXPECT_EQ(record[68], 0xEE);
  EXPECT_EQ(record[81], 0xEE);

  std::memset(record, 0, sizeof record);
  sim::StoreLe32(record, 4 | 64);
  sim::FillIdentityRecord(phone, record);
  EXPECT_EQ(record[4], 0);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 68), "00A0C6123456");
  EXPECT_STREQ(reinterpret_cast<char*>(record + 81), "00A0C6123457");
}

TEST(PhoneRecords, OverlongIdentityTextsStayInsideTheirFields) {
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  phone.imei1 = std::string(40, '1');
  phone.btAddr = std::string(40, 'B');
  uint8_t record[sim::kIdentityRecordSize] = {};
  sim::StoreLe32(record, 0xFFFFFFFFu);
  sim::FillIdentityRecord(phone, record);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 4)), std::string(15, '1'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 20)), "860000000000029");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 68)), std::string(12, 'B'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(record + 81)), "00A0C6123457");
}

TEST(PhoneRecords, MmiRecordCarriesSupportedAndResultBytesOfTheSelectedBlock) {
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  phone.mmi[sim::kMmiPcba][63] = {1, 0};
  phone.mmi[sim::kMmiPcba][5] = {0, 0};
  phone.mmi[sim::kMmiPcba][6] = {1, -3};
  uint8_t record[sim::kMmiRecordSize] = {};
  sim::StoreLe16(record, 1);
  ASSERT_TRUE(sim::FillMmiRecord(phone, record));
  EXPECT_EQ(sim::LoadLe16(record), 1);  // the selector stays
  EXPECT_EQ(record[2 + 4 * 0 + 2], 1);
  EXPECT_EQ(record[2 + 4 * 0 + 3], 1);
  EXPECT_EQ(record[2 + 4 * 5 + 2], 0);
  EXPECT_EQ(static_cast<int8_t>(record[2 + 4 * 6 + 3]), -3);
  EXPECT_EQ(record[2 + 4 * 63 + 2], 1);
  EXPECT_EQ(record[2 + 4 * 63 + 3], 0);
  EXPECT_EQ(sim::LoadLe16(record + 2 + 4 * 63), 63);

  uint8_t other[sim::kMmiRecordSize] = {};
  sim::StoreLe16(other, 2);
  EXPECT_FALSE(sim::FillMmiRecord(phone, other));
  EXPECT_EQ(other[5], 0);
}

TEST(PhoneRecords, BatteryWordFollowsSupplyOrIdleOrFixedValue) {
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  EXPECT_EQ(sim::BatteryWord(phone, 0.0f, false), (1u << 24) | 3800u);
  EXPECT_EQ(sim::BatteryWord(phone, 3.6f, true), (1u << 24) | 3600u);
  EXPECT_EQ(sim::BatteryWord(phone, 4.2f, true), (1u << 24) | 4200u);
  phone.batteryAuto = false;
  phone.batteryUnit = 0;
  phone.batteryValue = 375;
  EXPECT_EQ(sim::BatteryWord(phone, 4.2f, true), 375u);
  EXPECT_EQ(sim::FguMillivolts(phone, 3.8f, true), 3800);
  EXPECT_EQ(sim::FguMillivolts(phone, 3.8f, false), 3800);
  phone.fguAuto = false;
  phone.fguVoltage = 4190;
  EXPECT_EQ(sim::FguMillivolts(phone, 3.6f, true), 4190);
}

TEST(PhoneRecords, ByteSwapsAndLittleEndianStores) {
  EXPECT_EQ(sim::SwapBytes32(0x0837FFFFu), 0xFFFF3708u);
  EXPECT_EQ(sim::SwapBytes16(0x100F), 0x0F10);
  uint8_t bytes[4];
  sim::StoreLe32(bytes, 0x11223344u);
  EXPECT_EQ(bytes[0], 0x44);
  EXPECT_EQ(bytes[3], 0x11);
  EXPECT_EQ(sim::LoadLe32(bytes), 0x11223344u);
}

TEST(CallTable, CountsKeepsArgumentsAndScriptsFailures) {
  static constexpr const char* kNames[] = {"First", "Second"};
  sim::CallTable table(kNames);
  EXPECT_EQ(table.Find("Second"), 1);
  EXPECT_EQ(table.Find("second"), -1);
  table.At(1).delayMs = 25;
  table.At(1).failCode = 9;
  table.At(1).failNextCode = 4;
  table.At(1).failNextTimes = 2;
  sim::CallOutcome outcome = table.Enter(1, {7, 8, 9, 10, 11, 12, 13, 14, 15});
  EXPECT_EQ(outcome.failCode, 4);
  EXPECT_EQ(outcome.delayMs, 25);
  EXPECT_EQ(table.Enter(1, {}).failCode, 4);
  EXPECT_EQ(table.Enter(1, {}).failCode, 9);
  table.At(1).failCode = 0;
  EXPECT_EQ(table.Enter(1, {3}).failCode, 0);
  EXPECT_EQ(table.At(1).count, 4);
  EXPECT_EQ(table.At(1).argCount, 1);
  EXPECT_EQ(table.At(1).args[0], 3);
  EXPECT_EQ(table.At(0).count, 0);
  table.Clear();
  EXPECT_EQ(table.At(1).count, 0);
  EXPECT_EQ(table.At(1).delayMs, 0);
}

TEST(CallTable, KeepsAtMostEightArguments) {
  static constexpr const char* kNames[] = {"Only"};
  sim::CallTable table(kNames);
  table.Enter(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(table.At(0).argCount, sim::kMaxRecordedArgs);
  EXPECT_EQ(table.At(0).args[7], 8);
}

TEST(BenchProfile, CurrentsFollowThePhoneStateOnEachOutput) {
  sim::BenchProfile bench = sim::DefaultBenchProfile();
  using sim::OutputRole;
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kBattery, true, KVSIM_PHONE_ON), 150.0f);
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kBattery, true, KVSIM_PHONE_CHARGING),
                  150.0f);
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kBattery, true, KVSIM_PHONE_DEEP_SLEEP),
                  1.6f);
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kBattery, true, KVSIM_PHONE_OFF), 0.035f);
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kBattery, false, KVSIM_PHONE_ON), 0.0f);
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kCharger, true, KVSIM_PHONE_CHARGING),
                  450.0f);
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kCharger, true, KVSIM_PHONE_ON), 0.0f);
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kCharger, false, KVSIM_PHONE_CHARGING),
                  0.0f);
  EXPECT_FLOAT_EQ(sim::OutputCurrent(bench, OutputRole::kNone, true, KVSIM_PHONE_ON), 0.0f);
}

TEST(BenchProfile, ValuesParseAsDecimalsAndRefuseNegatives) {
  sim::BenchProfile bench = sim::DefaultBenchProfile();
  EXPECT_TRUE(sim::SetBenchValue(bench, "Bench", "LeakCurrent", "0.5"));
  EXPECT_FLOAT_EQ(bench.leakCurrent, 0.5f);
  EXPECT_FALSE(sim::SetBenchValue(bench, "Bench", "LeakCurrent", "-1"));
  EXPECT_FLOAT_EQ(bench.leakCurrent, 0.5f);
  EXPECT_TRUE(sim::SetBenchValue(bench, "bench", "invalidreadings", "3"));
  EXPECT_EQ(bench.invalidReadings, 3);
  EXPECT_FALSE(sim::SetBenchValue(bench, "Phone", "LeakCurrent", "1"));
}

TEST(PhoneProfile, ShippedFailingPhoneProfileAppliesEveryLine) {
  auto entries = sim::ParseIni(ReadFile(SIM_SOURCE_DIR "/profiles/FailingPhone.ini"));
  ASSERT_FALSE(entries.empty()) << "FailingPhone.ini not found";
  sim::PhoneProfile phone = sim::DefaultPhoneProfile();
  for (const sim::IniEntry& entry : entries) {
    if (entry.section == "Fail") {
      EXPECT_EQ(entry.key, "KV_ReadSN");
      continue;
    }
    EXPECT_TRUE(sim::SetPhoneValue(phone, entry.section, entry.key, entry.value))
        << entry.section << "/" << entry.key;
  }
  EXPECT_EQ(phone.secureBoot, 0);
  EXPECT_EQ(phone.wcdmaFlags & 0x1000, 0);
  EXPECT_EQ(sim::AtReply(phone, "AT+CPIN?"), "+CME ERROR: 10\r\n");
  EXPECT_EQ(phone.mmi[sim::kMmiWhole][63].result, 2);
  EXPECT_FALSE(phone.batteryAuto);
}
