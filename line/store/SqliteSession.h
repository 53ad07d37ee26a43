// A connection to the SQLite file: WAL, so readers never wait for the writer.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "line/store/SqlSession.h"

struct sqlite3;
struct sqlite3_stmt;

namespace line {

class SqliteSession : public SqlSession {
 public:
  // A reader gives up a statement after `readTimeoutMs` (0: never) and keeps a smaller cache.
  SqliteSession(const std::string& path, int64_t readTimeoutMs);  // throws StoreUnavailable
  ~SqliteSession() override;
  SqliteSession(const SqliteSession&) = delete;
  SqliteSession& operator=(const SqliteSession&) = delete;

  SqlResult Run(Sql statement, std::span<const SqlParam> params) override;
  void EachRow(Sql statement, std::span<const SqlParam> params,
               const std::function<void(const SqlResult& row)>& visit) override;
  void Send(Sql statement, std::span<const SqlParam> params) override;
  std::vector<SqlResult> Receive() override;
  std::vector<SqlResult> ReceiveFirst(size_t count) override;
  void RunScript(const std::string& sql) override;
  void Begin() override;
  void Commit() override;
  void Rollback() noexcept override;
  bool Healthy() const override { return db_ != nullptr; }

 private:
  sqlite3_stmt* Prepared(Sql statement);
  // Runs the statement; `row` takes each row's cells in turn. Returns the rows changed.
  int64_t Step(Sql name, std::span<const SqlParam> params,
               const std::function<void(std::vector<SqlCell>& cells)>& row);
  [[noreturn]] void Fail(int code, const std::string& what);
  static int PastDeadline(void* session);

  sqlite3* db_ = nullptr;
  std::array<sqlite3_stmt*, kSqlCount> statements_{};
  std::vector<SqlResult> received_;
  std::chrono::milliseconds readTimeout_;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace line
