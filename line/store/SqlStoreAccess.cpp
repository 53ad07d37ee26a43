#include "line/store/SqlStore.h"

namespace line {
namespace {

using Params = std::vector<SqlParam>;

const char* KindText(TokenKind kind) {
  return kind == TokenKind::Read ? "read" : "station";
}

TokenInfo TokenRow(const SqlResult& result, size_t row) {
  return {result.Text(row, 0), result.Text(row, 1) == "read" ? TokenKind::Read : TokenKind::Station,
          result.Text(row, 2), result.Int(row, 3)};
}

}  // namespace

void SqlStore::AddToken(const TokenInfo& token) {
  Write([&](SqlSession& session) {
    session.Run(Sql::TokenAdd,
                Params{token.hash, KindText(token.kind), token.name, token.createdMs});
    return true;
  });
}

std::optional<TokenInfo> SqlStore::FindToken(const std::string& hash) {
  SessionPool::Lease session = writers_.Acquire();
  SqlResult result = session->Run(Sql::TokenFind, Params{hash});
  if (result.rows.empty()) {
    return std::nullopt;
  }
  return TokenRow(result, 0);
}

std::vector<TokenInfo> SqlStore::Tokens() {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(Sql::TokenList);
  std::vector<TokenInfo> tokens;
  for (size_t i = 0; i < result.rows.size(); ++i) {
    tokens.push_back(TokenRow(result, i));
  }
  return tokens;
}

int64_t SqlStore::RemoveTokens(const std::string& hashPrefix) {
  return Write([&](SqlSession& session) {
    return session.Run(Sql::TokenRemove, Params{hashPrefix}).changed;
  });
}

int64_t SqlStore::RemoveStationTokens(const std::string& station) {
  return Write([&](SqlSession& session) {
    return session.Run(Sql::TokenRemoveStation, Params{station}).changed;
  });
}

void SqlStore::SetUser(const std::string& name, const std::string& passwordHash, int64_t nowMs) {
  Write([&](SqlSession& session) {
    session.Run(Sql::UserSet, Params{name, passwordHash, nowMs});
    return true;
  });
}

std::optional<std::string> SqlStore::UserPasswordHash(const std::string& name) {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(Sql::UserGet, Params{name});
  if (result.rows.empty()) {
    return std::nullopt;
  }
  return result.Text(0, 0);
}

bool SqlStore::RemoveUser(const std::string& name) {
  return Write([&](SqlSession& session) {
    session.Run(Sql::UserSessionsRemove, Params{name});
    return session.Run(Sql::UserRemove, Params{name}).changed > 0;
  });
}

// Expired sessions go when a new one comes: the table holds only live ones and recent logs-on.
void SqlStore::AddSession(const std::string& hash, const std::string& user, int64_t nowMs,
                          int64_t expiresMs) {
  Write([&](SqlSession& session) {
    session.Run(Sql::SessionsExpiredRemove, Params{nowMs});
    session.Run(Sql::SessionAdd, Params{hash, user, nowMs, expiresMs});
    return true;
  });
}

std::optional<std::string> SqlStore::SessionUser(const std::string& hash, int64_t nowMs) {
  SessionPool::Lease session = readers_.Acquire();
  SqlResult result = session->Run(Sql::SessionGet, Params{hash, nowMs});
  if (result.rows.empty()) {
    return std::nullopt;
  }
  return result.Text(0, 0);
}

void SqlStore::RemoveSession(const std::string& hash) {
  Write([&](SqlSession& session) {
    session.Run(Sql::SessionRemove, Params{hash});
    return true;
  });
}

void SqlStore::Ping() {
  SessionPool::Lease session = writers_.Acquire();
  session->Run(Sql::Ping);
}

}  // namespace line
