#include "TempFiles.h"

#include <windows.h>

#include <cstdio>

std::wstring TestFilePath(const std::wstring& name) {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path(module);
  return path.substr(0, path.rfind(L'\\') + 1) + name;
}

void WriteTestFile(const std::wstring& path, const std::string& text) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file != nullptr) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
}

std::string ReadTestFile(const std::wstring& path) {
  std::string text;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) {
    return text;
  }
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, n);
  }
  std::fclose(file);
  return text;
}

void DeleteTestFile(const std::wstring& path) {
  DeleteFileW(path.c_str());
}
