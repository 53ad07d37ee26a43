// Keeping the store for years: the documents' dictionaries, the runs retention archives and
// deletes, the store's size.
#include <limits>

#include "line/core/Timestamp.h"
#include "line/store/SqlStore.h"

namespace line {
namespace {

using Params = std::vector<SqlParam>;

}  // namespace

// Training takes a fraction of a second, once when the store has enough documents and again
// only when the line's records change: the writer's turn waits for it then.
void SqlStore::TrainWhenDue() {
  if (!documents_.TrainingDue()) {
    return;
  }
  uint32_t made = Write([&](SqlSession& session) { return documents_.Train(session, NowMs()); });
  documents_.Use(made);
}

std::optional<int64_t> SqlStore::OldestRunStart() {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(Sql::OldestStart);
  if (result.rows.empty() || std::holds_alternative<std::monostate>(result.rows[0][0])) {
    return std::nullopt;
  }
  return result.Int(0, 0);
}

std::vector<StoredRun> SqlStore::RunsToArchive(int64_t fromMs, int64_t toMs,
                                               const std::optional<RunCursor>& after,
                                               int64_t limit) {
  const RunCursor first{std::numeric_limits<int64_t>::min(), "", ""};
  const RunCursor& from = after ? *after : first;
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(
      Sql::RunsToArchive, Params{fromMs, toMs, from.startedMs, from.id, from.station, limit});
  std::vector<StoredRun> runs;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    runs.push_back(TakeRun(result, i, *session));
  }
  return runs;
}

int64_t SqlStore::DeleteRuns(std::span<const RunCursor> runs, int64_t keptFromMs) {
  return Write([&](SqlSession& session) {
    session.Send(Sql::KeptFromSet, Params{keptFromMs});
    for (const RunCursor& run : runs) {
      session.Send(Sql::PhoneFirstDelete, Params{run.station, run.id});
      session.Send(Sql::RunDelete, Params{run.station, run.id});
    }
    int64_t deleted = 0;
    std::vector<SqlResult> answers = session.Receive();
    for (size_t i = 2; i < answers.size(); i += 2) {
      deleted += answers[i].changed;
    }
    return deleted;
  });
}

int64_t SqlStore::SizeBytes() {
  SessionPool::Lease session = readers_.Acquire();
  return session->Run(Sql::StoreBytes).Int(0, 0);
}

}  // namespace line
