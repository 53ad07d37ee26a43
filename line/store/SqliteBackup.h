// `varnex-line backup <file>`: a consistent copy of a live SQLite store, taken while the
// service goes on storing runs (PostgreSQL is copied with its own pg_dump).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace line {

struct BackupSummary {
  int64_t pages = 0;
  int64_t bytes = 0;
};

// Copies the store at `source` as it was at one moment into `target`: the copy is made beside
// it and renamed into place only when complete, so `target` is either the old file or the
// whole new copy. Throws StoreUnavailable (the store cannot be read, the target not written).
BackupSummary BackupSqlite(const std::string& source, const std::filesystem::path& target);

}  // namespace line
