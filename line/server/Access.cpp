#include "line/server/Access.h"

#include <arpa/inet.h>

namespace line {

bool IsLoopbackHost(std::string_view host) {
  if (host.size() > 2 && host.front() == '[' && host.find(']') != std::string_view::npos) {
    host = host.substr(1, host.find(']') - 1);  // "[::1]:8080"
  } else if (size_t colon = host.find(':'); colon != std::string_view::npos &&
                                            host.find(':', colon + 1) == std::string_view::npos) {
    host = host.substr(0, colon);  // "localhost:8080", not "::1"
  }
  if (host == "localhost" || host == "localhost.") {
    return true;
  }
  std::string text(host);
  in_addr v4{};
  in6_addr v6{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    return (ntohl(v4.s_addr) >> 24) == 127;
  }
  return inet_pton(AF_INET6, text.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string BearerToken(const HttpRequest& request) {
  const std::string& header = request.Header("authorization");
  const std::string prefix = "Bearer ";
  if (header.size() <= prefix.size() || header.compare(0, prefix.size(), prefix) != 0) {
    return {};
  }
  return header.substr(prefix.size());
}

std::string CookieValue(const HttpRequest& request, const std::string& name) {
  std::string_view cookies = request.Header("cookie");
  while (!cookies.empty()) {
    size_t end = cookies.find(';');
    std::string_view pair = cookies.substr(0, end);
    while (!pair.empty() && pair.front() == ' ') {
      pair.remove_prefix(1);
    }
    if (pair.substr(0, name.size() + 1) == name + "=") {
      return std::string(pair.substr(name.size() + 1));
    }
    cookies = end == std::string_view::npos ? std::string_view() : cookies.substr(end + 1);
  }
  return {};
}

bool ReadsNeedLogIn(const std::string& listenHost, bool requireLogIn, bool publicRead) {
  if (publicRead) {
    return false;
  }
  return requireLogIn || !IsLoopbackHost(listenHost);
}

std::optional<TokenInfo> CredentialCache::Recent(const std::string& key) {
  std::lock_guard guard(lock_);
  auto found = known_.find(key);
  if (found != known_.end() && found->second.until > Clock::now()) {
    return found->second.token;
  }
  return std::nullopt;
}

void CredentialCache::Remember(const std::string& key, const TokenInfo& token) {
  std::lock_guard guard(lock_);
  if (known_.size() >= kMostEntries) {
    known_.clear();
  }
  known_[key] = {token, Clock::now() + std::chrono::milliseconds(kKeepMs)};
}

std::optional<TokenInfo> CredentialCache::Token(const std::string& hash) {
  if (std::optional<TokenInfo> known = Recent("t" + hash)) {
    return known;
  }
  std::optional<TokenInfo> token = store_.FindToken(hash);
  if (token) {
    Remember("t" + hash, *token);
  }
  return token;
}

std::optional<std::string> CredentialCache::SessionUser(const std::string& hash, int64_t nowMs) {
  if (std::optional<TokenInfo> known = Recent("s" + hash)) {
    return known->name;
  }
  std::optional<std::string> user = store_.SessionUser(hash, nowMs);
  if (user) {
    Remember("s" + hash, {hash, TokenKind::Read, *user, nowMs});
  }
  return user;
}

void CredentialCache::Forget(const std::string& hash) {
  std::lock_guard guard(lock_);
  known_.erase("s" + hash);
  known_.erase("t" + hash);
}

}  // namespace line
