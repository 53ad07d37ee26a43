#include "line/server/Importer.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "line/core/RunRecord.h"
#include "line/store/DayArchive.h"
#include "line/store/Store.h"

namespace line {
namespace {

// Records per transaction: few enough to keep a transaction short, many enough to be fast.
constexpr size_t kBatch = 256;

bool IsRecordFile(const std::filesystem::path& path) {
  return path.extension() == ".json" || IsArchiveFile(path);
}

std::vector<std::filesystem::path> RecordFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  namespace fs = std::filesystem;
  if (fs::is_regular_file(folder)) {
    return {folder};
  }
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator();
       ++it) {
    if (it->is_directory() && it->path().filename() == "rejected") {
      it.disable_recursion_pending();
    } else if (it->is_regular_file() && IsRecordFile(it->path())) {
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

ImportSummary ImportFolder(const std::filesystem::path& folder, Store& store, int64_t nowMs) {
  ImportSummary summary;
  std::vector<RunRecord> batch;
  std::vector<std::string> names;
  bool restoring = false;  // the batch holds an archive's runs
  auto flush = [&] {
    std::vector<IngestResult> results =
        restoring ? store.Restore(batch, nowMs) : store.Ingest(batch, nowMs);
    for (size_t i = 0; i < results.size(); ++i) {
      switch (results[i]) {
        case IngestResult::Stored:
          ++summary.stored;
          break;
        case IngestResult::Repeated:
          ++summary.repeated;
          break;
        case IngestResult::Conflict:
          ++summary.conflicts;
          summary.problems.push_back(names[i] + ": id " + batch[i].id +
                                     " is already stored with other content");
          break;
        case IngestResult::Failed:
          ++summary.invalid;
          summary.problems.push_back(names[i] + ": the store refused it (see above)");
          break;
      }
    }
    batch.clear();
    names.clear();
  };
  auto add = [&](std::string_view text, const std::string& name) {
    RecordCheck check = ReadRunRecord(text, nowMs);
    if (!check.record) {
      ++summary.invalid;
      summary.problems.push_back(name + ": " + check.error);
      return;
    }
    batch.push_back(std::move(*check.record));
    names.push_back(name);
    if (batch.size() == kBatch) {
      flush();
    }
  };
  for (const std::filesystem::path& file : RecordFiles(folder)) {
    ++summary.files;
    if (IsArchiveFile(file) != restoring && !batch.empty()) {
      flush();
    }
    restoring = IsArchiveFile(file);
    if (restoring) {
      int64_t number = 0;
      try {
        ReadArchive(file, kMaxRecordBytes, [&](std::string_view line) {
          add(line, file.string() + ":" + std::to_string(++number));
        });
      } catch (const ArchiveError& error) {
        ++summary.invalid;
        summary.problems.push_back(error.what());
      }
      continue;
    }
    std::error_code error;
    uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxRecordBytes) {
      ++summary.invalid;
      summary.problems.push_back(file.string() + ": " +
                                 (error ? error.message() : "larger than 256 KiB"));
      continue;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    add(text.str(), file.string());
  }
  if (!batch.empty()) {
    flush();
  }
  return summary;
}

}  // namespace line
