// The service under a hostile load while a station posts: 64 connections sending a header line
// every 2 s, two chunked floods with a valid token and eight readers asking for a thousand runs
// at once. Prints the station's answer times and the service's peak memory.
#pragma once

#include <string>

namespace line {

struct HostileOptions {
  int port = 8080;  // the service on 127.0.0.1
  std::string db;   // its store, for the station's token
  int seconds = 30;
  int servicePid = 0;
  std::string label;
};

int HostileLoad(const HostileOptions& options);

}  // namespace line
