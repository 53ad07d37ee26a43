// Stores for the tests: a SQLite file in a folder of its own, or a fresh database on the
// PostgreSQL server that the test run started (its URL is in the file named by
// VARNEX_LINE_PG_URL_FILE).
#pragma once

#include <filesystem>
#include <string>

namespace line::test {

// A new empty folder, removed with its contents when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The URL of a new, empty database; fails the test when no server was started.
std::string FreshPostgresDatabase();

// The URL of the server's administration database.
std::string PostgresAdminUrl();

// "sqlite" gives a file in `folder`, "postgresql" a fresh database.
std::string StoreLocation(const std::string& kind, const TempFolder& folder);

// Runs one statement on the database at `url` (for breaking connections in tests).
void RunOnPostgres(const std::string& url, const std::string& sql);

// The answer of statements on the store at `location` (a SQLite file or a PostgreSQL URL),
// as a person reads it: each row's values joined by '|', one line per row (NULL as "").
std::string QueryText(const std::string& location, const std::string& sql);

}  // namespace line::test
