// vorlix-service.exe: "Vorlix machine rules", a LocalSystem service that
// keeps the entries named in HKEY_LOCAL_MACHINE\SOFTWARE\Vennik\Vorlix
// deleted. The service control manager starts it without arguments
// (installed by the per-machine package); it never shows a window.
// "vorlix-service.exe export FILE", from an elevated prompt, saves what its
// deletions removed as a .reg file: a console program, so that the prompt
// waits for it and sees its exit status (the service runs without a console).
//
// The status reporting follows Microsoft's service samples: start pending
// with a wait hint, running only once the first configuration has been read,
// stop pending, stopped. The control handler only signals the stop event;
// the work loop does the rest.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "core/unexpected_failure.h"
#include "platform/win32/check.h"
#include "platform/win32/unique_handle.h"
#include "service/machine_service.h"
#include "platform/win32/service/archive_export.h"
#include "platform/win32/service/privileges.h"
#include "platform/win32/service/service_run.h"
#include "platform/win32/service/windows_event_log.h"

namespace {

using namespace vorlix;

wchar_t ServiceName[] = L"VorlixMachineRules";

// Start-up reads 5 security descriptors and 50 values; stopping releases
// handles. Both take far less.
constexpr DWORD StartWaitHint = 10000;
constexpr DWORD StopWaitHint = 5000;

SERVICE_STATUS_HANDLE statusHandle = nullptr;
SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, NO_ERROR, 0, 0, 0};
win32::unique_handle stopEvent;

void reportStatus(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHint = 0) {
  static DWORD checkPoint = 1;
  status.dwCurrentState = state;
  status.dwWin32ExitCode = exitCode;
  status.dwWaitHint = waitHint;
  // No control is taken while starting; stop and shutdown once running.
  status.dwControlsAccepted =
      state == SERVICE_START_PENDING
          ? 0
          : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PRESHUTDOWN | SERVICE_ACCEPT_SHUTDOWN;
  status.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : checkPoint++;
  // Nothing to do about a status the manager will not take.
  (void)::SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI control(DWORD code, DWORD, void*, void*) {
  switch (code) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_PRESHUTDOWN:
    case SERVICE_CONTROL_SHUTDOWN:
      // The work loop wakes on it and reports stop pending itself.
      (void)::SetEvent(stopEvent.get());
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI serviceMain(DWORD, wchar_t**) {
  statusHandle = ::RegisterServiceCtrlHandlerExW(ServiceName, control, nullptr);
  if (statusHandle == nullptr) return;
  reportStatus(SERVICE_START_PENDING, NO_ERROR, StartWaitHint);
  win32::WindowsEventLog log;
  DWORD exitCode = NO_ERROR;
  try {
    stopEvent.reset(win32::checkNotNull(::CreateEventW(nullptr, TRUE, FALSE, nullptr), "CreateEventW"));
    try {
      win32::dropPrivileges();
      // Refused under Wine and by a restricted manager alike; the removal
      // just made is what counts for this run.
      (void)win32::tryRequireOnlyTraversal(ServiceName);
    } catch (const std::exception& failure) {
      // It runs on with SYSTEM's privileges rather than not at all; the
      // administrator learns of it.
      log.report(service::ServiceEvent::Failure,
                 L"The service could not give up the privileges it does not need: " +
                     win32::describeFailure(failure));
    }
    log.report(service::ServiceEvent::Started,
               L"Vorlix machine rules started. Rules: HKEY_LOCAL_MACHINE\\" +
                   std::wstring(win32::MachineStoreKey) + L".");
    win32::runService(stopEvent.get(), log, [] { reportStatus(SERVICE_RUNNING); });
    reportStatus(SERVICE_STOP_PENDING, NO_ERROR, StopWaitHint);
    log.report(service::ServiceEvent::Stopped, L"Vorlix machine rules stopped.");
  } catch (const win32::Win32Error& failure) {
    log.report(service::ServiceEvent::Failure,
               describeUnexpectedFailure(L"keep the machine rules", win32::describeFailure(failure)));
    exitCode = failure.code() != NO_ERROR ? failure.code() : ERROR_INTERNAL_ERROR;
  } catch (const std::exception& failure) {
    log.report(service::ServiceEvent::Failure,
               describeUnexpectedFailure(L"keep the machine rules", win32::describeFailure(failure)));
    exitCode = ERROR_INTERNAL_ERROR;
  }
  reportStatus(SERVICE_STOPPED, exitCode);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    // Before anything can load a DLL, as in vorlix.exe: System32 alone, so
    // a DLL planted beside the exe is never loaded into LocalSystem.
    win32::checkBool(::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), "SetDefaultDllDirectories");
  } catch (const win32::Win32Error& failure) {
    return static_cast<int>(failure.code());  // no window, and no service yet to report to
  }
  if (argc == 3 && std::wstring_view(argv[1]) == L"export") return win32::exportArchive(argv[2]);
  if (argc != 1) {
    std::fputws(L"Usage: vorlix-service.exe export FILE\n"
                L"  saves what the service's deletions removed as a .reg file.\n", stderr);
    return ERROR_INVALID_PARAMETER;
  }
  SERVICE_TABLE_ENTRYW services[] = {{ServiceName, serviceMain}, {nullptr, nullptr}};
  // Started other than by the service control manager: nothing to do, and
  // no window to say so in.
  return ::StartServiceCtrlDispatcherW(services) ? 0 : static_cast<int>(::GetLastError());
}
