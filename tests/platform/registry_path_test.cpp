#include "platform/registry_path.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/rules.h"

namespace vorlix {
namespace {

using Kind = RegistryTarget::Kind;
using Root = RegistryRoot;

struct ParseCase {
  const char* shape;
  std::wstring_view path;
  Kind kind;
  Root root;
  const wchar_t* key;
  const wchar_t* value;

  friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.shape; }
};

constexpr ParseCase kCases[] = {
    // The shapes a rule composes: hive, backslash, key, backslash, value.
    {"hive key value", L"HKEY_CURRENT_USER\\Software\\Acme\\Run", Kind::Value, Root::CurrentUser,
     L"Software\\Acme", L"Run"},
    {"empty value names the key", L"HKEY_LOCAL_MACHINE\\Software\\Acme\\", Kind::Key,
     Root::LocalMachine, L"Software\\Acme", L""},
    {"empty key names a value in the root", L"HKEY_CURRENT_USER\\\\V", Kind::Value,
     Root::CurrentUser, L"", L"V"},
    {"hive alone with two backslashes", L"HKEY_USERS\\\\", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"no hive begins with a backslash", L"\\Software\\V", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"two backslashes alone", L"\\\\", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"key ending in a backslash doubles it", L"HKEY_CURRENT_CONFIG\\K\\\\V", Kind::Nothing,
     Root::ClassesRoot, L"", L""},
    {"key ending in a backslash, no value", L"HKEY_CURRENT_USER\\K\\\\", Kind::Nothing,
     Root::ClassesRoot, L"", L""},
    {"doubled separator inside the key", L"HKEY_CURRENT_USER\\A\\\\B\\V", Kind::Nothing,
     Root::ClassesRoot, L"", L""},
    {"key with a leading backslash", L"HKEY_CURRENT_USER\\\\A\\V", Kind::Nothing, Root::ClassesRoot,
     L"", L""},
    {"key of backslashes only", L"HKEY_CURRENT_USER\\\\\\", Kind::Nothing, Root::ClassesRoot, L"", L""},
    // Every root, full and short.
    {"classes root", L"HKEY_CLASSES_ROOT\\.txt\\", Kind::Key, Root::ClassesRoot, L".txt", L""},
    {"users", L"HKEY_USERS\\.DEFAULT\\V", Kind::Value, Root::Users, L".DEFAULT", L"V"},
    {"current config", L"HKEY_CURRENT_CONFIG\\System\\V", Kind::Value, Root::CurrentConfig,
     L"System", L"V"},
    {"short HKCU", L"HKCU\\K\\V", Kind::Value, Root::CurrentUser, L"K", L"V"},
    {"short HKLM", L"HKLM\\K\\", Kind::Key, Root::LocalMachine, L"K", L""},
    {"short HKCR", L"HKCR\\\\V", Kind::Value, Root::ClassesRoot, L"", L"V"},
    {"single backslash names a root value", L"HKCU\\V", Kind::Value, Root::CurrentUser, L"", L"V"},
    // Anything else names nothing.
    {"no short form for users", L"HKU\\K\\V", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"no short form for current config", L"HKCC\\K\\V", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"root in lower case", L"hkey_current_user\\K\\V", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"short root in mixed case", L"Hkcu\\K\\V", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"root with a blank", L"HKEY_CURRENT_USER \\K\\V", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"root with a colon", L"HKCU:\\K\\V", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"root alone", L"HKEY_CURRENT_USER", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"root and one backslash", L"HKEY_CURRENT_USER\\", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"no backslash at all", L"Software", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"empty path", L"", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"NUL in the value", std::wstring_view(L"HKCU\\K\\V\0x", 10), Kind::Nothing, Root::ClassesRoot,
     L"", L""},
    {"NUL in the key", std::wstring_view(L"HKCU\\K\0x\\", 9), Kind::Nothing, Root::ClassesRoot, L"", L""},
    // Texts kept exactly: blanks, dots, non-ASCII, a slash is no separator.
    {"blanks kept", L"HKEY_CURRENT_USER\\ Soft ware \\ v ", Kind::Value, Root::CurrentUser,
     L" Soft ware ", L" v "},
    {"non-ASCII kept", L"HKEY_CURRENT_USER\\Software\\Ünïcødé\\日本", Kind::Value, Root::CurrentUser,
     L"Software\\Ünïcødé", L"日本"},
    {"non-ASCII key", L"HKEY_CURRENT_USER\\Software\\日本\\", Kind::Key, Root::CurrentUser,
     L"Software\\日本", L""},
    {"slash is part of a name", L"HKCU\\a/b\\c/d", Kind::Value, Root::CurrentUser, L"a/b", L"c/d"},
};

class ParseRegistryPath : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseRegistryPath, SplitsRootKeyAndValue) {
  const ParseCase& c = GetParam();
  RegistryTarget expected;
  if (c.kind != Kind::Nothing) expected = {c.kind, c.root, c.key, c.value};
  EXPECT_EQ(parseRegistryPath(c.path), expected) << c.shape;
}

INSTANTIATE_TEST_SUITE_P(Shapes, ParseRegistryPath, ::testing::ValuesIn(kCases));

TEST(ParseRegistryPath_Roots, EveryHiveListNameIsTheRootOfItsIndex) {
  for (std::size_t i = 0; i < HiveList.size(); ++i) {
    const RegistryTarget t = parseRegistryPath(fullPath(HiveList[i], L"K", L"V"));
    EXPECT_EQ(t.kind, Kind::Value) << i;
    EXPECT_EQ(static_cast<std::size_t>(t.root), i);
  }
}

}  // namespace
}  // namespace vorlix
