// Small helpers for scripting the simulated phone and filling settings texts in check tests.
#pragma once

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "devices/sim/dutlink_sim.h"

// Sets a profile value of the simulated phone; a rejected key fails the test at once.
inline void SetPhone(const char* key, const std::string& value) {
  ASSERT_EQ(KVSIM_SetValue("Phone", key, value.c_str()), 0) << key;
}
inline void SetPhoneIn(const char* section, const char* key, const std::string& value) {
  ASSERT_EQ(KVSIM_SetValue(section, key, value.c_str()), 0) << section << "." << key;
}
inline void FailPhone(const char* function, int32_t code) {
  ASSERT_EQ(KVSIM_SetFailure(function, code), 0) << function;
}

inline std::vector<int32_t> LastArgs(const char* function) {
  int32_t args[8] = {};
  int32_t count = KVSIM_GetLastArgs(function, args, 8);
  return std::vector<int32_t>(args, args + (count > 0 ? (count < 8 ? count : 8) : 0));
}

inline std::string LastAtCommand() {
  char command[512] = {};
  KVSIM_GetLastATCommand(command, sizeof(command));
  return command;
}

template <size_t N>
void SetText(wchar_t (&field)[N], const wchar_t* text) {
  std::wmemset(field, 0, N);
  std::wcsncpy(field, text, N - 1);
}
