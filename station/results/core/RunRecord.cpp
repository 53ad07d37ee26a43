#include "station/results/core/RunRecord.h"

namespace {

struct OutcomeEntry {
  Outcome outcome;
  const char* name;
  bool counted;
};

constexpr OutcomeEntry kOutcomes[] = {
    {Outcome::Pass, "PASS", true},
    {Outcome::Fail, "FAIL", true},
    {Outcome::Timeout, "TIMEOUT", true},
    {Outcome::Stopped, "STOPPED", false},
    {Outcome::LinkFailed, "LINK_FAILED", false},
    {Outcome::Abandoned, "ABANDONED", false},
};

const OutcomeEntry& Entry(Outcome outcome) {
  for (const OutcomeEntry& entry : kOutcomes) {
    if (entry.outcome == outcome) {
      return entry;
    }
  }
  return kOutcomes[5];
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
  return Entry(outcome).name;
}

std::optional<Outcome> OutcomeFromName(std::string_view name) {
  for (const OutcomeEntry& entry : kOutcomes) {
    if (name == entry.name) {
      return entry.outcome;
    }
  }
  return std::nullopt;
}

bool OutcomeCounted(Outcome outcome) {
  return Entry(outcome).counted;
}
