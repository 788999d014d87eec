// The version information of the built vorlix.exe, read back from the file
// the way Explorer reads it. The test runs in the program's directory.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "platform/win32/shell_tray_icon.h"
#include "vorlix_version.h"

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
  EXPECT_EQ((std::vector<WORD>{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                               HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)}),
            (std::vector<WORD>{VORLIX_VERSION_MAJOR, VORLIX_VERSION_MINOR, VORLIX_VERSION_PATCH,
                               VORLIX_VERSION_TWEAK}));
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
  // The program's own name, version and publisher (its icon's tip names
  // both); the file's own name.
  const std::wstring version = vorlix::widenAscii(VORLIX_VERSION_TEXT);
  const std::wstring company = text(L"CompanyName");
  const std::pair<const wchar_t*, std::wstring> strings[] = {
      {L"ProductName", std::wstring(vorlix::ProgramName)},
      {L"OriginalFilename", L"vorlix.exe"},
      {L"InternalName", L"vorlix"},
      {L"FileVersion", version},
      {L"ProductVersion", version},
  };
  EXPECT_EQ(std::wstring(vorlix::win32::ShellTrayIcon::Tip), company + L"'s " + std::wstring(vorlix::ProgramName));
  EXPECT_TRUE(text(L"FileDescription").starts_with(vorlix::ProgramName)) << "says what it is";
  EXPECT_TRUE(text(L"LegalCopyright").ends_with(company));
  for (const auto& [name, value] : strings) EXPECT_EQ(text(name), value) << vorlix::asciiSummary(name);
}

}  // namespace
