// The engineer's commands besides `serve`: station and read tokens, viewers, importing record
// files. Each prints what it did and answers the program's exit code.
#pragma once

#include <string>

#include "line/store/Store.h"

namespace line {

int AddToken(Store& store, TokenKind kind, const std::string& name);
int ListTokens(Store& store);
// By the id `token list` shows, or every token of a station.
int RemoveToken(Store& store, const std::string& id, const std::string& station);
// The password comes from the terminal (asked twice, not shown) or, piped, from the first line
// of the standard input.
int AddUser(Store& store, const std::string& name);
int RemoveUser(Store& store, const std::string& name);
int Import(Store& store, const std::string& folder);

// The first line of a file (a PostgreSQL password kept apart from the command line); throws
// std::runtime_error naming the file.
std::string FirstLine(const std::string& path);

}  // namespace line
