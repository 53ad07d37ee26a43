// Turns the cell reports of a run into printable rows: one line per row when its result
// arrives, "item | expected value | result | detail", with the expected value the list shows.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class RowPrinter {
 public:
  using Sink = std::function<void(const std::wstring& line)>;

  // `brief`: a passed row shows only the first line of a detail of several lines.
  RowPrinter(std::map<std::wstring, std::wstring> expectedValues, Sink sink, bool brief = false)
      : expected_(std::move(expectedValues)), sink_(std::move(sink)), brief_(brief) {}

  // One cell report (column 2 = result, 3 = detail). A result prints the row; a detail is kept
  // until then, the last one winning.
  void OnCell(const std::wstring& item, int32_t column, const std::wstring& text);
  // Prints the rows that got a detail but no result (a check cut short).
  void Finish();

  int rowsPrinted() const { return rowsPrinted_; }
  int rowsFailed() const { return rowsFailed_; }

  // Formats one row; a detail of several lines continues on indented lines below.
  static std::wstring FormatRow(const std::wstring& item, const std::wstring& expected,
                                const std::wstring& result, const std::wstring& detail,
                                bool brief = false);

 private:
  void Print(const std::wstring& item, const std::wstring& result);

  std::map<std::wstring, std::wstring> expected_;
  Sink sink_;
  bool brief_ = false;
  std::map<std::wstring, std::wstring> pendingDetail_;
  std::vector<std::wstring> pendingOrder_;
  int rowsPrinted_ = 0;
  int rowsFailed_ = 0;
};
