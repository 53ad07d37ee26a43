// Both limits of every current check are inclusive: a reading at a limit passes, one step
// outside fails. Readings and limits are chosen so the averages come out exact in float.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "BenchFixture.h"
#include "station/engine/Checks.h"

namespace {

struct LimitCase {
  float lower;
  float upper;
  const char* milliamperes;  // what the bench reads in the state the check measures
  bool passes;
  const wchar_t* shown;  // the detail: the judged value
};

using SetLimits = std::function<void(CheckSettings&, float lower, float upper)>;

class CurrentLimits : public BenchTest {
 protected:
  void SetUp() override {
    BenchTest::SetUp();
    UseSupplies(true);
  }

  void ExpectCases(int32_t (*check)(CheckContext&), const wchar_t* row, const char* benchKey,
                   const SetLimits& setLimits, const std::vector<LimitCase>& cases) {
    for (const LimitCase& c : cases) {
      SCOPED_TRACE(std::string(benchKey) + " " + c.milliamperes + " mA against " +
                   std::to_string(c.lower) + ".." + std::to_string(c.upper));
      setLimits(context->settings, c.lower, c.upper);
      ASSERT_EQ(PBSIM_SetValue("Bench", benchKey, c.milliamperes), 0);
      recorder.Clear();
      context->logText[0] = '\0';
      EXPECT_EQ(check(*context), c.passes ? 1 : 0);
      EXPECT_EQ(recorder.Detail(row), c.shown);
      EXPECT_EQ(recorder.Result(row), c.passes ? L"PASS" : L"FAIL");
      EXPECT_EQ(recorder.Color(row, kColumnDetail), c.passes ? kColorPass : kColorFail);
      EXPECT_NE(LogText().find(c.passes ? ",PASS," : ",FAIL,"), std::string::npos) << LogText();
    }
  }
};

void IntegerLimits(int32_t CheckSettings::*lower, int32_t CheckSettings::*upper,
                   CheckSettings& settings, float lo, float hi) {
  settings.*lower = static_cast<int32_t>(lo);
  settings.*upper = static_cast<int32_t>(hi);
}

}  // namespace

TEST_F(CurrentLimits, ChargeCurrentAtEachLimitPassesAndOneMilliampereOutsideFails) {
  context->settings.checkChargeCurrent = 1;
  // The reading is cut to whole milliamperes before it is judged.
  ExpectCases(CheckChargeCurrent, L"Charge Current", "ChargeCurrent",
              [](CheckSettings& s, float lo, float hi) {
                IntegerLimits(&CheckSettings::chargeCurrentLo, &CheckSettings::chargeCurrentHi, s,
                              lo, hi);
              },
              {{410, 490, "410", true, L"410"},
               {410, 490, "409.9", false, L"409"},
               {410, 490, "490.9", true, L"490"},
               {410, 490, "491", false, L"491"}});
}

TEST_F(CurrentLimits, PowerOnCurrentAtEachLimitPassesAndOneMilliampereOutsideFails) {
  context->settings.checkPowerOnCurrent = 1;
  ExpectCases(CheckPowerOnCurrent, L"Power On Current", "PowerOnCurrent",
              [](CheckSettings& s, float lo, float hi) {
                IntegerLimits(&CheckSettings::powerOnCurrentLo, &CheckSettings::powerOnCurrentHi, s,
                              lo, hi);
              },
              {{120, 200, "120", true, L"120"},
               {120, 200, "119.5", false, L"119"},
               {120, 200, "200.5", true, L"200"},
               {120, 200, "201", false, L"201"}});
}

TEST_F(CurrentLimits, DeepSleepCurrentAtEachLimitPassesAndOneHundredthOutsideFails) {
  context->settings.checkDeepSleepCurrent = 1;
  ExpectCases(CheckDeepSleepCurrent, L"Deep Sleep Current", "DeepSleepCurrent",
              [](CheckSettings& s, float lo, float hi) {
                s.deepSleepCurrentLo = lo;
                s.deepSleepCurrentHi = hi;
              },
              {{1.5f, 2.25f, "1.5", true, L"1.50"},
               {1.5f, 2.25f, "1.49", false, L"1.49"},
               {1.5f, 2.25f, "2.25", true, L"2.25"},
               {1.5f, 2.25f, "2.26", false, L"2.26"}});
}

TEST_F(CurrentLimits, PowerOffCurrentAtEachLimitPassesAndOneMicroampereOutsideFails) {
  context->settings.checkPowerOffCurrent = 1;
  // 0.125 mA is 125 uA exactly. A good phone switched off may read nothing at all: 0.00 uA
  // passes the default lower limit of 0.
  ExpectCases(CheckPowerOffCurrent, L"Power Off Current", "LeakCurrent",
              [](CheckSettings& s, float lo, float hi) {
                IntegerLimits(&CheckSettings::powerOffCurrentLo, &CheckSettings::powerOffCurrentHi,
                              s, lo, hi);
              },
              {{0, 100, "0", true, L"0.00"},
               {1, 100, "0", false, L"0.00"},
               {125, 200, "0.125", true, L"125.00"},
               {126, 200, "0.125", false, L"125.00"},
               {0, 125, "0.125", true, L"125.00"},
               {0, 124, "0.125", false, L"125.00"}});
}
