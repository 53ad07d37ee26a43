// The archive of runs the store no longer keeps: one file per UTC day, runs-2026-12-09.jsonl.zst,
// a zstd stream (the `zstd` tool reads it) of the records' documents, one per line, exactly as
// the store answered them. A file is written beside its final name, synced and renamed, then
// read back: the store deletes a run only after the file holding it has been read back whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace line {

// The folder or a file cannot be written or read, or a file is damaged.
class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file of the UTC day that holds `epochMs`.
std::filesystem::path DayArchivePath(const std::filesystem::path& folder, int64_t epochMs);

// Whether a path names an archive file (import reads such files line by line).
bool IsArchiveFile(const std::filesystem::path& path);

// Held while a prune writes a folder's files and deletes their runs: services sharing one
// archive folder take turns, so none writes a day's file from runs another is deleting.
class ArchiveLock {
 public:
  explicit ArchiveLock(const std::filesystem::path& folder);  // waits; throws ArchiveError
  ~ArchiveLock();
  ArchiveLock(const ArchiveLock&) = delete;
  ArchiveLock& operator=(const ArchiveLock&) = delete;

 private:
  int fd_ = -1;
};

class DayArchiveWriter {
 public:
  // A day's file that is already there (an earlier prune of the same day) is carried over:
  // its documents come first, the new ones after them. Throws ArchiveError.
  DayArchiveWriter(const std::filesystem::path& folder, int64_t dayMs);
  ~DayArchiveWriter();  // an unfinished file is removed; the earlier one stays as it was
  DayArchiveWriter(const DayArchiveWriter&) = delete;
  DayArchiveWriter& operator=(const DayArchiveWriter&) = delete;

  // One document: a single line of JSON (documents never hold a raw line break).
  void Add(std::string_view document);

  // Ends the stream, syncs the file, renames it over the day's file and syncs the folder,
  // then reads it back and compares it with every document written. Returns only when the
  // archive holds them all; throws ArchiveError otherwise.
  void Finish();

  const std::filesystem::path& Path() const { return path_; }

 private:
  struct Stream;
  void Write(std::string_view bytes, bool end);

  std::filesystem::path path_;
  std::filesystem::path temporary_;
  std::unique_ptr<Stream> stream_;
};

// Calls `line` with each document of an archive file, in order. Throws ArchiveError for a file
// that cannot be read, a damaged stream, or a line longer than `maxLineBytes`.
void ReadArchive(const std::filesystem::path& file, size_t maxLineBytes,
                 const std::function<void(std::string_view)>& line);

}  // namespace line
