#include "SimBench.h"

#include <windows.h>

#include <iterator>

#include "IniText.h"
#include "SimFiles.h"
#include "SimText.h"
#include "devices/sim/dutlink_sim.h"

namespace sim {

namespace {

constexpr const char* kOperationNames[] = {
    "Create",          "Open", "SetVoltage", "MeasureCurrent", "MeasureCurrentWithSetting",
    "SetCurrentRange",
};

static_assert(std::size(kOperationNames) == static_cast<size_t>(BenchOp::SetCurrentRange) + 1,
              "one name per scriptable operation, in the order of BenchOp");

// A station left running for days must not grow the log without end: past this many
// events the older half is dropped.
constexpr size_t kMaxEvents = 100000;
constexpr size_t kMaxProfileFile = 1 << 20;

int64_t Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

uint32_t MillisecondsSince(int64_t start) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<uint32_t>((Ticks() - start) * 1000 / frequency.QuadPart);
}

template <typename Function>
Function PhoneExport(const char* name) {
  HMODULE phone = GetModuleHandleW(L"Dutlink.dll");
  return phone ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(phone, name)))
               : nullptr;
}

}  // namespace

SimBench::SimBench()
    : profile(DefaultBenchProfile()), calls(kOperationNames), startTicks(Ticks()) {}

SimBench& Bench() {
  // Never destroyed: objects may still be released while the process exits.
  static SimBench* bench = new SimBench();
  return *bench;
}

void ResetBenchLocked(SimBench& bench) {
  bench.profile = DefaultBenchProfile();
  bench.calls.Clear();
  bench.events.clear();
  bench.startTicks = Ticks();
  // Objects still alive keep their numbers; released ones are forgotten.
  std::erase_if(bench.supplies, [](const auto& supply) { return !supply->alive; });
  bench.nextId = 0;
  for (const auto& supply : bench.supplies) {
    bench.nextId = supply->id + 1;
  }
}

bool SetBenchValueLocked(SimBench& bench, std::string_view section, std::string_view key,
                         std::string_view value) {
  bool fail = EqualsNoCase(section, "Fail");
  if (fail || EqualsNoCase(section, "Delay")) {
    int index = bench.calls.Find(key);
    auto number = ParseInteger(value);
    if (index < 0 || !number || *number < INT32_MIN || *number > INT32_MAX ||
        (!fail && *number < 0)) {
      return false;
    }
    CallRecord& record = bench.calls.At(index);
    (fail ? record.failCode : record.delayMs) = static_cast<int32_t>(*number);
    return true;
  }
  return SetBenchValue(bench.profile, section, key, value);
}

bool ApplyBenchFileLocked(SimBench& bench, const std::wstring& path) {
  std::string text;
  if (!ReadWholeFile(path, text, kMaxProfileFile)) {
    return false;
  }
  for (const IniEntry& entry : ParseIni(text)) {
    SetBenchValueLocked(bench, entry.section, entry.key, entry.value);
  }
  return true;
}

std::wstring DefaultBenchProfilePath() {
  return ExeFolder() + L"PowerbenchSim.ini";
}

void LogEventLocked(SimBench& bench, int32_t kind, const SupplyState* supply, int32_t channel,
                    float value, int32_t result) {
  if (bench.events.size() >= kMaxEvents) {
    bench.events.erase(bench.events.begin(),
                       bench.events.begin() + static_cast<std::ptrdiff_t>(kMaxEvents / 2));
  }
  PBSIM_EVENT event{};
  event.kind = kind;
  event.supplyId = supply ? supply->id : -1;
  event.model = supply ? supply->model : -1;
  event.gpibAddr = supply ? supply->gpibAddr : -1;
  event.channel = channel;
  event.value = value;
  event.result = result;
  event.timeMs = MillisecondsSince(bench.startTicks);
  bench.events.push_back(event);
}

bool IsBatterySupplyLocked(const SimBench& bench, const SupplyState& supply) {
  for (const auto& candidate : bench.supplies) {
    if (candidate->alive) {
      return candidate.get() == &supply;
    }
  }
  return false;
}

OutputRole RoleOfLocked(const SimBench& bench, const SupplyState& supply, int32_t channel) {
  const SupplyState* battery = nullptr;
  const SupplyState* next = nullptr;
  for (const auto& candidate : bench.supplies) {
    if (!candidate->alive) {
      continue;
    }
    if (battery == nullptr) {
      battery = candidate.get();
    } else if (next == nullptr) {
      next = candidate.get();
    }
  }
  if (&supply == battery) {
    if (channel != 2) {
      return OutputRole::kBattery;
    }
    return battery->secondSet ? OutputRole::kCharger : OutputRole::kNone;
  }
  if (&supply == next && channel != 2 && battery != nullptr && !battery->secondSet) {
    return OutputRole::kCharger;
  }
  return OutputRole::kNone;
}

int32_t QueryPhoneState() {
  using GetState = int32_t (*)();
  GetState getState = PhoneExport<GetState>("KVSIM_GetPhoneState");
  return getState ? getState() : KVSIM_PHONE_ON;
}

void NotifyPhoneBattery(float volts) {
  using Notify = void (*)(float);
  if (Notify notify = PhoneExport<Notify>("KVSIM_NotifyBatteryVoltage")) {
    notify(volts);
  }
}

int32_t ScriptedBenchCall(BenchOp op, std::initializer_list<int32_t> args) {
  SimBench& bench = Bench();
  CallOutcome outcome;
  {
    std::lock_guard lock(bench.mutex);
    outcome = bench.calls.Enter(static_cast<int>(op), args);
  }
  if (outcome.delayMs > 0) {
    Sleep(static_cast<DWORD>(outcome.delayMs));
  }
  return outcome.failCode;
}

}  // namespace sim
