// Measures the check sequence on the simulated phone with every check enabled:
//   1. the engine's own time per run, the waits recorded but not slept (target below 5 ms);
//   2. one run with real waits, its wall time against the sum of the waits it asked for
//      (target within 2 %).
// Usage: sequence_bench [runs] [--no-real] [--no-logs] [--no-record]
//   --no-logs    the test log and voltage log off, to tell file time from engine time
//   --no-record  no station selected, so the station record is neither written nor verified
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <windows.h>

#include "BenchStation.h"
#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/engine/SupplyControl.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

struct RunResult {
  int32_t verdict = 0;
  double engineMs = 0;
  uint64_t waitedMs = 0;  // the sum of the waits the engine asked for
};

// One run as the station makes it: supplies up, link up, the timed sequence, supplies down.
RunResult RunOnce(CheckContext& context, bool realWaits) {
  RunResult result;
  // Bringing the phone up belongs to the run control, not to the sequence: not timed, not slept.
  auto noWait = [](uint32_t) {};
  context.sleep = noWait;
  PowerOnSupply(context, 0);
  PowerOnSupply(context, 1);
  KV_LINK link{0, 1, 115200};
  KV_BeginPhoneTest(context.phone, &link);

  context.sleep = [&result, realWaits](uint32_t milliseconds) {
    result.waitedMs += milliseconds;
    if (realWaits) {
      Sleep(milliseconds);
    }
  };
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  result.verdict = RunCheckSequence(context);
  QueryPerformanceCounter(&end);
  result.engineMs = Milliseconds(start, end);

  context.sleep = noWait;
  PowerOffSupply(context, 0);
  PowerOffSupply(context, 1);
  KV_EndPhoneTest(context.phone);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 200;
  bool real = true;
  bool logs = true;
  bool record = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-real") == 0) {
      real = false;
    } else if (std::strcmp(argv[i], "--no-logs") == 0) {
      logs = false;
    } else if (std::strcmp(argv[i], "--no-record") == 0) {
      record = false;
    } else {
      runs = std::max(1, std::atoi(argv[i]));
    }
  }

  BenchStation station;
  if (!PrepareBenchStation(station)) {
    return 2;
  }
  KV_PHONE phone = KV_CreatePhone(0);
  int exitCode = 0;
  {
    CheckContext context;
    context.stations = &station.stations;
    context.window = station.window;
    context.settings = station.settings;
    if (!logs) {
      context.settings.saveLog = 0;
      context.settings.saveVoltageLog = 0;
    }
    if (!record) {
      context.settings.checkTollmark = 0;
    }
    context.phone = phone;
    context.promptOperator = [] {};
    context.sleep = [](uint32_t) {};
    for (int i = 0; i < 2; ++i) {
      if (OpenSupply(context, i) == 0) {
        std::fprintf(stderr, "supply %d does not open\n", i + 1);
        return 2;
      }
    }

    RunOnce(context, false);  // warm-up: first file and library touches
    std::vector<double> times;
    int failed = 0;
    uint64_t waited = 0;
    for (int i = 0; i < runs; ++i) {
      RunResult r = RunOnce(context, false);
      times.push_back(r.engineMs);
      failed += r.verdict == 0;
      waited = r.waitedMs;
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) {
      sum += t;
    }
    std::printf("engine time per run, waits recorded (%d runs, %d failed):\n", runs, failed);
    std::printf("  mean %.3f ms  median %.3f ms  min %.3f ms  p95 %.3f ms  max %.3f ms\n",
                sum / runs, times[times.size() / 2], times.front(),
                times[std::min(times.size() - 1, times.size() * 95 / 100)], times.back());
    std::printf("  waits the sequence asks for per run: %llu ms\n",
                static_cast<unsigned long long>(waited));
    std::printf("  target < 5 ms: %s\n", times[times.size() / 2] < 5.0 ? "met" : "NOT met");
    if (failed != 0) {
      exitCode = 1;
    }

    if (real) {
      RunResult r = RunOnce(context, true);
      double over =
          100.0 * (r.engineMs - static_cast<double>(r.waitedMs)) / static_cast<double>(r.waitedMs);
      std::printf("one run with real waits (%s):\n", r.verdict != 0 ? "passed" : "failed");
      std::printf("  wall %.1f ms  required waits %llu ms  over by %.2f %%\n", r.engineMs,
                  static_cast<unsigned long long>(r.waitedMs), over);
      std::printf("  target within 2 %%: %s\n", over <= 2.0 ? "met" : "NOT met");
      if (r.verdict == 0) {
        exitCode = 1;
      }
    }
    ShutdownCheckContext(context);
  }
  KV_ReleasePhone(phone);
  return exitCode;
}
