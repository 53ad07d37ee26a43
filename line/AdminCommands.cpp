#include "line/AdminCommands.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "line/core/Timestamp.h"
#include "line/server/ApiServer.h"
#include "line/server/Importer.h"
#include "line/server/Passwords.h"
#include "line/server/Tokens.h"

namespace line {
namespace {

constexpr size_t kShortestPassword = 8;

std::string ReadPassword(const char* prompt) {
  std::string password;
  if (!isatty(STDIN_FILENO)) {
    std::getline(std::cin, password);
    return password;
  }
  termios shown{};
  tcgetattr(STDIN_FILENO, &shown);
  termios hidden = shown;
  hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  std::cerr << prompt << std::flush;
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
  std::getline(std::cin, password);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
  std::cerr << "\n";
  return password;
}

}  // namespace

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) {
    throw std::runtime_error("cannot read a password from " + path);
  }
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
    line.pop_back();
  }
  return line;
}

int AddToken(Store& store, TokenKind kind, const std::string& name) {
  std::string token = NewToken();
  store.AddToken({TokenHash(token), kind, name, NowMs()});
  if (kind == TokenKind::Read) {
    std::cerr << "Read token " << name << " (shown only now; send it as Authorization: Bearer):\n";
  } else {
    std::cerr << "Token of station " << name
              << " (shown only now; put it into the station's VarnexLine.ini):\n";
  }
  std::cout << token << std::endl;
  return 0;
}

int ListTokens(Store& store) {
  for (const TokenInfo& token : store.Tokens()) {
    std::cout << (token.kind == TokenKind::Read ? "read    " : "station ") << token.name << '\t'
              << TokenId(token.hash) << '\t' << FormatUtc(token.createdMs) << '\n';
  }
  return 0;
}

int RemoveToken(Store& store, const std::string& id, const std::string& station) {
  if (!station.empty()) {
    int64_t removed = store.RemoveStationTokens(station);
    std::cout << removed << " tokens of station " << station << " removed" << std::endl;
    return removed > 0 ? 0 : 1;
  }
  if (id.size() != 8) {
    std::cerr << "varnex-line: a token's id is the 8 hex digits `token list` shows\n";
    return 2;
  }
  int64_t removed = store.RemoveTokens(id);
  std::cout << removed << " tokens removed" << std::endl;
  return removed > 0 ? 0 : 1;
}

int AddUser(Store& store, const std::string& name) {
  // A name the page can show and a header can carry as it is.
  bool plain =
      !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' ||
               c == '@';
      });
  if (!plain) {
    std::cerr << "varnex-line: a viewer's name has 1 to 64 letters, digits, '.', '_', '-', '@'\n";
    return 2;
  }
  std::string password = ReadPassword(("Password for " + name + ": ").c_str());
  if (isatty(STDIN_FILENO) && ReadPassword("The same again: ") != password) {
    std::cerr << "varnex-line: the two passwords differ; nothing changed\n";
    return 1;
  }
  if (password.size() < kShortestPassword) {
    std::cerr << "varnex-line: a password needs at least " << kShortestPassword
              << " characters; nothing changed\n";
    return 1;
  }
  store.SetUser(name, HashPassword(password), NowMs());
  std::cout << "viewer " << name << " can log on" << std::endl;
  return 0;
}

int RemoveUser(Store& store, const std::string& name) {
  bool removed = store.RemoveUser(name);
  std::cout << (removed ? "viewer " + name + " removed" : "no viewer " + name) << std::endl;
  return removed ? 0 : 1;
}

int Import(Store& store, const std::string& folder) {
  ImportSummary summary = ImportFolder(folder, store, NowMs());
  for (const std::string& problem : summary.problems) {
    std::cerr << problem << "\n";
  }
  std::cout << summary.files << " files: " << summary.stored << " stored, " << summary.repeated
            << " already stored, " << summary.conflicts << " conflicting, " << summary.invalid
            << " invalid" << std::endl;
  return summary.conflicts + summary.invalid == 0 ? 0 : 1;
}

}  // namespace line
