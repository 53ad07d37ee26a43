// A connection to the SQLite file: WAL, so readers never wait for the writer.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "line/store/SqlSession.h"

struct sqlite3;
struct sqlite3_stmt;

namespace line {

class SqliteSession : public SqlSession {
 public:
  explicit SqliteSession(const std::string& path);  // throws StoreUnavailable
  ~SqliteSession() override;
  SqliteSession(const SqliteSession&) = delete;
  SqliteSession& operator=(const SqliteSession&) = delete;

  SqlResult Run(const char* name, std::span<const SqlParam> params) override;
  void Send(const char* name, std::span<const SqlParam> params) override;
  std::vector<SqlResult> Receive() override;
  void RunScript(const std::string& sql) override;
  void Begin() override;
  void Commit() override;
  void Rollback() noexcept override;
  bool Healthy() const override { return db_ != nullptr; }

 private:
  sqlite3_stmt* Prepared(const char* name);
  [[noreturn]] void Fail(int code, const std::string& what);

  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*, std::less<>> statements_;
  std::vector<SqlResult> received_;
};

}  // namespace line
