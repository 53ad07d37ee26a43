#include "EngineFixture.h"
#include "SimPhoneScript.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"

namespace {

class CardCheck : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    context->settings.checkSimCard = 1;
    context->settings.checkTCard = 1;
  }
  void SimReply(const std::string& reply) { SetPhoneIn("AT", "AT+CPIN?", reply); }
  void TCardReply(const char* reply) { SetPhoneIn("AT", "AT+TFSTAT?", reply); }
};

}  // namespace

TEST_F(CardCheck, ReadySimPassesWithoutDetail) {
  SimReply("+CPIN: READY\\r\\n\\r\\nOK\\r\\n");
  EXPECT_EQ(CheckSimCard(*context), 1);
  EXPECT_FALSE(recorder.HasCell(L"SIM Card", kColumnDetail));
  EXPECT_EQ(recorder.Result(L"SIM Card"), L"PASS");
  EXPECT_EQ(recorder.Color(L"SIM Card", kColumnResult), kColorPass);
  EXPECT_EQ(LogText(), "SIM Card,---,PASS,\n");
  EXPECT_EQ(LastAtCommand(), "AT+CPIN?");
  EXPECT_EQ(LastArgs("KV_SendATCommand"), (std::vector<int32_t>{1, 4096, 3000}));
}

TEST_F(CardCheck, SimAskingForPinIsPresent) {
  SimReply("+CPIN: SIM PIN");
  EXPECT_EQ(CheckSimCard(*context), 1);
}

TEST_F(CardCheck, SimErrorTenShowsTheReplyWithShortExpectedField) {
  SimReply("\\r\\n+CME ERROR: 10\\r\\n");
  EXPECT_EQ(CheckSimCard(*context), 0);
  EXPECT_EQ(recorder.Detail(L"SIM Card"), L"\r\n+CME ERROR: 10\r\n");
  EXPECT_EQ(recorder.Color(L"SIM Card", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"SIM Card"), L"FAIL");
  EXPECT_EQ(LogText(), "SIM Card,--,FAIL,\n");
}

TEST_F(CardCheck, SimErrorHundredCountsAsErrorTen) {
  SimReply("+CME ERROR: 100");
  EXPECT_EQ(CheckSimCard(*context), 0);
  EXPECT_EQ(LogText(), "SIM Card,--,FAIL,\n");
}

TEST_F(CardCheck, FailedCommandLeavesAnEmptyRedDetail) {
  FailPhone("KV_SendATCommand", 8);
  EXPECT_EQ(CheckSimCard(*context), 0);
  ASSERT_TRUE(recorder.HasCell(L"SIM Card", kColumnDetail));
  EXPECT_EQ(recorder.Detail(L"SIM Card"), L"");
  EXPECT_EQ(recorder.Color(L"SIM Card", kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(), "SIM Card,---,FAIL,\n");

  FlushTestLog(*context);
  EXPECT_EQ(CheckTCard(*context), 0);
  EXPECT_EQ(LogText(), "T Card,--,FAIL,\n");
}

TEST_F(CardCheck, TCardPresentPassesWithoutDetail) {
  TCardReply("+TFSTAT: 1\\r\\nOK");
  EXPECT_EQ(CheckTCard(*context), 1);
  EXPECT_FALSE(recorder.HasCell(L"T Card", kColumnDetail));
  EXPECT_EQ(recorder.Result(L"T Card"), L"PASS");
  EXPECT_EQ(LogText(), "T Card,---,PASS,\n");
  EXPECT_EQ(LastAtCommand(), "AT+TFSTAT?");
}

TEST_F(CardCheck, TCardAbsentShowsTheReply) {
  TCardReply("+TFSTAT: 0");
  EXPECT_EQ(CheckTCard(*context), 0);
  EXPECT_EQ(recorder.Detail(L"T Card"), L"+TFSTAT: 0");
  EXPECT_EQ(recorder.Color(L"T Card", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"T Card"), L"FAIL");
  EXPECT_EQ(LogText(), "T Card,---,FAIL,\n");
}

TEST_F(CardCheck, TCardStatusWithoutBlankIsNotUnderstood) {
  TCardReply("+TFSTAT:1");
  EXPECT_EQ(CheckTCard(*context), 0);
  EXPECT_EQ(recorder.Detail(L"T Card"), L"+TFSTAT:1");
  EXPECT_EQ(LogText(), "T Card,---,FAIL,\n");
}

TEST_F(CardCheck, TCardZeroIsLookedForFirst) {
  TCardReply("+TFSTAT: 1 0");
  EXPECT_EQ(CheckTCard(*context), 0);
  FlushTestLog(*context);
  TCardReply("+TFSTAT: 10");
  EXPECT_EQ(CheckTCard(*context), 1);
}

TEST_F(CardCheck, TCardOtherReplyUsesTheShortExpectedField) {
  TCardReply("ERROR");
  EXPECT_EQ(CheckTCard(*context), 0);
  EXPECT_EQ(recorder.Detail(L"T Card"), L"ERROR");
  EXPECT_EQ(LogText(), "T Card,--,FAIL,\n");
}

TEST_F(CardCheck, ReplyFillingTheWholeBufferIsCutNotOverrun) {
  SimReply(std::string(6000, 'x') + "+CPIN: READY");
  EXPECT_EQ(CheckSimCard(*context), 0) << "the status lies beyond the 4096-byte reply";
  EXPECT_EQ(recorder.Detail(L"SIM Card").size(), 4095u);
}

TEST_F(CardCheck, DisabledChecksSendNothing) {
  context->settings.checkSimCard = 0;
  context->settings.checkTCard = 0;
  EXPECT_EQ(CheckSimCard(*context), 1);
  EXPECT_EQ(CheckTCard(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_SendATCommand"), 0);
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(LogText(), "");
}
