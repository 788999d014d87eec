// The GUIDs of the property service come from its header, defined here once.
#include <initguid.h>

#include "platform/win32/accessible_names.h"

namespace vorlix::win32 {

HRESULT trySetAccessibleNames(IAccPropServices& service, std::span<const ControlName> names) {
  for (const ControlName& n : names) {
    // The client object is what a screen reader asks for a standard control.
    const HRESULT hr = service.SetHwndPropStr(n.control, static_cast<DWORD>(OBJID_CLIENT),
                                              CHILDID_SELF, PROPID_ACC_NAME, n.name.c_str());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// A thread already in the multithreaded apartment answers RPC_E_CHANGED_MODE:
// COM works there too, but that initialization is not ours to undo.
AccessibleNames::ComApartment::ComApartment()
    : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}

AccessibleNames::ComApartment::~ComApartment() {
  if (SUCCEEDED(result_)) ::CoUninitialize();
}

AccessibleNames::AccessibleNames(std::span<const ControlName> names, IAccPropServices* service) {
  if (FAILED(com_.result()) && com_.result() != RPC_E_CHANGED_MODE) {
    result_ = com_.result();
    return;
  }
  if (service != nullptr) {
    service->AddRef();
  } else {
    result_ = ::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, reinterpret_cast<void**>(&service));
    if (FAILED(result_)) return;
  }
  service_.reset(service);
  for (const ControlName& n : names) named_.push_back(n.control);
  result_ = trySetAccessibleNames(*service_, names);
}

AccessibleNames::~AccessibleNames() {
  if (!service_) return;
  for (HWND control : named_) {
    // Ignored: a control whose name cannot be taken back goes with its window.
    (void)service_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                   &PROPID_ACC_NAME, 1);
  }
}

}  // namespace vorlix::win32
