// Keeps the store within `keep-days` while the service runs: prunes at start and every hour
// after, on a thread of its own, so a slow archive never holds a request.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <thread>

namespace line {

class Counter;
class Store;

class Pruner {
 public:
  // `pruned` counts the runs archived and deleted (may be null).
  Pruner(Store& store, std::filesystem::path archive, int64_t keepDays, Counter* pruned,
         std::chrono::milliseconds every = std::chrono::hours(1));
  ~Pruner();  // waits for a prune under way
  Pruner(const Pruner&) = delete;
  Pruner& operator=(const Pruner&) = delete;

 private:
  void Loop();

  Store& store_;
  std::filesystem::path archive_;
  int64_t keepDays_;
  Counter* pruned_;
  std::chrono::milliseconds every_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace line
