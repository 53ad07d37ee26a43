// `varnex-line import <folder>`: loads the record files a station spooled or sent (for a
// station that was never connected, or to fill a new database) and the archive's day files,
// with the same checks as the API and the same idempotence: a record loaded twice is stored
// once. The archive's runs are restored (Store::Restore): those the store pruned itself are not
// counted twice.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace line {

class Store;

struct ImportSummary {
  int64_t files = 0;
  int64_t stored = 0;
  int64_t repeated = 0;  // already in the store, same content
  int64_t conflicts = 0;
  int64_t invalid = 0;
  std::vector<std::string> problems;  // "<file>: <what>"
};

// Every *.json and archive file (*.jsonl.zst) below `folder`, or that one file, except a
// station's rejected/ folder (the service refused those). Problems name the file (and the
// line of an archive). Throws StoreUnavailable.
ImportSummary ImportFolder(const std::filesystem::path& folder, Store& store, int64_t nowMs);

}  // namespace line
