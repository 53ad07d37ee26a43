#include "tollmark/PhaseOperations.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/tollmark/FakeRecordPhone.h"

namespace {

BuildConfig Line(const char* magic, int32_t passValue, std::vector<const char*> names) {
  BuildConfig config;
  std::snprintf(config.magicNumber, sizeof(config.magicNumber), "%s", magic);
  config.passValue = passValue;
  config.stationNumber = static_cast<int32_t>(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    std::snprintf(config.stationNames[i], sizeof(config.stationNames[i]), "%s", names[i]);
  }
  return config;
}

class PhaseOperations : public ::testing::Test {
 protected:
  // Puts a freshly built record on the phone and forgets the calls that took.
  void Initialise(const BuildConfig& config, const char* station = nullptr) {
    ASSERT_EQ(RunInitPhase(object, phone, &config, nullptr, nullptr, nullptr, 0, nullptr, station),
              0);
    std::memset(phone.calls, 0, sizeof(phone.calls));
  }
  std::string Message(int32_t language = 0) {
    char text[300];
    EXPECT_EQ(RunGetLastErrorMessage(object, text, sizeof(text), language), 0);
    return text;
  }
  StationRecord OnPhone(const RecordLayout& layout) {
    StationRecord record(layout);
    std::memcpy(record.Bytes(), phone.flash.data(), static_cast<size_t>(layout.size));
    return record;
  }

  KVPH_OBJECT_T object;
  FakeRecordPhone phone;
  const BuildConfig demo = Line("KV09", 0, {"MMI", "CAL", "FT", "VARNEX"});
};

TEST_F(PhaseOperations, InitWritesTheBuiltRecordWithTheVersionsCall) {
  uint8_t buffer[1752];
  int32_t size = 0;
  ASSERT_EQ(RunInitPhase(object, phone, &demo, "T1", "T2", buffer, sizeof(buffer), &size, "CAL"),
            0);
  EXPECT_EQ(size, 256);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastWrite], 1);
  EXPECT_EQ(phone.lastCount[FakeRecordPhone::kFastWrite], 256);
  EXPECT_EQ(0, std::memcmp(buffer, phone.flash.data(), 256));
  const StationRecord record = OnPhone(kKv09Layout);
  EXPECT_EQ(record.Text1(), "T1");
  EXPECT_EQ(record.Status(1), StationStatus::kPassed);
  EXPECT_EQ(record.Status(0), StationStatus::kNotTested);

  const BuildConfig kv05 = Line("KV05", 0, {"A"});
  ASSERT_EQ(RunInitPhase(object, phone, &kv05, nullptr, nullptr, buffer, 1752, &size, nullptr), 0);
  EXPECT_EQ(size, 1752);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kWrite], 1);
  EXPECT_EQ(phone.lastCount[FakeRecordPhone::kWrite], 1752);
}

TEST_F(PhaseOperations, InitWithASmallBufferCopiesWhatFitsAndLeavesThePhone) {
  uint8_t buffer[256];
  std::memset(buffer, 0xEE, sizeof(buffer));
  int32_t size = 0;
  EXPECT_EQ(RunInitPhase(object, phone, &demo, nullptr, nullptr, buffer, 100, &size, nullptr), 11);
  EXPECT_EQ(object.errorCode, 11);
  EXPECT_EQ(size, 256);
  EXPECT_EQ(buffer[0], 0x39);
  EXPECT_EQ(buffer[52], 4);
  EXPECT_EQ(buffer[99], 0);
  EXPECT_EQ(buffer[100], 0xEE);
  EXPECT_EQ(phone.Writes(), 0);
  EXPECT_EQ(Message(), "Input buffer too small!");

  // A negative size copies nothing and still reports the record size.
  size = 0;
  std::memset(buffer, 0xEE, sizeof(buffer));
  EXPECT_EQ(RunInitPhase(object, phone, &demo, nullptr, nullptr, buffer, -5, &size, nullptr), 11);
  EXPECT_EQ(size, 256);
  EXPECT_EQ(buffer[0], 0xEE);
  EXPECT_EQ(phone.Writes(), 0);

  // Without a size pointer the small buffer is still filled.
  EXPECT_EQ(RunInitPhase(object, phone, &demo, nullptr, nullptr, buffer, 4, nullptr, nullptr), 11);
  EXPECT_EQ(buffer[0], 0x39);
  EXPECT_EQ(buffer[4], 0xEE);
}

TEST_F(PhaseOperations, InitWithoutABufferIgnoresTheSizePointer) {
  int32_t size = -7;
  EXPECT_EQ(RunInitPhase(object, phone, &demo, nullptr, nullptr, nullptr, 0, &size, nullptr), 0);
  EXPECT_EQ(size, -7);
  EXPECT_EQ(phone.Writes(), 1);
}

TEST_F(PhaseOperations, InitBuildFailuresTouchNothing) {
  uint8_t buffer[256];
  std::memset(buffer, 0xEE, sizeof(buffer));
  int32_t size = -7;
  const BuildConfig bad = Line("KV10", 0, {"A"});
  EXPECT_EQ(RunInitPhase(object, phone, &bad, nullptr, nullptr, buffer, 256, &size, nullptr), 8);
  EXPECT_EQ(RunInitPhase(object, phone, nullptr, nullptr, nullptr, buffer, 256, &size, nullptr), 8);
  EXPECT_EQ(size, -7);
  EXPECT_EQ(buffer[0], 0xEE);
  EXPECT_EQ(phone.Writes(), 0);
  EXPECT_EQ(Message(), "Initialize Tollmark buffer failed!");

  phone.failWith[FakeRecordPhone::kFastWrite] = 5;
  EXPECT_EQ(RunInitPhase(object, phone, &demo, nullptr, nullptr, nullptr, 0, nullptr, nullptr), 9);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastWrite], 1);  // never retried
}

TEST_F(PhaseOperations, CheckLearnsTheVersionFromTheMagicOrTheProperty) {
  Initialise(demo);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 7);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kRead], 1);
  EXPECT_EQ(phone.lastCount[FakeRecordPhone::kRead], 4);
  EXPECT_EQ(phone.lastCount[FakeRecordPhone::kFastRead], 256);

  // Property 1 = 7 means KV15: the magic is not read and 492 bytes are.
  std::memset(phone.calls, 0, sizeof(phone.calls));
  EXPECT_EQ(RunPutProperty(object, 1, 7), 0);
  RunCheckPhase(object, phone, nullptr, "MMI");
  EXPECT_EQ(phone.calls[FakeRecordPhone::kRead], 0);
  EXPECT_EQ(phone.lastCount[FakeRecordPhone::kFastRead], 492);

  EXPECT_EQ(RunPutProperty(object, 1, 2), 0);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 7);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kRead], 0);

  // Property 1 = 1 (KV05) reads 1752 bytes with the plain call: the count byte of a KV09 record
  // is zero there, so MMI is not in it.
  EXPECT_EQ(RunPutProperty(object, 1, 1), 0);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 5);
  EXPECT_EQ(phone.lastCount[FakeRecordPhone::kRead], 1752);

  // Other ids change nothing.
  EXPECT_EQ(RunPutProperty(object, 2, 0), 0);
  EXPECT_EQ(object.recordVersion, 1);
  int32_t value = 0x55;
  EXPECT_EQ(RunGetProperty(object, 1, &value), 0);
  EXPECT_EQ(value, 0x55);
}

TEST_F(PhaseOperations, CheckMagicFailures) {
  phone.failWith[FakeRecordPhone::kRead] = 3;
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 12);
  EXPECT_EQ(Message(), "Read magic number of Tollmark from FLASH failed!");
  // A missing name is refused before the phone is asked; a long one only once the version is
  // known.
  EXPECT_EQ(RunCheckPhase(object, phone, "MMI", nullptr), 4);
  EXPECT_EQ(RunUpdatePhase(object, phone, nullptr, 1, nullptr, nullptr, nullptr), 4);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kRead], 1);
  EXPECT_EQ(RunCheckPhase(object, phone, "CURRENTLONG", "MMI"), 12);
  phone.failWith[FakeRecordPhone::kRead] = 0;
  std::memcpy(phone.flash.data(), "KV09", 4);  // stored in the wrong byte order
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 13);
  EXPECT_EQ(RunUpdatePhase(object, phone, "MMI", 1, nullptr, nullptr, nullptr), 13);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastRead], 0);
}

TEST_F(PhaseOperations, CheckWithACurrentStationEntersItOnce) {
  Initialise(demo);
  EXPECT_EQ(RunCheckPhase(object, phone, "ft", "NULL"), 0);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastWrite], 1);
  EXPECT_EQ(OnPhone(kKv09Layout).UntestedMask(), 0xFFFBu);
  EXPECT_EQ(RunCheckPhase(object, phone, "FT", "null"), 0);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastWrite], 1);

  // Pass-value-1 records are never written by a check.
  Initialise(Line("KV15", 1, {"MMI", "FT"}));
  EXPECT_EQ(RunCheckPhase(object, phone, "FT", "NULLSTATION"), 0);
  EXPECT_EQ(phone.Writes(), 0);
}

TEST_F(PhaseOperations, CheckEnteringItselfStillReportsNotTested) {
  Initialise(demo);
  EXPECT_EQ(RunCheckPhase(object, phone, "CAL", "CAL"), 7);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastWrite], 1);
  EXPECT_EQ(OnPhone(kKv09Layout).Status(1), StationStatus::kNotPassed);
  EXPECT_EQ(Message(), "Station has CAL not been tested yet!");
}

TEST_F(PhaseOperations, CheckReportsStatusOfTheRequiredStation) {
  Initialise(demo, "CAL");
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "cal"), 0);
  EXPECT_EQ(RunUpdatePhase(object, phone, "FT", 0, "bad", nullptr, nullptr), 0);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "FT"), 6);
  EXPECT_EQ(Message(), "Station FT not pass!");
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "NOPE"), 5);
  EXPECT_EQ(Message(), "Station NOPE not exist!");
  EXPECT_EQ(RunCheckPhase(object, phone, "NOPE2", "CAL"), 5);
  EXPECT_EQ(Message(), "Station NOPE2 not exist!");
  EXPECT_EQ(phone.Writes(), 1);
}

TEST_F(PhaseOperations, CheckNameLengthsDependOnTheVersion) {
  Initialise(demo);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "ABCDEFGHIJK"), 4);
  EXPECT_EQ(Message(), "Invalid station name: ABCDEFGHIJK");
  EXPECT_EQ(RunCheckPhase(object, phone, "CURRENTLONG", "ABCDEFGHIJK"), 4);
  EXPECT_EQ(Message(), "Invalid station name: CURRENTLONG");
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastRead], 0);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "ABCDEFGHIJ"), 5);  // ten is allowed

  Initialise(Line("KV15", 0, {"MMI"}));
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "ABCDEFGHIJK"), 5);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "ABCDEFGHIJKLMNOP"), 4);

  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, nullptr), 4);
  EXPECT_EQ(Message(), "Invalid station name: ");
}

TEST_F(PhaseOperations, CheckReadFailuresAndBadCounts) {
  Initialise(demo);
  phone.failWith[FakeRecordPhone::kFastRead] = 1;
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "NULL"), 10);  // read even for NULL
  EXPECT_EQ(Message(), "Read Tollmark from FLASH failed!");
  phone.failWith[FakeRecordPhone::kFastRead] = 0;

  phone.flash[52] = 16;
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 3);
  phone.flash[52] = 0xFF, phone.flash[53] = 0xFF, phone.flash[54] = 0xFF, phone.flash[55] = 0xFF;
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 3);
  phone.flash[52] = 0, phone.flash[53] = 0, phone.flash[54] = 0, phone.flash[55] = 0;
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 5);  // zero stations is valid
  EXPECT_EQ(phone.Writes(), 0);
}

TEST_F(PhaseOperations, CheckEnteredMarkStaysWhenTheWriteFails) {
  Initialise(demo);
  phone.failWith[FakeRecordPhone::kFastWrite] = 2;
  EXPECT_EQ(RunCheckPhase(object, phone, "MMI", "CAL"), 9);
  EXPECT_EQ(Message(), "Write Tollmark into FLASH failed!");
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastWrite], 1);
}

TEST_F(PhaseOperations, CheckOnEntryRecords) {
  Initialise(Line("KV05", 0, {"DOWNLOAD", "MMI", "CAL"}), "MMI");
  EXPECT_EQ(RunCheckPhase(object, phone, "MMI", "nUlL"), 0);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kRead], 1);  // the magic only
  EXPECT_EQ(phone.Writes(), 0);

  EXPECT_EQ(RunCheckPhase(object, phone, "A_NAME_FAR_TOO_LONG_FOR_ANY_SLOT", "MMI"), 0);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "download"), 0);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "CAL"), 7);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "FT"), 5);
  EXPECT_EQ(Message(), "Station FT not exist!");
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "0123456789ABCDEF"), 5);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "0123456789ABCDEFG"), 4);
  EXPECT_EQ(RunUpdatePhase(object, phone, "CAL", 3, "Current", nullptr, nullptr), 0);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "CAL"), 6);
  EXPECT_EQ(phone.Writes(), 1);

  phone.flash[5] = 13;
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "CAL"), 3);
  phone.failWith[FakeRecordPhone::kRead] = 4;
  phone.failOnlyCount[FakeRecordPhone::kRead] = 1752;
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "CAL"), 10);
  // The name is judged before the record is read: neither the failing read nor the bad count
  // is reached.
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "0123456789ABCDEFG"), 4);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "null"), 0);
}

TEST_F(PhaseOperations, UpdateRecordsOutcomeMessageAndTexts) {
  Initialise(demo);
  EXPECT_EQ(RunUpdatePhase(object, phone, "cal", 1, "All good", "line 7", nullptr), 0);
  StationRecord record = OnPhone(kKv09Layout);
  EXPECT_EQ(record.Status(1), StationStatus::kPassed);
  EXPECT_EQ(record.LastMessage(), "All good");
  EXPECT_EQ(record.Text1(), "line 7");
  EXPECT_EQ(record.Text2(), "");
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastRead], 1);
  EXPECT_EQ(phone.calls[FakeRecordPhone::kFastWrite], 1);

  // Only outcome 1 is a pass.
  EXPECT_EQ(RunUpdatePhase(object, phone, "CAL", 2, nullptr, nullptr, "t2"), 0);
  record = OnPhone(kKv09Layout);
  EXPECT_EQ(record.Status(1), StationStatus::kNotPassed);
  EXPECT_EQ(record.LastMessage(), "All good");
  EXPECT_EQ(record.Text1(), "line 7");
  EXPECT_EQ(record.Text2(), "t2");

  Initialise(Line("KV05", 0, {"MMI"}));
  EXPECT_EQ(RunUpdatePhase(object, phone, "MMI", 1, "All good", nullptr, nullptr), 0);
  record = OnPhone(kKv05Layout);
  EXPECT_EQ(record.EntryMessage(0), "PASS");
  EXPECT_EQ(record.EntryResult(0), "PASS");
  EXPECT_EQ(phone.lastCount[FakeRecordPhone::kRead], 1752);
  EXPECT_EQ(phone.lastCount[FakeRecordPhone::kWrite], 1752);
}

TEST_F(PhaseOperations, UpdateFailuresLeaveThePhoneAlone) {
  Initialise(demo);
  EXPECT_EQ(RunUpdatePhase(object, phone, nullptr, 1, nullptr, nullptr, nullptr), 4);
  const std::string forty(40, 'N');
  EXPECT_EQ(RunUpdatePhase(object, phone, forty.c_str(), 1, nullptr, nullptr, nullptr), 5);
  EXPECT_EQ(Message(), "Station " + std::string(30, 'N') + " not exist!");
  EXPECT_EQ(RunUpdatePhase(object, phone, "XYZ", 1, nullptr, nullptr, nullptr), 5);
  EXPECT_EQ(Message(), "Station XYZ not exist!");
  phone.failWith[FakeRecordPhone::kFastRead] = 7;
  EXPECT_EQ(RunUpdatePhase(object, phone, "MMI", 1, nullptr, nullptr, nullptr), 10);
  phone.failWith[FakeRecordPhone::kFastRead] = 0;
  phone.flash[52] = 99;
  EXPECT_EQ(RunUpdatePhase(object, phone, "MMI", 1, nullptr, nullptr, nullptr), 3);
  EXPECT_EQ(Message(), "Invalid Tollmark, please initialize first!");
  EXPECT_EQ(phone.Writes(), 0);
  phone.flash[52] = 4;
  phone.failWith[FakeRecordPhone::kFastWrite] = 1;
  EXPECT_EQ(RunUpdatePhase(object, phone, "MMI", 1, nullptr, nullptr, nullptr), 9);
}

TEST_F(PhaseOperations, ErrorMessageBufferRules) {
  Initialise(demo);
  RunCheckPhase(object, phone, nullptr, "MISSING");
  char text[8];
  std::memset(text, '#', sizeof(text));
  EXPECT_EQ(RunGetLastErrorMessage(object, nullptr, 8, 0), 1);
  EXPECT_EQ(RunGetLastErrorMessage(object, text, 0, 0), 1);
  EXPECT_EQ(RunGetLastErrorMessage(object, text, -3, 0), 1);
  EXPECT_EQ(text[0], '#');
  EXPECT_EQ(RunGetLastErrorMessage(object, text, 1, 0), 0);
  EXPECT_EQ(text[0], '\0');
  EXPECT_EQ(text[1], '#');
  EXPECT_EQ(RunGetLastErrorMessage(object, text, 8, 0), 0);
  EXPECT_EQ(std::string(text), "Station");
  EXPECT_EQ(object.errorCode, 5);

  // A later successful operation keeps the station name but not the text.
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "NULL"), 0);
  EXPECT_STREQ(object.errorText, "");
  EXPECT_STREQ(object.errorStation, "MISSING");
  EXPECT_EQ(Message(), "PASS");
}

TEST_F(PhaseOperations, CodeThirteenOutsideBothLanguagesKeepsTheLastComposedText) {
  std::memcpy(phone.flash.data(), "\x01\x02\x03\x04", 4);
  EXPECT_EQ(RunCheckPhase(object, phone, nullptr, "MMI"), 13);
  EXPECT_EQ(Message(2), "");
  EXPECT_EQ(Message(0), "Invalid magic number of Tollmark!");
  EXPECT_EQ(Message(2), "Invalid magic number of Tollmark!");
}

}  // namespace
