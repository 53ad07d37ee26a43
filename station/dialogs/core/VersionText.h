// Texts made from the program's version resource: the version stamp of the window title and
// the version line of the about box. Platform-neutral; the resource is read by ModuleVersionInfo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The stamp buffer, terminator included: a stamp holds at most 127 characters.
inline constexpr size_t kVersionStampChars = 128;

// A product version split at its last full stop, after blanks were removed and commas made
// full stops: "2, 1, 3, 45" gives head "2.1.3" and build 45; "5" gives head "" and build 5.
struct ProductVersionParts {
  std::wstring head;
  int32_t build = 0;  // the tail's leading decimal number, 0 when there is none
};

ProductVersionParts SplitProductVersion(std::wstring_view productVersion);

// `text` without white space (blank, tab, line breaks) at either end.
std::wstring TrimWhiteSpace(std::wstring_view text);

// The stamp: head, build as "%03d", and "_P" with the trimmed special build when that is not
// empty ("17,0,0,1" -> "17.0.0001"). Writes at most stampChars - 1 characters and the
// terminator, never ending in half a surrogate pair; returns the length written.
size_t FormatVersionStamp(std::wstring_view productVersion, std::wstring_view specialBuild,
                          wchar_t* stamp, size_t stampChars);

// "Varnex (<stamp>)", the title of the main window.
std::wstring FormatWindowTitle(std::wstring_view stamp);

// The about box's build number text: "%02d".
std::wstring FormatAboutBuild(int32_t build);

// The about box's version line: "Version:        <head><build>", and "_P<special>" when the
// special build is not empty.
std::wstring FormatAboutVersionLine(std::wstring_view head, std::wstring_view buildText,
                                    std::wstring_view specialBuild);
