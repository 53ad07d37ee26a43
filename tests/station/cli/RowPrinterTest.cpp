#include "station/cli/core/RowPrinter.h"

#include <gtest/gtest.h>

namespace {

struct Printed {
  std::vector<std::wstring> lines;
  RowPrinter::Sink sink() {
    return [this](const std::wstring& line) { lines.push_back(line); };
  }
};

}  // namespace

TEST(RowPrinter, PrintsARowWhenItsResultArrivesWithTheLastDetail) {
  Printed out;
  RowPrinter printer({{L"SIM Card", L"---"}, {L"FGU Type", L"1"}}, out.sink());
  printer.OnCell(L"SIM Card", 3, L"checking...");
  printer.OnCell(L"SIM Card", 3, L"SIM Card Inserted");
  EXPECT_TRUE(out.lines.empty());
  printer.OnCell(L"SIM Card", 2, L"PASS");
  printer.OnCell(L"FGU Type", 3, L"FGU Type: 2");
  printer.OnCell(L"FGU Type", 2, L"FAIL");
  ASSERT_EQ(out.lines.size(), 2u);
  EXPECT_EQ(out.lines[0], L"SIM Card | --- | PASS | SIM Card Inserted");
  EXPECT_EQ(out.lines[1], L"FGU Type | 1 | FAIL | FGU Type: 2");
  EXPECT_EQ(printer.rowsPrinted(), 2);
  EXPECT_EQ(printer.rowsFailed(), 1);
}

TEST(RowPrinter, AResultWithoutDetailOrExpectedValue) {
  Printed out;
  RowPrinter printer({}, out.sink());
  printer.OnCell(L"Toll Mark", 2, L"PASS");
  ASSERT_EQ(out.lines.size(), 1u);
  EXPECT_EQ(out.lines[0], L"Toll Mark |  | PASS |");
}

TEST(RowPrinter, ADetailOfSeveralLinesContinuesIndented) {
  EXPECT_EQ(RowPrinter::FormatRow(L"Toll Mark", L"---", L"FAIL",
                                  L"MMI station: PASS\r\nCAL station: FAIL\r\n"),
            L"Toll Mark | --- | FAIL | MMI station: PASS\n    CAL station: FAIL");
  EXPECT_EQ(RowPrinter::FormatRow(L"X", L"", L"PASS", L"a\nb\rc"),
            L"X |  | PASS | a\n    b\n    c");
}

TEST(RowPrinter, DetailsAreNotCarriedIntoALaterRunOfTheSameRow) {
  Printed out;
  RowPrinter printer({}, out.sink());
  printer.OnCell(L"SN1", 3, L"first");
  printer.OnCell(L"SN1", 2, L"PASS");
  printer.OnCell(L"SN1", 2, L"PASS");
  ASSERT_EQ(out.lines.size(), 2u);
  EXPECT_EQ(out.lines[1], L"SN1 |  | PASS |");
}

TEST(RowPrinter, FinishPrintsRowsLeftWithoutAResultInTheirOrder) {
  Printed out;
  RowPrinter printer({{L"B", L"b"}}, out.sink());
  printer.OnCell(L"B", 3, L"half way");
  printer.OnCell(L"A", 3, L"also");
  printer.OnCell(L"C", 3, L"done");
  printer.OnCell(L"C", 2, L"PASS");
  printer.Finish();
  ASSERT_EQ(out.lines.size(), 3u);
  EXPECT_EQ(out.lines[1], L"B | b |  | half way");
  EXPECT_EQ(out.lines[2], L"A |  |  | also");
  printer.Finish();
  EXPECT_EQ(out.lines.size(), 3u);
}

TEST(RowPrinter, ColumnsOtherThanResultAndDetailAreIgnored) {
  Printed out;
  RowPrinter printer({}, out.sink());
  printer.OnCell(L"X", 0, L"X");
  printer.OnCell(L"X", 1, L"expected");
  printer.Finish();
  EXPECT_TRUE(out.lines.empty());
}

TEST(RowPrinter, BriefShortensOnlyPassedRowsOfSeveralLines) {
  const std::wstring detail = L"MMI station: PASS\r\nCAL station: PASS\r\nFT station: FAIL\r\n";
  EXPECT_EQ(RowPrinter::FormatRow(L"Toll Mark", L"---", L"PASS", detail, true),
            L"Toll Mark | --- | PASS | MMI station: PASS / CAL station: PASS / FT station: FAIL");
  // The modem detail starts with an empty line after its label: empty lines are skipped.
  EXPECT_EQ(RowPrinter::FormatRow(L"Modem Version", L"W1.0", L"PASS",
                                  L"Mobile Version: \r\n\r\nPlat: X\r\nProject: W1.0", true),
            L"Modem Version | W1.0 | PASS | Mobile Version:  / Plat: X / Project: W1.0");
  std::wstring longDetail;
  for (int i = 0; i < 6; ++i) {
    longDetail += L"F" + std::to_wstring(i) + L": PASS\r\n";
  }
  EXPECT_EQ(RowPrinter::FormatRow(L"Calibration Flag", L"---", L"PASS", longDetail, true),
            L"Calibration Flag | --- | PASS | F0: PASS (+5 lines)");
  EXPECT_EQ(RowPrinter::FormatRow(L"Toll Mark", L"---", L"FAIL", detail, true),
            L"Toll Mark | --- | FAIL | MMI station: PASS\n    CAL station: PASS\n"
            L"    FT station: FAIL");
  EXPECT_EQ(RowPrinter::FormatRow(L"FGU Type", L"1", L"PASS", L"FGU Type: 1\r\n", true),
            L"FGU Type | 1 | PASS | FGU Type: 1");

  Printed out;
  RowPrinter printer({}, out.sink(), true);
  printer.OnCell(L"Calibration Flag", 3, L"AFC: PASS\r\nADC: PASS\r\n");
  printer.OnCell(L"Calibration Flag", 2, L"PASS");
  ASSERT_EQ(out.lines.size(), 1u);
  EXPECT_EQ(out.lines[0], L"Calibration Flag |  | PASS | AFC: PASS / ADC: PASS");
}
