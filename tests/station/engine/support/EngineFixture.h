// A check context wired to the simulated phone and supplies and to a RowRecorder, with waits
// recorded instead of slept and the operator prompt answered at once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RowRecorder.h"
#include "station/config/StationList.h"
#include "station/engine/CheckContext.h"

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The test program's own folder (where the DLLs, profiles and logs of this program live).
  static std::string ProgramFolder();
  // Copies of the texts written so far; logText is what the checks appended since the last flush.
  std::string LogText() const { return context->logText; }
  std::string VoltageLine() const { return context->voltageLine; }
  uint32_t TotalWait() const;

  RowRecorder recorder;
  StationList stations;
  std::unique_ptr<CheckContext> context;
  std::vector<uint32_t> waits;
  int prompts = 0;
};
