#include <memory>

#include "line/store/PostgresSession.h"
#include "line/store/SqlStore.h"
#include "line/store/SqliteSession.h"
#include "line/store/Store.h"

namespace line {
namespace {

// Enough for the service's worker threads; PostgreSQL's default allows 100 connections, shared
// by every service instance of the plant.
constexpr size_t kMaxSessions = 8;

bool IsPostgresUrl(const std::string& where) {
  return where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0;
}

}  // namespace

std::unique_ptr<Store> OpenStore(const std::string& where) {
  if (IsPostgresUrl(where)) {
    return std::make_unique<SqlStore>(
        "postgresql", Dialect::Postgres,
        [where] { return std::make_unique<PostgresSession>(where); }, kMaxSessions);
  }
  return std::make_unique<SqlStore>(
      "sqlite", Dialect::Sqlite, [where] { return std::make_unique<SqliteSession>(where); },
      kMaxSessions);
}

}  // namespace line
