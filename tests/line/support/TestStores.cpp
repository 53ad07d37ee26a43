#include "tests/line/support/TestStores.h"

#include "line/store/StoredDocuments.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace line::test {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "varnex-line-test.XXXXXX");
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string PostgresAdminUrl() {
  const char* file = std::getenv("VARNEX_LINE_PG_URL_FILE");
  std::string url;
  if (file != nullptr) {
    std::ifstream(file) >> url;
  }
  if (url.empty()) {
    throw std::runtime_error(
        "no PostgreSQL server for the tests: VARNEX_LINE_PG_URL_FILE names no URL (ctest starts "
        "one with tests/line/pg-cluster.sh)");
  }
  return url;
}

void RunOnPostgres(const std::string& url, const std::string& sql) {
  PGconn* conn = PQconnectdb(url.c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::string what = PQerrorMessage(conn);
    PQfinish(conn);
    throw std::runtime_error("cannot connect to " + url + ": " + what);
  }
  PGresult* result = PQexec(conn, sql.c_str());
  bool ok = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
  std::string what = PQerrorMessage(conn);
  PQclear(result);
  PQfinish(conn);
  if (!ok) {
    throw std::runtime_error(sql + ": " + what);
  }
}

std::string QueryText(const std::string& location, const std::string& sql) {
  std::string text;
  if (location.rfind("postgresql://", 0) == 0) {
    PGconn* conn = PQconnectdb(location.c_str());
    PGresult* result = PQexec(conn, sql.c_str());
    bool ok =
        PQresultStatus(result) == PGRES_TUPLES_OK || PQresultStatus(result) == PGRES_COMMAND_OK;
    std::string what = PQerrorMessage(conn);
    for (int r = 0; ok && r < PQntuples(result); ++r) {
      for (int c = 0; c < PQnfields(result); ++c) {
        text += (c ? "|" : "") + std::string(PQgetvalue(result, r, c));
      }
      text += '\n';
    }
    PQclear(result);
    PQfinish(conn);
    if (!ok) {
      throw std::runtime_error(sql + ": " + what);
    }
    return text;
  }
  sqlite3* db = nullptr;
  sqlite3_open(location.c_str(), &db);
  RegisterRunDoc(db);  // as the service's connections read the documents
  char* error = nullptr;
  auto row = [](void* out, int columns, char** values, char**) {
    std::string& t = *static_cast<std::string*>(out);
    for (int c = 0; c < columns; ++c) {
      t += (c ? "|" : "") + std::string(values[c] ? values[c] : "");
    }
    t += '\n';
    return 0;
  };
  int code = sqlite3_exec(db, sql.c_str(), row, &text, &error);
  std::string what = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (code != SQLITE_OK) {
    throw std::runtime_error(sql + ": " + what);
  }
  return text;
}

std::string FreshPostgresDatabase() {
  static std::atomic<int> counter{0};
  std::string admin = PostgresAdminUrl();
  std::string name = "line_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  RunOnPostgres(admin, "CREATE DATABASE " + name);
  return admin.substr(0, admin.rfind('/') + 1) + name;
}

std::string StoreLocation(const std::string& kind, const TempFolder& folder) {
  if (kind == "postgresql") {
    return FreshPostgresDatabase();
  }
  static std::atomic<int> counter{0};
  return (folder.Path() / ("line" + std::to_string(++counter) + ".db")).string();
}

}  // namespace line::test
