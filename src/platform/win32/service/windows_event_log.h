// The service's events in the Application log, source "Vorlix".
#pragma once

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "service/machine_service.h"

namespace vorlix::win32 {

inline constexpr const wchar_t* EventSource = L"Vorlix";

inline void deregisterEventSource(HANDLE source) { (void)::DeregisterEventSource(source); }
using unique_event_source = unique_any<HANDLE, deregisterEventSource>;

class WindowsEventLog final : public service::EventLog {
 public:
  WindowsEventLog();

  // Never throws: an event that cannot be written is lost, and the service's
  // work goes on.
  void report(service::ServiceEvent event, std::wstring_view text) override;

 private:
  // Without a source (refused) events are lost, not the service.
  unique_event_source source_;
};

}  // namespace vorlix::win32
