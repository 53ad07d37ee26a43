// Every SQL text of the store: the schema and the named, parameterised statements ($1, $2, ...)
// that both back ends prepare. Statements are fixed texts; request values only ever travel as
// parameters.
#pragma once

#include <string>
#include <vector>

namespace line {

enum class Dialect { Sqlite, Postgres };

struct NamedStatement {
  const char* name;
  std::string text;
};

// The tables and indexes in one transaction; safe to run on a database that already has them.
const std::string& SchemaScript(Dialect dialect);

const std::vector<NamedStatement>& Statements(Dialect dialect);

}  // namespace line
