#include "platform/win32/single_instance.h"

#include <sddl.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "core/text.h"
#include "platform/win32/check.h"
#include "platform/win32/sid_text.h"
#include "ui/window_messages.h"

namespace vorlix::win32 {
namespace {

// A later start waits this long for the running copy's marks. They follow
// its claim within moments, its window once it has made it (the first
// window in a fresh Wine prefix takes some ten seconds).
constexpr ULONGLONG ReadyWaitMs = 30000;
constexpr ULONGLONG WindowWaitMs = 60000;
constexpr DWORD PollMs = 100;
// A copy that ends while a later start looks for it sends that start back
// to claim again; so does a namespace closed between create and open.
constexpr int ClaimRounds = 5;

constexpr std::wstring_view ReadyMark = L"Ready";

std::wstring sessionMark() {
  DWORD session = 0;
  checkBool(::ProcessIdToSessionId(::GetCurrentProcessId(), &session), "ProcessIdToSessionId");
  return L"Session." + std::to_wstring(session);
}

std::wstring windowMark(HWND window) {
  return L"Window." + std::to_wstring(reinterpret_cast<std::uintptr_t>(window));
}

struct User {
  std::vector<BYTE> tokenUser;
  std::wstring sidText;
  PSID sid() const { return reinterpret_cast<const TOKEN_USER*>(tokenUser.data())->User.Sid; }
};

User currentUser() {
  unique_handle token;
  checkBool(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()), "OpenProcessToken");
  DWORD size = 0;
  // Fails by design: it only tells the size.
  (void)::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  User user;
  user.tokenUser.resize(size);
  checkBool(::GetTokenInformation(token.get(), TokenUser, user.tokenUser.data(), size, &size),
            "GetTokenInformation");
  user.sidText = sidText(user.sid());
  return user;
}

// This user only, and only at medium integrity or above: a sandboxed
// process of the same user can neither open nor wait on what carries it.
unique_hlocal userOnlySecurity(const User& user) {
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
// that is not lie within it, a process at low integrity does not.
unique_boundary userBoundary(const User& user) {
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

// Where a start finds the marks: its claim if it made it, else a look into
// the running copy's.
struct Place {
  unique_created_namespace created;
  unique_opened_namespace opened;
  unique_owned_mutex owned;
  std::wstring prefix;
  bool ours() const { return created || owned; }
  std::wstring name(std::wstring_view mark) const { return prefix + std::wstring(mark); }
};

Place enterPrivateNamespace(const unique_boundary& boundary, const std::wstring& alias,
                            SECURITY_ATTRIBUTES& security) {
  Place place;
  place.prefix = alias + L"\\";
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < ClaimRounds; ++attempt) {
    place.created.reset(::CreatePrivateNamespaceW(&security, boundary.get(), alias.c_str()));
    if (place.created) return place;
    error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) throw Win32Error("CreatePrivateNamespaceW", error);
    place.opened.reset(::OpenPrivateNamespaceW(boundary.get(), alias.c_str()));
    if (place.opened) return place;
    // Its creator closed it between the two calls: create it again.
    error = ::GetLastError();
  }
  throw Win32Error("OpenPrivateNamespaceW", error);
}

Place enterGlobalNamespace(const std::wstring& alias, SECURITY_ATTRIBUTES& security) {
  Place place;
  const std::wstring name = L"Global\\" + alias;
  place.prefix = name + L".";
  unique_handle mutex(checkNotNull(::CreateMutexW(&security, FALSE, name.c_str()), "CreateMutexW"));
  // Owning it is the claim: a copy that ended without releasing it leaves it
  // abandoned, and the next start takes it.
  const DWORD taken = ::WaitForSingleObject(mutex.get(), 0);
  if (taken == WAIT_FAILED) throw Win32Error("WaitForSingleObject", ::GetLastError());
  if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) place.owned.reset(mutex.release());
  return place;
}

bool marked(const std::wstring& name) {
  const unique_handle found(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
  if (found) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return false;
  throw Win32Error("OpenEventW", error);
}

bool waitUntil(ULONGLONG milliseconds, const std::function<bool()>& condition) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(PollMs);
  }
}

// A window of the class is the running copy's only if the copy marked it:
// any program can make a window of that class.
HWND findMarkedWindow(const Place& place, const wchar_t* windowClass) {
  for (HWND window = ::FindWindowExW(nullptr, nullptr, windowClass, nullptr); window != nullptr;
       window = ::FindWindowExW(nullptr, window, windowClass, nullptr))
    if (marked(place.name(windowMark(window)))) return window;
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

std::optional<OnlyCopy> claimOnlyCopy(const wchar_t* windowClass, ui::WhenAlreadyRunning whenRunning) {
  const User user = currentUser();
  const std::wstring alias = std::wstring(ProgramName) + L"." + user.sidText;
  unique_hlocal security = userOnlySecurity(user);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.get(), FALSE};
  const unique_boundary boundary = userBoundary(user);
  const std::wstring session = sessionMark();

  for (int round = 0; round < ClaimRounds; ++round) {
    Place place = boundary ? enterPrivateNamespace(boundary, alias, attributes)
                           : enterGlobalNamespace(alias, attributes);
    if (place.ours()) {
      OnlyCopy copy;
      copy.namespace_ = std::move(place.created);
      copy.claim_ = std::move(place.owned);
      copy.prefix_ = std::move(place.prefix);
      copy.security_ = std::move(security);
      // The session before the ready mark: a start that sees the ready mark
      // and not its own session's knows the copy runs elsewhere.
      copy.mark(copy.session_, session);
      copy.mark(copy.ready_, ReadyMark);
      return copy;
    }
    // The copy that holds the claim ended before it was ready: claim again.
    if (!waitUntil(ReadyWaitMs, [&] { return marked(place.name(ReadyMark)); })) continue;
    if (whenRunning == ui::WhenAlreadyRunning::EndQuietly) return std::nullopt;
    if (!marked(place.name(session))) {
      tellAlreadyRuns(L"in another session");
      return std::nullopt;
    }
    HWND window = nullptr;
    const bool settled = waitUntil(WindowWaitMs, [&] {
      window = findMarkedWindow(place, windowClass);
      return window != nullptr || !marked(place.name(session));
    });
    if (!settled) throw Win32Error("FindWindowExW", ERROR_TIMEOUT);
    if (window == nullptr) continue;  // the copy ended meanwhile: claim again
    askToConfigure(window);
    return std::nullopt;
  }
  // Every round the copy that held the claim ended before it was ready.
  throw Win32Error("OpenEventW", ERROR_TIMEOUT);
}

void OnlyCopy::publishWindow(HWND window) {
  mark(window_, windowMark(window));
}

void OnlyCopy::mark(unique_handle& marker, std::wstring_view what) {
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), security_.get(), FALSE};
  marker.reset(checkNotNull(::CreateEventW(&attributes, TRUE, FALSE, name(what).c_str()), "CreateEventW"));
}

}  // namespace vorlix::win32
