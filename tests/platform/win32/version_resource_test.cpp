// The version information of the built vorlix.exe, read back from the file
// the way Explorer reads it. The test runs in the program's directory.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/text.h"

namespace {

TEST(VersionResource, TheBuiltProgramSaysWhatItIsAndCarriesTheBuildsVersion) {
  wchar_t directory[MAX_PATH] = L"";
  ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, directory), 0u);
  const std::wstring exe = std::wstring(directory) + L"\\vorlix.exe";
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_FALSE(block.empty()) << "no version information in " << vorlix::asciiSummary(exe);
  ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  // project()'s "1.0" is 1.0.0.0: the parts it gives, missing ones 0.
  std::vector<WORD> want;
  for (std::string rest = VORLIX_BUILD_VERSION; want.size() < 4; rest.erase(0, rest.find('.') + 1)) {
    want.push_back(rest.empty() ? 0 : static_cast<WORD>(std::stoul(rest)));
    if (rest.find('.') == std::string::npos) rest.clear();
  }
  EXPECT_EQ((std::vector<WORD>{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                               HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)}),
            want);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const auto text = [&](const std::wstring& name) {
    void* value = nullptr;
    UINT chars = 0;  // with the terminating NUL
    const std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
    if (!::VerQueryValueW(block.data(), path.c_str(), &value, &chars) || chars == 0) return std::wstring(L"<none>");
    return std::wstring(static_cast<const wchar_t*>(value), chars - 1);
  };
  const std::wstring version = vorlix::widenAscii(VORLIX_BUILD_VERSION);
  const std::pair<const wchar_t*, std::wstring> strings[] = {
      {L"ProductName", L"Vorlix"},
      {L"CompanyName", L"Vennik"},
      {L"FileDescription", L"Vorlix keeps chosen registry entries deleted"},
      {L"OriginalFilename", L"vorlix.exe"},
      {L"FileVersion", version},
      {L"ProductVersion", version},
      {L"LegalCopyright", L"Copyright (C) 2026 Vennik"},
  };
  for (const auto& [name, value] : strings) EXPECT_EQ(text(name), value) << vorlix::asciiSummary(name);
}

}  // namespace
