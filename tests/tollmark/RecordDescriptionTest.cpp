#include "tollmark/RecordDescription.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tollmark/ConfigPath.h"
#include "tollmark/RecordBuilder.h"

TEST(RecordDescription, MaskRecordLinesForTheEngineer) {
  BuildConfig config;
  config.stationNumber = 3;
  std::strcpy(config.stationNames[0], "MMI");
  std::strcpy(config.stationNames[1], "CAL");
  std::strcpy(config.stationNames[2], "FT");
  StationRecord record(kKv09Layout);
  ASSERT_TRUE(BuildRecord(config, "Line\t7", nullptr, "MMI", record));
  record.RecordResult(1, false, "Flag missing");
  EXPECT_EQ(DescribeRecord(record),
            "Version:      KV09 (256 bytes)\n"
            "Mode:         pass value 0 (state flag 1)\n"
            "Masks:        untested 0xFFFC, result 0x7FFE\n"
            "Text1:        Line?7\n"
            "Text2:        \n"
            "Stations:     3\n"
            "   1  MMI               passed\n"
            "   2  CAL               not passed\n"
            "   3  FT                not tested\n"
            "Last message: Flag missing\n");
}

TEST(RecordDescription, EntryRecordsShowTheirMessagesAndBadCountsStop) {
  BuildConfig config;
  std::strcpy(config.magicNumber, "KV05");
  config.stationNumber = 2;
  std::strcpy(config.stationNames[0], "DOWNLOAD");
  std::strcpy(config.stationNames[1], "MMI");
  StationRecord record(kKv09Layout);
  ASSERT_TRUE(BuildRecord(config, nullptr, "SN", nullptr, record));
  record.RecordResult(1, false, "Key fail");
  EXPECT_EQ(DescribeRecord(record),
            "Version:      KV05 (1752 bytes)\n"
            "Mode:         result texts\n"
            "Text1:        \n"
            "Text2:        SN\n"
            "Stations:     2\n"
            "   1  DOWNLOAD          not tested\n"
            "   2  MMI               not passed  \"Key fail\"\n");

  record.Bytes()[5] = 200;
  const std::string text = DescribeRecord(record);
  EXPECT_NE(text.find("Stations:     200\n  (station count out of range"), std::string::npos);
  EXPECT_EQ(text.find("DOWNLOAD"), std::string::npos);
}

TEST(ConfigPath, IniLiesBesideTheExecutable) {
  wchar_t out[64];
  ASSERT_TRUE(TollmarkIniPath(L"C:\\Line\\Varnex.exe", out, 64));
  EXPECT_STREQ(out, L"C:\\Line\\Tollmark.ini");
  ASSERT_TRUE(TollmarkIniPath(L"C:\\a\\b\\c.exe", out, 64));
  EXPECT_STREQ(out, L"C:\\a\\b\\Tollmark.ini");
  EXPECT_FALSE(TollmarkIniPath(L"Varnex.exe", out, 64));
  // "C:\Line" + "\Tollmark.ini" + NUL needs 21 characters.
  EXPECT_FALSE(TollmarkIniPath(L"C:\\Line\\Varnex.exe", out, 20));
  EXPECT_TRUE(TollmarkIniPath(L"C:\\Line\\Varnex.exe", out, 21));
}
