// The sender's rules over a spool kept in memory, with the service's answers scripted: what
// becomes of each record for every answer and fault, in which order, and what keeps the queue
// waiting; and the adoption of records spooled under the computer's name.
#include "station/results/core/DeliveryLoop.h"

#include <deque>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "station/results/core/Adoption.h"
#include "station/results/core/RecordJson.h"

namespace {

// Records are named by one letter: "u" cannot be read, "g" is no JSON, "x" names another id
// in its text, "m" cannot be moved out of the spool.
std::string Id(char letter) {
  constexpr char kHex[] = "0123456789abcdef";
  return std::string("00000000-0000-4000-8000-0000000000") + kHex[letter >> 4] + kHex[letter & 15];
}

std::string RecordText(const std::string& id, const std::string& name = "FT-07",
                       const std::string& host = "STATION-07") {
  RunRecord record;
  record.id = id;
  record.station = StationInfo{name, "", host, "Varnex", "1.0.0.1"};
  record.started = Timestamp{2026, 12, 9, 14, 3, 5, 250, 480};
  return RecordToJson(record, kSpoolIndent);
}

class MemoryQueue : public RecordQueue {
 public:
  explicit MemoryQueue(const std::string& letters) {
    for (char letter : letters) {
      order_.push_back(Id(letter));
      files_[Id(letter)] =
          letter == 'g' ? "{\"schema\":" : RecordText(Id(letter == 'x' ? 'y' : letter));
    }
  }
  std::vector<std::string> Waiting() const override { return order_; }
  std::optional<std::string> Read(const std::string& id) const override {
    if (id == Id('u')) {
      return std::nullopt;
    }
    return files_.at(id);
  }
  std::string Rewrite(const std::string& id, const std::string& text) const override {
    files_[id] = text;
    ++rewrites;
    return {};
  }
  std::string FileSent(const std::string& id, const std::string& day) const override {
    if (id == Id('m')) {
      return "cannot move it";
    }
    EXPECT_EQ(day, "2026-12-09");
    sent += Letter(id);
    return Remove(id);
  }
  std::string FileRejected(const std::string& id, const std::string& reason) const override {
    rejected += Letter(id);
    reasons[Letter(id)] = reason;
    return Remove(id);
  }

  std::string WaitingLetters() const {
    std::string letters;
    for (const std::string& id : order_) {
      letters += Letter(id);
    }
    return letters;
  }
  static char Letter(const std::string& id) {
    return static_cast<char>(std::stoi(id.substr(34), nullptr, 16));
  }

  mutable std::string sent, rejected;
  mutable std::map<char, std::string> reasons;
  mutable std::map<std::string, std::string> files_;
  mutable int rewrites = 0;

 private:
  std::string Remove(const std::string& id) const {
    std::erase(order_, id);
    return {};
  }
  mutable std::vector<std::string> order_;
};

LinkAnswer Http(int32_t status, std::string body) {
  return LinkAnswer{true, status, std::move(body), ""};
}
LinkAnswer Named(int32_t status, char letter) {
  return Http(status, "{\"id\":\"" + Id(letter) + "\",\"stored\":true}");
}
LinkAnswer Lost() {
  return LinkAnswer{false, 0, "", "connection closed"};
}

TEST(DeliveryLoop, EveryAnswerAndFaultOverTheQueue) {
  const std::string mismatch =
      R"({"error":"station.name: FT-99 is not the token's station FT-07","code":"station-mismatch"})";
  const struct {
    const char* story;
    std::string spool;
    std::vector<LinkAnswer> answers;  // one per post, in order
    int passes;
    bool healthy;
    std::string posted, sent, rejected, waiting;
    std::string lastNote;
  } cases[] = {
      {"stored or stored before: sent",
       "ab",
       {Named(201, 'a'), Named(200, 'b')},
       1,
       true,
       "ab",
       "ab",
       "",
       "",
       "HTTP 200"},
      {"a record that can never be delivered goes aside, the next follows",
       "abcde",
       {Http(400, R"({"error":"rows[0].item: empty"})"), Http(403, mismatch), Http(409, "{}"),
        Http(413, ""), Named(201, 'e')},
       1,
       true,
       "abcde",
       "e",
       "abcd",
       "",
       "HTTP 201"},
      {"a file that is no record goes aside unsent",
       "ugxa",
       {Named(201, 'a')},
       1,
       true,
       "a",
       "a",
       "ugx",
       "",
       "HTTP 201"},
      {"the token refused: all wait",
       "ab",
       {Http(401, "{}")},
       1,
       true,
       "a",
       "",
       "",
       "ab",
       "token refused"},
      {"store unavailable: all wait",
       "ab",
       {Http(503, "")},
       1,
       true,
       "a",
       "",
       "",
       "ab",
       "HTTP 503"},
      {"a proxy's 200 without the id: all wait",
       "ab",
       {Http(200, "<html>ok</html>")},
       1,
       true,
       "a",
       "",
       "",
       "ab",
       "answer without the record's id"},
      {"another record's id: all wait",
       "ab",
       {Named(201, 'b')},
       1,
       true,
       "a",
       "",
       "",
       "ab",
       "answer without the record's id"},
      {"204 without a body: all wait",
       "ab",
       {Http(204, "")},
       1,
       true,
       "a",
       "",
       "",
       "ab",
       "answer without the record's id"},
      {"a wrong route or a gateway: all wait",
       "ab",
       {Http(404, ""), Http(502, "")},
       2,
       true,
       "aa",
       "",
       "",
       "ab",
       "HTTP 502"},
      {"the answer lost, then the retry answered 200: sent once",
       "ab",
       {Lost(), Named(200, 'a'), Named(201, 'b')},
       2,
       true,
       "aab",
       "ab",
       "",
       "",
       "HTTP 201"},
      {"500 five times, the service healthy: aside with the answers, the next follows",
       "ab",
       {Http(500, "x"), Http(500, "x"), Http(500, "x"), Http(500, "x"), Http(500, "boom"),
        Named(201, 'b')},
       5,
       true,
       "aaaaab",
       "b",
       "a",
       "",
       "HTTP 201"},
      {"500 while the service is unwell: never aside",
       "ab",
       {Http(500, ""), Http(500, ""), Http(500, ""), Http(500, ""), Http(500, ""), Http(500, "")},
       6,
       false,
       "aaaaaa",
       "",
       "",
       "ab",
       "HTTP 500"},
      {"500s broken by a lost answer start again",
       "a",
       {Http(500, ""), Http(500, ""), Http(500, ""), Http(500, ""), Lost(), Http(500, ""),
        Http(500, ""), Http(500, ""), Http(500, "")},
       9,
       true,
       "aaaaaaaaa",
       "",
       "",
       "a",
       "HTTP 500"},
      {"a record that cannot be moved stays, the next follows",
       "mb",
       {Named(201, 'm'), Named(201, 'b')},
       1,
       true,
       "mb",
       "b",
       "",
       "m",
       "HTTP 201"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.story);
    MemoryQueue queue(c.spool);
    std::deque<LinkAnswer> answers(c.answers.begin(), c.answers.end());
    std::string posted;
    LineLink link;
    link.post = [&](const std::string& text) {
      posted += MemoryQueue::Letter(RecordFromJson(text).record->id);
      LinkAnswer answer = answers.empty() ? Lost() : answers.front();
      if (!answers.empty()) {
        answers.pop_front();
      }
      return answer;
    };
    link.healthy = [&] { return c.healthy; };
    DeliveryLoop loop(link);
    std::string lastNote;
    bool filed = false;
    for (int pass = 0; pass < c.passes; ++pass) {
      filed = loop.Pass(queue, [&](const DeliveryStep& step) {
        lastNote = step.note;
        return true;
      });
    }
    EXPECT_EQ(posted, c.posted);
    EXPECT_EQ(queue.sent, c.sent);
    EXPECT_EQ(queue.rejected, c.rejected);
    EXPECT_EQ(queue.WaitingLetters(), c.waiting);
    EXPECT_EQ(filed, c.waiting.empty());
    EXPECT_EQ(lastNote, c.lastNote);
    EXPECT_TRUE(answers.empty()) << "answers left over";
  }
}

TEST(DeliveryLoop, WhatGoesAsideKeepsItsReason) {
  MemoryQueue queue("abx");
  std::deque<LinkAnswer> answers = {
      Http(403, R"({"error":"station.name: FT-99","code":"station-mismatch"})")};
  for (int i = 0; i < kServerFaultsToSetAside; ++i) {
    answers.push_back(Http(500, "fault " + std::to_string(i)));
  }
  LineLink link{[&](const std::string&) {
                  LinkAnswer answer = answers.front();
                  answers.pop_front();
                  return answer;
                },
                [] { return true; }};
  DeliveryLoop loop(link);
  std::vector<std::string> notes;
  for (int pass = 0; pass < kServerFaultsToSetAside; ++pass) {
    loop.Pass(queue, [&](const DeliveryStep& step) {
      notes.push_back(step.note);
      return true;
    });
  }
  EXPECT_EQ(queue.rejected, "abx");
  EXPECT_EQ(notes.front(), "HTTP 403: station.name: FT-99");
  EXPECT_EQ(queue.reasons['a'],
            "HTTP 403\r\n{\"error\":\"station.name: FT-99\",\"code\":\"station-mismatch\"}");
  EXPECT_EQ(queue.reasons['x'], "not a run record: the id differs from the file name");
  EXPECT_EQ(notes[notes.size() - 2], "HTTP 500: fault 4 (5 times, the service healthy)");
  for (int i = 0; i < kServerFaultsToSetAside; ++i) {
    EXPECT_NE(queue.reasons['b'].find("HTTP 500\r\nfault " + std::to_string(i)), std::string::npos);
  }
}

TEST(Adoption, RecordsSpooledUnderTheComputersNameTakeTheConfiguredOne) {
  MemoryQueue spool("abc");
  // a: spooled before VarnexLine.ini; b: FT-07's own; c: named FT-99 on purpose.
  spool.files_[Id('a')] = RecordText(Id('a'), "STATION-07");
  spool.files_[Id('c')] = RecordText(Id('c'), "FT-99");
  StationInfo station;
  station.name = "FT-07";
  station.line = "Line 3";
  EXPECT_EQ(AdoptEarlyRecords(spool, station), 1);
  const RunRecord adopted = *RecordFromJson(spool.files_[Id('a')]).record;
  EXPECT_EQ(adopted.station, (StationInfo{"FT-07", "Line 3", "STATION-07", "Varnex", "1.0.0.1"}));
  EXPECT_EQ(adopted.formerStationName, "STATION-07");
  EXPECT_NE(spool.files_[Id('a')].find("\"formerName\": \"STATION-07\""), std::string::npos);
  EXPECT_EQ(spool.files_[Id('b')], RecordText(Id('b')));
  EXPECT_EQ(spool.files_[Id('c')], RecordText(Id('c'), "FT-99"));
  EXPECT_EQ(spool.WaitingLetters(), "abc") << "the order stays";
  // Once adopted, always adopted; a file without StationName adopts nothing.
  EXPECT_EQ(AdoptEarlyRecords(spool, station), 0);
  station.name = "STATION-07";
  EXPECT_EQ(AdoptEarlyRecords(spool, station), 0);
  EXPECT_EQ(spool.rewrites, 1);
}

}  // namespace
