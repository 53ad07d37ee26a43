// A connection to the PostgreSQL server (libpq), with the store's statements prepared on it
// the first time each is used. Statements go out in libpq's pipeline mode: what a transaction
// sends before it needs an answer costs one round trip, BEGIN included.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "line/store/SqlSession.h"

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace line {

class PostgresSession : public SqlSession {
 public:
  explicit PostgresSession(const std::string& url);  // throws StoreUnavailable
  ~PostgresSession() override;
  PostgresSession(const PostgresSession&) = delete;
  PostgresSession& operator=(const PostgresSession&) = delete;

  SqlResult Run(const char* name, std::span<const SqlParam> params) override;
  void Send(const char* name, std::span<const SqlParam> params) override;
  std::vector<SqlResult> Receive() override;
  void RunScript(const std::string& sql) override;
  void Begin() override;
  void Commit() override;
  void Rollback() noexcept override;
  bool Healthy() const override;

 private:
  // Takes the result; throws for anything but a success.
  SqlResult Take(PGresult* result, const char* what);
  [[noreturn]] void Lost();
  // What the pipeline will answer, in order: a statement's answer is kept, a PREPARE's or a
  // BEGIN's only checked.
  enum class Answer { Begin, Prepare, Statement };
  struct Expected {
    std::string what;
    Answer kind;
  };

  PGconn* conn_ = nullptr;
  std::set<std::string, std::less<>> prepared_;
  std::vector<Expected> expected_;
  bool beginPending_ = false;
};

}  // namespace line
