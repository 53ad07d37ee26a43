#include "station/results/core/DeliveryRules.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "station/results/core/Utf8.h"

namespace {

constexpr size_t kSummaryBytes = 200;

bool Successful(int32_t status) {
  return status >= 200 && status <= 299;
}

// The service answers every stored record with {"id": "<the record's id>", ...}.
bool NamesRecord(const std::string& body, std::string_view id) {
  const auto json = nlohmann::json::parse(body, nullptr, false);
  if (!json.is_object()) {
    return false;
  }
  const auto found = json.find("id");
  return found != json.end() && found->is_string() && found->get_ref<const std::string&>() == id;
}

}  // namespace

Delivery ClassifyAnswer(const LinkAnswer& answer, std::string_view id) {
  if (!answer.answered) {
    return Delivery::Wait;
  }
  if (Successful(answer.status)) {
    return NamesRecord(answer.body, id) ? Delivery::Stored : Delivery::Wait;
  }
  switch (answer.status) {
    case 400:
    case 403:
    case 409:
    case 413:
      return Delivery::SetAside;
    case 500:
      return Delivery::ServerFault;
    default:
      return Delivery::Wait;
  }
}

bool ServiceSaysHealthy(const LinkAnswer& answer) {
  if (!answer.answered || answer.status != 200) {
    return false;
  }
  const auto json = nlohmann::json::parse(answer.body, nullptr, false);
  return json.is_object() && json.value("status", nlohmann::json()) == "ok";
}

std::string WaitReason(const LinkAnswer& answer) {
  if (!answer.answered) {
    return answer.problem;
  }
  if (answer.status == 401) {
    return "token refused";
  }
  if (Successful(answer.status)) {
    return "answer without the record's id";
  }
  return "HTTP " + std::to_string(answer.status);
}

std::string AnswerSummary(const LinkAnswer& answer) {
  std::string summary = "HTTP " + std::to_string(answer.status);
  const auto json = nlohmann::json::parse(answer.body, nullptr, false);
  std::string text = answer.body;
  if (json.is_object() && json.contains("error") && json["error"].is_string()) {
    text = json["error"].get<std::string>();
  }
  // One line of the window, cut where a character ends.
  for (char& c : text) {
    c = c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
  }
  FitText(text, kSummaryBytes);
  return text.empty() ? summary : summary + ": " + text;
}

std::string AnswerText(const LinkAnswer& answer) {
  return "HTTP " + std::to_string(answer.status) + "\r\n" + answer.body;
}

uint32_t RetryDelayMs(uint32_t failures, double unitRandom) {
  if (failures == 0) {
    return 0;
  }
  uint64_t delay = kFirstRetryMs;
  for (uint32_t i = 1; i < failures && delay < kLongestRetryMs; ++i) {
    delay *= 2;
  }
  delay = std::min<uint64_t>(delay, kLongestRetryMs);
  const double random = std::clamp(unitRandom, 0.0, 1.0);
  const auto jitter = static_cast<uint64_t>(static_cast<double>(delay / 2) * random);
  return static_cast<uint32_t>(delay - std::min(jitter, delay / 2));
}
