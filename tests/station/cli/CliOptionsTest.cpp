#include "station/cli/core/CliOptions.h"
#include "station/run/core/UsbMode.h"

#include <gtest/gtest.h>

TEST(CliOptions, TakesEveryScannedCodeInBothForms) {
  ParseResult r =
      ParseCliOptions({L"--imei1", L"860000000000011", L"--imei2=860000000000029", L"--imei3",
                       L"860000000000037", L"--sn1=VX202612090001", L"--sn2", L"VX202612090002",
                       L"--bt", L"00A0C6123456", L"--wifi=00A0C6123457"});
  ASSERT_EQ(r.error, L"");
  const wchar_t* expected[] = {L"860000000000011", L"860000000000029", L"860000000000037",
                               L"VX202612090001",  L"VX202612090002",  L"00A0C6123456",
                               L"00A0C6123457"};
  for (int i = 0; i < kIdentityCount; ++i) {
    ASSERT_TRUE(r.options.codes[i].has_value()) << i;
    EXPECT_EQ(*r.options.codes[i], expected[i]) << i;
  }
  EXPECT_FALSE(r.options.configPath);
  EXPECT_FALSE(r.options.noWait);
  EXPECT_FALSE(r.options.noPrompt);
}

TEST(CliOptions, FlagsAndConfigPath) {
  ParseResult r = ParseCliOptions({L"--no-wait", L"--yes", L"--config", L"C:\\line\\A.ini"});
  ASSERT_EQ(r.error, L"");
  EXPECT_TRUE(r.options.noWait);
  EXPECT_TRUE(r.options.noPrompt);
  EXPECT_EQ(r.options.configPath.value_or(L""), L"C:\\line\\A.ini");
  EXPECT_TRUE(ParseCliOptions({L"--no-prompt"}).options.noPrompt);
  EXPECT_TRUE(ParseCliOptions({L"--brief"}).options.brief);
  EXPECT_FALSE(r.options.brief);
  EXPECT_TRUE(ParseCliOptions({L"-h"}).options.help);
  EXPECT_TRUE(ParseCliOptions({L"--help"}).options.help);
}

TEST(CliOptions, AValueMayContainEqualsAndLastRepeatWins) {
  ParseResult r = ParseCliOptions({L"--config=C:\\a=b.ini", L"--sn1", L"A", L"--sn1", L"B"});
  ASSERT_EQ(r.error, L"");
  EXPECT_EQ(*r.options.configPath, L"C:\\a=b.ini");
  EXPECT_EQ(*r.options.codes[3], L"B");
}

TEST(CliOptions, AnEmptyValueIsKeptAsGiven) {
  ParseResult r = ParseCliOptions({L"--bt="});
  ASSERT_EQ(r.error, L"");
  ASSERT_TRUE(r.options.codes[5].has_value());
  EXPECT_EQ(*r.options.codes[5], L"");
}

TEST(CliOptions, RejectsWhatItDoesNotUnderstand) {
  EXPECT_EQ(ParseCliOptions({L"--imei4", L"1"}).error, L"unknown option --imei4 (see --help)");
  EXPECT_EQ(ParseCliOptions({L"860000000000011"}).error,
            L"unknown option 860000000000011 (see --help)");
  EXPECT_EQ(ParseCliOptions({L"--imei1"}).error, L"--imei1 needs a value");
  EXPECT_EQ(ParseCliOptions({L"--sn1", L"A", L"--wifi"}).error, L"--wifi needs a value");
  EXPECT_EQ(ParseCliOptions({L"--no-wait=1"}).error, L"--no-wait takes no value");
  // An empty path would name no file at all, not the default one.
  EXPECT_EQ(ParseCliOptions({L"--config="}).error, L"--config needs a value");
  EXPECT_EQ(ParseCliOptions({L"--config", L""}).error, L"--config needs a value");
}

TEST(CliOptions, UsageNamesEveryOption) {
  std::wstring usage = CliUsage();
  for (const wchar_t* option :
       {L"--imei1", L"--imei2", L"--imei3", L"--sn1", L"--sn2", L"--bt", L"--wifi", L"--config",
        L"--no-wait", L"--no-prompt", L"--yes", L"--brief", L"--help"}) {
    EXPECT_NE(usage.find(option), std::wstring::npos) << option;
  }
}

TEST(UsbEnterMode, WcdmaGsmChoosesModeFourteenOnlyForWG) {
  EXPECT_EQ(UsbEnterMode(0, 0), 1);
  EXPECT_EQ(UsbEnterMode(0, 1), 1);
  EXPECT_EQ(UsbEnterMode(1, 0), 14);  // "W/G"
  EXPECT_EQ(UsbEnterMode(1, 1), 1);   // "T/G"
}
