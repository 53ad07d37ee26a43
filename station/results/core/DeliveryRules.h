// What the sender does with the service's answer to a record, and how long it waits before it
// tries again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The service's answer to one request, or why there was none.
struct LinkAnswer {
  bool answered = false;  // the service answered with a status
  int32_t status = 0;
  std::string body;     // the answer's first 64 KiB
  std::string problem;  // no answer: "no connection", "no answer in time", ...
};

enum class Delivery {
  // A 2xx that names the record's id: the record goes to sent\ .
  Stored,
  // 400 (invalid), 403 (another station's record), 409 (another record under this id), 413
  // (too large): this record can never be delivered as it is. It goes to rejected\ and the
  // next one follows.
  SetAside,
  // 500: maybe this record trips the service. It waits, and goes aside after
  // kServerFaultsToSetAside such answers in a row while the service says it is healthy.
  ServerFault,
  // What concerns every record keeps the queue waiting: 401 (the token), 503, no answer, a 2xx
  // that does not name the record (a proxy's or another server's answer), any other answer.
  Wait,
};

inline constexpr int kServerFaultsToSetAside = 5;

Delivery ClassifyAnswer(const LinkAnswer& answer, std::string_view id);

// Whether the answer to GET /healthz says the service is well: 200 and {"status": "ok"}.
bool ServiceSaysHealthy(const LinkAnswer& answer);

// Why the queue waits, for the window's line: "token refused", "HTTP 503", "answer without the
// record's id", or why there was no answer.
std::string WaitReason(const LinkAnswer& answer);
// "HTTP 403: station.name: ...": the status and the service's "error" text (or the start of the
// body), for the window and the console.
std::string AnswerSummary(const LinkAnswer& answer);
// "HTTP 403\r\n<body>": the whole answer, kept beside a record that went aside.
std::string AnswerText(const LinkAnswer& answer);

// The wait before the next try after `failures` failed tries in a row: doubling from 2 s up to
// 5 min, of which a random part (`unitRandom` in [0, 1)) of up to a half is taken off, so that
// the stations of a line do not all come back at the same moment. 0 for no failure.
uint32_t RetryDelayMs(uint32_t failures, double unitRandom);

inline constexpr uint32_t kFirstRetryMs = 2000;
inline constexpr uint32_t kLongestRetryMs = 5 * 60 * 1000;
