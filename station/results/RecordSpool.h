// The record files beside the executable:
//   results\spool\<id>.json      written, not yet delivered (oldest first)
//   results\sent\<date>\<id>.json delivered; <date> is the day the run started
//   results\rejected\<id>.json   never deliverable as it is, with <id>.answer.txt beside it
// A record is written to <id>.tmp, flushed to the disk and renamed, so a power cut or a killed
// program leaves either the whole record or no record, never half of one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "station/results/core/RecordQueue.h"

struct SpooledRecord {
  std::string id;
  std::wstring path;
  uint64_t writeTime = 0;  // FILETIME of the last write, for the order
};

class RecordSpool : public RecordQueue {
 public:
  // `resultsFolder` is the "results" folder; empty: the one beside the executable.
  explicit RecordSpool(std::wstring resultsFolder = {});

  std::wstring SpoolFolder() const;
  std::wstring RejectedFolder() const;

  // Writes the record; an empty text when it is in the spool, else what went wrong (the
  // temporary file is gone then).
  std::wstring Write(const std::string& id, const std::string& json) const;
  // The two halves of Write: the flushed temporary file, then its rename. `writeTime` (a
  // FILETIME) other than 0 is given to the file: a rewritten record keeps its place.
  std::wstring WriteTemporary(const std::string& id, const std::string& json,
                              uint64_t writeTime = 0) const;
  std::wstring Commit(const std::string& id) const;

  // The finished records of the spool, oldest first.
  std::vector<SpooledRecord> List() const;
  // Deletes temporary files older than `ageMs`: what a program killed while writing left.
  // Younger ones may belong to a program writing right now.
  void RemoveStaleTemporaries(uint64_t ageMs) const;

  // The records in rejected\ .
  int RejectedCount() const;
  // Moves every record of rejected\ back into the spool, where it keeps its place by its time,
  // and deletes the answer beside it. Returns how many went back.
  int RetryRejected() const;

  // RecordQueue. A record that is gone already (another program delivered it) counts as filed.
  std::vector<std::string> Waiting() const override;
  std::optional<std::string> Read(const std::string& id) const override;
  std::string Rewrite(const std::string& id, const std::string& text) const override;
  std::string FileSent(const std::string& id, const std::string& day) const override;
  std::string FileRejected(const std::string& id, const std::string& reason) const override;

  // The whole file; false when it cannot be read.
  static bool ReadWhole(const std::wstring& path, std::string& bytes);

 private:
  std::wstring RecordPath(const std::string& id) const;

  std::wstring results_;
};
