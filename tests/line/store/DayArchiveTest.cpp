// The archive's day files: written whole or not at all, carried over when the day is archived
// again, and refused when damaged.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "line/core/Timestamp.h"
#include "line/store/DayArchive.h"
#include "tests/line/support/Records.h"
#include "tests/line/support/TestStores.h"

namespace line {
namespace {

std::vector<std::string> Lines(const std::filesystem::path& file, size_t max = 1 << 20) {
  std::vector<std::string> lines;
  ReadArchive(file, max, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

TEST(DayArchive, WritesWholeDaysCarriesThemOverAndRefusesDamage) {
  test::TempFolder folder;
  std::filesystem::path archive = folder.Path() / "archive";
  int64_t day = *ParseTimestamp("2026-12-09T23:59:59.999Z");
  std::vector<std::string> documents;
  for (int i = 0; i < 300; ++i) {
    documents.push_back(test::Run().document);
  }
  std::filesystem::path file;
  {
    DayArchiveWriter writer(archive, day);
    for (size_t i = 0; i < 200; ++i) {
      writer.Add(documents[i]);
    }
    writer.Finish();
    file = writer.Path();
  }
  EXPECT_EQ(file, archive / "runs-2026-12-09.jsonl.zst");
  EXPECT_TRUE(IsArchiveFile(file));
  {
    DayArchiveWriter again(archive, day);
    again.Add(documents[200]);  // never finished: the day's file stays as it was
  }
  EXPECT_EQ(Lines(file), std::vector(documents.begin(), documents.begin() + 200));
  {
    DayArchiveWriter again(archive, day);
    for (size_t i = 200; i < documents.size(); ++i) {
      again.Add(documents[i]);
    }
    EXPECT_THROW(again.Add("{\"a\":1}\n{}"), ArchiveError);
    again.Finish();
  }
  EXPECT_EQ(Lines(file), documents);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(archive), {}), 1);

  EXPECT_THROW(Lines(file, documents[0].size() - 1), ArchiveError);
  std::filesystem::resize_file(file, std::filesystem::file_size(file) - 3);
  EXPECT_THROW(Lines(file), ArchiveError);
  std::ofstream(folder.Path() / "plain") << "not a folder";
  EXPECT_THROW(DayArchiveWriter(folder.Path() / "plain", day), ArchiveError);
  EXPECT_THROW(DayArchiveWriter(folder.Path() / "plain" / "below", day), ArchiveError);
}

}  // namespace
}  // namespace line
