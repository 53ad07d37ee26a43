// Passwords for tests are made up when the test runs, so none is ever written down.
#pragma once

#include <random>
#include <string>

inline std::wstring MadeUpPassword(size_t length = 12) {
  static std::mt19937 generator{std::random_device{}()};
  static const wchar_t kLetters[] = L"abcdefghjkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters / sizeof kLetters[0] - 2);
  std::wstring password;
  for (size_t i = 0; i < length; ++i) {
    password += kLetters[pick(generator)];
  }
  return password;
}
