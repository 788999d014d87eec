// The machine store's key and its four section keys, their security read
// from the registry and judged by untrustedWriter.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "service/machine_service.h"
#include "service/store_trust.h"

namespace vorlix::win32 {

// HKEY_LOCAL_MACHINE\<base> and its sections.
class StoreSecurityGuard final : public service::StoreGuard {
 public:
  explicit StoreSecurityGuard(std::wstring base) : base_(std::move(base)) {}
  // A missing key holds nothing to trust; one whose security cannot be read,
  // or that is a registry link, is not trusted, nor is a store below a link.
  std::optional<std::wstring> untrustedWriter() override;

 private:
  std::wstring base_;
};

// The owner and access list of an open key, as plain data.
service::StoreSecurity readKeySecurity(HKEY key);

}  // namespace vorlix::win32
