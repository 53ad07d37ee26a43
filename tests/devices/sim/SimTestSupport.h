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

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  KV_PHONE phone = -1;
};
