// One POST of a JSON document to the line service over WinHTTP (HTTP or HTTPS), with bounded
// waits. Redirects are not followed: a moved service is a setting to correct, not to guess.
#pragma once

#include <cstdint>
#include <string>

#include "station/results/core/LineSettings.h"

struct HttpAnswer {
  bool answered = false;  // the service answered with a status
  int32_t status = 0;
  std::string body;      // the answer's first 64 KiB
  std::wstring problem;  // no answer: "no connection", "no answer in time", ...
};

// `token` goes into "Authorization: Bearer <token>" and nowhere else.
HttpAnswer PostJson(const ServiceAddress& address, const std::string& path,
                    const std::string& token, const std::string& body, uint32_t timeoutMs);
