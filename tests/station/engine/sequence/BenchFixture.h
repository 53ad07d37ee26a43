// The engine fixture with a bench: default limits and delays, every check off, and helpers to
// bring up the simulated supplies and phone as Start does and to read what they saw.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "../support/EngineFixture.h"
#include "devices/sim/powerbench_sim.h"

// Distinct delays so each wait can be told apart.
inline constexpr uint32_t kChargeDelay = 2100;
inline constexpr uint32_t kPowerOnDelay = 1700;
inline constexpr uint32_t kStandbyDelay = 3300;
inline constexpr uint32_t kLeakDelay = 4400;

enum class StationState { Untested, Passed, Failed };

class BenchTest : public EngineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens and powers the supplies like Start, then opens the phone link; events and waits of
  // the bring-up are cleared afterwards.
  void UseSupplies(bool supply2, bool dualPower = false);
  void OpenPhoneLink();

  std::vector<PBSIM_EVENT> Events(int32_t kind) const;
  std::vector<std::wstring> ResultRows() const { return recorder.ResultOrder(); }

  // Station list of the context; `selected` by index.
  void SetStations(const std::vector<std::pair<std::wstring, bool>>& list);

  // A KV09 record in pass-value-0 mode at the start of the phone's flash.
  static void PokeKv09(const std::vector<std::pair<std::string, StationState>>& stations);
  static StationState Kv09State(int index);
  static std::string Kv09LastMessage();
};

// Test-log files written beside the test program: removed, and read back (raw bytes).
void RemoveTestLogs(const std::string& folder, const std::string& namePrefix);
// Contents of the files whose names start with namePrefix, oldest name first.
std::vector<std::string> ReadTestLogs(const std::string& folder, const std::string& namePrefix);
std::string ReadFileBytes(const std::string& path);
