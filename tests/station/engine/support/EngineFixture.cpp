#include "EngineFixture.h"

#include <windows.h>

#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"

void EngineTest::SetUp() {
  KVSIM_Reset();
  PBSIM_Reset();
  KVSIM_SetFlashFile((ProgramFolder() + "\\EngineTest.flash").c_str());
  KVSIM_ClearFlash();
  context = std::make_unique<CheckContext>();
  context->phone = KV_CreatePhone(0);
  context->window = recorder.window();
  context->stations = &stations;
  context->sleep = [this](uint32_t milliseconds) { waits.push_back(milliseconds); };
  context->promptOperator = [this] { ++prompts; };
}

void EngineTest::TearDown() {
  if (context) {
    ShutdownCheckContext(*context);
    if (context->phone != -1) {
      KV_ReleasePhone(context->phone);
    }
    context.reset();
  }
}

std::string EngineTest::ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\'));
}

uint32_t EngineTest::TotalWait() const {
  uint32_t total = 0;
  for (uint32_t wait : waits) {
    total += wait;
  }
  return total;
}
