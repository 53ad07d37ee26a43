// Every binary of the station package carries a version resource, and all of them name the
// station's product version from VarnexVersion.h, in the fixed part and as text. Tollmark.dll is
// the one exception: other stations of the line load it too, so it keeps the record library's
// own version.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "station/app/VarnexVersion.h"

namespace {

struct ShippedBinary {
  const wchar_t* file;
  const char* productVersion;  // empty: the station's
  DWORD fileType;
};

// The binaries of the zip and the installer, production and simulated alike.
constexpr ShippedBinary kShipped[] = {
    {L"Varnex.exe", "", VFT_APP},          {L"VarnexCli.exe", "", VFT_APP},
    {L"TollmarkTool.exe", "", VFT_APP},    {L"Admit.dll", "", VFT_DLL},
    {L"Dutlink.dll", "", VFT_DLL},         {L"Powerbench.dll", "", VFT_DLL},
    {L"Tollmark.dll", "3.0.0.1", VFT_DLL},
};

std::wstring TestFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    out += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

class VersionResource {
 public:
  explicit VersionResource(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
      return;
    }
    data_.resize(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) {
      data_.clear();
    }
  }

  bool Loaded() const { return !data_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() const {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), L"\\", &value, &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
      return nullptr;
    }
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }

  // The text of one key in the resource's first translation; "<missing>" when absent.
  std::string Text(const wchar_t* key) const {
    struct Translation {
      WORD language;
      WORD codePage;
    };
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        length < sizeof(Translation)) {
      return "<no translation>";
    }
    const Translation* translation = static_cast<const Translation*>(value);
    wchar_t query[96] = {};
    swprintf(query, sizeof query / sizeof query[0], L"\\StringFileInfo\\%04x%04x\\%ls",
             translation->language, translation->codePage, key);
    if (!VerQueryValueW(data_.data(), query, &value, &length) || length == 0) {
      return "<missing>";
    }
    return Narrow(static_cast<const wchar_t*>(value));
  }

 private:
  std::vector<char> data_;
};

std::string Dotted(DWORD high, DWORD low) {
  char text[48] = {};
  std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(high)),
                static_cast<unsigned long>(LOWORD(high)), static_cast<unsigned long>(HIWORD(low)),
                static_cast<unsigned long>(LOWORD(low)));
  return text;
}

std::string StationVersion() {
  char text[48] = {};
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", VARNEX_VERSION_MAJOR, VARNEX_VERSION_MINOR,
                VARNEX_VERSION_PATCH, VARNEX_VERSION_BUILD);
  return text;
}

// "1, 0, 0, 1" -> "1.0.0.1", as the station's version stamp reads the text.
std::string TextAsDotted(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == ',') {
      out += '.';
    } else if (c != ' ') {
      out += c;
    }
  }
  return out;
}

TEST(ShippedVersions, EveryBinaryNamesTheStationsProductVersion) {
  ASSERT_EQ(TextAsDotted(VARNEX_VERSION_TEXT), StationVersion())
      << "the version text and numbers of VarnexVersion.h differ";
  for (const ShippedBinary& binary : kShipped) {
    const std::string name = Narrow(binary.file);
    SCOPED_TRACE(name);
    const VersionResource resource(TestFolder() + binary.file);
    ASSERT_TRUE(resource.Loaded()) << name << " has no version resource";
    const VS_FIXEDFILEINFO* fixed = resource.Fixed();
    ASSERT_NE(fixed, nullptr);
    const std::string expected = *binary.productVersion ? binary.productVersion : StationVersion();
    EXPECT_EQ(Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), expected);
    EXPECT_EQ(TextAsDotted(resource.Text(L"ProductVersion")), expected);
    EXPECT_EQ(fixed->dwFileType, binary.fileType);
    EXPECT_EQ(resource.Text(L"OriginalFilename"), name);
  }
}

TEST(ShippedVersions, StationBinariesShareTheStationsNamesAndFileVersion) {
  for (const ShippedBinary& binary : kShipped) {
    if (*binary.productVersion) {
      continue;
    }
    const std::string name = Narrow(binary.file);
    SCOPED_TRACE(name);
    const VersionResource resource(TestFolder() + binary.file);
    ASSERT_TRUE(resource.Loaded());
    EXPECT_EQ(resource.Text(L"ProductName"), VARNEX_PRODUCT_NAME);
    EXPECT_EQ(resource.Text(L"CompanyName"), VARNEX_COMPANY_NAME);
    EXPECT_EQ(resource.Text(L"FileVersion"), VARNEX_VERSION_TEXT);
    EXPECT_EQ(Dotted(resource.Fixed()->dwFileVersionMS, resource.Fixed()->dwFileVersionLS),
              StationVersion());
    EXPECT_NE(resource.Text(L"FileDescription"), "<missing>");
  }
}

}  // namespace
