#include "tollmark/RecordBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

BuildConfig Config(const char* magic, int32_t passValue, std::vector<const char*> names) {
  BuildConfig config;
  std::snprintf(config.magicNumber, sizeof(config.magicNumber), "%s", magic);
  config.passValue = passValue;
  config.stationNumber = static_cast<int32_t>(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    std::snprintf(config.stationNames[i], sizeof(config.stationNames[i]), "%s", names[i]);
  }
  return config;
}

std::string Field(const StationRecord& record, size_t offset, size_t width) {
  const char* p = reinterpret_cast<const char*>(record.Bytes() + offset);
  return std::string(p, strnlen(p, width));
}

uint32_t Le32(const StationRecord& record, size_t offset) {
  const uint8_t* p = record.Bytes() + offset;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

TEST(RecordBuilder, DefaultsGiveFiveEmptyStationsInKv09PassValueZero) {
  StationRecord record(kKv05Layout);
  ASSERT_TRUE(BuildRecord(BuildConfig{}, nullptr, nullptr, nullptr, record));

  // Every byte of the record, written out from the layout by hand.
  uint8_t expected[256] = {};
  expected[0] = 0x39, expected[1] = 0x30, expected[2] = 0x56, expected[3] = 0x4B;
  expected[52] = 5;
  expected[219] = 1;
  std::memcpy(expected + 220, "PASS", 4);
  expected[252] = 0xFF, expected[253] = 0xFF;
  expected[254] = 0xFF, expected[255] = 0x7F;
  EXPECT_EQ(record.Size(), 256);
  EXPECT_EQ(0, std::memcmp(expected, record.Bytes(), 256));
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(record.Status(i), StationStatus::kNotTested) << i;
  }
}

TEST(RecordBuilder, PassValueOneLeavesBothMasksClear) {
  StationRecord record(kKv05Layout);
  ASSERT_TRUE(BuildRecord(Config("KV09", -1, {"A", "B"}), nullptr, nullptr, nullptr, record));
  uint8_t expected[256] = {};
  expected[0] = 0x39, expected[1] = 0x30, expected[2] = 0x56, expected[3] = 0x4B;
  expected[52] = 2;
  expected[56] = 'A';
  expected[66] = 'B';
  std::memcpy(expected + 220, "PASS", 4);
  EXPECT_EQ(0, std::memcmp(expected, record.Bytes(), 256));
  EXPECT_EQ(record.Status(0), StationStatus::kNotPassed);
  EXPECT_EQ(record.Status(1), StationStatus::kNotPassed);
}

TEST(RecordBuilder, Kv15FieldsSitAtTheirOffsets) {
  StationRecord record(kKv09Layout);
  ASSERT_TRUE(BuildRecord(Config("kv15", 0, {"MMI", "CAL"}), "first", "second", nullptr, record));
  EXPECT_EQ(record.Size(), 492);
  EXPECT_EQ(Le32(record, 0), 0x4B563135u);
  EXPECT_EQ(record.Bytes()[0], 0x35);
  EXPECT_EQ(Field(record, 4, 64), "first");
  EXPECT_EQ(Field(record, 68, 64), "second");
  EXPECT_EQ(Le32(record, 132), 2u);
  EXPECT_EQ(Field(record, 136, 15), "MMI");
  EXPECT_EQ(Field(record, 151, 15), "CAL");
  EXPECT_EQ(record.Bytes()[449], 1);
  EXPECT_EQ(Field(record, 450, 32), "PASS");
  EXPECT_EQ(Le32(record, 484), 0xFFFFFFFFu);
  EXPECT_EQ(Le32(record, 488), 0xFFFFFFFFu);
  EXPECT_EQ(record.Bytes()[482], 0);
  EXPECT_EQ(record.Bytes()[483], 0);
}

TEST(RecordBuilder, Kv05FieldsSitAtTheirOffsets) {
  StationRecord record(kKv09Layout);
  ASSERT_TRUE(
      BuildRecord(Config("Kv05", 0, {"MMI", "CAL", "FT"}), "first", "second", "CAL", record));
  EXPECT_EQ(record.Size(), 1752);
  const uint8_t magic[] = {0x35, 0x30, 0x56, 0x4B};
  EXPECT_EQ(0, std::memcmp(record.Bytes(), magic, 4));
  EXPECT_EQ(record.Bytes()[4], 0);
  EXPECT_EQ(record.Bytes()[5], 3);
  EXPECT_EQ(Field(record, 8, 24), "first");
  EXPECT_EQ(Field(record, 168, 24), "second");
  EXPECT_EQ(Field(record, 216 + 128 * 1, 16), "CAL");
  EXPECT_EQ(Field(record, 216 + 128 * 2, 16), "FT");
  EXPECT_EQ(Field(record, 216 + 128 * 1 + 24, 16), "PASS");
  EXPECT_EQ(Field(record, 216 + 128 * 0 + 24, 16), "");
  // A KV05 record has no last message and nothing else but what was just checked.
  size_t nonZero = 0;
  for (int32_t i = 0; i < record.Size(); ++i) {
    nonZero += record.Bytes()[i] != 0;
  }
  EXPECT_EQ(nonZero, 4u + 1 + 5 + 6 + 3 + 3 + 2 + 4);
}

TEST(RecordBuilder, VersionNameIsCaseBlindAndUnknownNamesFail) {
  StationRecord record(kKv09Layout);
  EXPECT_TRUE(BuildRecord(Config("kv15", 0, {"A"}), nullptr, nullptr, nullptr, record));
  EXPECT_EQ(record.Layout().version, RecordVersion::kKv15);
  EXPECT_TRUE(BuildRecord(Config("kV09", 0, {"A"}), nullptr, nullptr, nullptr, record));
  EXPECT_EQ(record.Layout().version, RecordVersion::kKv09);
  EXPECT_FALSE(BuildRecord(Config("KV10", 0, {"A"}), nullptr, nullptr, nullptr, record));
  EXPECT_FALSE(BuildRecord(Config("KV091", 0, {"A"}), nullptr, nullptr, nullptr, record));
  EXPECT_FALSE(BuildRecord(Config("", 0, {"A"}), nullptr, nullptr, nullptr, record));
}

TEST(RecordBuilder, FailedBuildLeavesTheRecordAlone) {
  StationRecord record(kKv15Layout);
  record.Bytes()[10] = 0x77;
  EXPECT_FALSE(BuildRecord(Config("KV99", 0, {"A"}), nullptr, nullptr, nullptr, record));
  EXPECT_EQ(record.Layout().version, RecordVersion::kKv15);
  EXPECT_EQ(record.Bytes()[10], 0x77);
}

TEST(RecordBuilder, StationCountKeepsLowEightBitsAndVersionLimits) {
  StationRecord record(kKv09Layout);
  BuildConfig config;
  config.stationNumber = 261;
  ASSERT_TRUE(BuildRecord(config, nullptr, nullptr, nullptr, record));
  EXPECT_EQ(record.StationCount(), 5);

  struct Case {
    const char* magic;
    int32_t count;
    bool builds;
  } cases[] = {{"KV09", 15, true},   {"KV09", 16, false}, {"KV15", 16, true},  {"KV15", 20, true},
               {"KV15", 21, false},  {"KV05", 12, true},  {"KV05", 13, false}, {"KV09", 0, false},
               {"KV09", 256, false}, {"KV09", -1, false}, {"KV05", 1, true}};
  for (const Case& c : cases) {
    BuildConfig sized = Config(c.magic, 0, {});
    sized.stationNumber = c.count;
    EXPECT_EQ(BuildRecord(sized, nullptr, nullptr, nullptr, record), c.builds)
        << c.magic << " " << c.count;
    if (c.builds) {
      EXPECT_EQ(record.StationCount(), c.count);
    }
  }
}

TEST(RecordBuilder, NamesAndTextsAreCutToTheVersionLimits) {
  const char* eleven = "ABCDEFGHIJK";
  const char* thirty = "abcdefghijklmnopqrstuvwxyz0123";
  struct Case {
    const char* magic;
    size_t nameOffset;
    size_t nameLimit;
    size_t text1Offset;
    size_t text2Offset;
    size_t textLimit;
  } cases[] = {{"KV09", 56 + 10, 8, 4, 28, 23},
               {"KV15", 136 + 15, 11, 4, 68, 30},
               {"KV05", 216 + 128, 11, 8, 168, 23}};
  for (const Case& c : cases) {
    StationRecord record(kKv09Layout);
    ASSERT_TRUE(BuildRecord(Config(c.magic, 0, {"X", eleven}), thirty, thirty, nullptr, record));
    EXPECT_EQ(Field(record, c.nameOffset, 16), std::string(eleven, c.nameLimit)) << c.magic;
    EXPECT_EQ(Field(record, c.text1Offset, 64), std::string(thirty, c.textLimit)) << c.magic;
    EXPECT_EQ(Field(record, c.text2Offset, 64), std::string(thirty, c.textLimit)) << c.magic;
  }
  // Names from Tollmark.ini are cut to 8, 13 and 14 characters.
  const char* fifteen = "ABCDEFGHIJKLMNO";
  StationRecord record(kKv09Layout);
  ASSERT_TRUE(BuildRecord(Config("KV15", 0, {fifteen}), nullptr, nullptr, nullptr, record));
  EXPECT_EQ(record.StationName(0), "ABCDEFGHIJKLM");
  ASSERT_TRUE(BuildRecord(Config("KV05", 0, {fifteen}), nullptr, nullptr, nullptr, record));
  EXPECT_EQ(record.StationName(0), "ABCDEFGHIJKLMN");
  // A 64-character first text in KV15 keeps 63 characters and its terminator.
  const std::string longText(64, 'q');
  ASSERT_TRUE(BuildRecord(Config("KV15", 0, {"A"}), longText.c_str(), nullptr, nullptr, record));
  EXPECT_EQ(record.Text1(), std::string(63, 'q'));
  EXPECT_EQ(record.Bytes()[67], 0);
}

TEST(RecordBuilder, DownloadStationsUpToTheGivenStationArePassed) {
  StationRecord record(kKv09Layout);
  ASSERT_TRUE(BuildRecord(Config("KV09", 0, {"DOWNLOAD", "A1", "download", "B2"}), nullptr, nullptr,
                          "a1", record));
  EXPECT_EQ(record.UntestedMask(), 0xFFFCu);
  EXPECT_EQ(record.ResultMask(), 0x7FFCu);
  EXPECT_EQ(record.Status(0), StationStatus::kPassed);
  EXPECT_EQ(record.Status(1), StationStatus::kPassed);
  EXPECT_EQ(record.Status(2), StationStatus::kNotTested);
  EXPECT_EQ(record.Status(3), StationStatus::kNotTested);
}

TEST(RecordBuilder, UnknownStationStillPassesEveryDownloadStation) {
  StationRecord record(kKv09Layout);
  ASSERT_TRUE(BuildRecord(Config("KV15", 1, {"DOWNLOAD", "A1", "Download", "B2"}), nullptr, nullptr,
                          "ZZ", record));
  EXPECT_EQ(record.StateFlag(), 0);
  EXPECT_EQ(record.UntestedMask(), 0u);
  EXPECT_EQ(record.ResultMask(), 0x5u);
  EXPECT_EQ(record.LastMessage(), "PASS");

  ASSERT_TRUE(BuildRecord(Config("KV05", 0, {"DOWNLOAD", "A1", "DOWNLOAD"}), nullptr, nullptr, "ZZ",
                          record));
  EXPECT_EQ(record.Status(0), StationStatus::kPassed);
  EXPECT_EQ(record.Status(1), StationStatus::kNotTested);
  EXPECT_EQ(record.Status(2), StationStatus::kPassed);
}
