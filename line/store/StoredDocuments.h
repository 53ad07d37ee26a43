// How the store keeps the records' documents. SQLite keeps each as a zstd frame compressed with
// a dictionary trained on the line's own records (DocumentCodec), kept in the table
// `dictionaries`; PostgreSQL keeps the text, which its own column compression shrinks. Reads give
// every record's bytes back exactly, from either form: a store made before documents were
// compressed keeps its plain ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "line/store/DocumentCodec.h"
#include "line/store/SqlSession.h"

struct sqlite3;

namespace line {

class StoredDocuments {
 public:
  // `trainAfter`: documents the store holds before its first dictionary is trained from them,
  // and the window over which a dictionary that no longer fits the records is noticed.
  StoredDocuments(bool compress, int64_t trainAfter);

  // The dictionaries the store keeps; the newest is used for new documents.
  void Load(SqlSession& session);

  // What the store writes for a document, made by any thread (a dictionary is used only once it
  // is stored, and none is ever dropped); then counted in the writer's turn, once written.
  std::string Stored(std::string_view document) const;
  void Written(std::string_view document, std::string_view stored);
  // The document of what the store holds; loads a dictionary another process made.
  std::string Document(std::string stored, SqlSession& session);

  // In the writer's turn: whether a dictionary is due, because the store has none yet and
  // holds enough documents, or because the records changed so much that they compress half as
  // well again as the dictionary did when it was made.
  bool TrainingDue() const;
  // Trains one from the latest documents and adds it to the store, in the caller's write
  // transaction; returns its id (0 when the samples do not make one). Use it only once the
  // transaction is committed: no document may need a dictionary the store lacks.
  uint32_t Train(SqlSession& session, int64_t nowMs);
  void Use(uint32_t dictionary);

 private:
  DocumentCodec codec_;
  bool compress_;
  int64_t trainAfter_;
  int64_t written_ = 0;   // documents stored since the dictionary in use was made, or since open
  double madeRatio_ = 0;  // frame bytes per document byte of the samples it was made from
  int64_t windowDocument_ = 0;
  int64_t windowFrame_ = 0;
};

// run_doc(doc) for SQL: the document of a stored value (a frame or plain text), so that the view
// run_rows and analyses can read compressed documents. Each connection keeps its own codec and
// reads the dictionaries it needs from its database.
void RegisterRunDoc(sqlite3* db);

}  // namespace line
