// How long the store keeps runs (`keep-days`): older runs go to the archive folder, a whole UTC
// day at a time, and leave the store only once their day's file has been read back whole. The
// hourly counts and the failing items stay, so yield and Pareto history outlive the records.
#pragma once

#include <cstdint>
#include <filesystem>

namespace line {

class Store;

struct PruneSummary {
  int64_t runs = 0;  // archived and deleted
  int64_t days = 0;  // day files written
};

// The first UTC midnight whose day is kept: runs that started before it are pruned.
int64_t KeptFrom(int64_t nowMs, int64_t keepDays);

// Archives, then deletes, every run that started before `keptFromMs`, oldest day first. A day
// whose file cannot be written or read back keeps all of its runs (ArchiveError); days done
// before it stay done. Throws StoreUnavailable.
PruneSummary PruneRuns(Store& store, const std::filesystem::path& archive, int64_t keptFromMs);

}  // namespace line
