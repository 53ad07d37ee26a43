#include "line/store/DayArchive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <zstd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "line/core/Timestamp.h"

namespace line {
namespace {

// Written once a day and read rarely: a level that costs little more than the default but
// finds the records' repetition across the whole window.
constexpr int kArchiveLevel = 9;
constexpr std::string_view kSuffix = ".jsonl.zst";

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& what) {
  throw ArchiveError(path.string() + ": " + what);
}

[[noreturn]] void FailErrno(const std::filesystem::path& path, const char* what) {
  Fail(path, std::string(what) + ": " + std::strerror(errno));
}

// What a file holds, to compare the file read back with what was written.
struct Fingerprint {
  int64_t lines = 0;
  int64_t bytes = 0;
  uint64_t hash = 14695981039346656037ULL;  // FNV-1a over every byte, line ends included
  void Add(std::string_view text) {
    for (char c : text) {
      hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    bytes += static_cast<int64_t>(text.size());
  }
  void AddLine(std::string_view line) {
    Add(line);
    Add("\n");
    ++lines;
  }
  bool operator==(const Fingerprint&) const = default;
};

class File {
 public:
  File(const std::filesystem::path& path, int flags) : path_(path) {
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0640);
    if (fd_ < 0) {
      FailErrno(path, "cannot open");
    }
  }
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  int Fd() const { return fd_; }
  void WriteAll(const char* data, size_t size) {
    while (size > 0) {
      ssize_t written = ::write(fd_, data, size);
      if (written < 0 && errno == EINTR) {
        continue;
      }
      if (written <= 0) {
        FailErrno(path_, "cannot write");
      }
      data += written;
      size -= static_cast<size_t>(written);
    }
  }
  void Sync() {
    if (::fsync(fd_) != 0) {
      FailErrno(path_, "cannot sync");
    }
  }
  void Close() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

// A thread's contexts serve each file it writes or reads in turn (one at a time): making the
// tables of this level anew for every day's file costs more than a small day's work.
ZSTD_CCtx* Compressor() {
  thread_local std::unique_ptr<ZSTD_CCtx, size_t (*)(ZSTD_CCtx*)> context(ZSTD_createCCtx(),
                                                                          ZSTD_freeCCtx);
  ZSTD_CCtx_reset(context.get(), ZSTD_reset_session_and_parameters);
  return context.get();
}
ZSTD_DCtx* Decompressor() {
  thread_local std::unique_ptr<ZSTD_DCtx, size_t (*)(ZSTD_DCtx*)> context(ZSTD_createDCtx(),
                                                                          ZSTD_freeDCtx);
  ZSTD_DCtx_reset(context.get(), ZSTD_reset_session_and_parameters);
  return context.get();
}

void MakeFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    Fail(folder, "cannot make the archive folder: " + error.message());
  }
}

}  // namespace

ArchiveLock::ArchiveLock(const std::filesystem::path& folder) {
  MakeFolder(folder);
  std::filesystem::path path = folder / ".lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0640);
  if (fd_ < 0) {
    FailErrno(path, "cannot open");
  }
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      ::close(fd_);
      FailErrno(path, "cannot lock");
    }
  }
}

ArchiveLock::~ArchiveLock() {
  ::close(fd_);  // releases the lock
}

std::filesystem::path DayArchivePath(const std::filesystem::path& folder, int64_t epochMs) {
  return folder / ("runs-" + FormatUtc(DayStart(epochMs, 0)).substr(0, 10) + std::string(kSuffix));
}

bool IsArchiveFile(const std::filesystem::path& path) {
  std::string name = path.filename().string();
  return name.size() > kSuffix.size() && name.ends_with(kSuffix) && name[0] != '.';
}

struct DayArchiveWriter::Stream {
  explicit Stream(const std::filesystem::path& path)
      : file(path, O_WRONLY | O_CREAT | O_TRUNC), context(Compressor()) {}
  File file;
  ZSTD_CCtx* context;
  std::string buffer = std::string(ZSTD_CStreamOutSize(), '\0');
  Fingerprint written;
  bool finished = false;
};

DayArchiveWriter::DayArchiveWriter(const std::filesystem::path& folder, int64_t dayMs)
    : path_(DayArchivePath(folder, dayMs)) {
  MakeFolder(folder);
  temporary_ = folder / std::string(".")
                            .append(path_.filename().string())
                            .append(".")
                            .append(std::to_string(::getpid()));
  stream_ = std::make_unique<Stream>(temporary_);
  ZSTD_CCtx_setParameter(stream_->context, ZSTD_c_compressionLevel, kArchiveLevel);
  ZSTD_CCtx_setParameter(stream_->context, ZSTD_c_checksumFlag, 1);
  std::error_code error;
  if (std::filesystem::exists(path_, error)) {
    ReadArchive(path_, SIZE_MAX, [this](std::string_view document) { Add(document); });
  }
}

DayArchiveWriter::~DayArchiveWriter() {
  if (stream_ && !stream_->finished) {
    stream_->file.Close();
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
  }
}

void DayArchiveWriter::Write(std::string_view bytes, bool end) {
  ZSTD_inBuffer in{bytes.data(), bytes.size(), 0};
  ZSTD_EndDirective mode = end ? ZSTD_e_end : ZSTD_e_continue;
  for (;;) {
    ZSTD_outBuffer out{stream_->buffer.data(), stream_->buffer.size(), 0};
    size_t left = ZSTD_compressStream2(stream_->context, &out, &in, mode);
    if (ZSTD_isError(left)) {
      Fail(temporary_, std::string("cannot compress: ") + ZSTD_getErrorName(left));
    }
    stream_->file.WriteAll(stream_->buffer.data(), out.pos);
    if (end ? left == 0 : in.pos == in.size) {
      return;
    }
  }
}

void DayArchiveWriter::Add(std::string_view document) {
  if (document.find('\n') != std::string_view::npos) {
    Fail(path_, "a document with a line break");
  }
  Write(document, false);
  Write("\n", false);
  stream_->written.AddLine(document);
}

void DayArchiveWriter::Finish() {
  Write({}, true);
  stream_->file.Sync();
  stream_->file.Close();
  std::error_code error;
  std::filesystem::rename(temporary_, path_, error);
  if (error) {
    Fail(path_, "cannot rename into place: " + error.message());
  }
  stream_->finished = true;
  File folder(path_.parent_path().empty() ? "." : path_.parent_path(), O_RDONLY | O_DIRECTORY);
  folder.Sync();
  Fingerprint read;
  ReadArchive(path_, SIZE_MAX, [&read](std::string_view line) { read.AddLine(line); });
  if (!(read == stream_->written)) {
    Fail(path_, "reads back other than written (" + std::to_string(read.lines) + " of " +
                    std::to_string(stream_->written.lines) + " lines)");
  }
}

void ReadArchive(const std::filesystem::path& file, size_t maxLineBytes,
                 const std::function<void(std::string_view)>& line) {
  File in(file, O_RDONLY);
  ZSTD_DCtx* context = Decompressor();
  std::string input(ZSTD_DStreamInSize(), '\0');
  std::string output(ZSTD_DStreamOutSize(), '\0');
  std::string current;
  size_t frameLeft = 0;  // 0 between frames
  for (;;) {
    ssize_t got = ::read(in.Fd(), input.data(), input.size());
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      FailErrno(file, "cannot read");
    }
    if (got == 0) {
      break;
    }
    ZSTD_inBuffer chunk{input.data(), static_cast<size_t>(got), 0};
    bool full = false;  // the output was full: more may wait inside
    while (chunk.pos < chunk.size || full) {
      ZSTD_outBuffer out{output.data(), output.size(), 0};
      frameLeft = ZSTD_decompressStream(context, &out, &chunk);
      if (ZSTD_isError(frameLeft)) {
        Fail(file, std::string("damaged: ") + ZSTD_getErrorName(frameLeft));
      }
      full = out.pos == out.size;
      std::string_view text(output.data(), out.pos);
      while (!text.empty()) {
        size_t end = text.find('\n');
        current.append(text.substr(0, end));
        if (current.size() > maxLineBytes) {
          Fail(file, "a line longer than " + std::to_string(maxLineBytes) + " bytes");
        }
        if (end == std::string_view::npos) {
          break;
        }
        line(current);
        current.clear();
        text.remove_prefix(end + 1);
      }
    }
  }
  if (frameLeft != 0 || !current.empty()) {
    Fail(file, "damaged: ends in the middle");
  }
}

}  // namespace line
