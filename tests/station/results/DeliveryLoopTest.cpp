// The sender's rules over a spool kept in memory, with the service's answers scripted: what
// becomes of each record for every answer and fault, in which order, and what keeps the queue
// waiting.
#include "station/results/core/DeliveryLoop.h"

#include <cstring>
#include <algorithm>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "station/results/core/RecordJson.h"

namespace {

// Records are named by one letter: "u" cannot be read, "g" is no JSON, "x" holds another id,
// "m" cannot be moved out of the spool.
std::string Id(char letter) {
  return "00000000-0000-4000-8000-0000000000" + std::to_string(letter - 'a' + 10);
}
char Letter(const std::string& id) {
  return static_cast<char>(std::stoi(id.substr(34)) - 10 + 'a');
}

std::string RecordText(char letter) {
  RunRecord record;
  record.id = Id(letter);
  record.started = Timestamp{2026, 12, 9, 14, 3, 5, 250, 480};
  return RecordToJson(record, kSpoolIndent);
}

struct MemoryQueue : RecordQueue {
  explicit MemoryQueue(const std::string& letters) : waiting(letters) {
    for (char letter : letters) {
      files[letter] = letter == 'g' ? "{\"schema\":" : RecordText(letter == 'x' ? 'y' : letter);
    }
  }
  std::vector<std::string> Waiting() const override {
    std::vector<std::string> ids(waiting.size());
    std::transform(waiting.begin(), waiting.end(), ids.begin(), Id);
    return ids;
  }
  std::optional<std::string> Read(const std::string& id) const override {
    return Letter(id) == 'u' ? std::nullopt : std::optional(files.at(Letter(id)));
  }
  std::string Rewrite(const std::string&, const std::string&) const override { return {}; }
  std::string FileSent(const std::string& id, const std::string& day) const override {
    EXPECT_EQ(day, "2026-12-09");
    return Letter(id) == 'm' ? "cannot move it" : File(id, sent);
  }
  std::string FileRejected(const std::string& id, const std::string& reason) const override {
    reasons.push_back(reason);
    return File(id, rejected);
  }
  std::string File(const std::string& id, std::string& into) const {
    into += Letter(id);
    waiting.erase(waiting.find(Letter(id)), 1);
    return {};
  }
  mutable std::string waiting, sent, rejected;
  mutable std::vector<std::string> reasons;
  mutable std::map<char, std::string> files;
};

// "201a": 201 naming record a; "200": 200 naming none; "403": another station's record; "-":
// no answer.
LinkAnswer Answer(const std::string& token) {
  if (token == "-") {
    return LinkAnswer{false, 0, "", "connection closed"};
  }
  const int32_t status = std::stoi(token.substr(0, 3));
  return LinkAnswer{true, status,
                    status == 403 ? R"({"error":"station.name: FT-99","code":"station-mismatch"})"
                    : token.size() > 3 ? "{\"id\":\"" + Id(token[3]) + "\"}"
                                       : "{}",
                    ""};
}

TEST(DeliveryLoop, EveryAnswerAndFaultOverTheQueue) {
  const struct {
    const char *spool, *answers;
    int passes;
    bool healthy;
    const char *posted, *sent, *rejected, *waiting, *firstNote, *firstReason;
  } cases[] = {
      {"ab", "201a 200b", 1, true, "ab", "ab", "", "", "HTTP 201", ""},
      // What can never be delivered as it is goes aside, and the next record follows.
      {"abcde", "403 400 409 413 201e", 1, true, "abcde", "e", "abcd", "",
       "HTTP 403: station.name: FT-99", "HTTP 403\r\n{\"error\":\"station.name: FT-99\""},
      {"ugxa", "201a", 1, true, "a", "a", "ugx", "", "cannot read the file",
       "cannot read the file"},
      // What concerns every record keeps them all waiting.
      {"ab", "401", 1, true, "a", "", "", "ab", "token refused", ""},
      {"ab", "503", 1, true, "a", "", "", "ab", "HTTP 503", ""},
      {"ab", "200", 1, true, "a", "", "", "ab", "answer without the record's id", ""},
      {"ab", "201b", 1, true, "a", "", "", "ab", "answer without the record's id", ""},
      {"ab", "- 200a 201b", 2, true, "aab", "ab", "", "", "connection closed", ""},
      {"ab", "500 500 500 500 500 201b", 5, true, "aaaaab", "b", "a", "", "HTTP 500",
       "HTTP 500 5 times in a row while /healthz said ok"},
      {"ab", "500 500 500 500 500 500", 6, false, "aaaaaa", "", "", "ab", "HTTP 500", ""},
      {"a", "500 500 500 500 - 500 500 500 500", 9, true, "aaaaaaaaa", "", "", "a", "HTTP 500", ""},
      {"mb", "201m 201b", 1, true, "mb", "b", "", "m", "cannot move it", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.spool) + ": " + c.answers);
    MemoryQueue queue(c.spool);
    std::istringstream script(c.answers);
    std::string posted;
    DeliveryLoop loop(LineLink{[&](const std::string& text) {
                                 posted += Letter(RecordFromJson(text).record->id);
                                 std::string token;
                                 EXPECT_TRUE(script >> token) << "one post too many";
                                 return Answer(token);
                               },
                               [&] { return c.healthy; }});
    std::vector<std::string> notes;
    bool filed = false;
    for (int pass = 0; pass < c.passes; ++pass) {
      filed = loop.Pass(queue, [&](const DeliveryStep& step) {
        notes.push_back(step.note);
        return true;
      });
    }
    EXPECT_EQ(posted, c.posted);
    EXPECT_EQ(queue.sent, c.sent);
    EXPECT_EQ(queue.rejected, c.rejected);
    EXPECT_EQ(queue.waiting, c.waiting);
    EXPECT_EQ(filed, *c.waiting == '\0');
    EXPECT_EQ(notes.front(), c.firstNote);
    EXPECT_EQ(queue.reasons.empty() ? "" : queue.reasons[0].substr(0, strlen(c.firstReason)),
              c.firstReason);
  }
}

}  // namespace
