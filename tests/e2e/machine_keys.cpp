// The service test's helper for what reg.exe cannot do under
// HKEY_LOCAL_MACHINE:
//   machine_keys link KEY TARGET   creates KEY as a registry link to TARGET
//                                  (a native path, \Registry\Machine\...)
//   machine_keys sddl KEY SDDL     sets KEY's owner and protected access list
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const std::wstring what = argv[1];
  HKEY key = nullptr;
  if (what == L"link") {
    LSTATUS s = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, argv[2], 0, nullptr,
                                  REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &key, nullptr);
    if (s == ERROR_SUCCESS)
      // The link's target is stored without a terminating NUL.
      s = ::RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                           reinterpret_cast<const BYTE*>(argv[3]),
                           static_cast<DWORD>(std::wcslen(argv[3]) * sizeof(wchar_t)));
    std::printf("link: %ld\n", static_cast<long>(s));
    if (key != nullptr) ::RegCloseKey(key);
    return s == ERROR_SUCCESS ? 0 : 1;
  }
  if (what == L"sddl") {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(argv[3], SDDL_REVISION_1, &sd, nullptr))
      return 1;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    ::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    ::GetSecurityDescriptorOwner(sd, &owner, &defaulted);
    LSTATUS s = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, argv[2], 0, WRITE_DAC | WRITE_OWNER, &key);
    if (s == ERROR_SUCCESS)
      s = static_cast<LSTATUS>(::SetSecurityInfo(
          key, SE_REGISTRY_KEY,
          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
          owner, nullptr, dacl, nullptr));
    std::printf("sddl: %ld\n", static_cast<long>(s));
    if (key != nullptr) ::RegCloseKey(key);
    ::LocalFree(sd);
    return s == ERROR_SUCCESS ? 0 : 1;
  }
  return 2;
}
