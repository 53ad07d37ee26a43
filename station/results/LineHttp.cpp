#include "station/results/LineHttp.h"

#include <algorithm>

#include <windows.h>
#include <winhttp.h>

#include "station/results/StationFacts.h"

namespace {

constexpr size_t kLongestAnswer = 64 * 1024;

class Handle {
 public:
  explicit Handle(HINTERNET handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr) {
      WinHttpCloseHandle(handle_);
    }
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

// Some HTTP stacks hand the socket's own error through.
constexpr DWORD kSocketTimedOut = 10060;
constexpr DWORD kSocketReset = 10054;
constexpr DWORD kSocketRefused = 10061;

std::string ProblemOf(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case kSocketRefused:
      return "no connection";
    case ERROR_WINHTTP_TIMEOUT:
    case kSocketTimedOut:
      return "no answer in time";
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case kSocketReset:
      return "connection closed";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "unknown host";
    case ERROR_WINHTTP_SECURE_FAILURE:
      return "TLS failed";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return "bad answer";
    default:
      return "error " + std::to_string(error);
  }
}

std::string ReadBody(HINTERNET request) {
  std::string body;
  char chunk[4096];
  DWORD got = 0;
  while (body.size() < kLongestAnswer && WinHttpReadData(request, chunk, sizeof chunk, &got) &&
         got > 0) {
    body.append(chunk, std::min<size_t>(got, kLongestAnswer - body.size()));
  }
  return body;
}

// TLS 1.2 or later, never an older protocol the system may still allow; TLS 1.3 too where the
// system knows it (Windows 7 and Wine refuse that flag, and then get TLS 1.2 alone).
bool RequireModernTls(HINTERNET session) {
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  if (WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
    return true;
  }
  protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
  return WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
}

}  // namespace

LinkAnswer SendRequest(const LineSettings& settings, const wchar_t* verb, const std::string& path,
                       const std::string& body) {
  LinkAnswer answer;
  const ServiceAddress& address = settings.service;
  Handle session(WinHttpOpen(L"Varnex", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    answer.problem = ProblemOf(GetLastError());
    return answer;
  }
  if (address.secure && !RequireModernTls(session.get())) {
    answer.problem = "TLS 1.2 not available";
    return answer;
  }
  const int timeout = static_cast<int>(settings.answerTimeoutMs);
  WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, timeout);
  // An IPv6 address goes to WinHTTP without its brackets.
  std::wstring host = Utf8ToUtf16(address.host);
  if (host.size() > 2 && host.front() == L'[' && host.back() == L']') {
    host = host.substr(1, host.size() - 2);
  }
  Handle connection(WinHttpConnect(session.get(), host.c_str(), address.port, 0));
  Handle request(connection
                     ? WinHttpOpenRequest(connection.get(), verb, Utf8ToUtf16(path).c_str(),
                                          nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                          address.secure ? WINHTTP_FLAG_SECURE : 0)
                     : nullptr);
  if (!request) {
    answer.problem = ProblemOf(GetLastError());
    return answer;
  }
  DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
  // The wait for the answer's headers has a bound of its own (90 s unless set).
  DWORD answerTimeout = settings.answerTimeoutMs;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answerTimeout,
                   sizeof answerTimeout);
  // The token goes with records only: /healthz is open, and a token sent where it is not
  // needed is one more place it could be seen.
  std::wstring headers;
  if (!body.empty()) {
    headers = L"Content-Type: application/json; charset=utf-8\r\nAuthorization: Bearer " +
              Utf8ToUtf16(settings.token);
  }
  const DWORD length = static_cast<DWORD>(body.size());
  if (!WinHttpSendRequest(
          request.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
          static_cast<DWORD>(headers.size()), const_cast<char*>(body.data()), length, length, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    answer.problem = ProblemOf(GetLastError());
    return answer;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    answer.problem = ProblemOf(GetLastError());
    return answer;
  }
  answer.answered = true;
  answer.status = static_cast<int32_t>(status);
  answer.body = ReadBody(request.get());
  return answer;
}

LineLink HttpLineLink(const LineSettings& settings) {
  LineLink link;
  link.post = [settings](const std::string& record) {
    return SendRequest(settings, L"POST", RunsPath(settings.service), record);
  };
  link.healthy = [settings] {
    return ServiceSaysHealthy(
        SendRequest(settings, L"GET", settings.service.basePath + "/healthz", std::string()));
  };
  return link;
}
