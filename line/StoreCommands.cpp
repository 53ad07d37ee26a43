#include "line/StoreCommands.h"

#include <iostream>

#include "line/core/Timestamp.h"
#include "line/store/Retention.h"
#include "line/store/SqliteBackup.h"
#include "line/store/Store.h"

namespace line {

int Prune(Store& store, const std::string& archive, int64_t keepDays) {
  PruneSummary summary = PruneRuns(store, archive, KeptFrom(NowMs(), keepDays));
  std::cout << summary.runs << " runs of " << summary.days << " days archived to " << archive
            << " and removed" << std::endl;
  return 0;
}

int Backup(const std::string& db, const std::string& file) {
  if (db.rfind("postgresql://", 0) == 0 || db.rfind("postgres://", 0) == 0) {
    std::cerr << "varnex-line: backup copies a SQLite store; copy PostgreSQL with pg_dump\n";
    return 2;
  }
  BackupSummary summary = BackupSqlite(db, file);
  std::cout << "copied " << summary.pages << " pages (" << summary.bytes << " bytes) of " << db
            << " to " << file << std::endl;
  return 0;
}

}  // namespace line
