#include "line/server/ApiServer.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "line/core/LogText.h"
#include "line/core/RunRecord.h"
#include "line/core/Timestamp.h"
#include "line/core/Drift.h"
#include "line/server/ApiAnswers.h"
#include "line/server/MeasureAnswers.h"
#include "line/server/Passwords.h"
#include "line/server/QueryParams.h"
#include "line/server/Tokens.h"
#include "line/store/Store.h"

namespace line {
namespace {

using Json = nlohmann::json;

constexpr const char* kJson = "application/json";
constexpr int64_t kMaxRuns = 1000;
// A runs answer holds at most this much of records. Answers being made (each counted at that
// most) and sent (each at its size) hold at most kAnswerBudget together.
constexpr int64_t kRunsAnswerBytes = 8 * 1024 * 1024;
constexpr int64_t kAnswerBudget = 48 * 1024 * 1024;
// An indented answer is made by reading the compact one: only for answers a person reads.
constexpr size_t kPrettyBytes = 1024 * 1024;
constexpr size_t kFormBytes = 4096;
constexpr int64_t kLongestPareto = 92 * kDayMs;
constexpr const char* kRecordsHelp =
    "Records posted, by the status of their answer (201 stored, 200 repeated, others refused).";

// The page runs only its own scripts, takes nothing from elsewhere and is never framed.
const std::pair<std::string, std::string> kSecurityHeaders[] = {
    {"Content-Security-Policy",
     "default-src 'self'; img-src 'self' data:; object-src 'none'; base-uri 'none'; "
     "form-action 'self'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"X-Frame-Options", "DENY"},
    {"Referrer-Policy", "same-origin"},  // "no-referrer" would make forms send Origin: null
    {"Cache-Control", "no-store"},
};

// Compact, unless the address asks for an indented document (`pretty`): the dashboard reads the
// compact one, a person the other.
HttpAnswer TextAnswer(const QueryParams& params, std::string text) {
  if (params.Has("pretty")) {
    if (text.size() > kPrettyBytes) {
      throw ParamError{
          "pretty: only for answers up to 1 MiB (narrow the question or leave it out)"};
    }
    return JsonAnswer(200, Json::parse(text), true);
  }
  text += "\n";
  return {200, kJson, std::move(text), {}, false, nullptr};
}

HttpAnswer ReadAnswer(const QueryParams& params, const Json& body) {
  return TextAnswer(params, body.dump());
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string();
}

std::string ContentType(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  if (extension == ".html") {
    return "text/html; charset=utf-8";
  }
  if (extension == ".js") {
    return "application/javascript";
  }
  if (extension == ".css") {
    return "text/css";
  }
  if (extension == ".png") {
    return "image/png";
  }
  return "application/octet-stream";
}

}  // namespace

std::shared_ptr<MetricsRegistry> ServiceMetrics(StoreOptions& store) {
  auto metrics = std::make_shared<MetricsRegistry>();
  store.commitSeconds =
      &metrics->HistogramOf("varnex_line_store_commit_seconds",
                            "Time of the store's commits (the disk sync).", LatencyBounds());
  return metrics;
}

std::span<const ApiServer::Route> ApiServer::Routes() {
  static const Route kRoutes[] = {
      {"POST", "/api/v1/runs", false, Work::Ingest, Who::Station, kMaxRecordBytes,
       &ApiServer::PostRun},
      {"GET", "/api/v1/runs", false, Work::Read, Who::Viewer, 0, &ApiServer::GetRuns},
      {"GET", "/api/v1/runs/", true, Work::Read, Who::Viewer, 0, &ApiServer::GetRun},
      {"GET", "/api/v1/yield", false, Work::Read, Who::Viewer, 0, &ApiServer::GetYield},
      {"GET", "/api/v1/pareto", false, Work::Read, Who::Viewer, 0, &ApiServer::GetPareto},
      {"GET", "/api/v1/stations", false, Work::Read, Who::Viewer, 0, &ApiServer::GetStations},
      {"GET", "/api/v1/measurements", false, Work::Read, Who::Viewer, 0,
       &ApiServer::GetMeasurements},
      {"GET", "/api/v1/measurements/series", false, Work::Read, Who::Viewer, 0,
       &ApiServer::GetSeries},
      {"GET", "/api/v1/limits", false, Work::Read, Who::Viewer, 0, &ApiServer::GetLimits},
      {"GET", "/healthz", false, Work::Ingest, Who::Anyone, 0, &ApiServer::GetHealth},
      {"GET", "/metrics", false, Work::Read, Who::Viewer, 0, &ApiServer::GetMetrics},
      {"POST", "/login", false, Work::Read, Who::Anyone, kFormBytes, &ApiServer::PostLogIn},
      {"POST", "/logout", false, Work::Read, Who::Anyone, kFormBytes, &ApiServer::PostLogOut},
      {"GET", "/", true, Work::Read, Who::ViewerPage, 0, &ApiServer::GetFile},
  };
  return kRoutes;
}

ApiServer::ApiServer(Store& store, ServerOptions options)
    : store_(store),
      options_(std::move(options)),
      credentials_(store),
      http_(std::make_unique<HttpServer>(*this, options_.limits, options_.certFile,
                                         options_.keyFile)),
      ingest_(options_.ingestThreads, 1024),
      reads_(options_.readThreads, 256) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(options_.webDir, error)) {
    if (entry.is_regular_file()) {
      files_[std::string("/").append(entry.path().filename().string())] = {
          ReadFile(entry.path()), ContentType(entry.path())};
    }
  }
  if (files_.count("/index.html")) {
    files_["/"] = files_["/index.html"];
  }
  std::string chartJs = ReadFile(options_.chartJsPath);
  if (chartJs.empty()) {
    LogLine(LogText(options_.chartJsPath) +
            " not found: the dashboard shows no charts (install libjs-chart.js)");
  } else {
    files_["/vendor/chart.min.js"] = {std::move(chartJs), "application/javascript"};
  }
  if (!options_.metrics) {
    options_.metrics = std::make_shared<MetricsRegistry>();
  }
  MetricsRegistry& metrics = *options_.metrics;
  metrics.CounterOf("varnex_line_records_total", kRecordsHelp, {{"status", "201"}});
  ingestSeconds_ = &metrics.HistogramOf(
      "varnex_line_ingest_seconds", "Time from a record's request to its answer.", LatencyBounds());
  metrics.GaugeFrom("varnex_line_open_connections", "HTTP connections open now.",
                    [this] { return static_cast<double>(http_->OpenConnections()); });
  metrics.GaugeFrom("varnex_line_store_bytes",
                    "Bytes the store takes: the SQLite file, or the PostgreSQL database.",
                    [this] { return static_cast<double>(store_.SizeBytes()); });
}

ApiServer::~ApiServer() = default;

void ApiServer::Listen(const std::string& host, int port) {
  loopback_ = IsLoopbackHost(host);
  readsNeedLogIn_ = ReadsNeedLogIn(host, options_.requireLogIn, options_.publicRead);
  http_->Listen(host, port);
}

int ApiServer::Port() const {
  return http_->Port();
}

void ApiServer::Run() {
  http_->Run();
}

void ApiServer::Stop() {
  http_->Stop();
}

const ApiServer::Route* ApiServer::Find(const HttpRequest& request, bool& pathKnown) const {
  pathKnown = false;
  for (const Route& route : Routes()) {
    std::string_view path = route.path;
    bool matches =
        route.prefix ? request.path.compare(0, path.size(), path) == 0 : request.path == path;
    if (matches) {
      pathKnown = true;
      if (request.method == route.method) {
        return &route;
      }
    }
  }
  return nullptr;
}

HttpHandler::Admission ApiServer::Admit(const HttpRequest& head) {
  const std::string& host = head.Header("host");
  if (loopback_ && !host.empty() && !IsLoopbackHost(host)) {
    return {Refusal(421, "Host: this service answers only to a loopback name, not " +
                             LogText(host, 128)),
            0};
  }
  bool pathKnown = false;
  const Route* route = Find(head, pathKnown);
  if (route == nullptr) {
    return {pathKnown ? Refusal(405, "method: not allowed here") : Refusal(404, "no such page"), 0};
  }
  // Every record would be refused the same: its body is not worth reading.
  if (route->who == Who::Station && BearerToken(head).empty()) {
    CountDelivery(401);
    return {Finish(head, Refused(401, "Authorization: no valid station token"), ""), 0};
  }
  return {std::nullopt, route->bodyLimit};
}

void ApiServer::Handle(HttpRequest request, std::function<void(HttpAnswer)> reply) {
  bool pathKnown = false;
  const Route* route = Find(request, pathKnown);
  if (route == nullptr) {  // Admit refused it already
    return reply(Refusal(404, "no such page"));
  }
  WorkerPool& pool = route->work == Work::Ingest ? ingest_ : reads_;
  auto shared = std::make_shared<HttpRequest>(std::move(request));
  bool queued = pool.TryPost([this, route, shared, reply] { reply(Serve(*route, *shared)); });
  if (!queued) {
    if (route->who == Who::Station) {
      CountDelivery(503);
    }
    reply(Finish(*shared, Refused(503, "busy: too many requests waiting"), "worker queue full"));
  }
}

HttpAnswer ApiServer::Refusal(unsigned status, const std::string& text) {
  HttpAnswer answer = Refused(status, text);
  answer.headers.assign(std::begin(kSecurityHeaders), std::end(kSecurityHeaders));
  return answer;
}

HttpAnswer ApiServer::TooLarge(const HttpRequest& head, size_t limit) {
  bool pathKnown = false;
  const Route* route = Find(head, pathKnown);
  if (route && route->who == Who::Station) {
    CountDelivery(413);
  }
  return Refusal(413, "body: larger than " + std::to_string(limit) + " bytes");
}

// Every delivery is counted by the status it was answered with; those read whole are timed.
void ApiServer::CountDelivery(unsigned status) {
  options_.metrics
      ->CounterOf("varnex_line_records_total", kRecordsHelp, {{"status", std::to_string(status)}})
      .Add();
}

HttpAnswer ApiServer::Serve(const Route& route, const HttpRequest& request) {
  if (route.who != Who::Station) {
    return Answer(route, request);
  }
  auto start = std::chrono::steady_clock::now();
  HttpAnswer answer = Answer(route, request);
  ingestSeconds_->Observe(
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  CountDelivery(answer.status);
  return answer;
}

// The 5xx answers name no internal detail: that goes to the log.
HttpAnswer ApiServer::Answer(const Route& route, const HttpRequest& request) {
  try {
    std::string caller;
    if (std::optional<HttpAnswer> refusal = Authorize(route, request, caller)) {
      return Finish(request, std::move(*refusal), "");
    }
    HttpAnswer answer = (this->*route.handler)(request, caller);
    // The page offers to log out only to a viewer who logged on.
    if (!caller.empty() && route.who != Who::Station) {
      answer.headers.emplace_back("X-Varnex-Viewer", caller);
    }
    return Finish(request, std::move(answer), "");
  } catch (const ParamError& error) {
    return Finish(request, Refused(400, error.text), "");
  } catch (const StoreUnavailable& error) {
    return Finish(request, Refused(503, "store unavailable"), error.what());
  } catch (const std::exception& error) {
    return Finish(request, Refused(500, "internal error"), error.what());
  }
}

HttpAnswer ApiServer::Finish(const HttpRequest& request, HttpAnswer answer,
                             const std::string& problem) {
  answer.headers.insert(answer.headers.end(), std::begin(kSecurityHeaders),
                        std::end(kSecurityHeaders));
  bool failed = answer.status >= 500;
  bool refusedDelivery = request.method == "POST" && answer.status >= 400;
  if (failed || (refusedDelivery && !options_.quiet)) {
    std::string line = request.remote + " " + request.method + " " + LogText(request.path, 256) +
                       " " + std::to_string(answer.status) + " " +
                       LogText(problem.empty() ? answer.body : problem);
    while (!line.empty() && line.back() == '\n') {
      line.pop_back();
    }
    (failed ? failures_ : refusals_).Line(line, options_.clock());
  }
  return answer;
}

HttpAnswer ApiServer::PostRun(const HttpRequest& request, const std::string& station) {
  RecordCheck check = ReadRunRecord(request.body, options_.clock());
  if (!check.record) {
    return Refused(400, check.error);
  }
  const RunRecord& run = *check.record;
  if (run.station != station) {
    return JsonAnswer(403, {{"error", "station.name: the token belongs to station " + station},
                            {"code", "station-mismatch"}});
  }
  switch (store_.Ingest({&run, 1}, options_.clock()).at(0)) {
    case IngestResult::Stored:
      return JsonAnswer(201, {{"id", run.id}, {"status", "stored"}});
    case IngestResult::Repeated:
      return JsonAnswer(200, {{"id", run.id}, {"status", "already stored"}});
    case IngestResult::Conflict:
      return Refused(409, "id: " + run.id + " is already stored with other content");
    case IngestResult::Failed:
      break;
  }
  return Refused(500, "internal error");  // the store logged why
}

// Every runs answer holds at most kRunsAnswerBytes of records; while it is made and sent it
// holds its part of a shared budget, so that readers together cannot take the memory.
HttpAnswer ApiServer::GetRuns(const HttpRequest& request, const std::string&) {
  QueryParams params(request.query);
  RunQuery query;
  query.imei = params.Text("imei");
  query.sn = params.Text("sn");
  query.station = params.Text("station");
  query.outcome = params.Text("outcome");
  query.fromMs = params.Time("from");
  query.toMs = params.Time("to");
  query.limit = params.Limit(100, kMaxRuns);
  query.maxBytes = kRunsAnswerBytes;
  std::string after = params.Text("after", 600);
  if (!after.empty()) {
    query.after = ParseCursor(after);
    if (!query.after) {
      throw ParamError{"after: not a cursor this service gave as next"};
    }
  }
  if (answerBytes_.fetch_add(kRunsAnswerBytes) + kRunsAnswerBytes > kAnswerBudget) {
    answerBytes_ -= kRunsAnswerBytes;
    return Refused(503, "busy: too many large answers at once");
  }
  std::shared_ptr<int64_t> held(new int64_t(kRunsAnswerBytes), [this](int64_t* bytes) {
    answerBytes_ -= *bytes;
    delete bytes;
  });
  HttpAnswer answer = TextAnswer(params, RunsAnswer(store_.FindRuns(query)));
  int64_t size = static_cast<int64_t>(answer.body.size());
  answerBytes_ -= *held - size;
  *held = size;
  answer.hold = held;
  return answer;
}

// Ids are unique per station: an id two stations used answers with both stations' names,
// and ?station= chooses.
HttpAnswer ApiServer::GetRun(const HttpRequest& request, const std::string&) {
  QueryParams params(request.query);
  QueryParams path("id=" + request.path.substr(std::string_view("/api/v1/runs/").size()));
  std::string id = path.Text("id", 64);
  for (char& c : id) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  std::vector<StoredRun> runs = store_.FindRun(id, params.Text("station"));
  if (runs.empty()) {
    return Refused(404, "id: no run " + id);
  }
  if (runs.size() > 1) {
    Json stations = Json::array();
    for (const StoredRun& run : runs) {
      stations.push_back(run.station);
    }
    return JsonAnswer(300, {{"error", "id: " + id +
                                          " was used by more than one station: add "
                                          "?station= to choose"},
                            {"stations", stations}});
  }
  return TextAnswer(params, std::move(runs.front().document));
}

HttpAnswer ApiServer::GetYield(const HttpRequest& request, const std::string&) {
  QueryParams params(request.query);
  Bucket bucket = params.BucketParam();
  int32_t offset = params.Offset();
  int64_t span = bucket == Bucket::Hour ? kDayMs : 7 * kDayMs;
  TimeRange range =
      RangeParams(params, options_.clock(), span, std::numeric_limits<int64_t>::max());
  // A bucket that holds `from` is shown whole; a year of hours or ten years of days at most.
  int64_t from = bucket == Bucket::Hour ? HourStart(range.fromMs) : DayStart(range.fromMs, offset);
  int64_t most = bucket == Bucket::Hour ? 366 * kDayMs : 3660 * kDayMs;
  if (range.toMs - from > most) {
    throw ParamError{"from: too far before to for this bucket"};
  }
  std::string station = params.Text("station");
  std::vector<YieldPoint> points = bucket == Bucket::Hour
                                       ? store_.HourlyYield(from, range.toMs, station)
                                       : store_.DailyYield(from, range.toMs, station, offset);
  return ReadAnswer(params, YieldAnswer(points, bucket, offset, from, range.toMs));
}

HttpAnswer ApiServer::GetPareto(const HttpRequest& request, const std::string&) {
  QueryParams params(request.query);
  TimeRange range = RangeParams(params, options_.clock(), kDayMs, kLongestPareto);
  std::string station = params.Text("station");
  return ReadAnswer(params, ParetoAnswer(store_.FailCounts(range.fromMs, range.toMs, station),
                                         station, range.fromMs, range.toMs));
}

// Each station with the items that drift: its Cpk over the last day against the limits it
// judges with now, and its latest values' own chart. Drift reads a day's sums and each
// station's latest records: it is worked out again at most every few seconds, however many
// viewers ask.
HttpAnswer ApiServer::GetStations(const HttpRequest& request, const std::string&) {
  QueryParams params(request.query);
  int64_t now = options_.clock();
  std::vector<StationStatus> stations = store_.Stations();
  auto fresh = std::chrono::steady_clock::now();
  {
    std::lock_guard guard(driftLock_);
    if (driftAt_ && fresh - *driftAt_ < kDriftAge) {
      return ReadAnswer(params, StationsAnswer(stations, now, drift_));
    }
  }
  std::map<std::string, std::vector<MeasureEntry>> lastDay;
  for (MeasureEntry& entry : store_.Measurements(now - kDayMs, now, "")) {
    lastDay[entry.station].push_back(std::move(entry));
  }
  std::map<std::string, std::map<std::string, std::string>> limits;
  for (const JudgedItem& judged : store_.JudgedItems()) {
    if (judged.measured) {
      limits[judged.station][judged.item] = judged.setting;
    }
  }
  std::map<std::string, std::vector<std::string>> drift;
  for (const StationStatus& station : stations) {
    std::map<std::string, std::vector<double>> values;
    for (const auto& [item, points] : store_.LatestValuesOfStation(station.name, kDriftPoints)) {
      for (const MeasurePoint& point : points) {
        values[item].push_back(point.value);
      }
    }
    drift[station.name] = DriftingItems(lastDay[station.name], limits[station.name], values);
  }
  {
    std::lock_guard guard(driftLock_);
    drift_ = drift;
    driftAt_ = fresh;
  }
  return ReadAnswer(params, StationsAnswer(stations, now, drift));
}

HttpAnswer ApiServer::GetMeasurements(const HttpRequest& request, const std::string&) {
  QueryParams params(request.query);
  TimeRange range = RangeParams(params, options_.clock(), kDayMs, kLongestPareto);
  return ReadAnswer(params, MeasurementsAnswer(store_.Measurements(range.fromMs, range.toMs,
                                                                   params.Text("station")),
                                               range.fromMs, range.toMs));
}

HttpAnswer ApiServer::GetSeries(const HttpRequest& request, const std::string&) {
  QueryParams params(request.query);
  std::string station = params.Required("station");
  std::string item = params.Required("item");
  int64_t last = params.Count("last", 500, 2, 5000);
  std::optional<std::vector<MeasurePoint>> points = store_.LatestValues(station, item, last);
  if (!points) {
    return Refused(404, "item: station " + station + " measured no " + item);
  }
  return ReadAnswer(params, SeriesAnswer(station, item, *points));
}

HttpAnswer ApiServer::GetLimits(const HttpRequest& request, const std::string&) {
  return ReadAnswer(QueryParams(request.query), LimitsAnswer(store_.JudgedItems()));
}

// Open to anyone, so it tells nothing but whether the store answers.
HttpAnswer ApiServer::GetHealth(const HttpRequest& request, const std::string&) {
  try {
    store_.Ping();
    return JsonAnswer(200, {{"status", "ok"}, {"store", store_.Kind()}});
  } catch (const std::exception& error) {
    failures_.Line(request.remote + " GET /healthz: store unavailable: " + LogText(error.what()),
                   options_.clock());
    return JsonAnswer(503, {{"status", "unavailable"}, {"store", store_.Kind()}});
  }
}

HttpAnswer ApiServer::GetMetrics(const HttpRequest&, const std::string&) {
  return {200, kMetricsContentType, options_.metrics->Text(), {}, false, nullptr};
}

HttpAnswer ApiServer::GetFile(const HttpRequest& request, const std::string&) {
  auto found = files_.find(request.path);
  if (found == files_.end()) {
    return Refused(404, request.path == "/vendor/chart.min.js"
                            ? "the charting library is not installed (libjs-chart.js)"
                            : "no such page");
  }
  return {200, found->second.type, found->second.body, {}, false, nullptr};
}

}  // namespace line
