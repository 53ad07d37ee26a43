// The bench library's platform-neutral core against what no instrument should answer: only a
// plain number is a reading, only a code and its text an error entry, only maker and model an
// identity; only the port dialog's values open a supply.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "core/OpenRecord.h"
#include "core/ScpiAnswers.h"

namespace bench {
namespace {

TEST(InstrumentAnswers, OnlyAPlainNumberIsAReading) {
  const struct {
    const char* answer;
    std::optional<double> reading;
  } cases[] = {
      {"+1.500000E-01\n", 0.15},
      {" -2.5e-3\r\n", -0.0025},
      {"42", 42.0},
      {"+9.900000E+37\n", {}},
      {"9.91E37", {}},
      {"nan", {}},
      {"inf", {}},
      {"0x1p3", {}},
      {"1.5 A", {}},
      {"", {}},
      {"++1", {}},
      {"1e999", {}},
      {"1,2", {}},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(ParseReading(each.answer), each.reading) << each.answer;
  }
}

TEST(InstrumentAnswers, ErrorEntriesAndIdentities) {
  EXPECT_EQ(ParseErrorCode("+0,\"No error\"\n"), 0);
  EXPECT_EQ(ParseErrorCode("-113,\"Undefined header\""), -113);
  EXPECT_EQ(ParseErrorCode("0"), std::nullopt);
  EXPECT_EQ(ParseErrorCode("No error,0"), std::nullopt);
  EXPECT_EQ(ParseErrorCode("99999999999,\"\""), std::nullopt);
  const auto identity = ParseIdentity("Agilent Technologies,E3631A,0,2.1-5.0-1.0\n");
  ASSERT_TRUE(identity);
  EXPECT_EQ(identity->maker, "Agilent Technologies");
  EXPECT_EQ(identity->model, "E3631A");
  EXPECT_FALSE(ParseIdentity("E3631A"));
  EXPECT_FALSE(ParseIdentity(",E3631A,0,1"));
}

TEST(OpenRecords, OnlyThePortDialogsValuesOpenASupply) {
  auto read = [](int32_t bus, int32_t card, int32_t address) {
    unsigned char record[76] = {};
    std::memcpy(record + 52, &bus, 4);
    std::memcpy(record + 60, &card, 4);
    std::memcpy(record + 64, &address, 4);
    return ReadOpenRecord(record);
  };
  const auto last = read(kVisaBus, 3, 30);
  ASSERT_TRUE(last);
  EXPECT_EQ(VisaResourceName(*last), "GPIB3::30::INSTR");
  EXPECT_TRUE(read(kNi4882Bus, 0, 0));
  EXPECT_FALSE(read(2, 0, 5));
  EXPECT_FALSE(read(kVisaBus, 4, 5));
  EXPECT_FALSE(read(kVisaBus, 0, 31));
  EXPECT_FALSE(read(kNi4882Bus, -1, 5));
  EXPECT_FALSE(ReadOpenRecord(nullptr));
}

}  // namespace
}  // namespace bench
