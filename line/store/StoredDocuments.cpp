#include "line/store/StoredDocuments.h"

#include <sqlite3.h>

#include <vector>

#include "line/core/RunRecord.h"
#include "line/store/Store.h"

namespace line {
namespace {

using Params = std::vector<SqlParam>;

// A dictionary that gives frames this much larger than it did on the records it was made from
// no longer fits the line's records.
constexpr double kStaleRatio = 1.5;

}  // namespace

StoredDocuments::StoredDocuments(bool compress, int64_t trainAfter)
    : compress_(compress), trainAfter_(trainAfter) {}

void StoredDocuments::Load(SqlSession& session) {
  if (!compress_) {
    return;
  }
  SqlResult dictionaries = session.Run(Sql::DictionaryList);
  for (size_t i = 0; i < dictionaries.rows.size(); ++i) {
    codec_.Use(codec_.AddDictionary(dictionaries.Text(i, 0)));
  }
  if (codec_.InUse() == 0) {  // a store made before documents were compressed trains at once
    written_ = session.Run(Sql::RunsAtLeast, Params{trainAfter_}).Int(0, 0);
  }
}

std::string StoredDocuments::Stored(std::string_view document) const {
  return compress_ ? codec_.Compress(document) : std::string(document);
}

void StoredDocuments::Written(std::string_view document, std::string_view stored) {
  if (!compress_) {
    return;
  }
  ++written_;
  windowDocument_ += static_cast<int64_t>(document.size());
  windowFrame_ += static_cast<int64_t>(stored.size());
}

std::string StoredDocuments::Document(std::string stored, SqlSession& session) {
  if (!DocumentCodec::IsFrame(stored)) {
    return stored;
  }
  uint32_t id = DocumentCodec::FrameDictionary(stored);
  if (id != 0 && !codec_.Knows(id)) {
    SqlResult found = session.Run(Sql::DictionaryGet, Params{int64_t{id}});
    if (!found.rows.empty()) {
      codec_.AddDictionary(found.Text(0, 0));
    }
  }
  try {
    return codec_.Decompress(stored, kMaxRecordBytes);
  } catch (const DocumentCodecError& error) {
    throw StoreError(error.what());
  }
}

bool StoredDocuments::TrainingDue() const {
  if (!compress_ || written_ < trainAfter_) {
    return false;
  }
  return codec_.InUse() == 0 || static_cast<double>(windowFrame_) >
                                    kStaleRatio * madeRatio_ * static_cast<double>(windowDocument_);
}

uint32_t StoredDocuments::Train(SqlSession& session, int64_t nowMs) {
  // Counted afresh whatever comes of it: too few or too alike samples wait for more records.
  written_ = 0;
  windowDocument_ = 0;
  windowFrame_ = 0;
  auto id = static_cast<uint32_t>(
      session.Run(Sql::DictionaryNextId, Params{int64_t{kFirstDictionaryId}}).Int(0, 0));
  SqlResult latest = session.Run(Sql::DocumentsLatest, Params{trainAfter_});
  std::vector<std::string> samples;
  for (size_t i = 0; i < latest.rows.size(); ++i) {
    samples.push_back(Document(latest.TakeText(i, 0), session));
  }
  std::string dictionary = TrainDictionary(samples, id);
  if (dictionary.empty()) {
    return 0;
  }
  DocumentCodec trial;
  trial.Use(trial.AddDictionary(dictionary));
  double documentBytes = 0;
  double frameBytes = 0;
  for (const std::string& sample : samples) {
    documentBytes += static_cast<double>(sample.size());
    frameBytes += static_cast<double>(trial.Compress(sample).size());
  }
  session.Run(Sql::DictionaryAdd, Params{int64_t{id}, nowMs, SqlBlob{dictionary}});
  codec_.AddDictionary(dictionary);
  madeRatio_ = frameBytes / documentBytes;
  return id;
}

void StoredDocuments::Use(uint32_t dictionary) {
  if (dictionary != 0) {
    codec_.Use(dictionary);
  }
}

namespace {

// The dictionary a frame needs, read from the connection's own database.
void LoadDictionary(sqlite3* db, DocumentCodec& codec, uint32_t id) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT bytes FROM dictionaries WHERE id = ?1", -1, &statement,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return;
  }
  sqlite3_bind_int64(statement, 1, id);
  if (sqlite3_step(statement) == SQLITE_ROW) {
    const void* bytes = sqlite3_column_blob(statement, 0);
    auto size = static_cast<size_t>(sqlite3_column_bytes(statement, 0));
    codec.AddDictionary(std::string_view(static_cast<const char*>(bytes), size));
  }
  sqlite3_finalize(statement);
}

void RunDoc(sqlite3_context* context, int, sqlite3_value** values) {
  if (sqlite3_value_type(values[0]) != SQLITE_BLOB) {
    sqlite3_result_value(context, values[0]);  // a plain document
    return;
  }
  auto& codec = *static_cast<DocumentCodec*>(sqlite3_user_data(context));
  std::string_view frame(static_cast<const char*>(sqlite3_value_blob(values[0])),
                         static_cast<size_t>(sqlite3_value_bytes(values[0])));
  try {
    uint32_t id = DocumentCodec::FrameDictionary(frame);
    if (id != 0 && !codec.Knows(id)) {
      LoadDictionary(sqlite3_context_db_handle(context), codec, id);
    }
    std::string document = codec.Decompress(frame, kMaxRecordBytes);
    sqlite3_result_text(context, document.data(), static_cast<int>(document.size()),
                        SQLITE_TRANSIENT);
  } catch (const std::exception& error) {
    sqlite3_result_error(context, error.what(), -1);
  }
}

}  // namespace

void RegisterRunDoc(sqlite3* db) {
  sqlite3_create_function_v2(db, "run_doc", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                             new DocumentCodec, RunDoc, nullptr, nullptr,
                             [](void* codec) { delete static_cast<DocumentCodec*>(codec); });
}

}  // namespace line
