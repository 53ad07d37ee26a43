// `varnex-line prune` and `varnex-line backup`: keeping a store for years from the command line.
#pragma once

#include <cstdint>
#include <string>

namespace line {

class Store;

// Archives and deletes the runs older than `keepDays` (whole UTC days); prints what it did.
int Prune(Store& store, const std::string& archive, int64_t keepDays);

// A consistent copy of the live SQLite store `db` into `file`; PostgreSQL is copied with pg_dump.
int Backup(const std::string& db, const std::string& file);

}  // namespace line
