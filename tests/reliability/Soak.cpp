// VarnexSoak.exe N: N consecutive full runs of the good phone in this one process (waits
// recorded, not slept), printing the process's handle count, private bytes and GDI objects at
// the start, after every tenth of the runs and at the end. Exit 0 when every run
// passed and nothing grew beyond noise after the first tenth, 1 otherwise, 2 on a bad argument.
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <windows.h>

#include <psapi.h>

#include "FullRun.h"
#include "devices/sim/powerbench_sim.h"
#include "station/cli/CliRun.h"

namespace {

// What may come and go between the first tenth and the end without counting as growth: a
// handle or two of the runtime's own, and the heap's page-sized steps. Under Wine every thread
// that is started and joined leaves about half a kilobyte behind (a bare CreateThread loop does
// the same) and each run starts one worker, so private bytes may also grow by that per run.
constexpr long kHandleSlack = 4;
constexpr long kGdiSlack = 2;
constexpr long long kPrivateSlackKb = 256;
constexpr long long kPrivatePerRunBytes = 640;

struct Sample {
  int runs = 0;
  long handles = 0;
  long long privateKb = 0;
  long gdi = 0;
};

// Where the system does not report a figure (Wine answers 0 for the handle count, no private
// usage and no GUI resources), it is counted another way: open handles by asking for each
// handle value in turn until a long run of unused ones, GDI objects by asking the type of each
// handle-table index, private bytes from the committed private memory the system reports.
constexpr ULONG_PTR kHandleGapToStop = 2048;

long ProbeHandles() {
  long count = 0;
  ULONG_PTR misses = 0;
  for (ULONG_PTR value = 4; misses < kHandleGapToStop; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
      ++count;
      misses = 0;
    } else {
      misses += 4;
    }
  }
  return count;
}

long ProbeGdiObjects() {
  long count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) {
      ++count;
    }
  }
  return count;
}

Sample Measure(int runs) {
  Sample sample;
  sample.runs = runs;
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  sample.handles = handles != 0 ? static_cast<long>(handles) : ProbeHandles();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    const SIZE_T privateBytes =
        memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    sample.privateKb = static_cast<long long>(privateBytes / 1024);
  }
  SetLastError(0);
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  sample.gdi = gdi != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED ? static_cast<long>(gdi)
                                                                        : ProbeGdiObjects();
  return sample;
}

void Print(const Sample& sample, int total) {
  std::printf("runs %6d/%d  handles %5ld  private bytes %8lld KB  GDI objects %4ld\n", sample.runs,
              total, sample.handles, sample.privateKb, sample.gdi);
  std::fflush(stdout);
}

bool Grew(const char* what, long long from, long long to, long long slack) {
  if (to - from <= slack) {
    return false;
  }
  std::printf("GROWTH: %s from %lld to %lld after the first tenth\n", what, from, to);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const long requested = argc == 2 ? std::wcstol(argv[1], nullptr, 10) : 0;
  if (requested <= 0 || requested > 1000000) {
    std::fprintf(stderr, "usage: VarnexSoak N   (N consecutive full runs, N >= 1)\n");
    return 2;
  }
  const int total = static_cast<int>(requested);

  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring folder(module);
  folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\soak";
  FullRun run(folder);
  run.Reset(Link::Usb);

  const Sample start = Measure(0);
  Print(start, total);
  Sample firstTenth = start;
  int passed = 0;
  int failed = 0;
  double slowest = 0;
  int nextMark = 1;
  for (int i = 1; i <= total; ++i) {
    const RunOutcome outcome = run.Run(false);
    // The simulated bench logs every call it gets for the tests to read; a real one keeps
    // nothing, so its log is not the station's memory.
    PBSIM_ClearEvents();
    (outcome.exitCode == kExitPassed ? passed : failed) += 1;
    if (outcome.seconds > slowest) {
      slowest = outcome.seconds;
    }
    // A tenth of the runs, rounded up, so every mark is printed for any N.
    if (i * 10 >= nextMark * total) {
      const Sample sample = Measure(i);
      Print(sample, total);
      if (nextMark == 1) {
        firstTenth = sample;
      }
      while (nextMark <= 10 && i * 10 >= nextMark * total) {
        ++nextMark;
      }
      // The station's test logs pile up by design; they are not the process's resources.
      run.RemoveTestLogs();
    }
  }
  const Sample end = Measure(total);
  std::printf("end: %d passed, %d failed, slowest run %.3f s\n", passed, failed, slowest);

  bool growth = false;
  if (total >= 10) {
    growth |= Grew("handles", firstTenth.handles, end.handles, kHandleSlack);
    const long long runsAfter = total - firstTenth.runs;
    growth |= Grew("private bytes (KB)", firstTenth.privateKb, end.privateKb,
                   kPrivateSlackKb + runsAfter * kPrivatePerRunBytes / 1024);
    growth |= Grew("GDI objects", firstTenth.gdi, end.gdi, kGdiSlack);
  }
  return failed == 0 && !growth ? 0 : 1;
}
