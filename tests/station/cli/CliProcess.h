// Runs VarnexCli.exe in a station folder of its own, as a line engineer's script would, and
// keeps what it printed.
#pragma once

#include <string>
#include <vector>

struct CliRun {
  int exitCode = -1;
  std::string out;  // UTF-8, as the program writes to a file or pipe
  std::string err;
};

class StationFolder {
 public:
  // A fresh folder beside the test program holding VarnexCli.exe, the DLLs, the demo
  // configuration, the demo station list and a Log folder; the phone's record is blank.
  explicit StationFolder(const std::string& name);

  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  void WriteFile(const std::wstring& name, const std::string& text) const;
  std::string ReadFile(const std::wstring& name) const;
  // Changes one key of the folder's Varnex.ini.
  void SetConfig(const wchar_t* section, const wchar_t* key, const wchar_t* value) const;
  // Writes a fresh station record into the folder's phone in which the given stations passed.
  void PrepareRecord(const std::vector<const char*>& passedStations) const;
  // Files under a subfolder matching a pattern such as L"result\\*" (names only).
  std::vector<std::wstring> List(const std::wstring& pattern) const;

  CliRun Run(const std::vector<std::wstring>& args) const;

 private:
  std::wstring path_;
};

// The folder of the running test program.
std::wstring TestProgramFolder();
// A whole file as bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);
