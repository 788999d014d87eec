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

}  // namespace vorlix::win32
