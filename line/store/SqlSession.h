// One connection of a back end, as the store's shared logic sees it: named, parameterised
// statements (their texts live in Statements.cpp), text results, transactions.
#pragma once

#include "line/store/Statements.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace line {

// Texts are views: the caller keeps them alive until the statement has been sent.
// Bytes that are no text (a compressed document), written as a BLOB.
struct SqlBlob {
  std::string_view bytes;
};
using SqlParam = std::variant<std::nullptr_t, int64_t, double, std::string_view, SqlBlob>;

// A value as the back end gives it: SQLite its own types, PostgreSQL text.
using SqlCell = std::variant<std::monostate, int64_t, double, std::string>;

struct SqlResult {
  std::vector<std::vector<SqlCell>> rows;
  int64_t changed = 0;  // rows inserted, updated or deleted

  int64_t Int(size_t row, size_t column) const;                 // 0 for NULL
  std::optional<double> Real(size_t row, size_t column) const;  // none for NULL
  const std::string& Text(size_t row, size_t column) const;     // "" for NULL
  std::string TakeText(size_t row, size_t column);              // moves it out
};

// A transaction lost a race with another one (deadlock, serialization): run it again.
class SqlRetry : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SqlSession {
 public:
  virtual ~SqlSession() = default;
  // Throws StoreUnavailable when the connection or the file fails or a read took too long,
  // SqlRetry on a lost race, StoreError otherwise.
  virtual SqlResult Run(Sql statement, std::span<const SqlParam> params = {}) = 0;
  // The answer's rows in turn, each as the one row of `row`, which the next overwrites: SQLite
  // reads a large answer without holding it all; PostgreSQL has received it whole already.
  virtual void EachRow(Sql statement, std::span<const SqlParam> params,
                       const std::function<void(const SqlResult& row)>& visit);
  // Statements whose answers are needed only later: PostgreSQL sends them all in one round
  // trip (its pipeline), SQLite runs each at once. Receive gives their answers in order and
  // throws for the first that failed (nothing after it took effect).
  virtual void Send(Sql statement, std::span<const SqlParam> params) = 0;
  virtual std::vector<SqlResult> Receive() = 0;
  // The first `count` answers of what was sent; the rest come with the next Receive, and nothing
  // is sent before. With a Flush after those statements, PostgreSQL answers them as soon as it
  // ran them: the caller can work on them while the server runs the statements after them.
  virtual std::vector<SqlResult> ReceiveFirst(size_t count) = 0;
  virtual void Flush() {}
  // Fixed statements without parameters (the schema, transactions).
  virtual void RunScript(const std::string& sql) = 0;
  virtual void Begin() = 0;   // a write transaction (PostgreSQL: sent with the next statement)
  virtual void Commit() = 0;  // PostgreSQL: with what was sent and not received, one round trip
  virtual void Rollback() noexcept = 0;
  // False once the connection is known to be broken; the pool then drops it.
  virtual bool Healthy() const = 0;
};

}  // namespace line
