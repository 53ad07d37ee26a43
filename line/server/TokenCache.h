// Which station a token hash belongs to, remembered for a while: a station posting a record
// every few seconds costs the store no lookup for its token. Only hashes are kept, and only
// of tokens the store knows.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace line {

class Store;

class TokenCache {
 public:
  // A token added while the service runs is found at once; one removed from the store is
  // still taken for up to this long.
  static constexpr int64_t kKeepMs = 60 * 1000;

  explicit TokenCache(Store& store) : store_(store) {}

  // Throws what the store throws.
  std::optional<std::string> Station(const std::string& hash, int64_t nowMs);

 private:
  struct Known {
    std::string station;
    int64_t untilMs;
  };
  // A bound on memory, whatever the clients send: the cache starts again when it is full.
  static constexpr size_t kMostTokens = 4096;

  Store& store_;
  std::mutex lock_;
  std::unordered_map<std::string, Known> known_;
};

}  // namespace line
