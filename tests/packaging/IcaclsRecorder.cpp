// Stands in for Windows' icacls.exe while the install check runs the installer under Wine,
// whose own icacls sets no rights: appends each command line it is given (without the
// program's name) as one UTF-8 line to the file named by VARNEX_ICACLS_LOG, and exits with the
// code in VARNEX_ICACLS_EXIT (0 when unset), so the check sees exactly which rights the
// installer sets and that it notices a command that failed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  const wchar_t* line = GetCommandLineW();
  // Past the program's name, quoted or not.
  if (*line == L'"') {
    for (++line; *line != L'\0' && *line != L'"'; ++line) {
    }
    if (*line == L'"') {
      ++line;
    }
  } else {
    while (*line != L'\0' && *line != L' ' && *line != L'\t') {
      ++line;
    }
  }
  while (*line == L' ' || *line == L'\t') {
    ++line;
  }
  wchar_t logPath[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"VARNEX_ICACLS_LOG", logPath, MAX_PATH) - 1 < MAX_PATH - 1) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), size, nullptr, nullptr);
    if (FILE* log = _wfopen(logPath, L"ab")) {
      std::fprintf(log, "%s\n", utf8.c_str());
      std::fclose(log);
    }
  }
  wchar_t exitText[16] = {};
  GetEnvironmentVariableW(L"VARNEX_ICACLS_EXIT", exitText, 16);
  return static_cast<int>(std::wcstol(exitText, nullptr, 10));
}
