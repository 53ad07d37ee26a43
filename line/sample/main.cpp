// varnex-line-sample: records of a believable line, for the demo and the benchmarks.
//   history --out DIR   a few days of a line, as each station's results/spool folder
//   record --station N  one run started now, on the standard output
#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "line/core/Timestamp.h"
#include "line/sample/SampleRuns.h"

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"varnex-line-sample: believable run records of a line"};
  app.require_subcommand(1);
  uint32_t seed = 1;
  std::string tz = "+08:00";
  app.add_option("--seed", seed, "random seed")->capture_default_str();
  app.add_option("--tz", tz, "the stations' UTC offset")->capture_default_str();

  CLI::App* history = app.add_subcommand("history", "a line's history as spool folders");
  std::string out;
  int stations = 5;
  double days = 3;
  double perHour = 30;
  history->add_option("--out", out, "folder for <station>/results/spool/<id>.json")->required();
  history->add_option("--stations", stations, "stations of the line")->capture_default_str();
  history->add_option("--days", days, "days up to now")->capture_default_str();
  history->add_option("--per-hour", perHour, "phones per station and hour")->capture_default_str();

  CLI::App* record = app.add_subcommand("record", "one run started now");
  std::string station = "VARNEX-01";
  bool fail = false;
  record->add_option("--station", station, "station name")->capture_default_str();
  record->add_flag("--fail", fail, "a failing phone");

  CLI11_PARSE(app, argc, argv);
  std::optional<int32_t> offset = line::ParseUtcOffset(tz);
  if (!offset) {
    std::cerr << "--tz: not an offset like +08:00\n";
    return 2;
  }
  line::SampleRuns sample(seed);
  if (record->parsed()) {
    line::SampleStation where{station, "LINE-1", "LINE1-" + station, 0};
    // A demo station's live runs depart from the line as its history does.
    for (const line::SampleStation& demo : line::SampleRuns::DemoStations(99)) {
      if (demo.name == station) {
        where.oddity = demo.oddity;
      }
    }
    std::cout << sample.Record(where, NowMs(), *offset, !fail) << std::endl;
    return 0;
  }
  int64_t now = NowMs();
  int64_t count = 0;
  sample.History(
      line::SampleRuns::DemoStations(stations), now - static_cast<int64_t>(days * line::kDayMs),
      now, perHour, *offset, [&](const line::SampleStation& s, const std::string& text) {
        std::filesystem::path folder = std::filesystem::path(out) / s.name / "results" / "spool";
        std::filesystem::create_directories(folder);
        std::string id = nlohmann::json::parse(text).at("id");
        std::ofstream(folder / (id + ".json"), std::ios::binary) << text;
        ++count;
      });
  std::cout << count << " records under " << out << std::endl;
  return 0;
}
