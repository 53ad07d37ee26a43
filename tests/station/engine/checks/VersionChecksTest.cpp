#include "EngineFixture.h"
#include "SimPhoneScript.h"
#include "station/engine/Checks.h"

namespace {

class VersionCheck : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    context->settings.checkModemVersion = 1;
    context->settings.checkApVersion = 1;
  }
};

}  // namespace

TEST_F(VersionCheck, ModemTextIsBrokenAtItsMarkersAndLoggedWithBlanks) {
  SetPhone("ModemVersion", "Plat: X Project: W1.0");
  SetText(context->settings.modemVersion, L"W1.0");
  EXPECT_EQ(CheckModemVersion(*context), 1);
  EXPECT_EQ(recorder.Detail(L"Modem Version"),
            L"Mobile Version: \r\n\r\n\r\nPlat: X \r\nProject: W1.0");
  EXPECT_EQ(recorder.Color(L"Modem Version", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"Modem Version"), L"PASS");
  EXPECT_EQ(LogText(), "Modem Version,W1.0,PASS,   Plat: X  Project: W1.0\n");
  EXPECT_EQ(LastArgs("KV_GetMsVersion"), (std::vector<int32_t>{300}));
}

TEST_F(VersionCheck, ModemTextWithoutMarkersGetsFourLeadingBreaks) {
  SetPhone("ModemVersion", "V100");
  SetText(context->settings.modemVersion, L"V2");
  EXPECT_EQ(CheckModemVersion(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Modem Version"), L"Mobile Version: \r\n\r\n\r\n\r\nV100");
  EXPECT_EQ(recorder.Color(L"Modem Version", kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(L"Modem Version"), L"FAIL");
  EXPECT_EQ(LogText(), "Modem Version,V2,FAIL,    V100\n");
}

TEST_F(VersionCheck, ExpectedTextAcrossAMarkerIsNeverFound) {
  SetPhone("ModemVersion", "Plat: X Project: W1.0");
  SetText(context->settings.modemVersion, L"X Project");
  EXPECT_EQ(CheckModemVersion(*context), 0);
}

TEST_F(VersionCheck, ModemLineFeedsInTheReadingAreLoggedAsBlanks) {
  SetPhone("ModemVersion", "A\\nB");
  SetText(context->settings.modemVersion, L"");
  EXPECT_EQ(CheckModemVersion(*context), 1);
  EXPECT_EQ(LogText(), "Modem Version,,PASS,    A B\n");
}

TEST_F(VersionCheck, EmptyExpectedModemVersionStillFailsOnAFailedRead) {
  SetText(context->settings.modemVersion, L"");
  FailPhone("KV_GetMsVersion", 4);
  EXPECT_EQ(CheckModemVersion(*context), 0);
  EXPECT_EQ(recorder.Detail(L"Modem Version"), L"KV_GetMsVersion failed, Error Code: 4");
  EXPECT_EQ(recorder.Color(L"Modem Version", kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(), "Modem Version,,FAIL,KV_GetMsVersion failed, Error Code: 4\n");
}

TEST_F(VersionCheck, ApVersionWaitsThenMatchesIgnoringCase) {
  SetPhone("ApVersion", "w1.0 build");
  SetText(context->settings.apVersion, L"W1.0");
  EXPECT_EQ(CheckApVersion(*context), 1);
  EXPECT_EQ(waits, (std::vector<uint32_t>{8000}));
  EXPECT_EQ(recorder.Detail(L"AP Version"), L"AP Version: w1.0 build");
  EXPECT_EQ(recorder.Color(L"AP Version", kColumnDetail), kColorPass);
  EXPECT_EQ(recorder.Result(L"AP Version"), L"PASS");
  EXPECT_EQ(LogText(), "AP Version,W1.0,w1.0 buildPASS,AP Version: w1.0 build\n");
  EXPECT_EQ(LastArgs("KV_GetAPVersion"), (std::vector<int32_t>{4096}));
}

TEST_F(VersionCheck, CaseMattersForTheModemButNotForTheAp) {
  SetPhone("ModemVersion", "Plat: VARNEX_W1.0");
  SetPhone("ApVersion", "BUILD VARNEX_W1.0 RELEASE");
  SetText(context->settings.modemVersion, L"varnex_w1.0");
  SetText(context->settings.apVersion, L"varnex_w1.0");
  EXPECT_EQ(CheckModemVersion(*context), 0);
  EXPECT_EQ(CheckApVersion(*context), 1);
}

TEST_F(VersionCheck, ApMismatchLogsWithoutTheReadingBeforeTheVerdict) {
  SetPhone("ApVersion", "W2.0");
  SetText(context->settings.apVersion, L"W1.0");
  EXPECT_EQ(CheckApVersion(*context), 0);
  EXPECT_EQ(recorder.Detail(L"AP Version"), L"AP Version: W2.0");
  EXPECT_EQ(recorder.Color(L"AP Version", kColumnDetail), kColorFail);
  EXPECT_EQ(LogText(), "AP Version,W1.0,FAIL,AP Version: W2.0\n");
}

TEST_F(VersionCheck, FailedApReadUsesTheModemCallsName) {
  FailPhone("KV_GetAPVersion", 2);
  EXPECT_EQ(CheckApVersion(*context), 0);
  EXPECT_EQ(recorder.Detail(L"AP Version"), L"KV_GetMsVersion failed, Error Code: 2");
  EXPECT_EQ(LogText(), "AP Version,,FAIL,KV_GetMsVersion failed, Error Code: 2\n");
}

TEST_F(VersionCheck, OverlongApVersionIsCutToTheDisplayBuffer) {
  SetPhone("ApVersion", std::string(3000, 'A') + "W9");
  SetText(context->settings.apVersion, L"AAA");
  EXPECT_EQ(CheckApVersion(*context), 1);
  const std::wstring detail = recorder.Detail(L"AP Version");
  EXPECT_EQ(detail, L"AP Version: " + std::wstring(1023, L'A'));
  EXPECT_EQ(LogText().size(), std::string("AP Version,AAA,").size() + 1023 + 5 + 12 + 1023 + 1);
}

TEST_F(VersionCheck, DisabledChecksNeitherWaitNorAsk) {
  context->settings.checkModemVersion = 0;
  context->settings.checkApVersion = 0;
  EXPECT_EQ(CheckModemVersion(*context), 1);
  EXPECT_EQ(CheckApVersion(*context), 1);
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(KVSIM_GetCallCount("KV_GetMsVersion"), 0);
  EXPECT_EQ(KVSIM_GetCallCount("KV_GetAPVersion"), 0);
  EXPECT_TRUE(recorder.reports().empty());
}
