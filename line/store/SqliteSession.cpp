#include "line/store/SqliteSession.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <cstdio>
#include <thread>

#include "line/store/Statements.h"
#include "line/store/StoredDocuments.h"
#include "line/store/Store.h"

namespace line {
namespace {

// How long a writer waits for another process holding the file.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kModeRetryMs = 20;
// How often (in virtual machine steps) a reader looks at its deadline.
constexpr int kDeadlineSteps = 10000;

// The shared statements number their parameters $1, $2, ...; SQLite spells that ?1, ?2.
std::string SqliteParameters(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i + 1 < out.size(); ++i) {
    if (out[i] == '$' && out[i + 1] >= '0' && out[i + 1] <= '9') {
      out[i] = '?';
    }
  }
  return out;
}

bool Unavailable(int code) {
  switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_NOMEM:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_PROTOCOL:
    case SQLITE_INTERRUPT:  // a read past its deadline
      return true;
    default:
      return false;
  }
}

}  // namespace

SqliteSession::SqliteSession(const std::string& path, int64_t readTimeoutMs)
    : readTimeout_(readTimeoutMs) {
  int code =
      sqlite3_open_v2(path.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (code != SQLITE_OK) {
    std::string what = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    sqlite3_close(db_);
    db_ = nullptr;
    throw StoreUnavailable("cannot open " + path + ": " + what);
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  try {
    RegisterRunDoc(db_);
    // A station forgets a record once the service acknowledged it, so every commit reaches the
    // disk (FULL) before the answer goes out. A new file that another process is making a WAL
    // file at the same moment answers "locked" at once, without the busy timeout: it is asked
    // again for as long as a writer would wait.
    for (int waited = 0;; waited += kModeRetryMs) {
      try {
        RunScript("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;");
        break;
      } catch (const StoreUnavailable&) {
        if (waited >= kBusyTimeoutMs) {
          throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kModeRetryMs));
      }
    }
    // The writer: room for the indexes' upper pages of a few million runs (64 MiB at most). A
    // reader (4 MiB) finds what it misses in the system's file cache; several of them run at
    // once.
    RunScript(readTimeoutMs > 0 ? "PRAGMA cache_size=-4096;" : "PRAGMA cache_size=-65536;");
  } catch (...) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
  if (readTimeoutMs > 0) {
    sqlite3_progress_handler(db_, kDeadlineSteps, &SqliteSession::PastDeadline, this);
  }
}

SqliteSession::~SqliteSession() {
  for (sqlite3_stmt* statement : statements_) {
    sqlite3_finalize(statement);
  }
  sqlite3_close(db_);
}

int SqliteSession::PastDeadline(void* session) {
  return std::chrono::steady_clock::now() > static_cast<SqliteSession*>(session)->deadline_;
}

void SqliteSession::Fail(int code, const std::string& what) {
  std::string text = what + ": " + sqlite3_errmsg(db_);
  if (Unavailable(code)) {
    throw StoreUnavailable(text);
  }
  throw StoreError(text);
}

sqlite3_stmt* SqliteSession::Prepared(Sql name) {
  sqlite3_stmt*& prepared = statements_.at(static_cast<size_t>(name));
  if (prepared != nullptr) {
    return prepared;
  }
  const char* sql = StatementText(Dialect::Sqlite, name);
  if (sql == nullptr) {
    throw StoreError("no SQLite statement " + std::to_string(static_cast<int>(name)));
  }
  std::string text = SqliteParameters(sql);
  int code = sqlite3_prepare_v3(db_, text.c_str(), static_cast<int>(text.size()),
                                SQLITE_PREPARE_PERSISTENT, &prepared, nullptr);
  if (code != SQLITE_OK) {
    Fail(code, "prepare statement " + std::to_string(static_cast<int>(name)));
  }
  return prepared;
}

int64_t SqliteSession::Step(Sql name, std::span<const SqlParam> params,
                            const std::function<void(std::vector<SqlCell>& cells)>& row) {
  sqlite3_stmt* statement = Prepared(name);
  deadline_ = std::chrono::steady_clock::now() + readTimeout_;
  std::string what = "statement " + std::to_string(static_cast<int>(name));
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  for (size_t i = 0; i < params.size(); ++i) {
    int index = static_cast<int>(i + 1);
    int code = SQLITE_OK;
    if (const auto* number = std::get_if<int64_t>(&params[i])) {
      code = sqlite3_bind_int64(statement, index, *number);
    } else if (const auto* real = std::get_if<double>(&params[i])) {
      code = sqlite3_bind_double(statement, index, *real);
    } else if (const auto* text = std::get_if<std::string_view>(&params[i])) {
      code = sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()),
                               SQLITE_STATIC);
    } else if (const auto* blob = std::get_if<SqlBlob>(&params[i])) {
      code = sqlite3_bind_blob(statement, index, blob->bytes.data(),
                               static_cast<int>(blob->bytes.size()), SQLITE_STATIC);
    } else {
      code = sqlite3_bind_null(statement, index);
    }
    if (code != SQLITE_OK) {
      Fail(code, "bind " + what);
    }
  }
  int columns = sqlite3_column_count(statement);
  std::vector<SqlCell> cells(static_cast<size_t>(columns));
  for (;;) {
    int code = sqlite3_step(statement);
    if (code == SQLITE_DONE) {
      break;
    }
    if (code != SQLITE_ROW) {
      sqlite3_reset(statement);
      Fail(code, what);
    }
    for (int c = 0; c < columns; ++c) {
      SqlCell& cell = cells[static_cast<size_t>(c)];
      int type = sqlite3_column_type(statement, c);
      switch (type) {
        case SQLITE_NULL:
          cell = std::monostate();
          break;
        case SQLITE_INTEGER:
          cell = static_cast<int64_t>(sqlite3_column_int64(statement, c));
          break;
        case SQLITE_FLOAT:
          cell = sqlite3_column_double(statement, c);
          break;
        default: {
          // Text or bytes, into the cell's string (whose room the next row reuses).
          const char* bytes =
              type == SQLITE_BLOB
                  ? static_cast<const char*>(sqlite3_column_blob(statement, c))
                  : reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
          size_t size = static_cast<size_t>(sqlite3_column_bytes(statement, c));
          if (auto* text = std::get_if<std::string>(&cell)) {
            text->assign(bytes == nullptr ? "" : bytes, size);
          } else {
            cell = std::string(bytes == nullptr ? "" : bytes, size);
          }
        }
      }
    }
    row(cells);
  }
  int64_t changed = sqlite3_changes64(db_);
  sqlite3_reset(statement);
  return changed;
}

SqlResult SqliteSession::Run(Sql name, std::span<const SqlParam> params) {
  SqlResult result;
  result.changed = Step(name, params, [&result](std::vector<SqlCell>& cells) {
    size_t columns = cells.size();
    result.rows.push_back(std::move(cells));
    cells = std::vector<SqlCell>(columns);
  });
  return result;
}

void SqliteSession::EachRow(Sql name, std::span<const SqlParam> params,
                            const std::function<void(const SqlResult& row)>& visit) {
  SqlResult one;
  one.rows.resize(1);
  Step(name, params, [&](std::vector<SqlCell>& cells) {
    one.rows[0].swap(cells);
    visit(one);
    one.rows[0].swap(cells);
  });
}

void SqliteSession::Send(Sql name, std::span<const SqlParam> params) {
  received_.push_back(Run(name, params));
}

std::vector<SqlResult> SqliteSession::Receive() {
  std::vector<SqlResult> results;
  results.swap(received_);
  return results;
}

std::vector<SqlResult> SqliteSession::ReceiveFirst(size_t count) {
  auto end = received_.begin() + static_cast<std::ptrdiff_t>(std::min(count, received_.size()));
  std::vector<SqlResult> results(std::make_move_iterator(received_.begin()),
                                 std::make_move_iterator(end));
  received_.erase(received_.begin(), end);
  return results;
}

void SqliteSession::RunScript(const std::string& sql) {
  char* message = nullptr;
  int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
  if (code != SQLITE_OK) {
    std::string what = message ? message : sqlite3_errstr(code);
    sqlite3_free(message);
    if (sqlite3_get_autocommit(db_) == 0) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (Unavailable(code)) {
      throw StoreUnavailable(what);
    }
    throw StoreError(what);
  }
}

void SqliteSession::Begin() {
  RunScript("BEGIN IMMEDIATE");
}

void SqliteSession::Commit() {
  received_.clear();  // answers nobody asked for: the statements ran when they were sent
  RunScript("COMMIT");
}

void SqliteSession::Rollback() noexcept {
  received_.clear();
  if (db_ != nullptr && sqlite3_get_autocommit(db_) == 0) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

}  // namespace line
