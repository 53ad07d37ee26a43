// The service over HTTP, as stations, browsers and bad clients meet it: every answer of the
// ingest route, the read routes and their parameters, the dashboard's files, slow and
// half-closed clients, a store that cannot write, HTTPS, and two instances on one PostgreSQL.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "line/core/Timestamp.h"
#include "line/server/ApiServer.h"
#include "line/server/Tokens.h"
#include "line/store/Store.h"
#include "tests/line/support/Records.h"
#include "tests/line/support/TestStores.h"

namespace line {
namespace {

using Json = nlohmann::json;

// A running service on a free port of 127.0.0.1 over the store at `location`.
class Service {
 public:
  explicit Service(const std::string& location, ServerOptions options = {})
      : store_(OpenStore(location)) {
    options.webDir = VARNEX_LINE_WEB_DIR;
    options.quiet = true;
    server_ = std::make_unique<ApiServer>(*store_, options);
    EXPECT_TRUE(server_->Bind("127.0.0.1", 0));
    thread_ = std::thread([this] { server_->Run(); });
  }
  ~Service() {
    server_->Stop();
    thread_.join();
  }
  std::string Token(const std::string& station) {
    std::string token = NewToken();
    store_->AddToken(station, TokenHash(token), 1);
    return token;
  }
  httplib::Client Client() const {
    httplib::Client client("127.0.0.1", server_->Port());
    client.set_read_timeout(30, 0);
    return client;
  }
  int Port() const { return server_->Port(); }
  Store& Data() { return *store_; }

 private:
  std::unique_ptr<Store> store_;
  std::unique_ptr<ApiServer> server_;
  std::thread thread_;
};

struct Answer {
  int status = 0;
  Json body;
};

Answer Post(const Service& service, const std::string& body, const std::string& token) {
  httplib::Client client = service.Client();
  httplib::Headers headers;
  if (!token.empty()) {
    headers.emplace("Authorization", token);
  }
  httplib::Result result = client.Post("/api/v1/runs", headers, body, "application/json");
  if (!result) {
    return {};
  }
  return {result->status, Json::parse(result->body, nullptr, false)};
}

Answer Get(const Service& service, const std::string& path) {
  httplib::Result result = service.Client().Get(path.c_str());
  if (!result) {
    return {};
  }
  return {result->status, Json::parse(result->body, nullptr, false)};
}

int StoredRuns(const Service& service) {
  return Get(service, "/api/v1/runs?limit=1000").body["count"].get<int>();
}

class ApiTest : public ::testing::Test {
 protected:
  test::TempFolder folder_;
  std::string location_ = test::StoreLocation("sqlite", folder_);
  Service service_{location_};
  std::string bearer_ = "Bearer " + service_.Token("ST-A");
};

TEST_F(ApiTest, IngestAnswersEachKindOfRequestWithItsCodeAndStoresOnlyGoodRecords) {
  Json good = test::RecordJson();
  Json changed = good;
  changed["outcome"] = "FAIL";
  Json otherStation = test::RecordJson({.station = "ST-B"});
  Json wrongType = test::RecordJson();
  wrongType["counted"] = 1;
  Json sql = test::RecordJson({.imei1 = "1' OR '1'='1"});
  sql["rows"][5]["detail"] = "'); DELETE FROM runs; --";
  std::string oversized = test::RecordJson().dump();
  oversized.insert(oversized.size() - 1, ",\"pad\":\"" + std::string(300 * 1024, 'x') + "\"");
  std::string id = good["id"];

  struct Case {
    const char* what;
    std::string body;
    std::string authorization;
    int status;
    const char* answer;  // "status" of a success, "error" of a refusal
  };
  const Case cases[] = {
      {"a new record", good.dump(), bearer_, 201, "stored"},
      {"the same again", good.dump(), bearer_, 200, "already stored"},
      {"the same id, other content", changed.dump(), bearer_, 409, nullptr},
      {"no token", good.dump(), "", 401, "Authorization: no valid station token"},
      {"a wrong token", good.dump(), "Bearer vxl_0000", 401,
       "Authorization: no valid station token"},
      {"not a bearer token", good.dump(), "Basic c3Q6cHc=", 401,
       "Authorization: no valid station token"},
      {"another station's record", otherStation.dump(), bearer_, 401,
       "station.name: the token belongs to station ST-A"},
      {"malformed JSON", "{\"id\": }", bearer_, 400, "body: not valid JSON (byte 8)"},
      {"a wrong type", wrongType.dump(), bearer_, 400, "counted: not true or false"},
      {"an oversized body", oversized, bearer_, 413, "body: larger than 262144 bytes"},
      {"SQL in codes and details", sql.dump(), bearer_, 201, "stored"},
  };
  for (const Case& c : cases) {
    Answer answer = Post(service_, c.body, c.authorization);
    EXPECT_EQ(answer.status, c.status) << c.what;
    if (c.status >= 400) {
      std::string expected =
          c.answer ? c.answer : "id: " + id + " is already stored with other content";
      EXPECT_EQ(answer.body["error"], expected) << c.what;
    } else {
      EXPECT_EQ(answer.body["status"], c.answer) << c.what;
    }
  }
  EXPECT_EQ(StoredRuns(service_), 2);
  Answer found = Get(service_, "/api/v1/runs?imei=1%27%20OR%20%271%27%3D%271");
  ASSERT_EQ(found.body["count"], 1);
  EXPECT_EQ(found.body["runs"][0]["rows"][5]["detail"], "'); DELETE FROM runs; --");
  EXPECT_EQ(Get(service_, "/api/v1/runs/" + id).body, good);
  // Answers are compact, the records in them as stored; indented when asked.
  auto text = [this](const std::string& path) {
    httplib::Result result = service_.Client().Get(path.c_str());
    return result ? result->body : std::string();
  };
  EXPECT_EQ(text("/api/v1/runs/" + id), good.dump() + "\n");
  EXPECT_EQ(text("/api/v1/runs/" + id + "?pretty=1"), good.dump(2) + "\n");
  EXPECT_EQ(text("/api/v1/runs?imei=" + good["codes"]["imei1"].get<std::string>()),
            R"({"count":1,"runs":[)" + good.dump() + "]}\n");
  std::string pareto = "/api/v1/pareto?from=2026-12-09T00:00:00Z&to=2026-12-10T00:00:00Z";
  EXPECT_EQ(text(pareto + "&pretty"), Json::parse(text(pareto)).dump(2) + "\n");
  EXPECT_EQ(text(pareto).find('\n'), text(pareto).size() - 1);
}

TEST_F(ApiTest, ReadRoutesAnswerTheStoredNumbersAndRefuseBadParametersByName) {
  std::string hour = "2026-12-09T10:";
  std::vector<test::RunSpec> runs = {
      {"ST-A", hour + "05:00.000+08:00", "FAIL", true, "860000000000011", "S1", {"SIM Card"}},
      {"ST-A", hour + "15:00.000+08:00", "PASS", true, "860000000000011", "S1", {}},
      {"ST-A", hour + "25:00.000+08:00", "PASS", true, "860000000000029", "S2", {}},
  };
  for (const test::RunSpec& run : runs) {
    ASSERT_EQ(Post(service_, test::RecordJson(run).dump(), bearer_).status, 201);
  }
  std::string range = "from=2026-12-09T02:00:00Z&to=2026-12-09T03:00:00Z";
  Answer yield = Get(service_, "/api/v1/yield?" + range + "&station=ST-A");
  ASSERT_EQ(yield.status, 200);
  Json point = yield.body["stations"][0]["points"][0];
  EXPECT_EQ(point["start"], "2026-12-09T02:00:00.000Z");
  EXPECT_EQ(point["counted"], 3);
  EXPECT_EQ(point["passed"], 2);
  EXPECT_DOUBLE_EQ(point["yield"].get<double>(), 2.0 / 3);
  EXPECT_EQ(point["firstTested"], 2);
  EXPECT_DOUBLE_EQ(point["firstPassYield"].get<double>(), 0.5);
  EXPECT_EQ(yield.body["total"][0]["counted"], 3);
  Answer days = Get(service_, "/api/v1/yield?" + range + "&bucket=day&tz=%2B08:00");
  EXPECT_EQ(days.body["stations"][0]["points"][0]["start"], "2026-12-08T16:00:00.000Z");

  Answer pareto = Get(service_, "/api/v1/pareto?" + range);
  EXPECT_EQ(pareto.body["fails"], 1);
  EXPECT_EQ(pareto.body["items"][0]["item"], "SIM Card");
  EXPECT_EQ(pareto.body["items"][0]["cumulative"], 1.0);

  Answer stations = Get(service_, "/api/v1/stations");
  EXPECT_EQ(stations.body["stations"][0]["name"], "ST-A");
  EXPECT_EQ(stations.body["stations"][0]["recent"]["fails"], 1);
  EXPECT_EQ(stations.body["stations"][0]["alarm"], true);
  Answer health = Get(service_, "/healthz");
  EXPECT_EQ(health.status, 200);
  EXPECT_EQ(health.body["store"], "sqlite");

  const std::pair<std::string, std::string> refused[] = {
      {"/api/v1/runs?from=yesterday", "from: not a time like 2026-12-09T10:00:00Z"},
      {"/api/v1/runs?limit=0", "limit: not a number from 1 to 1000"},
      {"/api/v1/runs?limit=1001", "limit: not a number from 1 to 1000"},
      {"/api/v1/runs?limit=12abc", "limit: not a number from 1 to 1000"},
      {"/api/v1/runs?imei=" + std::string(200, '8'), "imei: longer than 128 bytes"},
      {"/api/v1/yield?bucket=week", "bucket: not hour or day"},
      {"/api/v1/yield?tz=%2B25:00", "tz: not an offset like +08:00 or Z"},
      {"/api/v1/yield?from=2020-01-01T00:00:00Z", "from: too far before to for this bucket"},
      {"/api/v1/pareto?from=2026-12-09T03:00:00Z&to=2026-12-09T02:00:00Z", "from: later than to"},
  };
  for (const auto& [path, error] : refused) {
    Answer answer = Get(service_, path);
    EXPECT_EQ(answer.status, 400) << path;
    EXPECT_EQ(answer.body["error"], error) << path;
  }
  EXPECT_EQ(Get(service_, "/api/v1/runs/00000000-0000-4000-8000-0000000fffff").status, 404);
  EXPECT_EQ(Get(service_, "/api/v2/runs").body["error"], "no such page");
}

TEST_F(ApiTest, ServesTheDashboardAndItsChartingLibrary) {
  httplib::Client client = service_.Client();
  httplib::Result page = client.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("<title>Varnex line</title>"), std::string::npos);
  EXPECT_NE(page->body.find("vendor/chart.min.js"), std::string::npos);
  httplib::Result script = client.Get("/dashboard.js");
  ASSERT_TRUE(script);
  EXPECT_EQ(script->status, 200);
  httplib::Result chart = client.Get("/vendor/chart.min.js");
  ASSERT_TRUE(chart);
  EXPECT_EQ(chart->status, 200);
  EXPECT_NE(chart->body.find("Chart.js v"), std::string::npos);
  EXPECT_EQ(chart->get_header_value("Content-Type"), "application/javascript");
}

// A raw connection that sends what it is told and then says nothing.
class RawClient {
 public:
  explicit RawClient(int port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    timeval wait{20, 0};
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  }
  ~RawClient() { ::close(socket_); }
  void Send(const std::string& text) {
    EXPECT_EQ(::send(socket_, text.data(), text.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(text.size()));
  }
  void CloseSending() { ::shutdown(socket_, SHUT_WR); }
  // Everything the server sends until it closes (or 20 s pass: then "TIMEOUT").
  std::string ReadToEnd() {
    std::string text;
    char buffer[4096];
    for (;;) {
      ssize_t count = ::recv(socket_, buffer, sizeof buffer, 0);
      if (count == 0)
        return text;
      if (count < 0)
        return errno == EAGAIN ? "TIMEOUT" : text;
      text.append(buffer, static_cast<size_t>(count));
    }
  }

 private:
  int socket_;
};

TEST_F(ApiTest, SlowAndHalfClosedClientsStoreNothingAndTheServiceKeepsServing) {
  std::string body = test::RecordJson().dump();
  std::string head =
      "POST /api/v1/runs HTTP/1.1\r\nHost: line\r\nAuthorization: " + bearer_ +
      "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
      "\r\n\r\n";
  RawClient stalledInHeaders(service_.Port());
  stalledInHeaders.Send(head.substr(0, 30));
  RawClient stalledInBody(service_.Port());
  stalledInBody.Send(head + body.substr(0, 100));
  RawClient halfClosed(service_.Port());
  halfClosed.Send(head + body.substr(0, body.size() / 2));
  halfClosed.CloseSending();

  // While they hang, others are served.
  EXPECT_EQ(Get(service_, "/healthz").status, 200);
  EXPECT_EQ(Post(service_, test::RecordJson().dump(), bearer_).status, 201);

  // The server gives up on each of them within its read time-out, with no success answer.
  for (RawClient* client : {&stalledInHeaders, &stalledInBody, &halfClosed}) {
    std::string answer = client->ReadToEnd();
    EXPECT_NE(answer, "TIMEOUT");
    EXPECT_EQ(answer.find("HTTP/1.1 2"), std::string::npos) << answer;
  }
  EXPECT_EQ(StoredRuns(service_), 1);
  EXPECT_EQ(Get(service_, "/healthz").status, 200);
}

TEST_F(ApiTest, AStoreThatCannotWriteAnswers503SoTheStationKeepsItsRecord) {
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(location_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::string record = test::RecordJson().dump();
  Answer blocked = Post(service_, record, bearer_);
  EXPECT_EQ(blocked.status, 503);
  EXPECT_EQ(blocked.body["error"].get<std::string>().rfind("store unavailable: ", 0), 0u);
  EXPECT_EQ(Get(service_, "/healthz").status, 200);  // readers are not held up
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(Post(service_, record, bearer_).status, 201);  // the station's retry
}

TEST(ApiHttps, AnswersOverTlsWithTheGivenCertificate) {
  test::TempFolder folder;
  std::string cert = (folder.Path() / "cert.pem").string();
  std::string key = (folder.Path() / "key.pem").string();
  std::string make =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -keyout " + key +
      " -out " + cert + " 2>/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0) << "openssl could not make a certificate";
  ServerOptions options;
  options.certFile = cert;
  options.keyFile = key;
  Service service(test::StoreLocation("sqlite", folder), options);
  httplib::SSLClient client("127.0.0.1", service.Port());
  client.enable_server_certificate_verification(false);
  httplib::Result health = client.Get("/healthz");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  httplib::Client plain = service.Client();
  EXPECT_FALSE(plain.Get("/healthz") && plain.Get("/healthz")->status == 200);
}

// Two services of a plant on one database: a station may reach either one, with either a first
// delivery or a retry, and every record is stored exactly once.
TEST(ApiPostgres, TwoServiceInstancesOnOneDatabaseStoreEachRecordOnce) {
  std::string url = test::FreshPostgresDatabase();
  Service first(url);
  Service second(url);
  std::string bearer = "Bearer " + first.Token("ST-A");

  Json record = test::RecordJson();
  EXPECT_EQ(Post(first, record.dump(), bearer).status, 201);
  EXPECT_EQ(Post(second, record.dump(), bearer).status, 200);
  record["operator"] = "bob";
  EXPECT_EQ(Post(second, record.dump(), bearer).status, 409);

  std::vector<std::string> bodies;
  for (int i = 0; i < 40; ++i) {
    bodies.push_back(test::RecordJson({.started = FormatLocal(1796781600000 + i * 60000LL, 480),
                                       .imei1 = "86" + std::to_string(3000000000000LL + i)})
                         .dump());
  }
  std::atomic<int> created{0};
  std::atomic<int> repeated{0};
  auto deliver = [&](const Service& service, bool backwards) {
    for (size_t n = 0; n < bodies.size(); ++n) {
      int status = Post(service, bodies[backwards ? bodies.size() - 1 - n : n], bearer).status;
      (status == 201 ? created : repeated) += 1;
      EXPECT_TRUE(status == 201 || status == 200) << status;
    }
  };
  std::thread one(deliver, std::cref(first), false);
  std::thread two(deliver, std::cref(second), true);
  one.join();
  two.join();
  EXPECT_EQ(created, 40);
  EXPECT_EQ(repeated, 40);
  EXPECT_EQ(Get(second, "/api/v1/stations").body["stations"][0]["runs"], 41);
  EXPECT_EQ(Get(first, "/api/v1/runs?limit=1000").body["count"], 41);
  EXPECT_EQ(Get(first, "/healthz").body["store"], "postgresql");
}

}  // namespace
}  // namespace line
