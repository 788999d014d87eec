#include "platform/win32/check.h"

#include <string>

#include "core/text.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

Win32Error::Win32Error(const char* call, DWORD code)
    : std::runtime_error(std::string(call) + " failed with error " + std::to_string(code)),
      call_(call),
      code_(code) {}

std::wstring Win32Error::describe() const { return widenAscii(call_) + L": " + systemMessage(code_); }

std::wstring describeFailure(const std::exception& failure) {
  if (const auto* error = dynamic_cast<const Win32Error*>(&failure)) return error->describe();
  return widenAscii(failure.what());
}

std::wstring systemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const unique_hlocal owned(buffer);
  std::wstring text;
  if (length != 0 && buffer != nullptr) {
    text.assign(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
      text.pop_back();
  }
  if (text.empty()) text = L"error " + std::to_wstring(code);
  return text;
}

}  // namespace vorlix::win32
