// HTTP/1.1 (HTTPS with a certificate) on a few network threads that never wait for the store:
// every connection reads its request within deadlines and limits (the head's size and number of
// fields, the body by any transfer encoding), hands the whole request to the handler and writes
// its answer whenever the handler gives it. A client that is slow or hostile costs a socket and
// a bounded buffer, never a thread, and is dropped at its deadline.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace line {

struct HttpRequest {
  std::string method;                          // "GET", "POST", ...
  std::string path;                            // the target up to '?'
  std::string query;                           // after '?', still encoded
  std::map<std::string, std::string> headers;  // names in lower case; repeats joined by ", "
  std::string body;
  std::string remote;  // the client's address
  bool secure = false;

  // "" when missing; `name` in lower case.
  const std::string& Header(const std::string& name) const;
};

struct HttpAnswer {
  unsigned status = 200;
  std::string contentType = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  bool close = false;  // end the connection after this answer
  // Released once the answer has been sent or given up (what it holds of a shared budget).
  std::shared_ptr<void> hold;
};

class HttpHandler {
 public:
  virtual ~HttpHandler() = default;

  // Once a request's head has arrived (the body not yet read): how many body bytes it may
  // send, or an answer that refuses it at once. Runs on a network thread: must not wait.
  struct Admission {
    std::optional<HttpAnswer> refusal;
    size_t bodyLimit = 0;
  };
  virtual Admission Admit(const HttpRequest& head) = 0;

  // The whole request; `reply` takes its answer once, from any thread.
  virtual void Handle(HttpRequest request, std::function<void(HttpAnswer)> reply) = 0;

  // The answer to a request the server refuses itself (unreadable, too many fields).
  virtual HttpAnswer Refusal(unsigned status, const std::string& text) = 0;
  // The answer to a request whose body is larger than Admit allowed (`limit` bytes).
  virtual HttpAnswer TooLarge(const HttpRequest& head, size_t limit) = 0;
};

struct HttpLimits {
  size_t ioThreads = 2;
  size_t maxConnections = 512;
  size_t headBytes = 8 * 1024;  // request line and fields
  size_t headFields = 64;
  std::chrono::milliseconds headTime{10000};  // from the first byte of a request to its blank line
  std::chrono::milliseconds bodyTime{30000};
  std::chrono::milliseconds idleTime{30000};  // a kept-alive connection waiting for a request
  std::chrono::milliseconds writeTime{30000};
  size_t requestsPerConnection = 1000;
};

class HttpServer {
 public:
  // HTTPS when `certFile` and `keyFile` are given; throws std::runtime_error naming the file
  // that cannot be used.
  HttpServer(HttpHandler& handler, const HttpLimits& limits, const std::string& certFile = {},
             const std::string& keyFile = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Port 0 takes a free one. The port is never shared with another program (no SO_REUSEPORT):
  // throws std::runtime_error naming the address when it cannot be had.
  void Listen(const std::string& host, int port);
  int Port() const;
  void Run();  // serves on `ioThreads` threads, this one among them, until Stop
  void Stop();
  size_t OpenConnections() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace line
