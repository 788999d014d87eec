#include "service/store_trust.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

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

  // Every bit by itself: each right to write betrays the store, and so does
  // any bit not known to read; only the reading rights do not.
  constexpr std::uint32_t Writes[] = {0x2, 0x4, 0x20, 0x10000, 0x40000, 0x80000, 0x40000000, 0x10000000};
  constexpr std::uint32_t Reads[] = {0x1, 0x8, 0x10, 0x20000, 0x100000, 0x20000000, 0x80000000};
  for (int bit = 0; bit < 32; ++bit) {
    const std::uint32_t right = 1u << bit;
    StoreSecurity granted = softwareDefault();
    granted.dacl.push_back({Users, AceKind::Allow, right, 0});
    const std::wstring who = untrustedWriter(granted).value_or(L"");
    EXPECT_EQ(who.empty(), std::ranges::count(Reads, right) == 1) << "bit " << bit;
    const bool writes = std::ranges::count(Writes, right) == 1;
    EXPECT_TRUE(!writes || who.find(Users) != std::wstring::npos) << "bit " << bit;
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
      // A grant of a kind not read here counts, for its trustee or anyone.
      {{Everyone, AceKind::Other, 0xF003F, 0}, false},
      {{L"", AceKind::Other, 0xFFFFFFFF, 0}, false},
      {{System, AceKind::Other, 0xF003F, 0}, true},
      {{SomeUser, AceKind::Allow, 0x40000000, Inherit}, false},  // GENERIC_WRITE
      {{SomeUser, AceKind::Allow, 0x10000000, 0}, false},        // GENERIC_ALL
  };
  for (const Case& c : cases) {
    StoreSecurity security = softwareDefault();
    security.dacl.insert(security.dacl.begin(), c.ace);
    EXPECT_EQ(!untrustedWriter(security).has_value(), c.trusted) << c.ace.mask;
  }
  // The plain and callback grants are read with their trustees; no denial
  // counts; object and compound grants, and unknown types, fail closed.
  using enum AceKind;
  const std::pair<std::uint8_t, AceKind> kinds[] = {{0x0, Allow}, {0x9, Allow}, {0x1, Deny},  {0x6, Deny},
                                                    {0xA, Deny},  {0xC, Deny},  {0x4, Other}, {0x5, Other},
                                                    {0xB, Other}, {0x11, Other}, {0xFF, Other}};
  for (const auto& [type, kind] : kinds) EXPECT_EQ(aceKind(type), kind) << int{type};
  // Windows weighs the entries in order: a denial after the grant, or one
  // that is inherit-only, does not take the grant back.
  const AccessEntry grant{Users, AceKind::Allow, 0x0002, 0};
  for (const auto& pair : {std::array<AccessEntry, 2>{grant, {Users, AceKind::Deny, 0x0002, 0}},
                           {{{Users, AceKind::Deny, 0x0002, Inherit | InheritOnlyAce}, grant}},
                           {{{Users, AceKind::Deny, 0x0002, 0}, {Everyone, AceKind::Allow, 0x0002, 0}}}}) {
    StoreSecurity security = softwareDefault();
    security.dacl.insert(security.dacl.begin(), pair.begin(), pair.end());
    EXPECT_NE(untrustedWriter(security), std::nullopt) << pair[0].flags;
  }
}

}  // namespace
}  // namespace vorlix::service
