// The measured rows of stored runs as the read routes ask for them again and again: the latest
// runs of a station for its control chart and drift, the runs of a part of an hour. A stored
// run's document never changes (a different one under its id is refused), so its rows are read
// from the document once and kept here, the least recently asked for dropped first.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "line/core/RunRecord.h"

namespace line {

class MeasuredRowsCache {
 public:
  using Rows = std::shared_ptr<const std::vector<RunRow>>;
  // Keeps at least `most` / 2 and at most `most` runs.
  explicit MeasuredRowsCache(size_t most) : most_(most) {}

  // The rows kept for the run; none when they are not.
  Rows Find(const std::string& station, const std::string& id);
  // Keeps the rows of `rows` that carry a value.
  Rows Keep(const std::string& station, const std::string& id, const std::vector<RunRow>& rows);

 private:
  static std::string KeyOf(const std::string& station, const std::string& id);

  size_t most_;
  std::mutex lock_;
  // Two generations: a run asked for again moves to the newer; the older goes when the newer
  // is full.
  std::unordered_map<std::string, Rows> newer_;
  std::unordered_map<std::string, Rows> older_;
};

}  // namespace line
