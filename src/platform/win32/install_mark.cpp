#include "platform/win32/install_mark.h"

#include <windows.h>

#include "platform/win32/check.h"

namespace vorlix::win32 {
namespace {

constexpr const wchar_t* MarkKey = L"Software\\Vennik";
constexpr const wchar_t* MarkValue = L"VorlixInstalled";

}  // namespace

bool installMarked() {
  // Its type and data do not matter: the package writes 1.
  return ::RegGetValueW(HKEY_CURRENT_USER, MarkKey, MarkValue, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

void clearInstallMark() {
  const LSTATUS deleted = ::RegDeleteKeyValueW(HKEY_CURRENT_USER, MarkKey, MarkValue);
  if (!isNotFound(deleted)) checkStatus(deleted, "RegDeleteKeyValueW");
}

}  // namespace vorlix::win32
