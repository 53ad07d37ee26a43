#include "bench/line/HostileLoad.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "line/sample/SampleRuns.h"
#include "line/server/ApiServer.h"
#include "line/server/Tokens.h"
#include "line/store/Store.h"

namespace line {
namespace {

using Clock = std::chrono::steady_clock;

int Connect(int port) {
  int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(socket);
    return -1;
  }
  return socket;
}

bool SendAll(int socket, const std::string& text) {
  return ::send(socket, text.data(), text.size(), MSG_NOSIGNAL) ==
         static_cast<ssize_t>(text.size());
}

int64_t PeakRssMiB(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stoll(line.substr(6)) / 1024;
    }
  }
  return -1;
}

// A record of ~240 KB: what makes a runs answer reach its 8 MiB with a few dozen runs.
std::string LargeRecord(SampleRuns& sample, const SampleStation& station, int64_t startedMs) {
  nlohmann::json record = nlohmann::json::parse(sample.Record(station, startedMs, 480, true));
  record["rows"].erase(record["rows"].begin() + 15, record["rows"].end());
  for (nlohmann::json& row : record["rows"]) {
    row["detail"] = std::string(16000, 'd');
  }
  return record.dump();
}

}  // namespace

int HostileLoad(const HostileOptions& options) {
  std::unique_ptr<Store> store = OpenStore(options.db);
  SampleStation station = SampleRuns::DemoStations(1).front();
  std::string token = NewToken();
  store->AddToken({TokenHash(token), TokenKind::Station, station.name, NowMs()});
  store.reset();
  httplib::Headers bearer{{"Authorization", "Bearer " + token}};
  std::string url = "http://127.0.0.1:" + std::to_string(options.port);
  SampleRuns sample(3);
  int64_t now = NowMs();
  {
    httplib::Client client(url);
    for (int i = 0; i < 40; ++i) {
      auto posted =
          client.Post("/api/v1/runs", bearer,
                      LargeRecord(sample, station, now - (100 - i) * 60000LL), "application/json");
      if (!posted || posted->status != 201) {
        std::cerr << "could not store the large records\n";
        return 1;
      }
    }
  }

  std::atomic<bool> running{true};
  std::vector<std::thread> threads;
  std::atomic<int64_t> slowOpened{0}, floodBytes{0}, floodRefused{0}, reads{0}, readBytes{0},
      readsBusy{0};

  // 64 connections that send one header line every 2 s; one the service drops is opened again.
  threads.emplace_back([&] {
    std::vector<int> slow(64, -1);
    for (int round = 0; running; ++round) {
      for (int& socket : slow) {
        if (socket < 0 || !SendAll(socket, "X-Slow-" + std::to_string(round) + ": 1\r\n")) {
          if (socket >= 0) {
            ::close(socket);
          }
          socket = Connect(options.port);
          slowOpened += 1;
          SendAll(socket, "GET /api/v1/stations HTTP/1.1\r\nHost: 127.0.0.1\r\n");
        }
      }
      for (int i = 0; i < 20 && running; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    }
    for (int socket : slow) {
      ::close(socket);
    }
  });
  // Two chunked floods with a valid token, each sent as fast as the service takes it.
  for (int f = 0; f < 2; ++f) {
    threads.emplace_back([&] {
      std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
      while (running) {
        int socket = Connect(options.port);
        SendAll(socket, "POST /api/v1/runs HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " +
                            token + "\r\nTransfer-Encoding: chunked\r\n\r\n");
        while (running && SendAll(socket, chunk)) {
          floodBytes += static_cast<int64_t>(chunk.size());
        }
        char answer[16] = {};
        if (::recv(socket, answer, sizeof answer - 1, 0) > 0 &&
            std::string(answer).find(" 413") != std::string::npos) {
          floodRefused += 1;
        }
        ::close(socket);
      }
    });
  }
  // Eight readers asking for a thousand runs at once, again and again.
  for (int r = 0; r < 8; ++r) {
    threads.emplace_back([&] {
      httplib::Client client(url);
      client.set_read_timeout(60, 0);
      while (running) {
        auto answer = client.Get("/api/v1/runs?limit=1000");
        if (answer && answer->status == 200) {
          reads += 1;
          readBytes += static_cast<int64_t>(answer->body.size());
        } else if (answer && answer->status == 503) {
          readsBusy += 1;
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
      }
    });
  }

  // Meanwhile a station posts its records, one after the other, as it does on the line.
  std::vector<double> latencies;
  int64_t failed = 0;
  httplib::Client stationClient(url);
  stationClient.set_keep_alive(true);
  stationClient.set_read_timeout(30, 0);
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the load is up
  Clock::time_point end = Clock::now() + std::chrono::seconds(options.seconds);
  for (int64_t i = 0; Clock::now() < end; ++i) {
    std::string body = sample.Record(station, now + i * 1000, 480, true);
    Clock::time_point sent = Clock::now();
    auto posted = stationClient.Post("/api/v1/runs", bearer, body, "application/json");
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    failed += !(posted && posted->status == 201);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  running = false;
  for (std::thread& thread : threads) {
    thread.join();
  }
  std::sort(latencies.begin(), latencies.end());
  auto at = [&](double share) {
    return latencies[std::min(latencies.size() - 1, static_cast<size_t>(share * latencies.size()))];
  };
  std::printf(
      "result: hostile %-10s station POST p50 %.1f ms, p99 %.1f ms, max %.1f ms (%zu posts, %lld "
      "not stored); under 64 slow connections (%lld opened), 2 chunked floods (%lld MiB sent, "
      "%lld times 413), 8 readers (%lld answers, %lld MiB, %lld busy); peak RSS of the service "
      "%lld MiB\n",
      options.label.c_str(), at(0.5), at(0.99), latencies.back(), latencies.size(),
      static_cast<long long>(failed), static_cast<long long>(slowOpened.load()),
      static_cast<long long>(floodBytes / (1 << 20)), static_cast<long long>(floodRefused.load()),
      static_cast<long long>(reads.load()), static_cast<long long>(readBytes / (1 << 20)),
      static_cast<long long>(readsBusy.load()),
      static_cast<long long>(options.servicePid ? PeakRssMiB(options.servicePid) : -1));
  return failed == 0 ? 0 : 1;
}

}  // namespace line
