#include "line/store/Retention.h"

#include <algorithm>
#include <string>
#include <vector>

#include "line/core/Timestamp.h"
#include "line/store/DayArchive.h"
#include "line/store/Store.h"

namespace line {
namespace {

// Runs read from the store at a time (their documents in memory), and deleted in one
// transaction: short enough that stations' deliveries go on between them.
constexpr int64_t kReadPage = 1000;
constexpr size_t kDeleteBatch = 500;

}  // namespace

int64_t KeptFrom(int64_t nowMs, int64_t keepDays) {
  return DayStart(nowMs - keepDays * kDayMs, 0);
}

PruneSummary PruneRuns(Store& store, const std::filesystem::path& archive, int64_t keptFromMs) {
  PruneSummary summary;
  ArchiveLock lock(archive);
  for (std::optional<int64_t> oldest = store.OldestRunStart(); oldest && *oldest < keptFromMs;
       oldest = store.OldestRunStart()) {
    int64_t day = DayStart(*oldest, 0);
    int64_t end = std::min(day + kDayMs, keptFromMs);
    DayArchiveWriter writer(archive, day);
    std::vector<RunCursor> archived;
    std::optional<RunCursor> after;
    for (;;) {
      std::vector<StoredRun> page = store.RunsToArchive(day, end, after, kReadPage);
      for (const StoredRun& run : page) {
        writer.Add(run.document);
        archived.push_back({run.startedMs, run.id, run.station});
      }
      if (static_cast<int64_t>(page.size()) < kReadPage) {
        break;
      }
      after = archived.back();
    }
    writer.Finish();
    int64_t deleted = 0;
    for (size_t at = 0; at < archived.size(); at += kDeleteBatch) {
      size_t count = std::min(kDeleteBatch, archived.size() - at);
      deleted += store.DeleteRuns(std::span(archived).subspan(at, count), keptFromMs);
    }
    if (deleted == 0) {  // never loop on a day that will not go
      throw StoreError("the runs of " + FormatUtc(day).substr(0, 10) + " were not deleted");
    }
    summary.runs += deleted;
    summary.days += 1;
  }
  return summary;
}

}  // namespace line
