// The records' documents as the store keeps them: zstd frames, compressed with a dictionary
// trained on the line's own records. A record of a line repeats nearly all of its text from
// run to run (the same items, limits and texts; only the codes, times and values differ), so
// with a dictionary a document of 3.6 KB keeps about 200 bytes, without one about 1 KB.
// Each frame names its dictionary by id: a document compressed with an older dictionary stays
// readable as long as the store keeps that dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <shared_mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace line {

// A frame that is damaged, larger than allowed, or needs a dictionary that is not known.
class DocumentCodecError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class DocumentCodec {
 public:
  // Level 3 compresses a record in microseconds; higher levels save little more on documents
  // this small.
  static constexpr int kLevel = 3;

  DocumentCodec();
  ~DocumentCodec();
  DocumentCodec(const DocumentCodec&) = delete;
  DocumentCodec& operator=(const DocumentCodec&) = delete;

  // Makes a dictionary known under the id it carries and returns that id; known ones are kept.
  // Throws DocumentCodecError for bytes that are no dictionary. Safe while others compress.
  uint32_t AddDictionary(std::string_view bytes);
  bool Knows(uint32_t dictionary) const;

  // New documents are compressed with this known dictionary (0: none, the start).
  void Use(uint32_t dictionary);
  uint32_t InUse() const;

  std::string Compress(std::string_view document) const;

  // The document of a frame, refused when it would be longer than maxBytes. Throws
  // DocumentCodecError; FrameDictionary tells which dictionary a frame needs.
  std::string Decompress(std::string_view frame, size_t maxBytes) const;

  // Whether the bytes start like a frame (a document is JSON text and never does).
  static bool IsFrame(std::string_view bytes);
  // The dictionary a frame was compressed with; 0 when none.
  static uint32_t FrameDictionary(std::string_view frame);

 private:
  struct Dictionary;
  std::shared_ptr<const Dictionary> Find(uint32_t id) const;

  mutable std::shared_mutex lock_;
  std::map<uint32_t, std::shared_ptr<const Dictionary>> dictionaries_;
  uint32_t inUse_ = 0;
};

// A dictionary of at most `capacity` bytes trained on sample documents, carrying `id` (from
// kFirstDictionaryId up: the ids zstd leaves for private use). Empty when the samples are too
// few or too small to train on; the store then goes on without one.
inline constexpr uint32_t kFirstDictionaryId = 32768;
inline constexpr size_t kDictionaryBytes = 32 * 1024;
std::string TrainDictionary(std::span<const std::string> samples, uint32_t id,
                            size_t capacity = kDictionaryBytes);

}  // namespace line
