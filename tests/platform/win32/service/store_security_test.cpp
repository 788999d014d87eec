// The store check and the dropped privileges against Wine's registry and
// token, which keep keys' owners, access lists and links, and privileges.
#include "platform/win32/service/store_security.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/check.h"
#include "platform/win32/registry_keys.h"
#include "platform/win32/service/privileges.h"
#include "support/registry_link.h"

namespace vorlix::win32 {
namespace {

// The links lie beside the store's tree: one to its own parent would loop.
const std::wstring Root = L"Software\\VorlixStoreSecurityTest", Store = Root + L"\\Store",
                   Links = L"Software\\VorlixStoreSecurityLinks";
constexpr const wchar_t* Secure = L"O:BAD:PAI(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)";

// Creates the key, or a link to `target`, with the owner and access list of `sddl`.
void makeKey(const std::wstring& path, const wchar_t* sddl, const std::wstring& target = {}) {
  unique_hkey key;
  if (target.empty())
    checkStatus(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                "RegCreateKeyExW");
  else {  // the link itself, for its owner and access list
    checkStatus(makeLink(HKEY_LOCAL_MACHINE, path, target), "makeLink");
    checkStatus(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, key.put()),
                "RegOpenKeyExW");
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  checkBool(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr),
            "ConvertStringSecurityDescriptorToSecurityDescriptorW");
  const unique_hlocal owned(descriptor);
  checkStatus(::RegSetKeySecurity(key.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor),
              "RegSetKeySecurity");
}

void removeTrees() {
  // The links themselves; ignored: the prefix goes after the run.
  for (const wchar_t* link : {L"\\Store", L"\\Parent", L"\\Other\\Reg"})
    (void)removeLink(HKEY_LOCAL_MACHINE, Links + link);
  for (const std::wstring& tree : {Links, Root}) (void)::RegDeleteTreeW(HKEY_LOCAL_MACHINE, tree.c_str());
}

std::wstring writerOf(const std::wstring& store) {
  return StoreSecurityGuard(store).untrustedWriter().value_or(L"(trusted)");
}

TEST(StoreSecurity, OneKeyOpenToOthersOrALinkOnTheWayBetraysTheStore) {
  removeTrees();  // of a run cut short
  makeKey(Store, Secure);
  makeKey(Store + L"\\Reg", Secure);
  ASSERT_EQ(writerOf(Store), L"(trusted)");
  // One section open to everyone, the rest secure.
  makeKey(Store + L"\\keydirs", L"O:BAD:PAI(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KA;;;WD)");
  EXPECT_NE(writerOf(Store).find(L"S-1-1-0 (access 0x000F003F), at HKEY_LOCAL_MACHINE\\" + Store + L"\\keydirs"),
            std::wstring::npos)
      << writerOf(Store);
  makeKey(Store + L"\\keydirs", Secure);
  // A NULL DACL, as SetSecurityInfo sets it (an SDDL string gives an empty one).
  unique_hkey store;
  checkStatus(tryOpenKey(HKEY_LOCAL_MACHINE, Store, WRITE_DAC, store), "RegOpenKeyExW");
  checkStatus(static_cast<LSTATUS>(::SetSecurityInfo(store.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION,
                                                     nullptr, nullptr, nullptr, nullptr)),
              "SetSecurityInfo");
  EXPECT_NE(writerOf(Store).find(L"no access list"), std::wstring::npos) << writerOf(Store);

  // A link at the store, above it or at a section.
  makeKey(Links + L"\\Other", Secure);  // first: below a link, a key could only be volatile
  makeKey(Links + L"\\Store", Secure, Store);
  makeKey(Links + L"\\Parent", Secure, Root);
  makeKey(Links + L"\\Other\\Reg", Secure, Store + L"\\Reg");
  unique_hkey through;
  ASSERT_EQ(tryOpenKey(HKEY_LOCAL_MACHINE, Links + L"\\Parent\\Store\\Reg", KEY_READ, through), ERROR_SUCCESS)
      << "the links lead on";
  for (const wchar_t* store : {L"\\Store", L"\\Parent\\Store", L"\\Other"})
    EXPECT_NE(writerOf(Links + store).find(L"registry link"), std::wstring::npos) << writerOf(Links + store);
  removeTrees();
}

TEST(Privileges, AllButTraversalAreGoneFromTheTokenReadBack) {
  ASSERT_GT(heldPrivileges().size(), 1u);
  dropPrivileges();
  EXPECT_EQ(heldPrivileges(), std::vector<std::wstring>{L"SeChangeNotifyPrivilege"});
}

}  // namespace
}  // namespace vorlix::win32
