// The access side of the service's routes: who a request comes from, and the log-on form.
#include <algorithm>
#include <chrono>

#include "line/core/LogText.h"
#include "line/core/Timestamp.h"
#include "line/server/ApiAnswers.h"
#include "line/server/ApiServer.h"
#include "line/server/Passwords.h"
#include "line/server/QueryParams.h"
#include "line/server/Tokens.h"
#include "line/store/Store.h"

namespace line {
namespace {

constexpr int64_t kSessionMs = 7 * kDayMs;
constexpr const char* kCookie = "varnex_session";
// The log-on page's own files: open to anyone, so that a viewer can log on.
constexpr const char* kOpenFiles[] = {"/login.html", "/login.js", "/dashboard.css"};

std::string SessionCookie(const std::string& value, int64_t maxAgeMs, bool secure) {
  return std::string(kCookie) + "=" + value +
         "; Path=/; Max-Age=" + std::to_string(maxAgeMs / 1000) + "; HttpOnly; SameSite=Strict" +
         (secure ? "; Secure" : "");
}

}  // namespace

std::optional<HttpAnswer> ApiServer::Authorize(const Route& route, const HttpRequest& request,
                                               std::string& caller) {
  int64_t now = options_.clock();
  std::string token = BearerToken(request);
  std::optional<TokenInfo> known;
  if (!token.empty()) {
    known = credentials_.Token(TokenHash(token));
  }
  switch (route.who) {
    case Who::Anyone:
      return std::nullopt;
    case Who::Station:
      if (!known || known->kind != TokenKind::Station) {
        return Refused(401, "Authorization: no valid station token");
      }
      caller = known->name;
      return std::nullopt;
    case Who::Viewer:
    case Who::ViewerPage: {
      bool openFile = route.who == Who::ViewerPage &&
                      std::find(std::begin(kOpenFiles), std::end(kOpenFiles), request.path) !=
                          std::end(kOpenFiles);
      if (!readsNeedLogIn_ || openFile || (known && known->kind == TokenKind::Read)) {
        return std::nullopt;
      }
      std::string session = CookieValue(request, kCookie);
      std::optional<std::string> user;
      if (!session.empty() && (user = credentials_.SessionUser(TokenHash(session), now))) {
        caller = *user;
        return std::nullopt;
      }
      if (route.who == Who::ViewerPage && (request.path == "/" || request.path == "/index.html")) {
        return Redirect("login.html");
      }
      return Refused(401, "log on first: a viewer's session or a read token");
    }
  }
  return std::nullopt;
}

// The log-on form of login.html. A form of another site is refused (its Origin differs); a
// wrong name costs the same time as a wrong password; a few checks run at once at most.
HttpAnswer ApiServer::PostLogIn(const HttpRequest& request, const std::string&) {
  const std::string& origin = request.Header("origin");
  size_t scheme = origin.find("://");
  if (!origin.empty() &&
      (scheme == std::string::npos || origin.substr(scheme + 3) != request.Header("host"))) {
    return Refused(403, "Origin: a log-on from another site");
  }
  QueryParams form(request.body);
  std::string user = form.Text("user");
  std::string password = form.Text("password", 1024);
  if (!logIns_.try_acquire_for(std::chrono::seconds(5))) {
    return Refused(503, "busy: too many logs-on at once");
  }
  std::optional<std::string> stored = store_.UserPasswordHash(user);
  static const std::string kNobody = HashPassword("");
  bool matches = PasswordMatches(password, stored.value_or(kNobody)) && stored;
  logIns_.release();
  if (!matches) {
    refusals_.Line(request.remote + " log-on refused for " + LogText(user, 128), options_.clock());
    return Redirect("login.html?failed");
  }
  std::string token = NewToken();
  int64_t now = options_.clock();
  store_.AddSession(TokenHash(token), user, now, now + kSessionMs);
  HttpAnswer answer = Redirect("./");
  answer.headers.emplace_back("Set-Cookie", SessionCookie(token, kSessionMs, request.secure));
  return answer;
}

HttpAnswer ApiServer::PostLogOut(const HttpRequest& request, const std::string&) {
  std::string session = CookieValue(request, kCookie);
  if (!session.empty()) {
    store_.RemoveSession(TokenHash(session));
    credentials_.Forget(TokenHash(session));
  }
  HttpAnswer answer = Redirect(readsNeedLogIn_ ? "login.html" : "./");
  answer.headers.emplace_back("Set-Cookie", SessionCookie("", 0, request.secure));
  return answer;
}

}  // namespace line
