// What a run showed and wrote, kept beside the window's own display for the run's record: the
// last text of each cell of each row, the number a measuring row judged with its limits, and the
// path of the test log. The run's worker fills it; another thread may read it when the run is
// abandoned, so every access is locked.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// A reading judged against inclusive limits, in the unit the row shows it in.
struct Measurement {
  double value = 0;
  double low = 0;
  double high = 0;
  const char* unit = "";  // a fixed text: "mV", "mA", "uA" or "" (a count or a type)
};

struct CapturedRow {
  // Item, expected value, result, detail: a cell's newest text, or nothing when not reported.
  std::array<std::optional<std::wstring>, 4> cells;
  std::optional<Measurement> measurement;
};

struct CapturedRun {
  std::map<std::wstring, CapturedRow> rows;  // by the row's item name
  std::string testLogAnsi;                   // empty when no test log was opened
};

class RunCapture {
 public:
  // Forgets the last run.
  void Clear();
  // A cell report (columns 0..3; other columns are ignored, as the window ignores them).
  void Cell(std::wstring_view item, int32_t column, std::wstring_view text);
  void Measured(std::wstring_view item, const Measurement& measurement);
  // The path of the opened test log, in the ANSI code page.
  void TestLogOpened(std::string_view pathAnsi);
  CapturedRun Snapshot() const;

 private:
  mutable std::mutex lock_;
  CapturedRun run_;
};
