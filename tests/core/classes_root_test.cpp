#include "core/classes_root.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>

namespace vorlix {
namespace {

using Kind = RegistryTarget::Kind;
constexpr auto CU = Hive::CurrentUser;
constexpr auto LM = Hive::LocalMachine;

struct PartCase {
  const char* shape;
  std::wstring path;
  std::set<std::wstring> userKeys;  // below HKEY_CURRENT_USER
  RegistryTarget expected;
  PathFault fault = PathFault::None;

  friend void PrintTo(const PartCase& c, std::ostream* os) { *os << c.shape; }
};

const std::wstring kLong(LongestRegistryName - 4, L'k');

const PartCase kCases[] = {
    {"a value whose key the user has: the user's", L"HKEY_CLASSES_ROOT\\.txt\\Content Type",
     {L"Software\\Classes\\.txt"}, {Kind::Value, CU, L"Software\\Classes\\.txt", L"Content Type"}},
    {"a value whose key only the machine has: the machine's", L"HKCR\\.txt\\Content Type",
     {L"Software\\Classes"}, {Kind::Value, LM, L"Software\\Classes\\.txt", L"Content Type"}},
    {"the user's key hides the machine's even without the value", L"HKCR\\CLSID\\{X}\\V",
     {L"Software\\Classes\\CLSID\\{X}"}, {Kind::Value, CU, L"Software\\Classes\\CLSID\\{X}", L"V"}},
    {"a user's key above is not the entry's key", L"HKCR\\CLSID\\{X}\\V", {L"Software\\Classes\\CLSID"},
     {Kind::Value, LM, L"Software\\Classes\\CLSID\\{X}", L"V"}},
    {"a key the user has: the user's", L"HKCR\\Foo\\shell\\", {L"Software\\Classes\\Foo\\shell"},
     {Kind::Key, CU, L"Software\\Classes\\Foo\\shell", L""}},
    {"a key the user lacks: the machine's", L"HKCR\\Foo\\shell\\", {L"Software\\Classes\\Foo"},
     {Kind::Key, LM, L"Software\\Classes\\Foo\\shell", L""}},
    {"the root's own value: always the machine's", L"HKCR\\\\V", {L"Software\\Classes"},
     {Kind::Value, LM, L"Software\\Classes", L"V"}},
    {"empty parts are gone before the lookup", L"HKCR\\Foo\\\\Bar\\\\V", {L"Software\\Classes\\Foo\\Bar"},
     {Kind::Value, CU, L"Software\\Classes\\Foo\\Bar", L"V"}},
    {"a path the prefix takes past the limit names nothing", L"HKCR\\" + kLong + L"\\V", {}, {},
     PathFault::TooLong},
    {"other hives stay as they are", L"HKCU\\Software\\Classes\\.txt\\V", {},
     {Kind::Value, CU, L"Software\\Classes\\.txt", L"V"}},
    {"nothing stays nothing", L"HKCR\\\\\\", {}, {}, PathFault::LeadingBackslash},
};

class ClassesPart : public ::testing::TestWithParam<PartCase> {};

TEST_P(ClassesPart, ResolvesToThePartWhereTheViewFindsTheEntry) {
  const PartCase& c = GetParam();
  const auto exists = [&](Hive root, std::wstring_view key) {
    // Nothing is asked of the machine: it is the part that remains.
    EXPECT_EQ(root, CU);
    return c.userKeys.contains(std::wstring(key));
  };
  const RegistryPathReading got = inClassesPart(readRegistryPath(c.path), exists);
  EXPECT_EQ(got.target, c.expected);
  EXPECT_EQ(got.fault, c.fault);
}

INSTANTIATE_TEST_SUITE_P(Paths, ClassesPart, ::testing::ValuesIn(kCases));

}  // namespace
}  // namespace vorlix
