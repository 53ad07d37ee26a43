#include "station/cli/core/RowPrinter.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int32_t kResultColumn = 2;
constexpr int32_t kDetailColumn = 3;
// A brief passed row keeps a detail of at most this many lines on one line.
constexpr size_t kBriefJoinedLines = 5;

// Splits on CR LF, LF or CR; drops empty lines at the end.
std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
        ++i;
      }
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  while (lines.size() > 1 && lines.back().empty()) {
    lines.pop_back();
  }
  return lines;
}

}  // namespace

std::wstring RowPrinter::FormatRow(const std::wstring& item, const std::wstring& expected,
                                   const std::wstring& result, const std::wstring& detail,
                                   bool brief) {
  std::vector<std::wstring> lines = SplitLines(detail);
  std::wstring row = item + L" | " + expected + L" | " + result + L" |";
  if (!lines[0].empty()) {
    row += L" " + lines[0];
  }
  // A failed row always shows its whole detail: that is where the reason is. A passed row's
  // short detail stays on its line; a long one (flag or MMI lists) is summed up.
  if (brief && result == L"PASS" && lines.size() > 1) {
    std::vector<std::wstring> filled;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(filled),
                 [](const std::wstring& line) { return !line.empty(); });
    if (filled.size() > kBriefJoinedLines) {
      return row + L" (+" + std::to_wstring(lines.size() - 1) + L" lines)";
    }
    std::wstring joined;
    for (const std::wstring& line : filled) {
      joined += (joined.empty() ? L"" : L" / ") + line;
    }
    return item + L" | " + expected + L" | " + result + L" | " + joined;
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    row += L"\n    " + lines[i];
  }
  return row;
}

void RowPrinter::OnCell(const std::wstring& item, int32_t column, const std::wstring& text) {
  if (column == kDetailColumn) {
    if (pendingDetail_.find(item) == pendingDetail_.end()) {
      pendingOrder_.push_back(item);
    }
    pendingDetail_[item] = text;
  } else if (column == kResultColumn) {
    if (text == L"FAIL") {
      ++rowsFailed_;
    }
    Print(item, text);
  }
}

void RowPrinter::Finish() {
  std::vector<std::wstring> order = pendingOrder_;
  for (const std::wstring& item : order) {
    if (pendingDetail_.count(item) != 0) {
      Print(item, L"");
    }
  }
}

void RowPrinter::Print(const std::wstring& item, const std::wstring& result) {
  auto detail = pendingDetail_.find(item);
  auto expected = expected_.find(item);
  sink_(FormatRow(item, expected != expected_.end() ? expected->second : L"", result,
                  detail != pendingDetail_.end() ? detail->second : L"", brief_));
  if (detail != pendingDetail_.end()) {
    pendingDetail_.erase(detail);
    pendingOrder_.erase(std::remove(pendingOrder_.begin(), pendingOrder_.end(), item),
                        pendingOrder_.end());
  }
  ++rowsPrinted_;
}
