#include "core/registry_path.h"

#include <gtest/gtest.h>

#include <iostream>
#include <ostream>
#include <random>
#include <string>

#include "core/rules.h"
#include "settings/settings_store.h"

namespace vorlix {
namespace {

using Kind = RegistryTarget::Kind;
using Root = Hive;

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
    {"key ending in a backslash names its value", L"HKEY_CURRENT_CONFIG\\K\\\\V", Kind::Value,
     Root::CurrentConfig, L"K", L"V"},
    {"key ending in a backslash, no value", L"HKEY_CURRENT_USER\\K\\\\", Kind::Key,
     Root::CurrentUser, L"K", L""},
    {"doubled separator inside the key", L"HKEY_CURRENT_USER\\A\\\\B\\V", Kind::Value,
     Root::CurrentUser, L"A\\B", L"V"},
    {"runs of backslashes inside and after the key", L"HKLM\\A\\\\\\B\\\\\\\\", Kind::Key,
     Root::LocalMachine, L"A\\B", L""},
    {"key with a leading backslash", L"HKEY_CURRENT_USER\\\\A\\V", Kind::Nothing, Root::ClassesRoot,
     L"", L""},
    {"key with a leading backslash, no value", L"HKCR\\\\A\\\\", Kind::Nothing, Root::ClassesRoot,
     L"", L""},
    {"key of backslashes only", L"HKEY_CURRENT_USER\\\\\\", Kind::Nothing, Root::ClassesRoot, L"", L""},
    {"key of backslashes only, with a value", L"HKEY_CURRENT_USER\\\\\\V", Kind::Nothing,
     Root::ClassesRoot, L"", L""},
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

RegistryTarget expectedTarget(const ParseCase& c) {
  return c.kind == Kind::Nothing ? RegistryTarget{} : RegistryTarget{c.kind, c.root, c.key, c.value};
}

class ParseRegistryPath : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseRegistryPath, SplitsRootKeyAndValue) {
  EXPECT_EQ(parseRegistryPath(GetParam().path), expectedTarget(GetParam())) << GetParam().shape;
}

INSTANTIATE_TEST_SUITE_P(Shapes, ParseRegistryPath, ::testing::ValuesIn(kCases));

// A rule's two fields as typed, composed the way a scan composes them.
struct FieldsCase {
  const char* shape;
  const wchar_t* keyPath;
  const wchar_t* valueName;
  Kind kind;
  const wchar_t* key;
  const wchar_t* value;

  friend void PrintTo(const FieldsCase& c, std::ostream* os) { *os << c.shape; }
};

constexpr FieldsCase kFieldsCases[] = {
    {"trailing backslash, a value", L"Software\\Demo\\", L"v", Kind::Value, L"Software\\Demo", L"v"},
    {"trailing backslash, no value: the key", L"Software\\Demo\\", L"", Kind::Key, L"Software\\Demo", L""},
    {"doubled backslash", L"Software\\\\Demo", L"v", Kind::Value, L"Software\\Demo", L"v"},
    {"doubled and trailing, no value", L"Software\\\\Demo\\\\", L"", Kind::Key, L"Software\\Demo", L""},
    {"leading backslash", L"\\Software\\Demo", L"v", Kind::Nothing, L"", L""},
    {"leading backslash, no value", L"\\Software\\", L"", Kind::Nothing, L"", L""},
    {"one backslash, a value", L"\\", L"v", Kind::Nothing, L"", L""},
    {"backslashes only, no value", L"\\\\\\", L"", Kind::Nothing, L"", L""},
    {"no key path: a value of the root", L"", L"v", Kind::Value, L"", L"v"},
    {"no key path, no value: never the root", L"", L"", Kind::Nothing, L"", L""},
    {"a top-level key is named; the deleter refuses trees", L"Software", L"", Kind::Key, L"Software", L""},
    // The name is composed verbatim, so a backslash in it moves into the key path.
    {"backslash inside the value name", L"Software", L"a\\b", Kind::Value, L"Software\\a", L"b"},
    {"value name of a backslash: the key", L"Software\\Demo", L"\\", Kind::Key, L"Software\\Demo", L""},
    {"no key path, value name led by a backslash", L"", L"\\v", Kind::Nothing, L"", L""},
};

class ParseRegistryPath_Fields : public ::testing::TestWithParam<FieldsCase> {};

TEST_P(ParseRegistryPath_Fields, EmptyPartsOfTheKeyPathAreSkippedALeadingOneNamesNothing) {
  const FieldsCase& c = GetParam();
  for (std::size_t hive = 0; hive < HiveList.size(); ++hive) {
    RegistryTarget expected;
    if (c.kind != Kind::Nothing) expected = {c.kind, static_cast<Root>(hive), c.key, c.value};
    EXPECT_EQ(parseRegistryPath(fullPath(HiveList[hive], c.keyPath, c.valueName)), expected)
        << c.shape << ", hive " << hive;
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, ParseRegistryPath_Fields, ::testing::ValuesIn(kFieldsCases));

// Random key paths, their separators stretched to runs of backslashes and
// given a tail of them: the same entry. Led by a backslash: nothing.
TEST(ParseRegistryPath_Generated, StretchedSeparatorsNameThePlainPath) {
  std::mt19937 random(20261207);
  const auto pick = [&random](int lowest, int highest) {
    return std::uniform_int_distribution<int>(lowest, highest)(random);
  };
  constexpr std::wstring_view kLetters = L"aZ0 ._-/{}日ü\xD800";
  const auto word = [&](int shortest) {
    std::wstring w;
    for (int i = pick(shortest, 5); i > 0; --i)
      w += kLetters[static_cast<std::size_t>(pick(0, kLetters.size() - 1))];
    return w;
  };
  int cases = 0;
  for (; cases < 3000; ++cases) {
    const std::size_t hive = static_cast<std::size_t>(pick(0, HiveList.size() - 1));
    std::wstring plain, stretched;
    for (int part = pick(1, 4); part > 0; --part) {
      const std::wstring w = word(1);
      plain += (plain.empty() ? L"" : L"\\") + w;
      stretched += (stretched.empty() ? L"" : std::wstring(static_cast<std::size_t>(pick(1, 3)), L'\\')) + w;
    }
    stretched.append(static_cast<std::size_t>(pick(0, 3)), L'\\');
    const std::wstring name = word(0);
    const RegistryTarget expected{name.empty() ? Kind::Key : Kind::Value, static_cast<Root>(hive), plain,
                                  name};
    ASSERT_EQ(parseRegistryPath(fullPath(HiveList[hive], stretched, name)), expected)
        << asciiSummary(stretched) << " | " << asciiSummary(name);
    const std::wstring led = std::wstring(static_cast<std::size_t>(pick(1, 3)), L'\\') + stretched;
    ASSERT_EQ(parseRegistryPath(fullPath(HiveList[hive], led, name)), RegistryTarget{})
        << asciiSummary(led) << " | " << asciiSummary(name);
  }
  std::cout << "[ generated ] " << cases << " key paths, stretched and led by a backslash\n";
}

// The API cuts a name past 32,766 characters short, to an ancestor's path.
TEST(ParseRegistryPath_Lengths, NamesTooLongForTheApiNameNothing) {
  const std::wstring longest = L"Software\\" + std::wstring(32766 - 9, L'k');
  const std::wstring longer = longest + L"k";
  const std::wstring stretched = L"Software" + std::wstring(40000, L'\\') + longest.substr(9) + L"\\\\";
  const std::wstring longestName(32766, L'n');
  const struct {
    const char* shape;
    std::wstring key, name;
    RegistryTarget expected;
  } cases[] = {
      {"longest key", longest, L"", {Kind::Key, Root::CurrentUser, longest, L""}},
      {"longest key, a value", longest, L"v", {Kind::Value, Root::CurrentUser, longest, L"v"}},
      {"a longer key", longer, L"", {}},
      {"a longer key, a value", longer, L"v", {}},
      {"a child of the longest key", longest + L"\\c", L"", {}},
      {"empty parts do not count", stretched, L"", {Kind::Key, Root::CurrentUser, longest, L""}},
      {"longest value name", L"K", longestName, {Kind::Value, Root::CurrentUser, L"K", longestName}},
      {"a longer value name", L"K", longestName + L"n", {}},
      {"a longer value name in the root", L"", longestName + L"n", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parseRegistryPath(fullPath(L"HKEY_CURRENT_USER", c.key, c.name)), c.expected) << c.shape;
}

// Why a path names nothing, as the window tells it: one reason per way.
struct FaultCase {
  std::wstring path;
  PathFault fault;
};

const FaultCase kFaults[] = {
    {std::wstring(L"HKCU\\K\\V\0x", 10), PathFault::NulCharacter},
    {L"HKEY_CURRENT_USER", PathFault::NoSeparator},
    {L"", PathFault::NoSeparator},
    {L"\\Software\\V", PathFault::NoHive},  // no hive chosen
    {L"\\\\", PathFault::NoHive},
    {L"hkcu\\K\\V", PathFault::NoHive},
    {L"HKEY_CURRENT_USER\\\\A\\V", PathFault::LeadingBackslash},
    {L"HKEY_CURRENT_USER\\\\\\", PathFault::LeadingBackslash},
    {L"HKEY_USERS\\\\", PathFault::HiveItself},
    {L"HKEY_CURRENT_USER\\", PathFault::HiveItself},
    {L"HKEY_CURRENT_USER\\" + std::wstring(32767, L'k') + L"\\", PathFault::TooLong},
};

TEST(ReadRegistryPath, ANamelessPathSaysWhyANamedOneHasNoFaultAndNamesItsTarget) {
  for (const FaultCase& c : kFaults) {
    SCOPED_TRACE(asciiSummary(c.path));
    const RegistryPathReading reading = readRegistryPath(c.path);
    EXPECT_EQ(reading.target, RegistryTarget{});
    EXPECT_EQ(reading.fault, c.fault);
  }
  for (const ParseCase& c : kCases) {
    SCOPED_TRACE(c.shape);
    const RegistryPathReading reading = readRegistryPath(c.path);
    EXPECT_EQ(reading.target, expectedTarget(c));
    EXPECT_EQ(reading.fault == PathFault::None, c.kind != Kind::Nothing);
  }
}

TEST(ParseRegistryPath_Roots, EveryHiveListNameIsTheRootOfItsIndex) {
  for (std::size_t i = 0; i < HiveList.size(); ++i) {
    const RegistryTarget t = parseRegistryPath(fullPath(HiveList[i], L"K", L"V"));
    EXPECT_EQ(t.kind, Kind::Value) << i;
    EXPECT_EQ(static_cast<std::size_t>(t.root), i);
  }
}

}  // namespace
}  // namespace vorlix
