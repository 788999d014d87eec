// Win32 results checked by the API's failure convention. Each helper throws
// Win32Error naming the call and the system's own message.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace vorlix::win32 {

class Win32Error : public std::runtime_error {
 public:
  Win32Error(const char* call, DWORD code);
  DWORD code() const { return code_; }
  // The call and the system's reason, for a message box.
  std::wstring describe() const;

 private:
  const char* call_;  // a literal naming the API
  DWORD code_;
};

// The system's text for an error code, without the trailing line break.
std::wstring systemMessage(DWORD code);

// For APIs that return an LSTATUS / error code (the registry).
inline LSTATUS checkStatus(LSTATUS status, const char* call) {
  if (status != ERROR_SUCCESS) throw Win32Error(call, static_cast<DWORD>(status));
  return status;
}

// The registry says "not there" in two ways: ERROR_FILE_NOT_FOUND for a
// missing key or value, ERROR_PATH_NOT_FOUND for a missing key on the way.
inline bool isNotFound(LSTATUS status) {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

// For APIs that return FALSE and set the last error.
inline BOOL checkBool(BOOL result, const char* call) {
  if (!result) throw Win32Error(call, ::GetLastError());
  return result;
}

// For APIs that return a number, zero on failure, and set the last error:
// an ATOM, a timer id, a registered message.
template <class T>
T checkNonZero(T result, const char* call) {
  if (result == T{}) throw Win32Error(call, ::GetLastError());
  return result;
}

// For APIs that return NULL and set the last error.
template <class T>
T checkNotNull(T result, const char* call) {
  if (result == nullptr) throw Win32Error(call, ::GetLastError());
  return result;
}

}  // namespace vorlix::win32
