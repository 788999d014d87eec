// Names for screen readers, given to standard controls through the
// accessibility property service of oleacc (direct annotation): what a
// screen reader says changes, what the window shows does not.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vorlix::win32 {

struct ControlName {
  HWND control;
  std::wstring name;
};

// Annotates each control's client object with its name; the first failure
// stops the walk and is returned.
HRESULT trySetAccessibleNames(IAccPropServices& service, std::span<const ControlName> names);

// Owns what the names need: COM on this thread and the service, for as long
// as the controls are named.
class AccessibleNames {
 public:
  // Without the service (not registered, or only a stub that answers
  // E_NOTIMPL, as under Wine 8) the controls keep their default names and
  // the program runs on: result() tells which. `service`, when given, is
  // used instead of the system's (held for as long as the names).
  explicit AccessibleNames(std::span<const ControlName> names, IAccPropServices* service = nullptr);
  AccessibleNames(const AccessibleNames&) = delete;
  AccessibleNames& operator=(const AccessibleNames&) = delete;
  // Takes the names back while the controls still exist.
  ~AccessibleNames();

  // S_OK when every control was named; otherwise the first failure.
  HRESULT result() const { return result_; }

 private:
  class ComApartment {
   public:
    ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment();
    HRESULT result() const { return result_; }

   private:
    HRESULT result_;
  };
  struct ReleaseService {
    void operator()(IAccPropServices* service) const { service->Release(); }
  };

  ComApartment com_;  // first in, last out: the service is released inside it
  std::unique_ptr<IAccPropServices, ReleaseService> service_;
  std::vector<HWND> named_;
  HRESULT result_ = S_OK;
};

}  // namespace vorlix::win32
