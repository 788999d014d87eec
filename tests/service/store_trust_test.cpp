#include "service/store_trust.h"

#include <gtest/gtest.h>

namespace vorlix::service {
namespace {

constexpr const wchar_t* System = L"S-1-5-18";
constexpr const wchar_t* Admins = L"S-1-5-32-544";
constexpr const wchar_t* Users = L"S-1-5-32-545";
constexpr const wchar_t* Everyone = L"S-1-1-0";
constexpr const wchar_t* SomeUser = L"S-1-5-21-1-2-3-1001";
constexpr std::uint32_t KeyRead = 0x20019;
constexpr std::uint8_t Inherit = ObjectInheritAce | ContainerInheritAce;

// What a key created by an administrator under HKLM\SOFTWARE inherits.
StoreSecurity softwareDefault() {
  return {Admins, true,
          {{System, AceKind::Allow, 0xF003F, Inherit},
           {Admins, AceKind::Allow, 0xF003F, Inherit},
           {L"S-1-3-0", AceKind::Allow, 0x10000000, Inherit | InheritOnlyAce},
           {Users, AceKind::Allow, KeyRead, Inherit},
           {L"S-1-15-2-1", AceKind::Allow, KeyRead, Inherit}}};
}

TEST(StoreTrust, OnlyTheTrustedMayWrite) {
  EXPECT_EQ(untrustedWriter(softwareDefault()), std::nullopt);

  StoreSecurity ownedByUser = softwareDefault();
  ownedByUser.owner = SomeUser;
  EXPECT_NE(untrustedWriter(ownedByUser), std::nullopt);
  ownedByUser.owner.clear();
  EXPECT_NE(untrustedWriter(ownedByUser), std::nullopt);

  StoreSecurity noDacl = softwareDefault();
  noDacl.hasDacl = false;
  noDacl.dacl.clear();
  EXPECT_NE(untrustedWriter(noDacl), std::nullopt);

  // Every bit by itself: the write rights betray the store, the others do not.
  for (int bit = 0; bit < 32; ++bit) {
    const std::uint32_t right = 1u << bit;
    StoreSecurity granted = softwareDefault();
    granted.dacl.push_back({Users, AceKind::Allow, right, 0});
    const bool writes = (right & KeyWriteRights) != 0;
    const std::optional<std::wstring> who = untrustedWriter(granted);
    EXPECT_EQ(who.has_value(), writes) << "bit " << bit;
    if (who) {
      EXPECT_NE(who->find(Users), std::wstring::npos);
    }
    // Granted to a trusted principal, no right matters.
    granted.dacl.back().sid = System;
    EXPECT_EQ(untrustedWriter(granted), std::nullopt) << "bit " << bit;
  }
}

TEST(StoreTrust, InheritanceAndDenials) {
  struct Case {
    AccessEntry ace;
    bool trusted;
  };
  const Case cases[] = {
      // Only for subkeys created later: they are read too.
      {{Everyone, AceKind::Allow, 0x0004, ContainerInheritAce | InheritOnlyAce}, false},
      // Inherited by objects only: keys have none, so it reaches nothing.
      {{Everyone, AceKind::Allow, 0x0004, ObjectInheritAce | InheritOnlyAce}, true},
      // A denial grants nothing and cancels nothing.
      {{Everyone, AceKind::Deny, 0xF003F, 0}, true},
      {{Everyone, AceKind::Other, 0xF003F, 0}, true},
      {{SomeUser, AceKind::Allow, 0x40000000, Inherit}, false},  // GENERIC_WRITE
      {{SomeUser, AceKind::Allow, 0x10000000, 0}, false},        // GENERIC_ALL
  };
  for (const Case& c : cases) {
    StoreSecurity security = softwareDefault();
    security.dacl.insert(security.dacl.begin(), c.ace);
    EXPECT_EQ(!untrustedWriter(security).has_value(), c.trusted) << c.ace.mask;
  }
  StoreSecurity denyThenAllow = softwareDefault();
  denyThenAllow.dacl.insert(denyThenAllow.dacl.begin(), {Users, AceKind::Deny, 0x0002, 0});
  denyThenAllow.dacl.push_back({Everyone, AceKind::Allow, 0x0002, 0});
  EXPECT_NE(untrustedWriter(denyThenAllow), std::nullopt);
}

}  // namespace
}  // namespace vorlix::service
