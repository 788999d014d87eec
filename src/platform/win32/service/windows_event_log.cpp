#include "platform/win32/service/windows_event_log.h"

#include <string>

#include "service_events.h"  // generated from service_events.mc

namespace vorlix::win32 {

// The message table and the events must agree, or the Event Viewer shows
// another event's text.
static_assert(VORLIX_EVENT_STARTED == static_cast<DWORD>(service::ServiceEvent::Started));
static_assert(VORLIX_EVENT_STOPPED == static_cast<DWORD>(service::ServiceEvent::Stopped));
static_assert(VORLIX_EVENT_CONFIGURATION_READ == static_cast<DWORD>(service::ServiceEvent::ConfigurationRead));
static_assert(VORLIX_EVENT_BAD_ENTRY == static_cast<DWORD>(service::ServiceEvent::BadEntry));
static_assert(VORLIX_EVENT_INSECURE_STORE == static_cast<DWORD>(service::ServiceEvent::InsecureStore));
static_assert(VORLIX_EVENT_DELETIONS == static_cast<DWORD>(service::ServiceEvent::Deletions));
static_assert(VORLIX_EVENT_FAILURE == static_cast<DWORD>(service::ServiceEvent::Failure));

WindowsEventLog::WindowsEventLog() : source_(::RegisterEventSourceW(nullptr, EventSource)) {}

void WindowsEventLog::report(service::ServiceEvent event, std::wstring_view text) {
  if (!source_) return;
  WORD type = EVENTLOG_INFORMATION_TYPE;
  switch (severityOf(event)) {
    case service::Severity::Information: break;
    case service::Severity::Warning: type = EVENTLOG_WARNING_TYPE; break;
    case service::Severity::Error: type = EVENTLOG_ERROR_TYPE; break;
  }
  try {
    // An insertion string is limited to 31,839 characters; a bad entry's
    // stored text could be longer.
    std::wstring line(text.substr(0, 31000));
    const wchar_t* strings[] = {line.c_str()};
    (void)::ReportEventW(source_.get(), type, 0, static_cast<DWORD>(event), nullptr, 1, 0, strings,
                         nullptr);
  } catch (...) {
  }
}

}  // namespace vorlix::win32
