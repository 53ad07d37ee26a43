#include "station/engine/Reporting.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <windows.h>

#include "EngineFixture.h"
#include "station/engine/LogFiles.h"

using Reporting = EngineTest;

TEST_F(Reporting, RowBeginsZeroedAndTheResultKeepsTheItemName) {
  std::wmemset(context->rowReport.text, L'x', 100);
  context->rowReport.color = 0x123456;
  BeginRow(*context, L"SIM Card");
  EXPECT_EQ(context->rowReport.column, 0);
  EXPECT_EQ(context->rowReport.color, 0u);
  EXPECT_EQ(context->rowReport.text[0], L'\0');

  ReportDetail(*context, L"detail text", kColorFail);
  ReportResult(*context, true);
  ASSERT_EQ(recorder.reports().size(), 2u);
  const RowReport& detail = recorder.reports()[0];
  EXPECT_STREQ(detail.itemName, L"SIM Card");
  EXPECT_EQ(detail.column, kColumnDetail);
  EXPECT_STREQ(detail.text, L"detail text");
  EXPECT_EQ(detail.color, kColorFail);
  const RowReport& result = recorder.reports()[1];
  EXPECT_STREQ(result.itemName, L"SIM Card");
  EXPECT_EQ(result.column, kColumnResult);
  EXPECT_STREQ(result.text, L"PASS");
  EXPECT_EQ(result.color, kColorPass);

  ReportResult(*context, false);
  EXPECT_STREQ(recorder.reports()[2].text, L"FAIL");
  EXPECT_EQ(recorder.reports()[2].color, kColorFail);
}

TEST_F(Reporting, FormattedDetailTakesWideStringsAndNumbers) {
  BeginRow(*context, L"SN1");
  ReportDetailF(*context, kColorPass, L"%ls: %ls (%d)", L"SN1", L"VX01", -3);
  EXPECT_EQ(recorder.Detail(L"SN1"), L"SN1: VX01 (-3)");
}

TEST_F(Reporting, OverlongTextsAreCutToTheRecord) {
  const std::wstring longName(200, L'n');
  BeginRow(*context, longName.c_str());
  EXPECT_EQ(std::wcslen(context->rowReport.itemName), 63u);
  const std::wstring longText(10000, L't');
  ReportDetail(*context, longText.c_str(), kColorFail);
  EXPECT_EQ(recorder.reports().back().text, std::wstring(4095, L't'));
  ReportDetailF(*context, kColorFail, L"%ls", longText.c_str());
  EXPECT_LE(std::wcslen(recorder.reports().back().text), 4095u);
}

TEST_F(Reporting, TestLogTextIsCutAtItsSize) {
  const std::string chunk(1000, 'a');
  for (int i = 0; i < 6; ++i) {
    AppendLog(*context, chunk.c_str());
  }
  EXPECT_EQ(LogText().size(), sizeof(context->logText) - 1);
  EXPECT_EQ(context->testLog, nullptr) << "the member after the text was overrun";
  AppendLogF(*context, "%s", chunk.c_str());
  AppendLogWide(*context, L"more");
  EXPECT_EQ(LogText().size(), sizeof(context->logText) - 1);
}

TEST_F(Reporting, FormattedAndWideAppendsAddToTheEnd) {
  AppendLog(*context, "A,");
  AppendLogF(*context, "%d,%s", 42, "x");
  AppendLogWide(*context, L",wide");
  EXPECT_EQ(LogText(), "A,42,x,wide");
}

TEST_F(Reporting, VoltageLineIsCutAtItsSize) {
  const KV_PHONE phone = context->phone;
  const std::string chunk(700, '9');
  AppendVoltageLine(*context, chunk.c_str());
  AppendVoltageLine(*context, chunk.c_str());
  EXPECT_EQ(VoltageLine().size(), sizeof(context->voltageLine) - 1);
  EXPECT_EQ(context->phone, phone);
}

TEST_F(Reporting, VoltageLineEndsWithItsLineFeedEvenWhenFull) {
  AppendVoltageLine(*context, "SN1,3799,");
  EndVoltageLine(*context);
  EXPECT_EQ(VoltageLine(), "SN1,3799,\n");

  std::memset(context->voltageLine, 0, sizeof(context->voltageLine));
  const std::string full(sizeof(context->voltageLine) - 1, '9');
  AppendVoltageLine(*context, full.c_str());
  ASSERT_EQ(VoltageLine().size(), full.size());
  EndVoltageLine(*context);
  EXPECT_EQ(VoltageLine(), std::string(full.size() - 1, '9') + "\n");

  std::memset(context->voltageLine, 0, sizeof(context->voltageLine));
  AppendVoltageLine(*context, std::string(full.size() - 1, '8').c_str());
  EndVoltageLine(*context);
  EXPECT_EQ(VoltageLine(), std::string(full.size() - 1, '8') + "\n");
}

TEST_F(Reporting, FlushWritesTheTextAndEmptiesIt) {
  const std::string path = ProgramFolder() + "\\flush-test.csv";
  context->testLog = std::fopen(path.c_str(), "wb");
  ASSERT_NE(context->testLog, nullptr);
  AppendLog(*context, "IMEI1,1,PASS,1\n");
  FlushTestLog(*context);
  EXPECT_EQ(LogText(), "");
  AppendLog(*context, "SN1,2,PASS,2\n");
  FlushTestLog(*context);
  CloseLogFile(context->testLog);

  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  char content[256] = {};
  std::fread(content, 1, sizeof(content) - 1, file);
  std::fclose(file);
  std::remove(path.c_str());
  EXPECT_STREQ(content, "IMEI1,1,PASS,1\nSN1,2,PASS,2\n");
}

TEST_F(Reporting, FlushWithoutAFileOnlyEmpties) {
  AppendLog(*context, "line\n");
  FlushTestLog(*context);
  EXPECT_EQ(LogText(), "");
  for (char byte : context->logText) {
    ASSERT_EQ(byte, '\0');
  }
}

TEST_F(Reporting, WaitsGoThroughTheContext) {
  Wait(*context, 1000);
  Wait(*context, 8000);
  EXPECT_EQ(waits, (std::vector<uint32_t>{1000, 8000}));
}

TEST(CodePageConversion, CutsToTheDestinationAndTerminates) {
  char ansi[8];
  std::memset(ansi, 0x55, sizeof(ansi));
  WideToAnsi(L"ABCDEFGHIJ", ansi, 5);
  EXPECT_STREQ(ansi, "ABCD");
  EXPECT_EQ(ansi[5], 0x55) << "wrote past the given size";

  wchar_t wide[8];
  std::wmemset(wide, 0x5555, 8);
  AnsiToWide("ABCDEFGHIJ", wide, 5);
  EXPECT_STREQ(wide, L"ABCD");
  EXPECT_EQ(wide[5], 0x5555);

  AnsiToWide("", wide, 5);
  EXPECT_STREQ(wide, L"");
  WideToAnsi(nullptr, ansi, 5);
  EXPECT_STREQ(ansi, "");
}

TEST(CodePageConversion, RoundTripsPlainText) {
  char ansi[64] = {};
  wchar_t wide[64] = {};
  AnsiToWide("VX2026,12:09", wide, 64);
  EXPECT_STREQ(wide, L"VX2026,12:09");
  WideToAnsi(wide, ansi, 64);
  EXPECT_STREQ(ansi, "VX2026,12:09");
}

// Needs a double-byte ANSI code page: the engine_checks_dbcs_tests entry runs it under one.
TEST_F(Reporting, DoubleByteCharactersAreNeverSplitAtTheCut) {
  if (!IsDBCSLeadByte(0xB2)) {
    ASSERT_EQ(std::getenv("VARNEX_EXPECT_DBCS"), nullptr) << "the code page is not double-byte";
    GTEST_SKIP() << "needs a double-byte ANSI code page";
  }
  std::memset(context->logText, 'a', sizeof(context->logText) - 4);
  AppendLog(*context, "\xb2\xe2\xca\xd4");  // room for 3 bytes: only the first pair fits
  EXPECT_EQ(LogText().size(), sizeof(context->logText) - 2);
  EXPECT_EQ(LogText().substr(LogText().size() - 2), "\xb2\xe2");

  char ansi[4];
  WideToAnsi(L"\u6d4b\u8bd5", ansi, 4);  // two characters of two bytes each
  EXPECT_STREQ(ansi, "\xb2\xe2");
  wchar_t wide[2];
  AnsiToWide("\xb2\xe2\xca\xd4", wide, 2);
  EXPECT_STREQ(wide, L"\u6d4b");
}

// Needs a double-byte ANSI code page, like the test above.
TEST_F(Reporting, DoubleByteCharacterGivesWayToTheVoltageLineFeed) {
  if (!IsDBCSLeadByte(0xB2)) {
    ASSERT_EQ(std::getenv("VARNEX_EXPECT_DBCS"), nullptr) << "the code page is not double-byte";
    GTEST_SKIP() << "needs a double-byte ANSI code page";
  }
  const size_t size = sizeof(context->voltageLine);
  std::memset(context->voltageLine, 'a', size - 3);
  AppendVoltageLine(*context, "\xb2\xe2");  // the line is now full, ending in a pair
  ASSERT_EQ(VoltageLine().size(), size - 1);
  EndVoltageLine(*context);
  EXPECT_EQ(VoltageLine(), std::string(size - 3, 'a') + "\n");
}
