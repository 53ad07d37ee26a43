// Files of the configuration tests, kept in the test program's own folder.
#pragma once

#include <string>

// Full path of `name` in the test program's folder.
std::wstring TestFilePath(const std::wstring& name);

// Replaces the file's bytes with `text` (an empty text leaves an empty file).
void WriteTestFile(const std::wstring& path, const std::string& text);

// The file's bytes; empty when it cannot be read.
std::string ReadTestFile(const std::wstring& path);

void DeleteTestFile(const std::wstring& path);
