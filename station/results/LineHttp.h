// The line service over WinHTTP (HTTP or HTTPS with TLS 1.2 or later), with bounded waits.
// Redirects are not followed: a moved service is a setting to correct, not to guess.
#pragma once

#include <string>

#include "station/results/core/DeliveryLoop.h"
#include "station/results/core/LineSettings.h"

// One request; with a body (a record), the token goes into "Authorization: Bearer <token>" and
// nowhere else.
LinkAnswer SendRequest(const LineSettings& settings, const wchar_t* verb, const std::string& path,
                       const std::string& body);

// The station's link: records posted to <prefix>/api/v1/runs, the service's health from
// <prefix>/healthz.
LineLink HttpLineLink(const LineSettings& settings);
