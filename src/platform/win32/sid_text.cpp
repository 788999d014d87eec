#include "platform/win32/sid_text.h"

#include <sddl.h>

#include "platform/win32/check.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

std::wstring sidText(PSID sid) {
  if (sid == nullptr) return {};
  wchar_t* text = nullptr;
  checkBool(::ConvertSidToStringSidW(sid, &text), "ConvertSidToStringSidW");
  const unique_hlocal owned(text);
  return text;
}

ProcessUser processUser() {
  unique_handle token;
  checkBool(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()), "OpenProcessToken");
  DWORD size = 0;
  // Fails by design: it only tells the size.
  (void)::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  ProcessUser user;
  user.tokenUser.resize(size);
  checkBool(::GetTokenInformation(token.get(), TokenUser, user.tokenUser.data(), size, &size),
            "GetTokenInformation");
  user.sidText = sidText(user.sid());
  return user;
}

}  // namespace vorlix::win32
