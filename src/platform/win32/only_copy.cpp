#include "platform/win32/only_copy.h"

#include <sddl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "platform/win32/check.h"
#include "platform/win32/sid_text.h"
#include "ui/window_messages.h"

namespace vorlix::win32 {
namespace {

// A later start looks for the running copy's marks this long at the most,
// this often: they follow its claim within moments, and a copy that ends
// releases the claim as its process goes.
constexpr ULONGLONG AnswerWaitMs = 2000;
constexpr DWORD LookAgainMs = 50;
// A namespace whose last holder closes it between our create and our open
// is created again; that race is as rare as it is short.
constexpr int NamespaceAttempts = 5;

inline void deleteBoundary(HANDLE boundary) { ::DeleteBoundaryDescriptor(boundary); }
using unique_boundary = unique_any<HANDLE, deleteBoundary>;

// This user only, and only at medium integrity or above: a sandboxed
// process of the same user can neither open nor wait on what carries it.
unique_hlocal userOnlySecurity(const ProcessUser& user) {
  const std::wstring sddl = L"D:P(A;;GA;;;" + user.sidText + L")S:(ML;;NWNRNX;;;ME)";
  PSECURITY_DESCRIPTOR security = nullptr;
  checkBool(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                   &security, nullptr),
            "ConvertStringSecurityDescriptorToSecurityDescriptorW");
  return unique_hlocal(security);
}

// Adds to a boundary descriptor, which the call may move.
void addToBoundary(unique_boundary& boundary, BOOL(WINAPI* add)(HANDLE*, PSID), PSID sid,
                   const char* call) {
  HANDLE moved = boundary.get();
  const BOOL added = add(&moved, sid);
  if (moved != boundary.get()) {
    (void)boundary.release();
    boundary.reset(moved);
  }
  checkBool(added, call);
}

// The user's SID and the medium level: both a copy that is elevated and one
// that is not lie within it, a process at low integrity does not. Empty
// where the system has no private namespaces.
unique_boundary userBoundary(const ProcessUser& user) {
  ::SetLastError(ERROR_SUCCESS);
  unique_boundary boundary(::CreateBoundaryDescriptorW(ProgramName.data(), 0));
  if (!boundary) {
    const DWORD error = ::GetLastError();
    // Wine's stub gives no descriptor and sets no error; the other namespace
    // functions are missing there altogether and must not be called.
    if (error == ERROR_SUCCESS || error == ERROR_CALL_NOT_IMPLEMENTED) return boundary;
    throw Win32Error("CreateBoundaryDescriptorW", error);
  }
  addToBoundary(boundary, &::AddSIDToBoundaryDescriptor, user.sid(), "AddSIDToBoundaryDescriptor");
  BYTE medium[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(medium);
  checkBool(::CreateWellKnownSid(WinMediumLabelSid, nullptr, medium, &size), "CreateWellKnownSid");
  addToBoundary(boundary, &::AddIntegrityLabelToBoundaryDescriptor, medium,
                "AddIntegrityLabelToBoundaryDescriptor");
  return boundary;
}

// Enters the user's private namespace, holding it in `entered`, and returns
// the start of the names in it; without private namespaces, the start of
// names in the global one.
std::wstring enterNamespace(const ProcessUser& user, SECURITY_ATTRIBUTES& security,
                            unique_private_namespace& entered) {
  const std::wstring alias = std::wstring(ProgramName) + L"." + user.sidText;
  const unique_boundary boundary = userBoundary(user);
  if (!boundary) return L"Global\\" + alias + L".";
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < NamespaceAttempts; ++attempt) {
    entered.reset(::CreatePrivateNamespaceW(&security, boundary.get(), alias.c_str()));
    if (entered) return alias + L"\\";
    error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) throw Win32Error("CreatePrivateNamespaceW", error);
    entered.reset(::OpenPrivateNamespaceW(boundary.get(), alias.c_str()));
    if (entered) return alias + L"\\";
    error = ::GetLastError();
  }
  throw Win32Error("OpenPrivateNamespaceW", error);
}

bool marked(const std::wstring& name) {
  const unique_handle found(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
  if (found) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return false;
  throw Win32Error("OpenEventW", error);
}

std::wstring windowMark(HWND window) {
  return L"Window." + std::to_wstring(reinterpret_cast<std::uintptr_t>(window));
}

// The running copy's window on this desktop, if it marked one: a window of
// the class is the copy's only if the copy marked it.
HWND findMarkedWindow(const std::wstring& prefix, const wchar_t* windowClass) {
  for (HWND window = ::FindWindowExW(nullptr, nullptr, windowClass, nullptr); window != nullptr;
       window = ::FindWindowExW(nullptr, window, windowClass, nullptr))
    if (marked(prefix + windowMark(window))) return window;
  return nullptr;
}

// `where`: how the running copy differs from this start.
void tellAlreadyRuns(std::wstring_view where) {
  const std::wstring text = std::wstring(ProgramName) + L" already runs for you " +
                            std::wstring(where) +
                            L". Only one copy runs for each user, so this one ends now.";
  // Ignored: nothing more to do if even the message fails.
  (void)::MessageBoxW(nullptr, text.c_str(), std::wstring(ProgramName).c_str(),
                      MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

void askToConfigure(HWND window) {
  DWORD process = 0;
  (void)::GetWindowThreadProcessId(window, &process);  // 0 if the window just went
  // The user started this copy, so it may bring a window to the front; the
  // running copy may now do so with its own. Ignored: without it the window
  // still shows, perhaps behind the one in front.
  (void)::AllowSetForegroundWindow(process);
  if (::PostMessageW(window, configureRequestMessage(), 0, 0)) return;
  const DWORD error = ::GetLastError();
  // The running copy's window takes no request from a lower integrity level.
  if (error != ERROR_ACCESS_DENIED) throw Win32Error("PostMessageW", error);
  tellAlreadyRuns(L"as administrator, where a start without those rights cannot reach it");
}

}  // namespace

UINT configureRequestMessage() {
  static const UINT message =
      checkNonZero(::RegisterWindowMessageW(ui::ConfigureRequestMessage.data()), "RegisterWindowMessageW");
  return message;
}

std::optional<OnlyCopy> claimOnlyCopy(HWND window, ui::WhenAlreadyRunning whenRunning) {
  wchar_t windowClass[256];
  checkNonZero(::GetClassNameW(window, windowClass, 256), "GetClassNameW");
  DWORD sessionId = 0;
  checkBool(::ProcessIdToSessionId(::GetCurrentProcessId(), &sessionId), "ProcessIdToSessionId");
  const std::wstring session = L"Session." + std::to_wstring(sessionId);
  const ProcessUser user = processUser();
  const unique_hlocal security = userOnlySecurity(user);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.get(), FALSE};

  OnlyCopy copy;
  const std::wstring prefix = enterNamespace(user, attributes, copy.namespace_);
  unique_handle claim(
      checkNotNull(::CreateMutexW(&attributes, FALSE, (prefix + L"Copy").c_str()), "CreateMutexW"));
  DWORD wait = 0;  // the first look takes the claim only if it is free
  for (const ULONGLONG giveUp = ::GetTickCount64() + AnswerWaitMs;;) {
    const DWORD taken = ::WaitForSingleObject(claim.get(), wait);
    if (taken == WAIT_FAILED) throw Win32Error("WaitForSingleObject", ::GetLastError());
    // Abandoned: the copy that held it was killed. Its marks went with it.
    if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) {
      copy.claim_.reset(claim.release());
      // "Ready" last: it says that the other two are there.
      const std::wstring marks[] = {windowMark(window), session, L"Ready"};
      for (std::size_t i = 0; i < copy.marks_.size(); ++i)
        copy.marks_[i].reset(checkNotNull(
            ::CreateEventW(&attributes, TRUE, FALSE, (prefix + marks[i]).c_str()), "CreateEventW"));
      return copy;
    }
    if (marked(prefix + L"Ready")) {
      if (whenRunning == ui::WhenAlreadyRunning::EndQuietly) return std::nullopt;
      if (!marked(prefix + session)) {
        tellAlreadyRuns(L"in another session");
        return std::nullopt;
      }
      if (HWND running = findMarkedWindow(prefix, windowClass)) {
        askToConfigure(running);
        return std::nullopt;
      }
    }
    // The copy is between its claim and its marks, or ending.
    if (::GetTickCount64() >= giveUp)
      throw TimeoutError("the running copy neither showed its marked window nor ended within " +
                         std::to_string(AnswerWaitMs / 1000) + " seconds");
    wait = LookAgainMs;
  }
}

}  // namespace vorlix::win32
