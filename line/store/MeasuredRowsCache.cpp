#include "line/store/MeasuredRowsCache.h"

namespace line {

std::string MeasuredRowsCache::KeyOf(const std::string& station, const std::string& id) {
  std::string key;
  key.reserve(station.size() + id.size() + 1);
  return key.append(station).append(1, '\x1f').append(id);
}

MeasuredRowsCache::Rows MeasuredRowsCache::Find(const std::string& station, const std::string& id) {
  std::string key = KeyOf(station, id);
  std::lock_guard guard(lock_);
  if (auto found = newer_.find(key); found != newer_.end()) {
    return found->second;
  }
  auto found = older_.find(key);
  if (found == older_.end()) {
    return nullptr;
  }
  Rows rows = found->second;
  older_.erase(found);
  if (newer_.size() >= most_ / 2) {
    older_ = std::move(newer_);
    newer_.clear();
  }
  newer_.emplace(std::move(key), rows);
  return rows;
}

MeasuredRowsCache::Rows MeasuredRowsCache::Keep(const std::string& station, const std::string& id,
                                                const std::vector<RunRow>& rows) {
  auto measured = std::make_shared<std::vector<RunRow>>();
  for (const RunRow& row : rows) {
    if (row.value) {
      measured->push_back(row);
      measured->back().expected.clear();
    }
  }
  std::string key = KeyOf(station, id);
  std::lock_guard guard(lock_);
  if (newer_.size() >= most_ / 2) {
    older_ = std::move(newer_);
    newer_.clear();
  }
  newer_.insert_or_assign(std::move(key), measured);
  return measured;
}

}  // namespace line
