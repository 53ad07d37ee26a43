// The service's HTTP side: a table of routes, each one short handler that maps to core and
// store calls and answers JSON; the dashboard's files, the log-on and the access rules around
// them. Store work runs on two bounded worker pools, one for deliveries and one for reads, so a
// station's POST never waits behind the dashboard's questions or a crowd of readers.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <span>
#include <string>
#include <vector>

#include "line/core/Metrics.h"
#include "line/core/Timestamp.h"
#include "line/server/Access.h"
#include "line/server/HttpServer.h"
#include "line/server/Log.h"
#include "line/server/WorkerPool.h"

namespace line {

class Store;
class QueryParams;
struct StoreOptions;

struct ServerOptions {
  std::string webDir;  // the dashboard's files
  std::string chartJsPath = "/usr/share/javascript/chart.js/chart.min.js";
  std::string certFile;  // HTTPS when both are given
  std::string keyFile;
  bool quiet = false;         // no log lines for refused deliveries
  bool requireLogIn = false;  // reads need a viewer's session or a read token on loopback too
  bool publicRead = false;    // reads are open off loopback too
  size_t readThreads = 8;     // store work of reads at once
  size_t ingestThreads = 32;  // deliveries at once (they wait together for one commit)
  HttpLimits limits;
  std::function<int64_t()> clock = NowMs;  // the service's clock
  // The figures GET /metrics answers (ServiceMetrics); the server adds its own to them (to a
  // registry of its own when none is given).
  std::shared_ptr<MetricsRegistry> metrics;
};

// The figures GET /metrics answers, the store's commit times among them: `store` then goes to
// OpenStore, the registry to the server's options.
std::shared_ptr<MetricsRegistry> ServiceMetrics(StoreOptions& store);

class ApiServer : public HttpHandler {
 public:
  // Throws std::runtime_error when HTTPS cannot start with the given files.
  ApiServer(Store& store, ServerOptions options);
  ~ApiServer() override;
  ApiServer(const ApiServer&) = delete;
  ApiServer& operator=(const ApiServer&) = delete;

  // Port 0 takes any free port. Throws std::runtime_error naming the address when it cannot be
  // had (another program listens there).
  void Listen(const std::string& host, int port);
  int Port() const;
  void Run();  // serves until Stop
  void Stop();

  Admission Admit(const HttpRequest& head) override;
  void Handle(HttpRequest request, std::function<void(HttpAnswer)> reply) override;
  HttpAnswer Refusal(unsigned status, const std::string& text) override;
  HttpAnswer TooLarge(const HttpRequest& head, size_t limit) override;

 private:
  enum class Work { Ingest, Read };
  enum class Who { Anyone, Station, Viewer, ViewerPage };
  // `caller`: the token's station for Who::Station, the viewer's name for a session.
  using Handler = HttpAnswer (ApiServer::*)(const HttpRequest& request, const std::string& caller);
  struct Route {
    const char* method;
    const char* path;
    bool prefix;  // the path and anything below it
    Work work;
    Who who;
    size_t bodyLimit;
    Handler handler;
  };
  static std::span<const Route> Routes();
  const Route* Find(const HttpRequest& request, bool& pathKnown) const;
  HttpAnswer Serve(const Route& route, const HttpRequest& request);
  HttpAnswer Answer(const Route& route, const HttpRequest& request);
  void CountDelivery(unsigned status);
  std::optional<HttpAnswer> Authorize(const Route& route, const HttpRequest& request,
                                      std::string& caller);
  HttpAnswer Finish(const HttpRequest& request, HttpAnswer answer, const std::string& problem);

  HttpAnswer PostRun(const HttpRequest& request, const std::string& station);
  HttpAnswer GetRuns(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetRun(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetYield(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetPareto(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetStations(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetMeasurements(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetSeries(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetLimits(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetHealth(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetMetrics(const HttpRequest& request, const std::string& caller);
  HttpAnswer GetFile(const HttpRequest& request, const std::string& caller);
  HttpAnswer PostLogIn(const HttpRequest& request, const std::string& caller);
  HttpAnswer PostLogOut(const HttpRequest& request, const std::string& caller);

  struct WebFile {
    std::string body;
    std::string type;
  };

  Store& store_;
  ServerOptions options_;
  CredentialCache credentials_;
  std::map<std::string, WebFile, std::less<>> files_;
  bool loopback_ = true;  // listening on a loopback address
  bool readsNeedLogIn_ = false;
  LogRate refusals_{30};
  LogRate failures_{30};
  std::atomic<int64_t> answerBytes_{0};   // of large answers being made or sent
  std::counting_semaphore<2> logIns_{2};  // password hashes being checked
  static constexpr std::chrono::seconds kDriftAge{5};
  std::mutex driftLock_;
  std::optional<std::chrono::steady_clock::time_point> driftAt_;
  std::map<std::string, std::vector<std::string>> drift_;  // the stations' drifting items
  // Declared before the pools: their threads end (and hand back their answers) first.
  Histogram* ingestSeconds_ = nullptr;
  std::unique_ptr<HttpServer> http_;
  WorkerPool ingest_;
  WorkerPool reads_;
};

}  // namespace line
