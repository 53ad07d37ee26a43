#include "line/server/TokenCache.h"

#include "line/store/Store.h"

namespace line {

std::optional<std::string> TokenCache::Station(const std::string& hash, int64_t nowMs) {
  {
    std::lock_guard guard(lock_);
    auto found = known_.find(hash);
    if (found != known_.end() && found->second.untilMs > nowMs) {
      return found->second.station;
    }
  }
  std::optional<std::string> station = store_.TokenStation(hash);
  if (station) {
    std::lock_guard guard(lock_);
    if (known_.size() >= kMostTokens) {
      known_.clear();
    }
    known_[hash] = {*station, nowMs + kKeepMs};
  }
  return station;
}

}  // namespace line
