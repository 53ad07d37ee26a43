// Documents compressed the way the store keeps them: every record comes back byte for byte,
// small; a document compressed with an older dictionary stays readable; oversized
// or cut frames are refused instead of read.
#include <gtest/gtest.h>

#include <vector>

#include "line/sample/SampleRuns.h"
#include "line/store/DocumentCodec.h"

namespace line {
namespace {

// A line's records: mostly passing phones, every tenth failing.
std::vector<std::string> Records(uint32_t seed, int count) {
  SampleRuns sample(seed);
  std::vector<SampleStation> stations = SampleRuns::DemoStations(4);
  std::vector<std::string> records;
  for (int i = 0; i < count; ++i) {
    records.push_back(sample.Record(stations[i % 4], int64_t{i} * 20000, 480, i % 10 != 0));
  }
  return records;
}

TEST(DocumentCodec, KeepsRecordsSmallAndGivesThemBackWhole) {
  DocumentCodec codec;
  std::string plain = codec.Compress(Records(1, 1)[0]);
  EXPECT_EQ(DocumentCodec::FrameDictionary(plain), 0u);

  uint32_t id = codec.AddDictionary(TrainDictionary(Records(2, 400), kFirstDictionaryId));
  ASSERT_EQ(id, kFirstDictionaryId);
  codec.Use(id);
  size_t documentBytes = 0;
  size_t frameBytes = 0;
  for (const std::string& record : Records(3, 300)) {
    std::string frame = codec.Compress(record);
    ASSERT_TRUE(DocumentCodec::IsFrame(frame));
    EXPECT_EQ(DocumentCodec::FrameDictionary(frame), id);
    ASSERT_EQ(codec.Decompress(frame, record.size()), record);
    documentBytes += record.size();
    frameBytes += frame.size();
  }
  EXPECT_LT(frameBytes * 10, documentBytes) << frameBytes << " of " << documentBytes;
  EXPECT_EQ(codec.Decompress(plain, 1 << 20), Records(1, 1)[0]);  // stored before training
}

TEST(DocumentCodec, ReadsDocumentsOfOlderDictionariesAndRefusesWhatItCannotRead) {
  std::string older = TrainDictionary(Records(4, 200), kFirstDictionaryId);
  std::string newer = TrainDictionary(Records(5, 200), kFirstDictionaryId + 1);
  std::string record = Records(6, 1)[0];
  DocumentCodec writer;
  writer.Use(writer.AddDictionary(older));
  std::string oldFrame = writer.Compress(record);
  writer.Use(writer.AddDictionary(newer));
  std::string newFrame = writer.Compress(record);
  EXPECT_EQ(DocumentCodec::FrameDictionary(newFrame), kFirstDictionaryId + 1);
  EXPECT_EQ(writer.Decompress(oldFrame, record.size()), record);
  EXPECT_EQ(writer.Decompress(newFrame, record.size()), record);

  DocumentCodec reader;
  reader.AddDictionary(newer);
  EXPECT_EQ(reader.Decompress(newFrame, record.size()), record);
  const std::vector<std::pair<std::string, size_t>> refused = {
      {oldFrame, record.size()},                           // its dictionary is unknown here
      {newFrame, record.size() - 1},                       // longer than allowed
      {newFrame.substr(0, newFrame.size() - 1), 1 << 20},  // cut short
      {newFrame + newFrame, 1 << 20},                      // two frames
      {record, 1 << 20},                                   // plain text is no frame
  };
  for (const auto& [frame, limit] : refused) {
    EXPECT_THROW(reader.Decompress(frame, limit), DocumentCodecError) << frame.size();
  }
  EXPECT_THROW(reader.AddDictionary(record), DocumentCodecError);
  EXPECT_THROW(reader.Use(kFirstDictionaryId), DocumentCodecError);
  EXPECT_TRUE(TrainDictionary(Records(7, 2), kFirstDictionaryId).empty());
}

}  // namespace
}  // namespace line
