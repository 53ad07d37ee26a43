// The service's HTTP side: each route maps to one core or store call and answers JSON; GET /
// serves the dashboard's files and the charting library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "line/server/TokenCache.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace line {

class Store;

struct ServerOptions {
  std::string webDir;  // the dashboard's files
  std::string chartJsPath = "/usr/share/javascript/chart.js/chart.min.js";
  // One thread per open connection: room for a line's stations keeping theirs open.
  size_t threads = 64;
  std::string certFile;  // HTTPS when both are given
  std::string keyFile;
  bool quiet = false;  // no log lines for refused requests
};

class ApiServer {
 public:
  ApiServer(Store& store, ServerOptions options);
  ~ApiServer();
  ApiServer(const ApiServer&) = delete;
  ApiServer& operator=(const ApiServer&) = delete;

  // Port 0 takes any free port. False when the address cannot be bound or HTTPS cannot start.
  bool Bind(const std::string& host, int port);
  int Port() const { return port_; }
  void Run();  // serves until Stop
  void Stop();

 private:
  void Routes();
  void PostRun(const httplib::Request& request, httplib::Response& response);
  void GetRuns(const httplib::Request& request, httplib::Response& response);
  void GetRun(const httplib::Request& request, httplib::Response& response);
  void GetYield(const httplib::Request& request, httplib::Response& response);
  void GetPareto(const httplib::Request& request, httplib::Response& response);
  void GetStations(const httplib::Request& request, httplib::Response& response);
  void GetHealth(const httplib::Request& request, httplib::Response& response);
  void GetChartJs(const httplib::Request& request, httplib::Response& response);

  Store& store_;
  ServerOptions options_;
  TokenCache tokens_;
  std::string chartJs_;
  std::unique_ptr<httplib::Server> http_;
  int port_ = 0;
  int listenSocket_ = -1;
};

int64_t NowMs();

}  // namespace line
