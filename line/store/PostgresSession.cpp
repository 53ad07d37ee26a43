#include "line/store/PostgresSession.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include "line/store/Statements.h"
#include "line/store/Store.h"

namespace line {
namespace {

std::string StatementName(Sql statement) {
  return std::string("s").append(std::to_string(static_cast<int>(statement)));
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
  if (const auto* text = std::get_if<std::string_view>(&param)) {
    // libpq takes texts up to their first NUL: a text holding one would be taken for another.
    if (text->find('\0') != std::string_view::npos) {
      throw StoreError("a text parameter holds a NUL character");
    }
    return std::string(*text);
  }
  if (std::holds_alternative<SqlBlob>(param)) {  // PostgreSQL compresses documents itself
    throw StoreError("a binary parameter for PostgreSQL");
  }
  return {};
}

}  // namespace

PostgresSession::PostgresSession(const std::string& url, const std::string& password,
                                 int64_t readTimeoutMs) {
  // A server that does not answer is reported after a few seconds, not after minutes; the
  // URL's own connect_timeout comes later and wins. A password given apart comes last and wins
  // over one in the URL.
  const char* keywords[] = {"connect_timeout", "dbname", password.empty() ? nullptr : "password",
                            nullptr};
  const char* values[] = {"5", url.c_str(), password.c_str(), nullptr};
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
  if (readTimeoutMs > 0) {
    std::string timeout = "SET statement_timeout = " + std::to_string(readTimeoutMs);
    Take(PQexec(conn_, timeout.c_str()), "session set-up");
  }
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
    // Connection failures (class 08), a server shutting down or out of resources (53, 57P), a
    // read past its deadline (57014).
    if (!Healthy() || code.rfind("08", 0) == 0 || code.rfind("53", 0) == 0 ||
        code.rfind("57P", 0) == 0 || code == "57014") {
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
        row.emplace_back(std::in_place_type<std::string>, PQgetvalue(result.get(), r, c),
                         static_cast<size_t>(PQgetlength(result.get(), r, c)));
      }
    }
  }
  const char* changed = PQcmdTuples(result.get());
  out.changed = (changed && *changed) ? std::atoll(changed) : 0;
  return out;
}

void PostgresSession::Lost() {
  std::string message = PQerrorMessage(conn_);
  PQfinish(conn_);
  conn_ = nullptr;
  throw StoreUnavailable("PostgreSQL connection lost: " + message);
}

void PostgresSession::Send(Sql statement, std::span<const SqlParam> params) {
  if (!Healthy()) {
    throw StoreUnavailable("PostgreSQL connection lost");
  }
  if (synced_) {
    throw StoreError("a statement sent before the answers of the last ones were received");
  }
  std::vector<std::string> texts;
  std::vector<const char*> values;
  texts.reserve(params.size());
  for (const SqlParam& param : params) {
    texts.push_back(ParamText(param));
  }
  if (PQpipelineStatus(conn_) == PQ_PIPELINE_OFF && PQenterPipelineMode(conn_) != 1) {
    Lost();
  }
  if (beginPending_) {
    beginPending_ = false;
    if (PQsendQueryParams(conn_, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) != 1) {
      Lost();
    }
    expected_.push_back({statement, Answer::Begin});
  }
  // Prepared once per connection; a PREPARE that a failure before it skipped is sent again.
  std::string name = StatementName(statement);
  bool& prepared = prepared_.at(static_cast<size_t>(statement));
  if (!prepared) {
    const char* text = StatementText(Dialect::Postgres, statement);
    if (text == nullptr) {
      throw StoreError("no PostgreSQL statement " + name);
    }
    if (PQsendPrepare(conn_, name.c_str(), text, 0, nullptr) != 1) {
      Lost();
    }
    expected_.push_back({statement, Answer::Prepare});
    prepared = true;
  }
  for (size_t i = 0; i < params.size(); ++i) {
    values.push_back(std::holds_alternative<std::nullptr_t>(params[i]) ? nullptr
                                                                       : texts[i].c_str());
  }
  if (PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(),
                          nullptr, nullptr, 0) != 1) {
    Lost();
  }
  expected_.push_back({statement, Answer::Statement});
}

std::vector<SqlResult> PostgresSession::Receive() {
  return Answers(expected_.size());
}

std::vector<SqlResult> PostgresSession::ReceiveFirst(size_t count) {
  return Answers(count);
}

// The server holds its answers until a sync or a flush request, or until its buffer fills.
void PostgresSession::Flush() {
  if (PQpipelineStatus(conn_) != PQ_PIPELINE_OFF && !synced_ && PQsendFlushRequest(conn_) != 1) {
    Lost();
  }
}

std::vector<SqlResult> PostgresSession::Answers(size_t count) {
  std::vector<SqlResult> results;
  if (expected_.empty()) {
    return results;
  }
  if (!synced_) {
    if (PQpipelineSync(conn_) != 1) {
      Lost();
    }
    synced_ = true;
  }
  std::exception_ptr failure;
  size_t read = 0;
  for (; read < expected_.size() && (results.size() < count || failure); ++read) {
    const Expected& answer = expected_[read];
    PGresult* result = PQgetResult(conn_);
    if (result == nullptr) {
      Lost();
    }
    bool done = false;
    if (PQresultStatus(result) == PGRES_PIPELINE_ABORTED || failure) {
      PQclear(result);
    } else {
      try {
        std::string what = answer.kind == Answer::Begin    ? "BEGIN"
                           : answer.kind == Answer::Commit ? "COMMIT"
                                                           : StatementName(answer.statement);
        SqlResult taken = Take(result, what.c_str());
        if (answer.kind == Answer::Statement) {
          results.push_back(std::move(taken));
        }
        done = true;
      } catch (...) {
        failure = std::current_exception();
      }
    }
    // A PREPARE that did not run is sent again next time.
    if (answer.kind == Answer::Prepare && !done) {
      prepared_.at(static_cast<size_t>(answer.statement)) = false;
    }
    if (PQstatus(conn_) != CONNECTION_OK) {
      Lost();
    }
    // Each statement's answer ends with a null result.
    if (PQgetResult(conn_) != nullptr) {
      Lost();
    }
  }
  expected_.erase(expected_.begin(), expected_.begin() + static_cast<std::ptrdiff_t>(read));
  if (expected_.empty()) {
    synced_ = false;
    PGresult* sync = PQgetResult(conn_);
    bool ended = sync != nullptr && PQresultStatus(sync) == PGRES_PIPELINE_SYNC;
    PQclear(sync);
    if (!ended || PQexitPipelineMode(conn_) != 1) {
      Lost();
    }
  }
  if (failure) {
    std::rethrow_exception(failure);
  }
  return results;
}

SqlResult PostgresSession::Run(Sql statement, std::span<const SqlParam> params) {
  Send(statement, params);
  std::vector<SqlResult> results = Receive();
  return std::move(results.back());
}

void PostgresSession::RunScript(const std::string& sql) {
  beginPending_ = false;
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
  beginPending_ = true;
}

void PostgresSession::Commit() {
  if (beginPending_) {
    beginPending_ = false;  // nothing was sent: nothing to commit
    return;
  }
  if (expected_.empty()) {
    RunScript("COMMIT");
    return;
  }
  if (synced_) {
    throw StoreError("a commit before the answers of the last statements were received");
  }
  if (PQsendQueryParams(conn_, "COMMIT", 0, nullptr, nullptr, nullptr, nullptr, 0) != 1) {
    Lost();
  }
  expected_.push_back({Sql{}, Answer::Commit});
  Receive();
}

void PostgresSession::Rollback() noexcept {
  beginPending_ = false;
  synced_ = false;
  expected_.clear();
  if (conn_ != nullptr && PQpipelineStatus(conn_) != PQ_PIPELINE_OFF) {
    // A failure between Send and Receive: the connection's state is unknown.
    PQfinish(conn_);
    conn_ = nullptr;
    return;
  }
  if (Healthy() && PQtransactionStatus(conn_) != PQTRANS_IDLE) {
    PQclear(PQexec(conn_, "ROLLBACK"));
  }
}

}  // namespace line
