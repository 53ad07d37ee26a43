#include <string>

#include "EngineFixture.h"
#include "SimPhoneScript.h"
#include "station/config/CheckCatalogue.h"
#include "station/engine/Checks.h"

namespace {

constexpr wchar_t kRow[] = L"Native MMI Flag";

class MmiCheck : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    context->settings.checkNativeMmi = 1;
    SetPhoneIn("MMI", "Whole", "1,1");
    SetPhoneIn("MMI", "Pcba", "1,1");
  }
  static std::wstring Block(const wchar_t* heading, const wchar_t* state) {
    std::wstring block = std::wstring(heading) + L"\r\n";
    for (int i = 0; i < kMmiItemCount; ++i) {
      block += std::wstring(MmiItemNames[i]) + L" ---- " + state + L"\r\n";
    }
    return block;
  }
};

constexpr wchar_t kWhole[] = L"========= Whole Phone =========";
constexpr wchar_t kPcba[] = L"========= PCBA =========";

}  // namespace

TEST_F(MmiCheck, AllPassedShowsBothBlocksInBlack) {
  EXPECT_EQ(CheckNativeMmi(*context), 1);
  EXPECT_EQ(recorder.Detail(kRow), Block(kWhole, L"pass") + Block(kPcba, L"pass"));
  EXPECT_EQ(recorder.Color(kRow, kColumnDetail), 0u);
  EXPECT_EQ(recorder.Result(kRow), L"PASS");
  EXPECT_EQ(recorder.Color(kRow, kColumnResult), kColorPass);
  EXPECT_EQ(LogText(), "") << "the MMI check writes no log line";
  EXPECT_EQ(KVSIM_GetCallCount("KV_apReadMMI"), 2);
}

TEST_F(MmiCheck, FailedItemOtherThanTheFinalResultIsShownButNotJudged) {
  SetPhoneIn("MMI", "Whole.0", "1,2");
  EXPECT_EQ(CheckNativeMmi(*context), 1);
  const std::wstring detail = recorder.Detail(kRow);
  EXPECT_NE(detail.find(std::wstring(kWhole) + L"\r\n" + MmiItemNames[0] + L" ---- fail\r\n"),
            std::wstring::npos);
  EXPECT_EQ(recorder.Result(kRow), L"PASS");
}

TEST_F(MmiCheck, UntestedPcbaFinalResultFailsTheCheck) {
  SetPhoneIn("MMI", "Pcba", "1,0");
  EXPECT_EQ(CheckNativeMmi(*context), 0);
  EXPECT_EQ(recorder.Detail(kRow), Block(kWhole, L"pass") + Block(kPcba, L"not test"));
  EXPECT_EQ(recorder.Color(kRow, kColumnDetail), 0u) << "no read failed, so no colour";
  EXPECT_EQ(recorder.Result(kRow), L"FAIL");
  EXPECT_EQ(recorder.Color(kRow, kColumnResult), kColorFail);
}

TEST_F(MmiCheck, UnsupportedFinalResultDoesNotFail) {
  SetPhoneIn("MMI", "Pcba.63", "0,0");
  EXPECT_EQ(CheckNativeMmi(*context), 1);
  const std::wstring detail = recorder.Detail(kRow);
  const std::wstring last = L"Final result ---- not support\r\n";
  ASSERT_GE(detail.size(), last.size());
  EXPECT_EQ(detail.substr(detail.size() - last.size()), last);
}

TEST_F(MmiCheck, NeitherStageReportingItsFinalResultFails) {
  // Both stages without a supported final result, as a record the library returned unfilled.
  SetPhoneIn("MMI", "Whole.63", "0,0");
  SetPhoneIn("MMI", "Pcba.63", "0,0");
  EXPECT_EQ(CheckNativeMmi(*context), 0);
  EXPECT_EQ(recorder.Result(kRow), L"FAIL");

  // The same from a short read: the call succeeds but hands over nothing of the entries.
  KVSIM_Reset();
  ASSERT_EQ(KVSIM_SetShortRead("KV_apReadMMI", 2), 0);
  EXPECT_EQ(CheckNativeMmi(*context), 0);
  EXPECT_EQ(recorder.Result(kRow), L"FAIL");
}

TEST_F(MmiCheck, FailedWholeFinalResultFails) {
  SetPhoneIn("MMI", "Whole.63", "1,3");
  EXPECT_EQ(CheckNativeMmi(*context), 0);
}

TEST_F(MmiCheck, FailedWholeReadLeavesOnlyThePcbaBlockInRed) {
  ASSERT_EQ(KVSIM_FailNext("KV_apReadMMI", 9, 1), 0);
  EXPECT_EQ(CheckNativeMmi(*context), 0);
  EXPECT_EQ(recorder.Detail(kRow), Block(kPcba, L"pass"));
  EXPECT_EQ(recorder.Color(kRow, kColumnDetail), kColorFail);
  EXPECT_EQ(recorder.Result(kRow), L"FAIL");
  // The failure message was shown first and then replaced.
  ASSERT_GE(recorder.reports().size(), 3u);
  EXPECT_STREQ(recorder.reports()[0].text, L"Read Native MMI failed, Error Code: 9");
  EXPECT_EQ(recorder.reports()[0].color, kColorFail);
}

TEST_F(MmiCheck, BothReadsFailingLeaveAnEmptyDetail) {
  FailPhone("KV_apReadMMI", 9);
  EXPECT_EQ(CheckNativeMmi(*context), 0);
  ASSERT_TRUE(recorder.HasCell(kRow, kColumnDetail));
  EXPECT_EQ(recorder.Detail(kRow), L"");
  EXPECT_EQ(recorder.Result(kRow), L"FAIL");
  EXPECT_EQ(KVSIM_GetCallCount("KV_apReadMMI"), 2) << "the PCBA read still takes place";
}

TEST_F(MmiCheck, SecondReadAsksForThePcbaBlock) {
  EXPECT_EQ(CheckNativeMmi(*context), 1);
  EXPECT_EQ(LastArgs("KV_apReadMMI"), (std::vector<int32_t>{1}));
}

TEST_F(MmiCheck, DisabledCheckReadsNothing) {
  context->settings.checkNativeMmi = 0;
  EXPECT_EQ(CheckNativeMmi(*context), 1);
  EXPECT_EQ(KVSIM_GetCallCount("KV_apReadMMI"), 0);
  EXPECT_TRUE(recorder.reports().empty());
}
