#include "station/results/HttpPost.h"

#include <algorithm>

#include <windows.h>
#include <winhttp.h>

#include "station/results/core/Utf8.h"

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

std::wstring ProblemOf(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case kSocketRefused:
      return L"no connection";
    case ERROR_WINHTTP_TIMEOUT:
    case kSocketTimedOut:
      return L"no answer in time";
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case kSocketReset:
      return L"connection closed";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return L"unknown host";
    case ERROR_WINHTTP_SECURE_FAILURE:
      return L"TLS failed";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return L"bad answer";
    default:
      return L"error " + std::to_wstring(error);
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

}  // namespace

HttpAnswer PostJson(const ServiceAddress& address, const std::string& path,
                    const std::string& token, const std::string& body, uint32_t timeoutMs) {
  HttpAnswer answer;
  Handle session(WinHttpOpen(L"Varnex", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    answer.problem = ProblemOf(GetLastError());
    return answer;
  }
  const int timeout = static_cast<int>(timeoutMs);
  WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, timeout);
  // An IPv6 address goes to WinHTTP without its brackets.
  std::wstring host = AsciiToWide(address.host);
  if (host.size() > 2 && host.front() == L'[' && host.back() == L']') {
    host = host.substr(1, host.size() - 2);
  }
  Handle connection(WinHttpConnect(session.get(), host.c_str(), address.port, 0));
  Handle request(connection
                     ? WinHttpOpenRequest(connection.get(), L"POST", AsciiToWide(path).c_str(),
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
  DWORD answerTimeout = timeoutMs;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answerTimeout,
                   sizeof answerTimeout);
  const std::wstring headers =
      L"Content-Type: application/json; charset=utf-8\r\nAuthorization: Bearer " +
      AsciiToWide(token);
  const DWORD length = static_cast<DWORD>(body.size());
  if (!WinHttpSendRequest(request.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                          const_cast<char*>(body.data()), length, length, 0) ||
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
