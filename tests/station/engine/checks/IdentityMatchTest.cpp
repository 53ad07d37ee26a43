#include "station/engine/core/IdentityMatch.h"

#include <gtest/gtest.h>

TEST(PrefixComparison, FullLengthNeedsTheWholeImei) {
  EXPECT_TRUE(PrefixMatches(L"861234567890123", L"861234567890123", 15));
  EXPECT_FALSE(PrefixMatches(L"861234567890124", L"861234567890123", 15));
}

TEST(PrefixComparison, FourteenDigitExpectedValueFailsAgainstFifteenDigitImei) {
  // Position 15 compares the expected value's terminator with the phone's last digit.
  EXPECT_FALSE(PrefixMatches(L"86123456789012", L"861234567890123", 15));
}

TEST(PrefixComparison, PhoneValueLongerThanTheComparedCountStillPasses) {
  EXPECT_TRUE(PrefixMatches(L"861234567890123", L"8612345678901234", 15));
}

TEST(PrefixComparison, FirstFewComparesOnlyThePrefixLength) {
  EXPECT_TRUE(PrefixMatches(L"8612", L"861234567890123", 4));
  EXPECT_FALSE(PrefixMatches(L"8613", L"861234567890123", 4));
  EXPECT_FALSE(PrefixMatches(L"8612", L"86", 4)) << "a short phone value is not a match";
}

TEST(PrefixComparison, EmptyPrefixAlwaysPassesAndEmptyValueOnlyMatchesEmpty) {
  EXPECT_TRUE(PrefixMatches(L"", L"SN0001", 0));
  EXPECT_TRUE(PrefixMatches(L"", L"", 64));
  EXPECT_FALSE(PrefixMatches(L"", L"SN0001", 64));
}

TEST(AddressComparison, ExactModeComparesWholeStringsCaseSensitively) {
  EXPECT_TRUE(AddressMatches(L"00A0C6AB0102", L"00A0C6AB0102", false));
  EXPECT_FALSE(AddressMatches(L"00a0c6ab0102", L"00A0C6AB0102", false));
  EXPECT_FALSE(AddressMatches(L"00A0C6AB0102", L"00A0C6AB01", false));
}

TEST(AddressComparison, ExactModeRejectsTheFourBlankAddressesEvenWhenScanned) {
  for (const wchar_t* blank :
       {L"000000000000", L"111111111111", L"FFFFFFFFFFFF", L"ffffffffffff"}) {
    EXPECT_FALSE(AddressMatches(blank, blank, false)) << blank;
  }
  EXPECT_TRUE(AddressMatches(L"fFFFFFFFFFFF", L"fFFFFFFFFFFF", false));
}

TEST(AddressComparison, FirstFewFindsThePrefixAnywhere) {
  EXPECT_TRUE(AddressMatches(L"1200A0C6AB01", L"00A0C6", true));
  EXPECT_FALSE(AddressMatches(L"1200a0c6AB01", L"00A0C6", true));
  EXPECT_TRUE(AddressMatches(L"FFFFFFFFFFFF", L"", true)) << "empty prefix passes everything";
  EXPECT_TRUE(AddressMatches(L"FFFFFFFFFFFF", L"FFFF", true));
}
