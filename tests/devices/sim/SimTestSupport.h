// Shared pieces of the stand-in tests: the program's folder, a fresh phone and bench per
// test, and running the helper program as a second process.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "devices/dutlink.h"

std::string ProgramFolder();
void WriteTextFile(const std::string& path, const std::string& text);
// Runs DutlinkSimHelper.exe from this folder with the arguments; its exit code, -1 on failure.
int RunHelper(const std::string& arguments);

// Elapsed time on the performance counter; scripted delays are checked against it with one
// timer tick (about 16 ms) of slack, since Sleep may wake on the tick before.
class Stopwatch {
 public:
  Stopwatch();
  int64_t Milliseconds() const;

 private:
  int64_t start_;
};

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  KV_PHONE phone = -1;
};
