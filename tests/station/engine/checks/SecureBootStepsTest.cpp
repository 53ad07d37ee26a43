#include "EngineFixture.h"
#include "SimPhoneScript.h"
#include "station/engine/Checks.h"
#include "station/engine/Reporting.h"

namespace {

constexpr wchar_t kRow[] = L"SecureBoot Enable Flag";

class SecureBootCheck : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    context->settings.checkSecureBoot = 1;
  }
};

using ClosingSteps = EngineTest;

}  // namespace

TEST_F(SecureBootCheck, EnabledFlagPasses) {
  SetPhone("SecureBoot", "1");
  EXPECT_EQ(CheckSecureBoot(*context), 1);
  EXPECT_EQ(recorder.Detail(kRow), L"SecureBoot Enable: 1");
  EXPECT_EQ(recorder.Color(kRow, kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(kRow), L"PASS");
  EXPECT_EQ(LogText(), "SecureBoot Enable Flag,1,1,--,PASS,SecureBoot Enable: 1\n");
  EXPECT_EQ(LastArgs("KV_ReadEnableSecureBoot"), (std::vector<int32_t>{1}));
}

TEST_F(SecureBootCheck, AnyOtherFlagFails) {
  SetPhone("SecureBoot", "0");
  EXPECT_EQ(CheckSecureBoot(*context), 0);
  EXPECT_EQ(LogText(), "SecureBoot Enable Flag,1,0,--,FAIL,SecureBoot Enable: 0\n");

  FlushTestLog(*context);
  SetPhone("SecureBoot", "2");
  EXPECT_EQ(CheckSecureBoot(*context), 0);
  EXPECT_EQ(recorder.Detail(kRow), L"SecureBoot Enable: 2");
  EXPECT_EQ(recorder.Color(kRow, kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(kRow), L"FAIL");
  EXPECT_EQ(LogText(), "SecureBoot Enable Flag,1,2,--,FAIL,SecureBoot Enable: 2\n");
}

TEST_F(SecureBootCheck, FailedReadShowsTheCode) {
  FailPhone("KV_ReadEnableSecureBoot", 6);
  EXPECT_EQ(CheckSecureBoot(*context), 0);
  EXPECT_EQ(recorder.Detail(kRow), L"KV_ReadEnableSecureBoot failed, Error Code: 6");
  EXPECT_EQ(recorder.Color(kRow, kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(),
            "SecureBoot Enable Flag,1,FAIL,KV_ReadEnableSecureBoot failed, Error Code: 6\n");
}

TEST_F(SecureBootCheck, DisabledCheckReadsNothing) {
  context->settings.checkSecureBoot = 0;
  EXPECT_EQ(CheckSecureBoot(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_ReadEnableSecureBoot"), 0);
  EXPECT_TRUE(recorder.reports().empty());
}

TEST_F(ClosingSteps, FactoryResetSendsTheResetCommandQuietly) {
  context->settings.factoryReset = 1;
  EXPECT_EQ(FactoryResetStep(*context), 1);
  const std::string command = LastAtCommand();
  EXPECT_EQ(command, "AT+KVDIAG=\"AT+ETSRESET\"");
  EXPECT_EQ(command.size(), 23u);
  EXPECT_EQ(LastArgs("KV_SendATCommand"), (std::vector<int32_t>{1, 4000, 3000}));
  EXPECT_TRUE(recorder.reports().empty());
  EXPECT_EQ(LogText(), "");
}

TEST_F(ClosingSteps, FactoryResetFailureIsOnlyItsResult) {
  context->settings.factoryReset = 1;
  FailPhone("KV_SendATCommand", 5);
  EXPECT_EQ(FactoryResetStep(*context), 0);
  EXPECT_TRUE(recorder.reports().empty());
}

TEST_F(ClosingSteps, FactoryResetOffSendsNothing) {
  EXPECT_EQ(FactoryResetStep(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_SendATCommand"), 0);
}

TEST_F(ClosingSteps, PowerOffReportsTheLibrarysResult) {
  EXPECT_EQ(PowerOffStep(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_PowerOff"), 1);
  FailPhone("KV_PowerOff", 3);
  EXPECT_EQ(PowerOffStep(*context), 0);
  EXPECT_TRUE(recorder.reports().empty());
}
