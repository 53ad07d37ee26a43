#include "line/store/DocumentCodec.h"

#include <zdict.h>
#include <zstd.h>

#include <mutex>
#include <vector>

namespace line {
namespace {

constexpr uint32_t kFrameMagic = 0xFD2FB528;  // little-endian at a frame's start

struct FreeCompressor {
  void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};
struct FreeDecompressor {
  void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

// Contexts are reused by their thread: making one costs more than a small document's work.
ZSTD_CCtx* Compressor() {
  thread_local std::unique_ptr<ZSTD_CCtx, FreeCompressor> context(ZSTD_createCCtx());
  return context.get();
}
ZSTD_DCtx* Decompressor() {
  thread_local std::unique_ptr<ZSTD_DCtx, FreeDecompressor> context(ZSTD_createDCtx());
  return context.get();
}

[[noreturn]] void Refuse(const std::string& what) {
  throw DocumentCodecError("stored document: " + what);
}

}  // namespace

// Prepared once for either direction; both are read-only and shared by every thread.
struct DocumentCodec::Dictionary {
  ZSTD_CDict* compress = nullptr;
  ZSTD_DDict* decompress = nullptr;
  ~Dictionary() {
    ZSTD_freeCDict(compress);
    ZSTD_freeDDict(decompress);
  }
};

DocumentCodec::DocumentCodec() = default;
DocumentCodec::~DocumentCodec() = default;

uint32_t DocumentCodec::AddDictionary(std::string_view bytes) {
  uint32_t id = ZDICT_getDictID(bytes.data(), bytes.size());
  if (id == 0) {
    throw DocumentCodecError("not a dictionary");
  }
  if (Knows(id)) {
    return id;
  }
  auto dictionary = std::make_shared<Dictionary>();
  dictionary->compress = ZSTD_createCDict(bytes.data(), bytes.size(), kLevel);
  dictionary->decompress = ZSTD_createDDict(bytes.data(), bytes.size());
  if (dictionary->compress == nullptr || dictionary->decompress == nullptr) {
    throw DocumentCodecError("dictionary " + std::to_string(id) + " cannot be loaded");
  }
  std::unique_lock writing(lock_);
  dictionaries_.try_emplace(id, std::move(dictionary));
  return id;
}

bool DocumentCodec::Knows(uint32_t dictionary) const {
  return Find(dictionary) != nullptr;
}

std::shared_ptr<const DocumentCodec::Dictionary> DocumentCodec::Find(uint32_t id) const {
  std::shared_lock reading(lock_);
  auto found = dictionaries_.find(id);
  return found == dictionaries_.end() ? nullptr : found->second;
}

void DocumentCodec::Use(uint32_t dictionary) {
  if (dictionary != 0 && !Knows(dictionary)) {
    throw DocumentCodecError("dictionary " + std::to_string(dictionary) + " is not known");
  }
  std::unique_lock writing(lock_);
  inUse_ = dictionary;
}

uint32_t DocumentCodec::InUse() const {
  std::shared_lock reading(lock_);
  return inUse_;
}

std::string DocumentCodec::Compress(std::string_view document) const {
  std::shared_ptr<const Dictionary> dictionary = Find(InUse());
  std::string frame(ZSTD_compressBound(document.size()), '\0');
  size_t size =
      dictionary ? ZSTD_compress_usingCDict(Compressor(), frame.data(), frame.size(),
                                            document.data(), document.size(), dictionary->compress)
                 : ZSTD_compressCCtx(Compressor(), frame.data(), frame.size(), document.data(),
                                     document.size(), kLevel);
  if (ZSTD_isError(size)) {
    throw DocumentCodecError(std::string("compressing a document: ") + ZSTD_getErrorName(size));
  }
  frame.resize(size);
  return frame;
}

std::string DocumentCodec::Decompress(std::string_view frame, size_t maxBytes) const {
  if (!IsFrame(frame) || ZSTD_findFrameCompressedSize(frame.data(), frame.size()) != frame.size()) {
    Refuse("not one whole compressed frame");
  }
  unsigned long long size = ZSTD_getFrameContentSize(frame.data(), frame.size());
  if (size == ZSTD_CONTENTSIZE_UNKNOWN || size == ZSTD_CONTENTSIZE_ERROR) {
    Refuse("a frame without its size");
  }
  if (size > maxBytes) {
    Refuse("larger than " + std::to_string(maxBytes) + " bytes");
  }
  uint32_t id = FrameDictionary(frame);
  std::shared_ptr<const Dictionary> dictionary = Find(id);
  if (id != 0 && !dictionary) {
    Refuse("needs dictionary " + std::to_string(id));
  }
  std::string document(static_cast<size_t>(size), '\0');
  size_t made = dictionary
                    ? ZSTD_decompress_usingDDict(Decompressor(), document.data(), document.size(),
                                                 frame.data(), frame.size(), dictionary->decompress)
                    : ZSTD_decompressDCtx(Decompressor(), document.data(), document.size(),
                                          frame.data(), frame.size());
  if (ZSTD_isError(made) || made != document.size()) {
    Refuse(ZSTD_isError(made) ? ZSTD_getErrorName(made) : "shorter than its stated size");
  }
  return document;
}

bool DocumentCodec::IsFrame(std::string_view bytes) {
  if (bytes.size() < 4) {
    return false;
  }
  uint32_t magic = 0;
  for (int i = 3; i >= 0; --i) {
    magic = magic << 8 | static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
  }
  return magic == kFrameMagic;
}

uint32_t DocumentCodec::FrameDictionary(std::string_view frame) {
  return ZSTD_getDictID_fromFrame(frame.data(), frame.size());
}

// The trainer picks the content (the text the samples share); finalizing gives it our id and
// statistics tuned to the level the store compresses with.
std::string TrainDictionary(std::span<const std::string> samples, uint32_t id, size_t capacity) {
  std::string joined;
  std::vector<size_t> sizes;
  for (const std::string& sample : samples) {
    joined += sample;
    sizes.push_back(sample.size());
  }
  auto count = static_cast<unsigned>(sizes.size());
  std::string trained(capacity, '\0');
  size_t size =
      ZDICT_trainFromBuffer(trained.data(), trained.size(), joined.data(), sizes.data(), count);
  if (ZDICT_isError(size)) {
    return {};
  }
  size_t header = ZDICT_getDictHeaderSize(trained.data(), size);
  if (ZDICT_isError(header)) {
    return {};
  }
  std::string dictionary(capacity, '\0');
  ZDICT_params_t params{DocumentCodec::kLevel, 0, id};
  size = ZDICT_finalizeDictionary(dictionary.data(), dictionary.size(), trained.data() + header,
                                  size - header, joined.data(), sizes.data(), count, params);
  if (ZDICT_isError(size)) {
    return {};
  }
  dictionary.resize(size);
  return dictionary;
}

}  // namespace line
