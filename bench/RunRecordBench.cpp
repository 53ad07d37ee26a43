// Measures what the run records cost a full run (not a test): full runs of the demo station with
// the station's real waits through the run control, from Start to the end-of-run message,
// alternately without a recorder and with the recorder and the background sender delivering to
// the line service of VarnexLine.ini beside this program (or spooling only without the file).
// Target: the runs with records within 1 % of those without. Also prints what writing one
// record takes (build, JSON, temporary file, flush, rename).
// Usage: run_record_bench [pairs]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <windows.h>

#include "BenchStation.h"
#include "devices/dutlink.h"
#include "station/engine/CheckContext.h"
#include "station/results/LineConfig.h"
#include "station/results/LineSender.h"
#include "station/results/RunRecorder.h"
#include "station/run/RunControl.h"
#include "station/run/RunDisplay.h"
#include "station/run/RunMessages.h"

namespace {

class QuietDisplay : public RunDisplay {
 public:
  bool CheckScannedCodes() override { return true; }
  void ShowDetail(const std::wstring&) override {}
  void ShowMessage(const std::wstring& text, uint32_t color) override {
    if (color == kColorFail) {
      std::fwprintf(stderr, L"%ls\n", text.c_str());
    }
  }
  void SetStatus(int32_t) override {}
  void SetControlsEnabled(int32_t) override {}
  void SetStartStopText(const wchar_t*) override {}
  void EnableStartStop(bool) override {}
  void RebuildResultList() override {}
  void RefreshCommText() override {}
};

// Times each record the recorder writes.
class TimedRecorder : public RunObserver {
 public:
  explicit TimedRecorder(RunRecorder& recorder) : recorder_(recorder) {}
  void RunStarted(CheckContext& context) override { recorder_.RunStarted(context); }
  std::wstring RunEnded(CheckContext& context, RunEnd end) override {
    LARGE_INTEGER from, to, frequency;
    QueryPerformanceCounter(&from);
    std::wstring problem = recorder_.RunEnded(context, end);
    QueryPerformanceCounter(&to);
    QueryPerformanceFrequency(&frequency);
    writes.push_back(1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
    return problem;
  }
  std::vector<double> writes;

 private:
  RunRecorder& recorder_;
};

struct Bench {
  RunControl* control = nullptr;
  CheckSettings settings{};
  RunLink link;
  bool ended = false;
};

LRESULT CALLBACK BenchWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* bench = reinterpret_cast<Bench*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (bench != nullptr && bench->control != nullptr) {
    if (message == kRunEndedMessage) {
      bench->ended = true;
      return 0;
    }
    if (message == kRunStopRequestMessage) {
      bench->control->OnStopRequest(wParam);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// One full run: Start, the worker's checks with real waits, its Stop, the end-of-run message.
double RunOnce(Bench& bench) {
  bench.ended = false;
  LARGE_INTEGER from, to, frequency;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&from);
  bench.control->StartStop(bench.settings, bench.link);
  MSG message;
  while (!(bench.ended && !bench.control->running()) && GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
  }
  QueryPerformanceCounter(&to);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

double Mean(const std::vector<double>& values) {
  double sum = 0;
  for (double v : values) {
    sum += v;
  }
  return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  BenchStation station;
  if (!PrepareBenchStation(station)) {
    return 2;
  }
  Bench bench;
  bench.settings = station.settings;
  bench.link = RunLink{0, -1, 3000};

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = BenchWindow;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VarnexRecordBench";
  RegisterClassExW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, windowClass.hInstance, nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&bench));

  const LineConfig config = ReadLineConfig();
  RecordSpool spool;
  LineSender sender(spool, config.settings, config.station, [] {});
  RunRecorder recorder(spool, IdentityFor("Varnex", config));
  recorder.SetSpooledHandler([&sender] { sender.Wake(); });
  TimedRecorder timed(recorder);
  std::printf("line service: %s\n",
              config.settings ? "VarnexLine.ini, sender running" : "none (spool only)");

  KV_PHONE phone = KV_CreatePhone(0);
  std::vector<double> without;
  std::vector<double> with;
  {
    CheckContext context;
    context.stations = &station.stations;
    context.window = window;
    context.settings = station.settings;
    context.phone = phone;
    context.promptOperator = [] {};
    QuietDisplay display;
    RunControl control(context, display);
    control.Create(window);
    bench.control = &control;
    sender.Start();

    // Every other pair the other way round, so that neither side always runs second.
    for (int i = 0; i < pairs; ++i) {
      for (int side = 0; side < 2; ++side) {
        const bool recording = (side == 0) == (i % 2 == 1);
        control.SetObserver(recording ? &timed : nullptr);
        (recording ? with : without).push_back(RunOnce(bench));
      }
      std::printf("pair %d: without %.1f ms, with records %.1f ms (%s)\n", i + 1, without.back(),
                  with.back(), control.lastEnd() == RunEnd::Passed ? "passed" : "NOT passed");
    }
    control.Shutdown();
    bench.control = nullptr;
    ShutdownCheckContext(context);
  }
  sender.Stop(5000);
  KV_ReleasePhone(phone);

  const double difference = 100.0 * (Mean(with) - Mean(without)) / Mean(without);
  std::printf("full run with real waits, %d runs each:\n", pairs);
  std::printf("  without records: mean %.1f ms  median %.1f ms\n", Mean(without), Median(without));
  std::printf("  with records:    mean %.1f ms  median %.1f ms\n", Mean(with), Median(with));
  std::printf("  difference %+.2f %%  target within 1 %%: %s\n", difference,
              difference <= 1.0 ? "met" : "NOT met");
  std::printf(
      "writing one record: median %.2f ms  max %.2f ms\n", Median(timed.writes),
      timed.writes.empty() ? 0.0 : *std::max_element(timed.writes.begin(), timed.writes.end()));
  const LinkState state = sender.State();
  std::printf("sender: %d sent, %d waiting, %d rejected\n", state.sent, state.waiting,
              state.rejected);
  return difference <= 1.0 ? 0 : 1;
}
