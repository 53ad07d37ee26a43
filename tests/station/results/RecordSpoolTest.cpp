// The spool's files under Wine: records listed oldest first, filed as sent or rejected, what a
// program killed while writing leaves, and the ANSI code page's texts in a record.
#include "station/results/RecordSpool.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "station/results/StationFacts.h"
#include "station/results/core/RecordBuilder.h"
#include "station/results/core/RecordId.h"

namespace {

namespace fs = std::filesystem;

constexpr char kChildFolder[] = "VARNEX_SPOOL_CHILD";
constexpr char kIdA[] = "00000000-0000-4000-8000-00000000000a";
constexpr char kIdB[] = "00000000-0000-4000-8000-00000000000b";
constexpr char kIdC[] = "00000000-0000-4000-8000-00000000000c";

fs::path Folder(const wchar_t* name) {
  fs::path folder = fs::path(ProgramFolder()) / name;
  fs::remove_all(folder);
  return folder;
}

void SetWriteTime(const std::wstring& path, uint64_t time) {
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME value{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  SetFileTime(file, nullptr, nullptr, &value);
  CloseHandle(file);
}

std::string Read(const fs::path& path) {
  std::string bytes;
  EXPECT_TRUE(RecordSpool::ReadWhole(path.wstring(), bytes)) << path;
  return bytes;
}

TEST(RecordSpool, RecordsAreListedOldestFirstAndFiledByTheServicesAnswer) {
  const fs::path results = Folder(L"results-spool");
  const RecordSpool spool(results.wstring());
  EXPECT_TRUE(spool.List().empty()) << "no folder yet";
  for (const char* id : {kIdA, kIdB, kIdC}) {
    ASSERT_EQ(spool.Write(id, std::string("{\"id\":\"") + id + "\"}"), L"");
  }
  EXPECT_EQ(spool.Write("../evil", "{}"), L"the record id is not a UUID");
  // C was written first, then A, then B.
  const uint64_t day = 133800000000000000ull;
  SetWriteTime((results / L"spool" / (std::string(kIdC) + ".json")).wstring(), day);
  SetWriteTime((results / L"spool" / (std::string(kIdA) + ".json")).wstring(), day + 10);
  SetWriteTime((results / L"spool" / (std::string(kIdB) + ".json")).wstring(), day + 20);
  // Files the station did not write as records are passed over.
  std::ofstream(results / L"spool" / L"notes.json") << "{}";
  std::ofstream(results / L"spool" / (std::string(kIdA) + ".answer.txt")) << "x";

  std::vector<SpooledRecord> listed = spool.List();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].id, kIdC);
  EXPECT_EQ(listed[1].id, kIdA);
  EXPECT_EQ(listed[2].id, kIdB);
  EXPECT_EQ(Read(listed[0].path), std::string("{\"id\":\"") + kIdC + "\"}");

  EXPECT_EQ(spool.FileSent(listed[0].id, "2026-12-09"), "");
  EXPECT_EQ(spool.FileRejected(listed[1].id, "HTTP 409\r\n{\"error\":\"id\"}"), "");
  EXPECT_EQ(Read(results / L"sent" / L"2026-12-09" / (std::string(kIdC) + ".json")),
            std::string("{\"id\":\"") + kIdC + "\"}");
  EXPECT_TRUE(fs::exists(results / L"rejected" / (std::string(kIdA) + ".json")));
  EXPECT_EQ(Read(results / L"rejected" / (std::string(kIdA) + ".answer.txt")),
            "HTTP 409\r\n{\"error\":\"id\"}");
  // Another program delivered it first: gone counts as moved.
  EXPECT_EQ(spool.FileSent(listed[0].id, "2026-12-09"), "");
  EXPECT_EQ(spool.Waiting(), std::vector<std::string>{kIdB});
  // A rewritten record keeps its place; a rejected one goes back to its own.
  ASSERT_EQ(spool.Rewrite(kIdB, "{}"), "");
  EXPECT_EQ(spool.List()[0].writeTime, day + 20);
  EXPECT_EQ(spool.RetryRejected(), 1);
  EXPECT_EQ(spool.Waiting(), (std::vector<std::string>{kIdA, kIdB}));
  fs::remove_all(results);
}

// Run by the test below as a program of its own: writes the temporary file and waits to be
// killed before it can rename it.
TEST(RecordSpool, ChildWritesAndWaitsToBeKilled) {
  const char* folder = std::getenv(kChildFolder);
  if (folder == nullptr) {
    GTEST_SKIP() << "only as the child of the test below";
  }
  const RecordSpool spool(std::wstring(folder, folder + std::strlen(folder)));
  ASSERT_EQ(spool.WriteTemporary(kIdA, std::string(64 * 1024, ' ') + "{}"), L"");
  HANDLE written = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"VarnexSpoolChildWritten");
  SetEvent(written);
  Sleep(INFINITE);
}

TEST(RecordSpool, AProgramKilledBetweenWriteAndRenameLeavesNoRecord) {
  const fs::path results = Folder(L"results-killed");
  const std::string folder = results.string();
  SetEnvironmentVariableA(kChildFolder, folder.c_str());
  HANDLE written = CreateEventW(nullptr, TRUE, FALSE, L"VarnexSpoolChildWritten");
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring command = std::wstring(L"\"") + program +
                         L"\" --gtest_filter=RecordSpool.ChildWritesAndWaitsToBeKilled";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child));
  SetEnvironmentVariableA(kChildFolder, nullptr);
  const DWORD waited = WaitForSingleObject(written, 60000);
  TerminateProcess(child.hProcess, 9);
  WaitForSingleObject(child.hProcess, 10000);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  CloseHandle(written);
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "the child never wrote";

  const RecordSpool spool(results.wstring());
  EXPECT_TRUE(fs::exists(results / L"spool" / (std::string(kIdA) + ".tmp")));
  EXPECT_TRUE(spool.List().empty()) << "a half-written record is never one";
  EXPECT_TRUE(spool.Waiting().empty()) << "nothing for the sender";
  // A young temporary file may be another program's write in progress; an old one is removed.
  spool.RemoveStaleTemporaries(60 * 60 * 1000);
  EXPECT_TRUE(fs::exists(results / L"spool" / (std::string(kIdA) + ".tmp")));
  spool.RemoveStaleTemporaries(0);
  EXPECT_FALSE(fs::exists(results / L"spool" / (std::string(kIdA) + ".tmp")));
  fs::remove_all(results);
}

TEST(StationFacts, TheAnsiCodePageReachesTheRecordAsUtf8) {
  const UINT codePage = GetACP();
  if (codePage != 936) {
    ASSERT_EQ(std::getenv("VARNEX_EXPECT_DBCS"), nullptr) << "code page " << codePage;
    GTEST_SKIP() << "needs code page 936";
  }
  RunFacts facts;
  facts.id = kIdA;
  // The test log's folder 站点 as the engine names it in code page 936.
  facts.captured.testLogAnsi = "C:\\\xD5\xBE\xB5\xE3\\result\\VX01_14_03_ 7_123.csv";
  const RunRecord record = BuildRunRecord(facts, AnsiToUtf16);
  EXPECT_EQ(record.testLog, "C:\\\xE7\xAB\x99\xE7\x82\xB9\\result\\VX01_14_03_ 7_123.csv");
}

TEST(StationFacts, TheClockTheIdsAndTheProgram) {
  const Timestamp now = LocalNow();
  EXPECT_GE(now.year, 2024);
  EXPECT_LE(std::abs(now.offsetMinutes), 14 * 60);
  EXPECT_NE(NewRecordId(), NewRecordId());
  EXPECT_TRUE(IsRecordId(NewRecordId()));
  EXPECT_EQ(ProgramVersion(), L"") << "the test program has no version resource";
  EXPECT_FALSE(ComputerName().empty());
}

}  // namespace
