// A connection to the PostgreSQL server (libpq), with the store's statements prepared on it
// the first time each is used. Statements go out in libpq's pipeline mode: what a transaction
// sends before it needs an answer costs one round trip, BEGIN included.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "line/store/SqlSession.h"

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace line {

class PostgresSession : public SqlSession {
 public:
  // `password` when the URL, PGPASSWORD and PGPASSFILE give none; a reader gives up a statement
  // after `readTimeoutMs` (0: never). Throws StoreUnavailable.
  PostgresSession(const std::string& url, const std::string& password, int64_t readTimeoutMs);
  ~PostgresSession() override;
  PostgresSession(const PostgresSession&) = delete;
  PostgresSession& operator=(const PostgresSession&) = delete;

  SqlResult Run(Sql statement, std::span<const SqlParam> params) override;
  void Send(Sql statement, std::span<const SqlParam> params) override;
  std::vector<SqlResult> Receive() override;
  std::vector<SqlResult> ReceiveFirst(size_t count) override;
  void Flush() override;
  void RunScript(const std::string& sql) override;
  void Begin() override;
  void Commit() override;
  void Rollback() noexcept override;
  bool Healthy() const override;

 private:
  // Takes the result; throws for anything but a success.
  SqlResult Take(PGresult* result, const char* what);
  [[noreturn]] void Lost();
  // Reads answers until `count` statements' are in (all of them once one failed), and the
  // pipeline's end when nothing more is expected.
  std::vector<SqlResult> Answers(size_t count);
  // What the pipeline will answer, in order: a statement's answer is kept, a PREPARE's, a
  // BEGIN's or a COMMIT's only checked.
  enum class Answer { Begin, Prepare, Statement, Commit };
  struct Expected {
    Sql statement;
    Answer kind;
  };

  PGconn* conn_ = nullptr;
  std::array<bool, kSqlCount> prepared_{};
  std::vector<Expected> expected_;
  bool beginPending_ = false;
  bool synced_ = false;  // the pipeline's end is sent; its answers are being read
};

}  // namespace line
