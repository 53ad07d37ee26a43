// File places and whole-file reads and writes of the stand-ins: everything sits beside the
// running executable, as on the station PC.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sim {

// Folder of the running executable, ending in a backslash.
std::wstring ExeFolder();
// ANSI text (the caller's code page) to UTF-16.
std::wstring Widen(std::string_view text);
// A name relative to the executable's folder; a full path stays as it is.
std::wstring BesideExe(std::wstring_view name);

// Reads at most `limit` bytes; false when the file cannot be opened.
bool ReadWholeFile(const std::wstring& path, std::string& text, size_t limit);
bool WriteWholeFile(const std::wstring& path, const void* data, size_t size);

}  // namespace sim
