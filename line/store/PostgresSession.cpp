#include "line/store/PostgresSession.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "line/store/Statements.h"
#include "line/store/Store.h"

namespace line {
namespace {

const NamedStatement* FindStatement(const char* name) {
  for (const NamedStatement& statement : Statements(Dialect::Postgres)) {
    if (std::string_view(statement.name) == name) {
      return &statement;
    }
  }
  return nullptr;
}

std::string ParamText(const SqlParam& param) {
  if (const auto* number = std::get_if<int64_t>(&param)) {
    return std::to_string(*number);
  }
  if (const auto* real = std::get_if<double>(&param)) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", *real);
    return text;
  }
  if (const auto* text = std::get_if<std::string>(&param)) {
    return *text;
  }
  return {};
}

}  // namespace

PostgresSession::PostgresSession(const std::string& url) {
  // A server that does not answer is reported after a few seconds, not after minutes; the
  // URL's own connect_timeout comes later and wins.
  const char* keywords[] = {"connect_timeout", "dbname", nullptr};
  const char* values[] = {"5", url.c_str(), nullptr};
  conn_ = PQconnectdbParams(keywords, values, 1);
  if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) {
    std::string what = conn_ ? PQerrorMessage(conn_) : "out of memory";
    PQfinish(conn_);
    conn_ = nullptr;
    while (!what.empty() && (what.back() == '\n' || what.back() == ' ')) {
      what.pop_back();
    }
    throw StoreUnavailable("cannot connect to PostgreSQL: " + what);
  }
  Take(PQexec(conn_, "SET client_min_messages = warning"), "session set-up");
}

PostgresSession::~PostgresSession() {
  PQfinish(conn_);
}

bool PostgresSession::Healthy() const {
  return conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK;
}

SqlResult PostgresSession::Take(PGresult* raw, const char* what) {
  std::unique_ptr<PGresult, decltype(&PQclear)> result(raw, &PQclear);
  ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    std::string message = std::string(what) + ": " + PQerrorMessage(conn_);
    const char* state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
    std::string code = state ? state : "";
    if (code == "40P01" || code == "40001") {
      throw SqlRetry(message);
    }
    // Connection failures (class 08), a server shutting down or out of resources (53, 57P).
    if (!Healthy() || code.rfind("08", 0) == 0 || code.rfind("53", 0) == 0 ||
        code.rfind("57P", 0) == 0) {
      throw StoreUnavailable(message);
    }
    throw StoreError(message);
  }
  SqlResult out;
  int rows = PQntuples(result.get());
  int columns = PQnfields(result.get());
  out.rows.reserve(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    auto& row = out.rows.emplace_back();
    for (int c = 0; c < columns; ++c) {
      if (PQgetisnull(result.get(), r, c)) {
        row.emplace_back();
      } else {
        row.emplace_back(std::string(PQgetvalue(result.get(), r, c),
                                     static_cast<size_t>(PQgetlength(result.get(), r, c))));
      }
    }
  }
  const char* changed = PQcmdTuples(result.get());
  out.changed = (changed && *changed) ? std::atoll(changed) : 0;
  return out;
}

SqlResult PostgresSession::Run(const char* name, std::span<const SqlParam> params) {
  if (!Healthy()) {
    throw StoreUnavailable("PostgreSQL connection lost");
  }
  if (prepared_.find(name) == prepared_.end()) {
    const NamedStatement* statement = FindStatement(name);
    if (statement == nullptr) {
      throw StoreError(std::string("no statement ") + name);
    }
    Take(PQprepare(conn_, name, statement->text.c_str(), 0, nullptr), name);
    prepared_.emplace(name);
  }
  std::vector<std::string> texts;
  std::vector<const char*> values;
  texts.reserve(params.size());
  for (const SqlParam& param : params) {
    texts.push_back(ParamText(param));
  }
  for (size_t i = 0; i < params.size(); ++i) {
    values.push_back(std::holds_alternative<std::nullptr_t>(params[i]) ? nullptr
                                                                       : texts[i].c_str());
  }
  return Take(PQexecPrepared(conn_, name, static_cast<int>(values.size()), values.data(), nullptr,
                             nullptr, 0),
              name);
}

void PostgresSession::RunScript(const std::string& sql) {
  if (!Healthy()) {
    throw StoreUnavailable("PostgreSQL connection lost");
  }
  try {
    Take(PQexec(conn_, sql.c_str()), "script");
  } catch (...) {
    Rollback();
    throw;
  }
}

void PostgresSession::Begin() {
  RunScript("BEGIN");
}

void PostgresSession::Commit() {
  RunScript("COMMIT");
}

void PostgresSession::Rollback() noexcept {
  if (Healthy() && PQtransactionStatus(conn_) != PQTRANS_IDLE) {
    PQclear(PQexec(conn_, "ROLLBACK"));
  }
}

}  // namespace line
