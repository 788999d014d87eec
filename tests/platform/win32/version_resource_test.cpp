// The version information of the built vorlix.exe, read back from the file
// the way Explorer reads it. The test runs in the program's directory.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/text.h"

namespace {

struct VersionBlock {
  std::vector<BYTE> data;

  std::wstring text(const wchar_t* name) const {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueW(data.data(), path.c_str(), &value, &length) || value == nullptr) return L"<none>";
    // The length counts the terminating NUL.
    return std::wstring(static_cast<const wchar_t*>(value), length > 0 ? length - 1 : 0);
  }
};

VersionBlock readVersion(const std::wstring& file) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  VersionBlock block;
  if (size == 0) return block;
  block.data.resize(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data.data())) block.data.clear();
  return block;
}

// "1.0" -> {1, 0, 0, 0}: the parts CMake's project() gives, missing ones 0.
std::vector<WORD> parts(const std::string& version) {
  std::vector<WORD> out;
  std::size_t at = 0;
  while (at <= version.size() && out.size() < 4) {
    const std::size_t dot = std::min(version.find('.', at), version.size());
    out.push_back(static_cast<WORD>(std::stoul(version.substr(at, dot - at))));
    at = dot + 1;
  }
  out.resize(4, 0);
  return out;
}

TEST(VersionResource, TheBuiltProgramSaysWhatItIsAndCarriesTheBuildsVersion) {
  wchar_t directory[MAX_PATH] = L"";
  ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, directory), 0u);
  const std::wstring exe = std::wstring(directory) + L"\\vorlix.exe";
  const VersionBlock block = readVersion(exe);
  ASSERT_FALSE(block.data.empty()) << "no version information in " << vorlix::asciiSummary(exe);

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const std::vector<WORD> want = parts(VORLIX_BUILD_VERSION);
  const std::vector<WORD> file = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
  const std::vector<WORD> product = {HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                                     HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS)};
  EXPECT_EQ(file, want);
  EXPECT_EQ(product, want);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const std::wstring version = vorlix::widenAscii(VORLIX_BUILD_VERSION);
  const std::pair<const wchar_t*, std::wstring> strings[] = {
      {L"ProductName", L"Vorlix"},
      {L"CompanyName", L"Vennik"},
      {L"FileDescription", L"Vorlix keeps chosen registry entries deleted"},
      {L"OriginalFilename", L"vorlix.exe"},
      {L"FileVersion", version},
      {L"ProductVersion", version},
  };
  for (const auto& [name, value] : strings) EXPECT_EQ(block.text(name), value) << vorlix::asciiSummary(name);
  const std::wstring copyright = block.text(L"LegalCopyright");
  EXPECT_EQ(copyright.rfind(L"Copyright", 0), 0u) << vorlix::asciiSummary(copyright);
  EXPECT_NE(copyright.find(L"Vennik"), std::wstring::npos);
}

}  // namespace
