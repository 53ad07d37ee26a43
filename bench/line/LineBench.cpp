// Benchmarks of the line service (not tests):
//   fill   --db DB --runs N          stores N believable runs of a month straight into a store
//   ingest --url URL --db DB         stations posting records over HTTP as fast as it takes them
//   query  --url URL                 the dashboard's requests, timed, with several viewers
//   hostile --port P --db DB         a station's posts under slow, flooding and greedy clients
// Besides wall-clock rates each prints CPU time, which a busy machine does not change much:
// its own, and with --cpu-pids that of the service (and the database server's processes).
#include <httplib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "bench/line/HostileLoad.h"
#include "line/core/RunRecord.h"
#include "line/core/Timestamp.h"
#include "line/sample/SampleRuns.h"
#include "line/server/ApiServer.h"
#include "line/server/Tokens.h"
#include "line/store/Store.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU seconds (user and system) a process used, its threads and the children it has waited
// for included; with `children`, also those of its children still running (a database
// server's connections).
double CpuSeconds(int pid, bool children) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t close = text.rfind(')');
  if (close == std::string::npos) {
    return 0;
  }
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 17 && fields >> field; ++i) {
    if (i >= 14) {
      ticks += std::stod(field);  // utime, stime, cutime, cstime
    }
  }
  double seconds = ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
  if (children) {
    std::ifstream list("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                       "/children");
    int child = 0;
    while (list >> child) {
      seconds += CpuSeconds(child, false);
    }
  }
  return seconds;
}

double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The service's process and, for PostgreSQL, the server's main process (its connections are
// its children).
struct Watched {
  int service = 0;
  int database = 0;
  double Service() const { return service ? CpuSeconds(service, false) : 0; }
  double Database() const { return database ? CpuSeconds(database, true) : 0; }
};

// Records are made and read on one thread while another stores the previous batch: the fill
// takes both cores.
int Fill(const std::string& db, int64_t runs, int stations, double days) {
  std::unique_ptr<line::Store> store = line::OpenStore(db);
  int64_t now = line::NowMs();
  double hours = days * 24 * stations;
  double perHour = runs / hours * 1.15;  // the night shift runs fewer phones
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::vector<line::RunRecord>> ready;
  bool finished = false;
  std::string lastImei, lastSn;
  Clock::time_point start = Clock::now();
  std::thread maker([&] {
    line::SampleRuns sample(11);
    std::vector<line::RunRecord> batch;
    int64_t made = 0;
    auto hand = [&] {
      std::unique_lock guard(lock);
      changed.wait(guard, [&] { return ready.size() < 4; });
      ready.push_back(std::move(batch));
      batch.clear();
      changed.notify_all();
    };
    sample.History(line::SampleRuns::DemoStations(stations),
                   now - static_cast<int64_t>(days * line::kDayMs), now, perHour, 480,
                   [&](const line::SampleStation&, const std::string& text) {
                     if (made >= runs)
                       return;
                     ++made;
                     line::RecordCheck check = line::ReadRunRecord(text, now);
                     batch.push_back(std::move(*check.record));
                     if (batch.size() == 1000)
                       hand();
                   });
    if (!batch.empty())
      hand();
    std::lock_guard guard(lock);
    finished = true;
    changed.notify_all();
  });
  int64_t stored = 0;
  for (;;) {
    std::vector<line::RunRecord> batch;
    {
      std::unique_lock guard(lock);
      changed.wait(guard, [&] { return !ready.empty() || finished; });
      if (ready.empty())
        break;
      batch = std::move(ready.front());
      ready.pop_front();
      changed.notify_all();
    }
    store->Ingest(batch, now);
    lastImei = batch.back().codes.imei1;
    lastSn = batch.back().codes.sn1;
    stored += static_cast<int64_t>(batch.size());
    if (stored % 100000 < 1000) {
      std::cerr << stored << " runs, " << static_cast<int64_t>(stored / Seconds(start)) << "/s\n";
    }
  }
  maker.join();
  double cpu = OwnCpuSeconds();
  std::cout << "filled " << stored << " runs in " << Seconds(start) << " s ("
            << static_cast<int64_t>(stored / Seconds(start)) << " runs/s, " << cpu * 1e6 / stored
            << " us CPU per run); a phone: imei " << lastImei << " sn " << lastSn << std::endl;
  return 0;
}

int Ingest(const std::string& url, const std::string& db, int64_t count, int clients,
           const Watched& watched, const std::string& label) {
  std::unique_ptr<line::Store> store = line::OpenStore(db);
  std::vector<line::SampleStation> stations = line::SampleRuns::DemoStations(clients);
  std::vector<std::string> tokens;
  for (const line::SampleStation& station : stations) {
    tokens.push_back(line::NewToken());
    store->AddToken(
        {line::TokenHash(tokens.back()), line::TokenKind::Station, station.name, line::NowMs()});
  }
  // Made before the clock starts: the 2 cores belong to the service while it is measured.
  std::vector<std::vector<std::string>> bodies(static_cast<size_t>(clients));
  // The stations go on after the latest run the store holds, as a line's do: a record that
  // starts before its station's latest is a late one, which costs a look at its neighbours.
  int64_t first = line::NowMs() - count * 1000;
  for (const line::StationStatus& station : store->Stations()) {
    first = std::max(first, station.lastRunMs + 1000);
  }
  line::SampleRuns sample(static_cast<uint32_t>(first / 1000));  // ids of their own each time
  for (int64_t i = 0; i < count; ++i) {
    size_t c = static_cast<size_t>(i % clients);
    bodies[c].push_back(sample.Record(stations[c], first + i * 1000, 480, i % 50 != 0));
  }
  std::atomic<int64_t> created{0};
  std::atomic<int64_t> other{0};
  std::mutex failuresLock;
  std::map<std::string, int> failures;
  std::vector<double> latencies;
  latencies.reserve(static_cast<size_t>(count));
  double ownBefore = OwnCpuSeconds();
  double serviceBefore = watched.Service();
  double databaseBefore = watched.Database();
  Clock::time_point start = Clock::now();
  std::vector<std::thread> threads;
  for (size_t c = 0; c < bodies.size(); ++c) {
    threads.emplace_back([&, c] {
      httplib::Client client(url);
      client.set_keep_alive(true);
      client.set_tcp_nodelay(true);
      httplib::Headers headers{{"Authorization", "Bearer " + tokens[c]}};
      for (const std::string& body : bodies[c]) {
        Clock::time_point sent = Clock::now();
        httplib::Result result = client.Post("/api/v1/runs", headers, body, "application/json");
        {
          std::lock_guard guard(failuresLock);
          latencies.push_back(Seconds(sent) * 1000);
        }
        if (result && result->status == 201) {
          created += 1;
          continue;
        }
        other += 1;
        std::lock_guard guard(failuresLock);
        failures[result ? "status " + std::to_string(result->status) + ": " + result->body
                        : "no answer: " + httplib::to_string(result.error())] += 1;
      }
    });
  }
  for (std::thread& t : threads)
    t.join();
  double seconds = Seconds(start);
  for (const auto& [what, count] : failures) {
    std::cout << "not stored: " << count << " times " << what << std::endl;
  }
  double perK = 1000.0 / static_cast<double>(std::max<int64_t>(1, created));
  double own = (OwnCpuSeconds() - ownBefore) * perK;
  double service = (watched.Service() - serviceBefore) * perK;
  double database = (watched.Database() - databaseBefore) * perK;
  std::sort(latencies.begin(), latencies.end());
  std::cout << "ingest: " << created << " records stored (" << other << " not) in " << seconds
            << " s with " << clients << " clients: " << static_cast<int64_t>(created / seconds)
            << " records/s, 26 rows each; answered in " << latencies[latencies.size() / 2]
            << " ms (p50), " << latencies[latencies.size() * 99 / 100] << " ms (p99), "
            << latencies.back() << " ms (max)" << std::endl;
  // What the same work takes of an idle machine's cores, from the CPU it cost here.
  double cores = static_cast<double>(std::thread::hardware_concurrency());
  std::printf(
      "result: ingest %-10s %3d clients %6lld records/s; CPU s per 1000 records: service %.3f, "
      "database %.3f, clients %.3f; CPU-bound on %g idle cores: %lld records/s\n",
      label.c_str(), clients, static_cast<long long>(created / seconds), service, database, own,
      cores, static_cast<long long>(cores * 1000 / std::max(1e-9, service + database + own)));
  return other == 0 ? 0 : 1;
}

int Query(const std::string& url, int requests, int clients, const std::string& imei,
          const std::string& sn, const Watched& watched, const std::string& label) {
  std::string tz = "%2B08:00";
  auto since = [](int days) { return line::FormatUtc(line::NowMs() - days * line::kDayMs); };
  // As the dashboard asks: from the start of the hour a day or a week back.
  auto hourSince = [](int days) {
    return line::FormatUtc(line::HourStart(line::NowMs() - days * line::kDayMs));
  };
  auto minutePast = [](int days) {
    return line::FormatUtc(line::HourStart(line::NowMs() - days * line::kDayMs) + 60000);
  };
  const std::vector<std::pair<std::string, std::string>> routes = {
      {"page /", "/"},
      {"dashboard.js", "/dashboard.js"},
      {"chart.min.js", "/vendor/chart.min.js"},
      {"yield 24 h by hour", "/api/v1/yield?bucket=hour&tz=" + tz + "&from=" + since(1)},
      {"yield 7 days by day", "/api/v1/yield?bucket=day&tz=" + tz + "&from=" + since(7)},
      {"yield 30 days by day", "/api/v1/yield?bucket=day&tz=" + tz + "&from=" + since(30)},
      {"pareto 24 h", "/api/v1/pareto?from=" + since(1)},
      {"pareto 7 days", "/api/v1/pareto?from=" + since(7)},
      {"stations", "/api/v1/stations"},
      {"measurements 24 h", "/api/v1/measurements?from=" + hourSince(1)},
      {"measurements 7 days", "/api/v1/measurements?from=" + hourSince(7)},
      {"measurements default 24 h", "/api/v1/measurements"},
      // The most a range's first part can hold: all but a minute of its first hour.
      {"measurements 24 h +1 min", "/api/v1/measurements?from=" + minutePast(1)},
      {"series 500 points", "/api/v1/measurements/series?station=VARNEX-01&item=Charge%20Current"},
      {"limits", "/api/v1/limits"},
      {"search by imei", "/api/v1/runs?limit=200&imei=" + imei},
      {"search by sn", "/api/v1/runs?limit=200&sn=" + sn},
      {"latest runs of a station", "/api/v1/runs?limit=100&station=VARNEX-01"},
  };
  std::cout << "route                       p50 ms   p95 ms   max ms  CPU ms per request ("
            << requests << " requests, " << clients << " viewers)\n";
  bool fast = true;
  bool failed = false;
  for (const auto& [name, path] : routes) {
    double cpuBefore = watched.Service() + watched.Database();
    std::vector<double> times;
    std::mutex lock;
    std::vector<std::thread> threads;
    int failures = 0;
    for (int c = 0; c < clients; ++c) {
      threads.emplace_back([&] {
        httplib::Client client(url);
        client.set_keep_alive(true);
        client.set_tcp_nodelay(true);
        for (int i = 0; i < requests / clients; ++i) {
          Clock::time_point start = Clock::now();
          httplib::Result result = client.Get(path.c_str());
          double ms = Seconds(start) * 1000;
          std::lock_guard guard(lock);
          times.push_back(ms);
          failures += !(result && result->status == 200);
        }
      });
    }
    for (std::thread& t : threads)
      t.join();
    std::sort(times.begin(), times.end());
    double p95 = times[times.size() * 95 / 100];
    double cpu = (watched.Service() + watched.Database() - cpuBefore) * 1000 /
                 static_cast<double>(times.size());
    fast = fast && p95 < 100;
    failed = failed || failures != 0;
    std::printf(
        "result: query %-10s %-26s p50 %7.1f ms  p95 %7.1f ms  max %7.1f ms  CPU %6.2f ms%s\n",
        label.c_str(), name.c_str(), times[times.size() / 2], p95, times.back(), cpu,
        failures ? "  (failures!)" : "");
  }
  std::cout << "result: query " << label << ": "
            << (failed ? "some dashboard request failed"
                : fast ? "every dashboard request under 100 ms at p95"
                       : "some dashboard request over 100 ms at p95")
            << std::endl;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"line_bench: benchmarks of varnex-line"};
  app.require_subcommand(1);
  std::string db, url = "http://127.0.0.1:8080", imei, sn;
  int64_t runs = 1000000, records = 40000;
  int stations = 10, clients = 4, requests = 200;
  double days = 30;
  Watched watched;
  std::string label;
  auto watch = [&](CLI::App* command) {
    command->add_option("--service-pid", watched.service, "the service, for its CPU time");
    command->add_option("--database-pid", watched.database,
                        "PostgreSQL's main process, for its CPU time");
    command->add_option("--label", label, "the store, as the result lines name it");
  };
  CLI::App* fill = app.add_subcommand("fill", "store believable runs straight into a store");
  fill->add_option("--db", db)->required();
  fill->add_option("--runs", runs);
  fill->add_option("--stations", stations);
  fill->add_option("--days", days);
  CLI::App* ingest = app.add_subcommand("ingest", "post records over HTTP");
  ingest->add_option("--url", url);
  ingest->add_option("--db", db, "the service's store (for the stations' tokens)")->required();
  ingest->add_option("--records", records);
  ingest->add_option("--clients", clients);
  watch(ingest);
  CLI::App* query = app.add_subcommand("query", "time the dashboard's requests");
  query->add_option("--url", url);
  query->add_option("--requests", requests);
  query->add_option("--clients", clients);
  query->add_option("--imei", imei)->required();
  query->add_option("--sn", sn)->required();
  watch(query);
  CLI::App* hostile = app.add_subcommand("hostile", "a station's posts under a hostile load");
  line::HostileOptions load;
  hostile->add_option("--port", load.port);
  hostile->add_option("--db", load.db, "the service's store (for the station's token)")->required();
  hostile->add_option("--seconds", load.seconds);
  hostile->add_option("--service-pid", load.servicePid, "the service, for its peak memory");
  hostile->add_option("--label", load.label, "the store, as the result line names it");
  CLI11_PARSE(app, argc, argv);
  if (hostile->parsed())
    return line::HostileLoad(load);
  if (fill->parsed())
    return Fill(db, runs, stations, days);
  if (ingest->parsed())
    return Ingest(url, db, records, clients, watched, label);
  return Query(url, requests, clients, imei, sn, watched, label);
}
