#include "line/server/ApiServer.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "line/core/RunRecord.h"
#include "line/core/Timestamp.h"
#include "line/server/ApiAnswers.h"
#include "line/server/QueryParams.h"
#include "line/server/Tokens.h"
#include "line/store/Store.h"

namespace line {
namespace {

constexpr const char* kJson = "application/json";
constexpr int64_t kMaxRuns = 1000;

// Compact, unless the address asks for an indented document (`pretty`): the dashboard reads
// the compact one, a person the other.
bool Pretty(const httplib::Request& request) {
  return request.has_param("pretty");
}

void Answer(httplib::Response& response, int status, const nlohmann::json& body,
            bool pretty = false) {
  response.status = status;
  response.set_content(body.dump(pretty ? 2 : -1) + "\n", kJson);
}

void Answer(const httplib::Request& request, httplib::Response& response,
            const nlohmann::json& body) {
  Answer(response, 200, body, Pretty(request));
}

// A document made of stored records: pasted as stored, parsed only to indent it.
void AnswerText(const httplib::Request& request, httplib::Response& response, std::string text) {
  if (Pretty(request)) {
    return Answer(request, response, nlohmann::json::parse(text));
  }
  text += "\n";
  response.status = 200;
  response.set_content(std::move(text), kJson);
}

void Refuse(httplib::Response& response, int status, const std::string& text) {
  Answer(response, status, ErrorAnswer(text));
}

std::string BearerToken(const httplib::Request& request) {
  const std::string header = request.get_header_value("Authorization");
  const std::string prefix = "Bearer ";
  if (header.size() <= prefix.size() || header.compare(0, prefix.size(), prefix) != 0) {
    return {};
  }
  return header.substr(prefix.size());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string();
}

}  // namespace

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

ApiServer::ApiServer(Store& store, ServerOptions options)
    : store_(store), options_(std::move(options)), tokens_(store) {
  if (!options_.certFile.empty() && !options_.keyFile.empty()) {
    http_ =
        std::make_unique<httplib::SSLServer>(options_.certFile.c_str(), options_.keyFile.c_str());
  } else {
    http_ = std::make_unique<httplib::Server>();
  }
  chartJs_ = ReadFile(options_.chartJsPath);
  if (chartJs_.empty()) {
    std::cerr << "varnex-line: " << options_.chartJsPath
              << " not found: the dashboard shows no charts (install libjs-chart.js)\n";
  }
  size_t threads = options_.threads;
  http_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  http_->set_payload_max_length(kMaxRecordBytes);
  // A client that stalls is dropped after a few seconds; an idle kept-alive connection sooner,
  // since it holds a thread.
  http_->set_read_timeout(5, 0);
  http_->set_write_timeout(5, 0);
  http_->set_keep_alive_timeout(2);
  // Answers are small and go out at once, not after the client's delayed acknowledgement.
  http_->set_tcp_nodelay(true);
  // A station delivering its spool keeps its connection for many records.
  http_->set_keep_alive_max_count(1000);
  // The library listens with room for only 5 connections waiting to be accepted: many stations
  // connecting at once overflow that, and the kernel drops theirs (a second lost, or the
  // request). The listening socket is noted here and given the system's room once bound.
  http_->set_socket_options([this](socket_t sock) {
    httplib::default_socket_options(sock);
    listenSocket_ = sock;
  });
  Routes();
}

ApiServer::~ApiServer() = default;

void ApiServer::Routes() {
  using httplib::Request;
  using httplib::Response;
  auto route = [this](void (ApiServer::*handler)(const Request&, Response&)) {
    return [this, handler](const Request& request, Response& response) {
      (this->*handler)(request, response);
    };
  };
  http_->Post("/api/v1/runs", route(&ApiServer::PostRun));
  http_->Get("/api/v1/runs", route(&ApiServer::GetRuns));
  http_->Get("/api/v1/runs/([^/]+)", route(&ApiServer::GetRun));
  http_->Get("/api/v1/yield", route(&ApiServer::GetYield));
  http_->Get("/api/v1/pareto", route(&ApiServer::GetPareto));
  http_->Get("/api/v1/stations", route(&ApiServer::GetStations));
  http_->Get("/healthz", route(&ApiServer::GetHealth));
  http_->Get("/vendor/chart.min.js", route(&ApiServer::GetChartJs));
  if (!options_.webDir.empty()) {
    http_->set_mount_point("/", options_.webDir);
  }

  // Answers the library makes itself (413, 404, a request it cannot read) get a JSON body too.
  http_->set_error_handler(
      httplib::Server::HandlerWithResponse([](const Request&, Response& response) {
        if (!response.body.empty()) {
          return httplib::Server::HandlerResponse::Unhandled;
        }
        std::string text = response.status == 413
                               ? "body: larger than " + std::to_string(kMaxRecordBytes) + " bytes"
                           : response.status == 404 ? "no such page"
                                                    : "request refused";
        Refuse(response, response.status, text);
        return httplib::Server::HandlerResponse::Handled;
      }));
  http_->set_exception_handler([](const Request&, Response& response, std::exception_ptr failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const ParamError& error) {
      Refuse(response, 400, error.text);
    } catch (const StoreUnavailable& error) {
      Refuse(response, 503, std::string("store unavailable: ") + error.what());
    } catch (const std::exception& error) {
      Refuse(response, 500, error.what());
    } catch (...) {
      Refuse(response, 500, "unknown failure");
    }
  });
  http_->set_logger([this](const Request& request, const Response& response) {
    if (!options_.quiet &&
        (response.status >= 500 || (request.method == "POST" && response.status >= 400))) {
      std::cerr << "varnex-line: " << request.method << ' ' << request.path << ' '
                << response.status << ' ' << response.body;
    }
  });
}

bool ApiServer::Bind(const std::string& host, int port) {
  if (!http_->is_valid()) {
    return false;
  }
  bool bound = false;
  if (port == 0) {
    port_ = http_->bind_to_any_port(host);
    bound = port_ > 0;
  } else {
    port_ = port;
    bound = http_->bind_to_port(host, port);
  }
  if (bound && listenSocket_ >= 0) {
    ::listen(listenSocket_, SOMAXCONN);  // a listening socket takes a new backlog
  }
  return bound;
}

void ApiServer::Run() {
  http_->listen_after_bind();
}

void ApiServer::Stop() {
  http_->stop();
}

void ApiServer::PostRun(const httplib::Request& request, httplib::Response& response) {
  std::string token = BearerToken(request);
  std::optional<std::string> station;
  if (!token.empty()) {
    station = tokens_.Station(TokenHash(token), NowMs());
  }
  if (!station) {
    return Refuse(response, 401, "Authorization: no valid station token");
  }
  RecordCheck check = ReadRunRecord(request.body);
  if (!check.record) {
    return Refuse(response, 400, check.error);
  }
  const RunRecord& run = *check.record;
  if (run.station != *station) {
    return Refuse(response, 401, "station.name: the token belongs to station " + *station);
  }
  IngestResult result = store_.Ingest({&run, 1}, NowMs()).at(0);
  switch (result) {
    case IngestResult::Stored:
      return Answer(response, 201, {{"id", run.id}, {"status", "stored"}});
    case IngestResult::Repeated:
      return Answer(response, 200, {{"id", run.id}, {"status", "already stored"}});
    case IngestResult::Conflict:
      return Refuse(response, 409, "id: " + run.id + " is already stored with other content");
  }
}

void ApiServer::GetRuns(const httplib::Request& request, httplib::Response& response) {
  RunQuery query;
  query.imei = TextParam(request, "imei");
  query.sn = TextParam(request, "sn");
  query.station = TextParam(request, "station");
  query.outcome = TextParam(request, "outcome");
  query.fromMs = TimeParam(request, "from");
  query.toMs = TimeParam(request, "to");
  query.limit = LimitParam(request, 100, kMaxRuns);
  AnswerText(request, response, RunsAnswer(store_.FindRuns(query)));
}

void ApiServer::GetRun(const httplib::Request& request, httplib::Response& response) {
  std::string id = request.matches[1];
  for (char& c : id) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  std::optional<StoredRun> run = store_.FindRun(id);
  if (!run) {
    return Refuse(response, 404, "id: no run " + std::string(request.matches[1]));
  }
  AnswerText(request, response, std::move(run->document));
}

void ApiServer::GetYield(const httplib::Request& request, httplib::Response& response) {
  Bucket bucket = BucketParam(request);
  int32_t offset = OffsetParam(request);
  int64_t span = bucket == Bucket::Hour ? kDayMs : 7 * kDayMs;
  TimeRange range = RangeParams(request, NowMs(), span);
  // A bucket that holds `from` is shown whole; a year of hours or ten years of days at most.
  int64_t from = bucket == Bucket::Hour ? HourStart(range.fromMs) : DayStart(range.fromMs, offset);
  int64_t most = bucket == Bucket::Hour ? 366 * kDayMs : 3660 * kDayMs;
  if (range.toMs - from > most) {
    throw ParamError{"from: too far before to for this bucket"};
  }
  std::string station = TextParam(request, "station");
  std::vector<YieldPoint> points = bucket == Bucket::Hour
                                       ? store_.HourlyYield(from, range.toMs, station)
                                       : store_.DailyYield(from, range.toMs, station, offset);
  Answer(request, response, YieldAnswer(points, bucket, offset, from, range.toMs));
}

void ApiServer::GetPareto(const httplib::Request& request, httplib::Response& response) {
  TimeRange range = RangeParams(request, NowMs(), kDayMs);
  std::string station = TextParam(request, "station");
  Answer(request, response,
         ParetoAnswer(store_.FailCounts(range.fromMs, range.toMs, station), station, range.fromMs,
                      range.toMs));
}

void ApiServer::GetStations(const httplib::Request& request, httplib::Response& response) {
  Answer(request, response, StationsAnswer(store_.Stations(), NowMs()));
}

void ApiServer::GetHealth(const httplib::Request&, httplib::Response& response) {
  try {
    store_.Ping();
    Answer(response, 200, {{"status", "ok"}, {"store", store_.Kind()}});
  } catch (const StoreUnavailable& error) {
    Answer(response, 503,
           {{"status", "unavailable"}, {"store", store_.Kind()}, {"error", error.what()}});
  }
}

void ApiServer::GetChartJs(const httplib::Request&, httplib::Response& response) {
  if (chartJs_.empty()) {
    return Refuse(response, 404, "the charting library is not installed (libjs-chart.js)");
  }
  response.set_content(chartJs_, "application/javascript");
}

}  // namespace line
