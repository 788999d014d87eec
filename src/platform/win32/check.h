// Win32 results checked by the API's failure convention, and the errors
// they throw (the policy: docs/architecture.md, "Errors").
#pragma once

#include <windows.h>

#include <exception>
#include <stdexcept>
#include <string>

namespace vorlix::win32 {

// A call failed, and the system said why: its error code.
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

// A call failed without a code of the system's: a message to a control
// answered its failure value (CB_ADDSTRING's CB_ERRSPACE, TTM_ADDTOOLW's
// FALSE), or what was read back is not what the call reported. The text
// says which call and what it answered.
class Win32Refusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A wait ran out before what it waited for came: no call failed.
class TimeoutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system's text for an error code, without the trailing line break.
std::wstring systemMessage(DWORD code);

// What a user or the event log is told of a failure: a Win32Error's call and
// the system's reason, any other failure's own text.
std::wstring describeFailure(const std::exception& failure);

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
