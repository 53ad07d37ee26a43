// Who may do what. A station token posts its station's records; reads (the dashboard and the
// read routes) need a viewer's session or a read token, except on a service listening on a
// loopback address, where they are open unless the engineer asks for log-on. A service on
// loopback answers only requests addressed to a loopback name, so that a page of another site
// in the same browser cannot read it through a name that resolves to this machine.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "line/server/HttpServer.h"
#include "line/store/Store.h"

namespace line {

// "127.0.0.1", "127.x.y.z", "::1", "[::1]", "localhost" (a Host header's port aside).
bool IsLoopbackHost(std::string_view host);

// The token of "Authorization: Bearer <token>"; "" without one.
std::string BearerToken(const HttpRequest& request);
// A cookie's value; "" when the request does not carry it.
std::string CookieValue(const HttpRequest& request, const std::string& name);

// Whether the service on `listenHost` lets only viewers read.
bool ReadsNeedLogIn(const std::string& listenHost, bool requireLogIn, bool publicRead);

// Tokens and sessions the store knows, remembered for a few seconds: a station posting a record
// every few seconds costs the store no lookup, and a token removed on any service instance is
// refused by all of them within kKeepMs. Only hashes are kept, and only of known credentials.
class CredentialCache {
 public:
  static constexpr int64_t kKeepMs = 5000;

  explicit CredentialCache(Store& store) : store_(store) {}

  // Each throws what the store throws. A session is valid until its end, by the service's clock
  // `nowMs`.
  std::optional<TokenInfo> Token(const std::string& hash);
  std::optional<std::string> SessionUser(const std::string& hash, int64_t nowMs);
  void Forget(const std::string& hash);

 private:
  using Clock = std::chrono::steady_clock;
  struct Known {
    TokenInfo token;  // for a session: its user as the name
    Clock::time_point until;
  };
  // A bound on memory, whatever the clients send: the cache starts again when it is full.
  static constexpr size_t kMostEntries = 4096;
  std::optional<TokenInfo> Recent(const std::string& key);
  void Remember(const std::string& key, const TokenInfo& token);

  Store& store_;
  std::mutex lock_;
  std::unordered_map<std::string, Known> known_;
};

}  // namespace line
