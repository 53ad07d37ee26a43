// The store's schema as numbered steps: a new store takes every step, an older one the steps it
// lacks, when the service starts. The store records each version it reached; a store of a newer
// version than this program knows is refused, never changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "line/store/Statements.h"

namespace line {

class SqlSession;

struct SchemaStep {
  int64_t version;
  const char* change;  // what the step brings, for the log
  std::string sqlite;
  std::string postgres;
};

// Every step in order; a later change of the schema is one more entry.
const std::vector<SchemaStep>& SchemaSteps();

// The version this program writes: that of the last step.
int64_t LatestSchemaVersion();

// Brings the store to the latest version in one transaction (PostgreSQL: two services starting
// at once take turns). Throws StoreError for a newer store, naming both versions.
void UpgradeSchema(SqlSession& session, Dialect dialect, int64_t nowMs);

}  // namespace line
