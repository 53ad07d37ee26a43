#include "line/store/SqliteBackup.h"

#include <sqlite3.h>
#include <unistd.h>

#include <memory>

#include "line/store/Store.h"

namespace line {
namespace {

struct Close {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, Close>;

Db Open(const std::string& path, int flags) {
  sqlite3* db = nullptr;
  int code = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  Db owned(db);
  if (code != SQLITE_OK) {
    throw StoreUnavailable("cannot open " + path + ": " +
                           (db ? sqlite3_errmsg(db) : sqlite3_errstr(code)));
  }
  sqlite3_busy_timeout(db, 5000);
  return owned;
}

}  // namespace

BackupSummary BackupSqlite(const std::string& source, const std::filesystem::path& target) {
  Db from = Open(source, SQLITE_OPEN_READONLY);
  std::filesystem::path temporary = target;
  temporary += ".part-" + std::to_string(::getpid());
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);
  BackupSummary summary;
  {
    Db to = Open(temporary.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
    if (backup == nullptr) {
      throw StoreUnavailable("cannot copy " + source + ": " + sqlite3_errmsg(to.get()));
    }
    // All pages in one step, inside one read transaction: the copy is the store at one
    // moment, and writers go on meanwhile (WAL). Copying in portions would start over
    // whenever the service commits, which it does many times a second.
    int code = sqlite3_backup_step(backup, -1);
    summary.pages = sqlite3_backup_pagecount(backup);
    sqlite3_backup_finish(backup);
    if (code != SQLITE_DONE) {
      std::filesystem::remove(temporary, ignored);
      throw StoreUnavailable("cannot copy " + source + " to " + temporary.string() + ": " +
                             sqlite3_errstr(code));
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) {
    std::filesystem::remove(temporary, ignored);
    throw StoreUnavailable("cannot rename the copy to " + target.string() + ": " + error.message());
  }
  summary.bytes = static_cast<int64_t>(std::filesystem::file_size(target, ignored));
  return summary;
}

}  // namespace line
