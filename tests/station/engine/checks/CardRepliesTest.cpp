#include "station/engine/core/CardReplies.h"

#include <gtest/gtest.h>

TEST(SimReply, AnyPinStatusMeansTheCardIsPresent) {
  EXPECT_EQ(JudgeSimReply(L"\r\n+CPIN: READY\r\n\r\nOK\r\n"), SimCardState::kPresent);
  EXPECT_EQ(JudgeSimReply(L"+CPIN: SIM PIN"), SimCardState::kPresent);
}

TEST(SimReply, ErrorTenAndItsLongerRelativesMeanNotInserted) {
  EXPECT_EQ(JudgeSimReply(L"+CME ERROR: 10"), SimCardState::kNotInserted);
  EXPECT_EQ(JudgeSimReply(L"+CME ERROR: 100"), SimCardState::kNotInserted);
  // The error wins over a status in the same reply.
  EXPECT_EQ(JudgeSimReply(L"+CPIN: READY +CME ERROR: 10"), SimCardState::kNotInserted);
}

TEST(SimReply, OtherErrorsAndEmptyRepliesCarryNoStatus) {
  EXPECT_EQ(JudgeSimReply(L""), SimCardState::kNoStatus);
  EXPECT_EQ(JudgeSimReply(L"+CME ERROR: 1"), SimCardState::kNoStatus);
  EXPECT_EQ(JudgeSimReply(L"+cpin: READY"), SimCardState::kNoStatus);
}

TEST(TCardReply, StatusValuesNeedTheirLeadingBlank) {
  EXPECT_EQ(JudgeTCardReply(L"+TFSTAT: 1"), TCardState::kPresent);
  EXPECT_EQ(JudgeTCardReply(L"+TFSTAT: 0"), TCardState::kAbsent);
  EXPECT_EQ(JudgeTCardReply(L"+TFSTAT:1"), TCardState::kUnknown);
  EXPECT_EQ(JudgeTCardReply(L"+TFSTAT: 10"), TCardState::kPresent);
}

TEST(TCardReply, ZeroIsTestedBeforeOne) {
  EXPECT_EQ(JudgeTCardReply(L"+TFSTAT: 1 0"), TCardState::kAbsent);
  EXPECT_EQ(JudgeTCardReply(L"+TFSTAT: 01"), TCardState::kAbsent);
}

TEST(TCardReply, NoStatusWordMeansNoStatus) {
  EXPECT_EQ(JudgeTCardReply(L""), TCardState::kNoStatus);
  EXPECT_EQ(JudgeTCardReply(L"ERROR 1"), TCardState::kNoStatus);
  EXPECT_EQ(JudgeTCardReply(L"+tfstat: 1"), TCardState::kNoStatus);
}
