// The spool as the delivery loop and the adoption of early records see it: records by id,
// oldest first, each read whole and filed as sent or rejected. The station's spool folder is
// one (RecordSpool); tests keep one in memory.
#pragma once

#include <optional>
#include <string>
#include <vector>

class RecordQueue {
 public:
  virtual ~RecordQueue() = default;

  // The ids of the records waiting, oldest first.
  virtual std::vector<std::string> Waiting() const = 0;
  // The record's text; nothing when it cannot be read.
  virtual std::optional<std::string> Read(const std::string& id) const = 0;

  // Each returns an empty text on success, else what went wrong (UTF-8).
  // Replaces the record's text, keeping its place in the order.
  virtual std::string Rewrite(const std::string& id, const std::string& text) const = 0;
  // Delivered: the record leaves the queue (for sent\<day>\, day "2026-12-09").
  virtual std::string FileSent(const std::string& id, const std::string& day) const = 0;
  // Never deliverable as it is: the record leaves the queue with `reason` beside it.
  virtual std::string FileRejected(const std::string& id, const std::string& reason) const = 0;
};
