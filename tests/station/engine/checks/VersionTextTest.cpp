#include "station/engine/core/VersionText.h"

#include <gtest/gtest.h>

TEST(ModemMarkers, MissingMarkersPutTheirBreaksAtTheStart) {
  EXPECT_EQ(BreakAtModemMarkers(L"Plat: X Project: W1.0"),
            L"\r\n\r\n\r\nPlat: X \r\nProject: W1.0");
  EXPECT_EQ(BreakAtModemMarkers(L"V1"), L"\r\n\r\n\r\n\r\nV1");
  EXPECT_EQ(BreakAtModemMarkers(L""), L"\r\n\r\n\r\n\r\n");
}

TEST(ModemMarkers, AllMarkersInOrderEachGetOneBreak) {
  EXPECT_EQ(BreakAtModemMarkers(L"Plat:A Project:B BASE:C HW :D"),
            L"\r\nPlat:A \r\nProject:B \r\nBASE:C \r\nHW :D");
}

TEST(ModemMarkers, OnlyTheFirstOccurrenceIsBrokenAndHwNeedsItsBlank) {
  EXPECT_EQ(BreakAtModemMarkers(L"BASE1 BASE2 HW1"), L"\r\n\r\n\r\n\r\nBASE1 BASE2 HW1");
  // A marker found later in the text than one inserted before still gets its own break.
  EXPECT_EQ(BreakAtModemMarkers(L"Project:P Plat:Q"), L"\r\n\r\n\r\nProject:P \r\nPlat:Q");
}

TEST(ModemMarkers, SearchIsCaseSensitive) {
  EXPECT_EQ(BreakAtModemMarkers(L"plat base"), L"\r\n\r\n\r\n\r\nplat base");
}

TEST(VersionLog, LineBreaksBecomeSingleBlanks) {
  EXPECT_EQ(VersionForLog(L"\r\n\r\n\r\nPlat: X \r\nProject: W1.0"), L"   Plat: X  Project: W1.0");
  EXPECT_EQ(VersionForLog(L"a\nb\r\nc\rd"), L"a b c\rd");
}

TEST(ApVersionMatch, IgnoresCaseOfBothTexts) {
  EXPECT_TRUE(ContainsIgnoringCase(L"Build W1.0 release", L"w1.0"));
  EXPECT_TRUE(ContainsIgnoringCase(L"w1.0 build", L"W1.0"));
  EXPECT_FALSE(ContainsIgnoringCase(L"W1.1 build", L"W1.0"));
  EXPECT_TRUE(ContainsIgnoringCase(L"anything", L""));
  EXPECT_FALSE(ContainsIgnoringCase(L"", L"x"));
}
