#include "line/server/Pruner.h"

#include <iostream>

#include "line/core/Metrics.h"
#include "line/core/Timestamp.h"
#include "line/store/Retention.h"
#include "line/store/Store.h"

namespace line {

Pruner::Pruner(Store& store, std::filesystem::path archive, int64_t keepDays, Counter* pruned,
               std::chrono::milliseconds every)
    : store_(store),
      archive_(std::move(archive)),
      keepDays_(keepDays),
      pruned_(pruned),
      every_(every),
      thread_([this] { Loop(); }) {}

Pruner::~Pruner() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void Pruner::Loop() {
  std::unique_lock guard(lock_);
  while (!stopping_) {
    guard.unlock();
    try {
      PruneSummary summary = PruneRuns(store_, archive_, KeptFrom(NowMs(), keepDays_));
      if (summary.runs > 0) {
        std::cerr << "varnex-line: archived " << summary.runs << " runs of " << summary.days
                  << " days older than " << keepDays_ << " days to " << archive_.string()
                  << " and removed them" << std::endl;
      }
      if (pruned_) {
        pruned_->Add(static_cast<uint64_t>(summary.runs));
      }
    } catch (const std::exception& error) {
      std::cerr << "varnex-line: prune: " << error.what() << std::endl;
    }
    guard.lock();
    wake_.wait_for(guard, every_, [this] { return stopping_; });
  }
}

}  // namespace line
