#include <iostream>
#include <memory>

#include "line/core/LogText.h"
#include "line/store/PostgresSession.h"
#include "line/store/SqlStore.h"
#include "line/store/SqliteSession.h"
#include "line/store/Store.h"

namespace line {
namespace {

bool IsPostgresUrl(const std::string& where) {
  return where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0;
}

}  // namespace

std::unique_ptr<Store> OpenStore(const std::string& where, const StoreOptions& options) {
  auto problem = options.problem ? options.problem : [](const std::string& text) {
    std::cerr << "varnex-line: store: " << LogText(text) << std::endl;
  };
  int64_t readTimeout = options.readTimeoutMs;
  if (IsPostgresUrl(where)) {
    std::string password = options.password;
    return std::make_unique<SqlStore>(
        "postgresql", Dialect::Postgres,
        [where, password] { return std::make_unique<PostgresSession>(where, password, 0); },
        [where, password, readTimeout] {
          return std::make_unique<PostgresSession>(where, password, readTimeout);
        },
        problem, options);
  }
  return std::make_unique<SqlStore>(
      "sqlite", Dialect::Sqlite, [where] { return std::make_unique<SqliteSession>(where, 0); },
      [where, readTimeout] { return std::make_unique<SqliteSession>(where, readTimeout); }, problem,
      options);
}

}  // namespace line
