// The service over HTTP, as stations, browsers and hostile clients meet it (on 127.0.0.1 only,
// bounded in count and time): every answer of the ingest route, the read routes and their
// limits, the dashboard's files and the log-on around them, floods of heads and bodies, slow and
// half-closed clients, a second service on the port, a store that cannot write, reads that
// cannot hold writes, HTTPS, and two instances on one PostgreSQL.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <tuple>

#include "line/core/Timestamp.h"
#include "line/server/ApiServer.h"
#include "line/server/Passwords.h"
#include "line/server/Tokens.h"
#include "line/store/Store.h"
#include "tests/line/support/Records.h"
#include "tests/line/support/TestStores.h"

namespace line {
namespace {

using Json = nlohmann::json;

// A running service on a free port of 127.0.0.1 over the store at `location`, its clock a week
// after the tests' runs, its deadlines short, its figures as the program keeps them.
class Service {
 public:
  explicit Service(const std::string& location, ServerOptions options = {},
                   StoreOptions storeOptions = {})
      : metrics_(ServiceMetrics(storeOptions)), store_(OpenStore(location, storeOptions)) {
    options.metrics = metrics_;
    options.webDir = VARNEX_LINE_WEB_DIR;
    options.quiet = true;
    options.clock = [] { return test::kNowMs; };
    options.limits.headTime = options.limits.bodyTime = options.limits.idleTime =
        std::chrono::milliseconds(1500);
    server_ = std::make_unique<ApiServer>(*store_, options);
    server_->Listen("127.0.0.1", 0);
    thread_ = std::thread([this] { server_->Run(); });
  }
  ~Service() {
    server_->Stop();
    thread_.join();
  }
  std::string Token(const std::string& name, TokenKind kind = TokenKind::Station) {
    std::string token = NewToken();
    store_->AddToken({TokenHash(token), kind, name, 1});
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
  std::shared_ptr<MetricsRegistry> metrics_;  // the store times its commits into it
  std::unique_ptr<Store> store_;
  std::unique_ptr<ApiServer> server_;
  std::thread thread_;
};

struct Answer {
  int status = 0;
  Json body;
  std::string text;
};

Answer Post(const Service& service, const std::string& body, const std::string& token,
            const std::string& path = "/api/v1/runs") {
  httplib::Client client = service.Client();
  httplib::Headers headers;
  if (!token.empty()) {
    headers.emplace("Authorization", token);
  }
  httplib::Result result = client.Post(path.c_str(), headers, body, "application/json");
  if (!result) {
    return {};
  }
  return {result->status, Json::parse(result->body, nullptr, false), result->body};
}

Answer Get(const Service& service, const std::string& path, const httplib::Headers& headers = {}) {
  httplib::Result result = service.Client().Get(path.c_str(), headers);
  if (!result) {
    return {};
  }
  return {result->status, Json::parse(result->body, nullptr, false), result->body};
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
  Json otherStationWrong = otherStation;
  otherStationWrong["counted"] = 1;
  Json ahead = test::RecordJson({.started = "2026-12-18T10:00:00.000+08:00"});
  Json nul = test::RecordJson({.failing = {"SIM Card"}});
  nul["rows"][8]["item"] = std::string("SIM\0Card", 8);
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
      {"a read token", good.dump(), "Bearer " + service_.Token("wall", TokenKind::Read), 401,
       "Authorization: no valid station token"},
      {"another station's record", otherStation.dump(), bearer_, 403,
       "station.name: the token belongs to station ST-A"},
      {"another station's bad record", otherStationWrong.dump(), bearer_, 400,
       "counted: not true or false"},
      {"a run two days ahead", ahead.dump(), bearer_, 400,
       "started: more than 24 hours after the service's clock (2026-12-16T00:00:00.000Z): the "
       "station's clock is wrong"},
      {"a NUL in a failing item", nul.dump(), bearer_, 400,
       "rows[8].item: holds a control character"},
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
      // Only a record that can never be delivered as it is says so.
      EXPECT_EQ(answer.body.value("code", ""), c.status == 403 ? "station-mismatch" : "") << c.what;
    } else {
      EXPECT_EQ(answer.body["status"], c.answer) << c.what;
      EXPECT_EQ(answer.body["id"], Json::parse(c.body)["id"]) << c.what;
    }
  }
  EXPECT_EQ(StoredRuns(service_), 2);

  // Every delivery counted by its answer's status, those read whole timed, and the store's
  // commits, in Prometheus's text format.
  httplib::Result metrics = service_.Client().Get("/metrics");
  ASSERT_TRUE(metrics);
  EXPECT_EQ(metrics->get_header_value("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
  const std::string& figures = metrics->body;
  for (auto [status, count] :
       {std::pair{201, 2}, {200, 1}, {409, 1}, {401, 4}, {403, 1}, {400, 5}, {413, 1}}) {
    std::string line = "\nvarnex_line_records_total{status=\"" + std::to_string(status) + "\"} " +
                       std::to_string(count) + "\n";
    EXPECT_NE(figures.find(line), std::string::npos) << line << figures;
  }
  auto figure = [&figures](const std::string& series) {
    size_t at = figures.find("\n" + series + " ");
    return at == std::string::npos ? -1.0 : std::stod(figures.substr(at + series.size() + 2));
  };
  EXPECT_NE(figures.find("# TYPE varnex_line_ingest_seconds histogram\n"), std::string::npos);
  EXPECT_EQ(figure("varnex_line_ingest_seconds_bucket{le=\"+Inf\"}"), 12);
  EXPECT_EQ(figure("varnex_line_ingest_seconds_count"), 12);
  EXPECT_GE(figure("varnex_line_store_commit_seconds_count"), 2);
  EXPECT_GE(figure("varnex_line_open_connections"), 1);
  EXPECT_GT(figure("varnex_line_store_bytes"), 4096);

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
  EXPECT_EQ(stations.body["stations"][0]["drift"], Json::array());
  // Three equal voltages: no spread, so the indexes are null.
  Answer measured = Get(service_, "/api/v1/measurements?" + range + "&station=ST-A");
  ASSERT_EQ(measured.status, 200);
  Json entry = measured.body["measurements"][0];
  EXPECT_EQ(entry, (Json{{"station", "ST-A"},
                         {"item", "AUX Voltage 3.6"},
                         {"unit", "mV"},
                         {"low", 3550.0},
                         {"high", 3650.0},
                         {"n", 3},
                         {"mean", 3599.0},
                         {"stdev", 0.0},
                         {"min", 3599.0},
                         {"max", 3599.0},
                         {"outside", 0},
                         {"mrBar", 0.0},
                         {"cp", nullptr},
                         {"cpk", nullptr},
                         {"ppk", nullptr},
                         {"histogram",
                          {{"low", 3530.0},
                           {"width", 10.0},
                           {"counts", {0, 0, 0, 0, 0, 0, 0, 1 * 3, 0, 0, 0, 0, 0, 0, 0, 0}}}}}));
  EXPECT_EQ(measured.body["from"], "2026-12-09T02:00:00.000Z");
  Answer series =
      Get(service_, "/api/v1/measurements/series?station=ST-A&item=AUX%20Voltage%203.6");
  ASSERT_EQ(series.status, 200);
  EXPECT_EQ(series.body["points"].size(), 3u);
  EXPECT_EQ(series.body["points"][2]["started"], "2026-12-09T02:25:00.000Z");
  EXPECT_EQ(std::make_tuple(series.body["center"], series.body["ucl"], series.body["signals"]),
            std::make_tuple(Json(3599.0), Json(3599.0), Json::array()));
  EXPECT_EQ(Get(service_, "/api/v1/measurements/series?station=ST-A&item=SIM%20Card").status, 404);
  Answer limits = Get(service_, "/api/v1/limits");
  ASSERT_EQ(limits.status, 200);
  Json voltage;
  for (const Json& item : limits.body["items"]) {
    if (item["item"] == "AUX Voltage 3.6") {
      voltage = item;
    }
  }
  EXPECT_EQ(voltage["reference"], (Json{{"low", 3550.0}, {"high", 3650.0}}));
  EXPECT_EQ(voltage["stations"][0]["since"], "2026-12-09T02:05:00.000Z");
  EXPECT_EQ(voltage["stations"][0]["differs"], false);
  Answer health = Get(service_, "/healthz");
  EXPECT_EQ(health.status, 200);
  EXPECT_EQ(health.text, "{\"status\":\"ok\",\"store\":\"sqlite\"}\n");

  // A record failing 512 distinct items: the answer lists 50 and counts the rest.
  Json many = test::RecordJson({.started = "2026-12-09T12:00:00.000+08:00", .outcome = "FAIL"});
  many["rows"] = Json::array();
  for (int i = 0; i < 512; ++i) {
    many["rows"].push_back(
        {{"item", "I-" + std::to_string(i)}, {"expected", ""}, {"result", "FAIL"}, {"detail", ""}});
  }
  ASSERT_EQ(Post(service_, many.dump(), bearer_).status, 201);
  pareto = Get(service_, "/api/v1/pareto?from=2026-12-09T04:00:00Z&to=2026-12-09T05:00:00Z");
  EXPECT_EQ(pareto.body["items"].size(), 50u);
  EXPECT_EQ(pareto.body["other"], (Json{{"items", 462}, {"fails", 462}}));
  EXPECT_EQ(pareto.body["fails"], 512);

  // An id two stations used: both are named, ?station= chooses.
  Json shared = test::RecordJson({.station = "ST-B"});
  shared["id"] = many["id"];
  ASSERT_EQ(Post(service_, shared.dump(), "Bearer " + service_.Token("ST-B")).status, 201);
  std::string sharedRun = "/api/v1/runs/" + shared["id"].get<std::string>();
  Answer both = Get(service_, sharedRun);
  EXPECT_EQ(both.status, 300);
  EXPECT_EQ(both.body["stations"], (Json{"ST-A", "ST-B"}));
  EXPECT_EQ(Get(service_, sharedRun + "?station=ST-B").body, shared);

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
      {"/api/v1/pareto?from=2026-01-01T00:00:00Z", "from: more than 92 days before to"},
      {"/api/v1/runs?imei=86%00", "imei: holds a control character"},
      {"/api/v1/runs?after=12~ab~z", "after: not a cursor this service gave as next"},
      {"/api/v1/runs?limit=1&pretty&sn=" + std::string(129, 'S'), "sn: longer than 128 bytes"},
      {"/api/v1/measurements?to=soon", "to: not a time like 2026-12-09T10:00:00Z"},
      {"/api/v1/measurements/series?item=x", "station: missing"},
      {"/api/v1/measurements/series?station=ST-A", "item: missing"},
      {"/api/v1/measurements/series?station=ST-A&item=x&last=1",
       "last: not a number from 2 to 5000"},
      {"/api/v1/measurements/series?station=ST-A&item=x&last=5001",
       "last: not a number from 2 to 5000"},
  };
  for (const auto& [path, error] : refused) {
    Answer answer = Get(service_, path);
    EXPECT_EQ(answer.status, 400) << path;
    EXPECT_EQ(answer.body["error"], error) << path;
  }
  EXPECT_EQ(Get(service_, "/api/v1/runs/00000000-0000-4000-8000-0000000fffff").status, 404);
  EXPECT_EQ(Get(service_, "/api/v2/runs").body["error"], "no such page");
}

TEST_F(ApiTest, ServesTheDashboardAndItsChartingLibraryAndHoldsItsPort) {
  httplib::Client client = service_.Client();
  httplib::Result page = client.Get("/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("<title>Varnex line</title>"), std::string::npos);
  EXPECT_NE(page->body.find("vendor/chart.min.js"), std::string::npos);
  // Only its own scripts, never in another site's frame, never sniffed.
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("frame-ancestors 'none'"),
            std::string::npos);
  EXPECT_EQ(page->get_header_value("X-Content-Type-Options"), "nosniff");
  httplib::Result script = client.Get("/dashboard.js");
  ASSERT_TRUE(script);
  EXPECT_EQ(script->status, 200);
  httplib::Result chart = client.Get("/vendor/chart.min.js");
  ASSERT_TRUE(chart);
  EXPECT_EQ(chart->status, 200);
  EXPECT_NE(chart->body.find("Chart.js v"), std::string::npos);
  EXPECT_EQ(chart->get_header_value("Content-Type"), "application/javascript");

  // A second service on the same port does not start: the stations' connections would be
  // split between two services.
  ApiServer second(service_.Data(), {});
  std::string address = "127.0.0.1:" + std::to_string(service_.Port());
  try {
    second.Listen("127.0.0.1", service_.Port());
    ADD_FAILURE() << "a second service listens on " << address;
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()).rfind("cannot listen on " + address + ": ", 0), 0u);
  }
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
  // False when the server stopped taking it.
  bool Send(const std::string& text) {
    return ::send(socket_, text.data(), text.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(text.size());
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

// Whatever the head or body, a request costs at most its limits: it is answered (or dropped)
// once they are passed, and the service goes on serving.
TEST_F(ApiTest, FloodsOfHeadsAndBodiesAreRefusedAtTheirLimits) {
  std::string post =
      "POST /api/v1/runs HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: " + bearer_ + "\r\n";
  std::string chunks;
  for (int i = 0; i < 8; ++i) {
    chunks += "10000\r\n" + std::string(0x10000, 'x') + "\r\n";  // 512 KiB in all
  }
  std::string longFields, manyFields;
  for (int i = 0; i < 100; ++i) {
    longFields += "X-Pad-" + std::to_string(i) + ": " + std::string(100, 'p') + "\r\n";
    manyFields += "X" + std::to_string(i) + ": 1\r\n";
  }
  const std::string tooLarge = "body: larger than 262144 bytes";
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"a chunked body past 256 KiB", post + "Transfer-Encoding: chunked\r\n\r\n" + chunks,
       "413 " + tooLarge},
      {"a declared body past 256 KiB", post + "Content-Length: 300000\r\n\r\n", "413 " + tooLarge},
      {"a body without a token",
       "POST /api/v1/runs HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 200000\r\n\r\n",
       "401 Authorization: no valid station token"},
      {"10 KiB of head", "GET /healthz HTTP/1.1\r\n" + longFields + "\r\n",
       "431 request: a head larger than 8192 bytes"},
      {"100 fields", "GET /healthz HTTP/1.1\r\n" + manyFields + "\r\n",
       "431 request: more than 64 header fields"},
      {"a body on a read", "GET /healthz HTTP/1.1\r\nContent-Length: 10\r\n\r\n0123456789",
       "413 body: larger than 0 bytes"},
      {"a chunk size without end",
       post + "Transfer-Encoding: chunked\r\n\r\n" + std::string(64 * 1024, '1'),
       "400 request: a line longer than 16384 bytes"},
      {"another site's name for this machine",
       "GET /api/v1/stations HTTP/1.1\r\nHost: evil.example:8080\r\n\r\n",
       "421 Host: this service answers only to a loopback name, not evil.example:8080"},
  };
  for (const auto& [what, request, expected] : cases) {
    RawClient client(service_.Port());
    client.Send(request);
    client.CloseSending();
    std::string answer = client.ReadToEnd();
    size_t body = answer.find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos) << what << ": " << answer.substr(0, 200);
    std::string status = answer.substr(9, 3);
    EXPECT_EQ(
        status + " " + Json::parse(answer.substr(body + 4), nullptr, false).value("error", ""),
        expected)
        << what;
  }
  EXPECT_EQ(StoredRuns(service_), 0);
  EXPECT_EQ(Get(service_, "/healthz").status, 200);
}

// 64 clients sending a header line now and then, and three that stall, cost sockets only:
// stations are served meanwhile, and each stalled client is dropped at its deadline.
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
  std::vector<std::unique_ptr<RawClient>> slow;
  for (int i = 0; i < 64; ++i) {
    slow.push_back(std::make_unique<RawClient>(service_.Port()));
    slow.back()->Send("GET /api/v1/stations HTTP/1.1\r\n");
  }
  std::atomic<bool> dripping{true};
  std::thread drip([&] {
    for (int round = 0; round < 15 && dripping; ++round) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      for (auto& client : slow) {
        client->Send("X-Slow: " + std::to_string(round) + "\r\n");
      }
    }
  });

  // While they hang, others are served at once.
  httplib::Client station = service_.Client();
  station.set_read_timeout(3, 0);
  httplib::Headers authorization{{"Authorization", bearer_}};
  for (int i = 0; i < 5; ++i) {
    httplib::Result posted =
        station.Post("/api/v1/runs", authorization, test::RecordJson().dump(), "application/json");
    EXPECT_TRUE(posted && posted->status == 201) << i;
  }
  dripping = false;
  drip.join();

  // The server gives up on each of them within its deadlines, with no success answer.
  for (RawClient* client : {&stalledInHeaders, &stalledInBody, &halfClosed}) {
    std::string answer = client->ReadToEnd();
    EXPECT_NE(answer, "TIMEOUT");
    EXPECT_EQ(answer.find("HTTP/1.1 2"), std::string::npos) << answer;
  }
  for (auto& client : slow) {
    if (client) {
      EXPECT_EQ(client->ReadToEnd(), "");
    }
  }
  EXPECT_EQ(StoredRuns(service_), 5);
}

// A runs answer holds at most 8 MiB of records; "next" continues it, and every run comes once.
TEST_F(ApiTest, LargeReadsAreCutAndContinued) {
  std::set<std::string> ids;
  for (int i = 0; i < 36; ++i) {
    Json record = test::RecordJson();
    record["rows"].erase(record["rows"].begin() + 15, record["rows"].end());
    for (Json& row : record["rows"]) {
      row["detail"] = std::string(16000, 'd');
    }
    ids.insert(record["id"].get<std::string>());
    ASSERT_EQ(Post(service_, record.dump(), bearer_).status, 201);
  }
  std::set<std::string> seen;
  std::string path = "/api/v1/runs?limit=1000";
  Answer page = Get(service_, path);
  ASSERT_EQ(page.status, 200);
  EXPECT_LE(page.text.size(), 8u * 1024 * 1024 + 1024);
  ASSERT_TRUE(page.body.contains("next"));
  for (int pages = 0; pages < 4 && page.status == 200; ++pages) {
    for (const Json& run : page.body["runs"]) {
      EXPECT_TRUE(seen.insert(run["id"].get<std::string>()).second);
    }
    if (!page.body.contains("next")) {
      break;
    }
    page = Get(service_, path + "&after=" + page.body["next"].get<std::string>());
  }
  EXPECT_EQ(seen, ids);
  Answer pretty = Get(service_, "/api/v1/runs?limit=10&pretty");
  EXPECT_EQ(pretty.status, 400);
  EXPECT_EQ(pretty.body["error"],
            "pretty: only for answers up to 1 MiB (narrow the question or leave it out)");
}

// The 5xx answers say only what happened; the why goes to the log.
TEST_F(ApiTest, AStoreThatCannotWriteOrRefusesARecordAnswersWithoutItsInternalText) {
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(location_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::string record = test::RecordJson().dump();
  Answer blocked = Post(service_, record, bearer_);
  EXPECT_EQ(blocked.status, 503);
  EXPECT_EQ(blocked.text, "{\"error\":\"store unavailable\"}\n");
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(Post(service_, record, bearer_).status, 201);  // the station's retry

  test::QueryText(location_,
                  "CREATE TRIGGER poison BEFORE INSERT ON runs WHEN NEW.operator_name = 'x' "
                  "BEGIN SELECT RAISE(ABORT, 'secret detail'); END");
  Json refused = test::RecordJson();
  refused["operator"] = "x";
  Answer failed = Post(service_, refused.dump(), bearer_);
  EXPECT_EQ(failed.status, 500);
  EXPECT_EQ(failed.text, "{\"error\":\"internal error\"}\n");
}

// Where log-on is required (off loopback, or asked for), reads need a viewer's session or a
// read token; station tokens only post; the log-on page itself is open.
TEST_F(ApiTest, ReadsNeedAViewerOrAReadTokenWhereLogOnIsRequired) {
  EXPECT_FALSE(ReadsNeedLogIn("127.0.0.1", false, false));
  EXPECT_FALSE(ReadsNeedLogIn("::1", false, false));
  EXPECT_TRUE(ReadsNeedLogIn("0.0.0.0", false, false));
  EXPECT_TRUE(ReadsNeedLogIn("line.plant.example", false, false));
  EXPECT_FALSE(ReadsNeedLogIn("10.1.2.3", false, true));
  EXPECT_TRUE(ReadsNeedLogIn("127.0.0.1", true, false));

  Service service(location_, {.requireLogIn = true});
  service.Data().SetUser("ana", HashPassword("correct horse"), 1);
  httplib::Headers none;
  httplib::Headers reader{{"Authorization", "Bearer " + service.Token("wall", TokenKind::Read)}};
  httplib::Headers station{{"Authorization", bearer_}};
  const std::tuple<std::string, httplib::Headers, int> cases[] = {
      {"/api/v1/stations", none, 401},
      {"/api/v1/stations", reader, 200},
      {"/api/v1/stations", station, 401},
      {"/metrics", none, 401},
      {"/metrics", reader, 200},
      {"/metrics", station, 401},
      {"/", none, 303},
      {"/dashboard.js", none, 401},
      {"/login.html", none, 200},
      {"/healthz", none, 200},
  };
  for (const auto& [path, headers, status] : cases) {
    EXPECT_EQ(Get(service, path, headers).status, status) << path;
  }
  httplib::Client client = service.Client();
  const char* form = "application/x-www-form-urlencoded";
  httplib::Result wrong = client.Post("/login", "user=ana&password=wrong", form);
  EXPECT_EQ(wrong->get_header_value("Location"), "login.html?failed");
  httplib::Result elsewhere = client.Post("/login", {{"Origin", "http://evil.example"}},
                                          "user=ana&password=correct+horse", form);
  EXPECT_EQ(elsewhere->status, 403);
  httplib::Result logged = client.Post("/login", "user=ana&password=correct+horse", form);
  ASSERT_EQ(logged->status, 303);
  std::string cookie = logged->get_header_value("Set-Cookie");
  EXPECT_NE(cookie.find("; HttpOnly; SameSite=Strict"), std::string::npos) << cookie;
  httplib::Headers session{{"Cookie", "other=1; " + cookie.substr(0, cookie.find(';'))}};
  EXPECT_EQ(Get(service, "/api/v1/stations", session).status, 200);
  EXPECT_EQ(client.Post("/logout", session, "", form)->status, 303);
  EXPECT_EQ(Get(service, "/api/v1/stations", session).status, 401);
}

// Every instance on the store refuses a removed token within five seconds, also one that had
// just taken it.
TEST_F(ApiTest, ARemovedTokenIsRefusedWithinFiveSecondsByEveryInstance) {
  ASSERT_EQ(Post(service_, test::RecordJson().dump(), bearer_).status, 201);
  Service other(location_);
  EXPECT_EQ(other.Data().RemoveTokens(TokenId(TokenHash(bearer_.substr(7)))), 1);
  auto removed = std::chrono::steady_clock::now();
  auto lastTaken = removed;  // when the last post that was still taken was sent
  int status = 201;
  while (status == 201 && std::chrono::steady_clock::now() - removed < std::chrono::seconds(8)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto sent = std::chrono::steady_clock::now();
    status = Post(service_, test::RecordJson().dump(), bearer_).status;
    lastTaken = status == 201 ? sent : lastTaken;
  }
  EXPECT_EQ(status, 401);
  EXPECT_LE(lastTaken - removed, std::chrono::seconds(5));
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

// Readers waiting for a store that does not answer hold neither a station's delivery nor the
// store for long: they are given up at their deadline with 503, and the delivery is stored at
// once meanwhile.
TEST(ApiPostgres, ReadsWaitingForTheStoreHoldNoDelivery) {
  std::string url = test::FreshPostgresDatabase();
  Service service(url, {.readThreads = 4}, {.readTimeoutMs = 4000});
  std::string bearer = "Bearer " + service.Token("ST-A");
  PGconn* lock = PQconnectdb(url.c_str());
  PQclear(PQexec(lock, "BEGIN; LOCK TABLE hourly IN ACCESS EXCLUSIVE MODE"));
  std::atomic<int> unavailable{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 4; ++i) {  // every read worker waits
    readers.emplace_back([&] {
      unavailable += Get(service, "/api/v1/yield?from=2026-12-09T00:00:00Z").status == 503;
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // An uncounted run changes no hour: storing it needs nothing the lock holds.
  Json uncounted = test::RecordJson({.outcome = "ABANDONED", .counted = false});
  EXPECT_EQ(Post(service, uncounted.dump(), bearer).status, 201);
  EXPECT_EQ(unavailable, 0);  // stored while every reader still waited
  for (std::thread& reader : readers) {
    reader.join();
  }
  EXPECT_EQ(unavailable, 4);
  PQclear(PQexec(lock, "ROLLBACK"));
  PQfinish(lock);
  EXPECT_EQ(Get(service, "/api/v1/yield?from=2026-12-09T00:00:00Z").status, 200);
}

}  // namespace
}  // namespace line
