#include "platform/win32/registry_settings_store.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/memory_controls.h"
#include "platform/memory/memory_settings_store.h"
#include "platform/win32/unique_handle.h"
#include "registry_snapshot.h"
#include "settings/configuration_io.h"

namespace vorlix::win32 {
namespace {

// One argument as the C run-time's argv parser reads it back: backslashes are
// literal except before a quote.
std::wstring quoted(const std::wstring& arg) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

// reg.exe of the prefix, an independent client of the same registry.
DWORD runReg(const std::vector<std::wstring>& args) {
  std::wstring commandLine = L"reg.exe";
  for (const std::wstring& a : args) commandLine += L" " + quoted(a);
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  unique_handle nul(::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.get();
  startup.hStdOutput = nul.get();
  startup.hStdError = nul.get();
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process))
    return ::GetLastError() | 0x80000000u;
  unique_handle processHandle(process.hProcess);
  unique_handle threadHandle(process.hThread);
  ::WaitForSingleObject(process.hProcess, 60000);
  DWORD exitCode = 0xFFFFFFFFu;
  ::GetExitCodeProcess(process.hProcess, &exitCode);
  return exitCode;
}

// A private base key for each test, removed afterwards: the prefix is shared
// by every test of the run.
class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    scratch_ = L"Software\\Vorlix tests\\" + std::to_wstring(::GetCurrentProcessId()) + L" " +
               std::wstring(info->name(), info->name() + std::strlen(info->name()));
    base_ = scratch_ + L"\\VB and VBA Program Settings";
    // Test clean-up only: the program itself never deletes.
    (void)::RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str());
  }
  void TearDown() override { (void)::RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str()); }

  std::wstring sectionPath(const std::wstring& section) const {
    return base_ + L"\\StartUp\\" + section;
  }
  std::wstring regPath(const std::wstring& section) const {
    return L"HKCU\\" + sectionPath(section);
  }
  void setRaw(const std::wstring& section, const std::wstring& name, DWORD type, const void* data,
              DWORD bytes) {
    unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, sectionPath(section).c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
  }

  // Every key and value of the store, byte for byte.
  Snapshot storeSnapshot() const {
    Snapshot s;
    unique_hkey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, base_.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
      collect(key.get(), L"", s);
    return s;
  }

  std::wstring scratch_;
  std::wstring base_;
};

using Address = std::pair<std::wstring, std::wstring>;

std::wstring controlValue(const ConfigControls& c, const SettingsEntry& e) {
  switch (e.item()) {
    case ConfigItem::HiveIndex: return std::to_wstring(c.listIndex(e.slot));
    case ConfigItem::PriorityIndex: return std::to_wstring(c.listIndex(PriorityCombo));
    case ConfigItem::ScannerState: return std::to_wstring(static_cast<int>(c.checkValue(ScannerBox)));
    case ConfigItem::EnableState: return std::to_wstring(static_cast<int>(c.checkValue(e.slot)));
    case ConfigItem::KeyPath: return c.text(TextField::KeyPath, e.slot);
    case ConfigItem::ValueName: return c.text(TextField::ValueName, e.slot);
  }
  return {};
}

std::map<Address, std::wstring> snapshot(const ConfigControls& c) {
  std::map<Address, std::wstring> out;
  for (const SettingsEntry& e : loadOrder()) out[{std::wstring(e.section()), e.key()}] = controlValue(c, e);
  return out;
}

// A configuration that touches every awkward corner of the texts.
std::map<Address, std::wstring> awkwardConfiguration() {
  std::map<Address, std::wstring> config;
  for (int slot = 1; slot <= SlotCount; ++slot) {
    const std::wstring n = std::to_wstring(slot);
    config[{L"Reg", n}] = std::to_wstring(slot % 6 - 1);  // -1 to 4
    config[{L"EnableKeys", n}] = std::to_wstring(slot % 3);
    config[{L"keydirs", n}] = L"Software\\Slot " + n;
    config[{L"keynames", n}] = L"Value " + n;
  }
  config[{L"Reg", L"13"}] = L"3";
  config[{L"Reg", L"Enabled"}] = L"2";
  config[{L"keydirs", L"1"}] = L"Software\\My Company\\App Paths\\";
  config[{L"keydirs", L"2"}] = L"  \\Software\\\\Double and blanks\\ ";
  config[{L"keydirs", L"3"}] = L"";
  config[{L"keynames", L"1"}] = L"Größe 日本語 ✓";
  config[{L"keynames", L"2"}] = L" \"quoted\" ";
  config[{L"keynames", L"3"}] = L"";
  return config;
}

TEST(RegistrySettingsStore_Location, DefaultsToTheRunTimesPerUserSettings) {
  EXPECT_EQ(RegistrySettingsStore().location(L"StartUp", L"Reg"),
            L"HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\StartUp\\Reg");
  EXPECT_EQ(RegistrySettingsStore(L"Software\\Scratch").location(L"StartUp", L"keydirs"),
            L"HKEY_CURRENT_USER\\Software\\Scratch\\StartUp\\keydirs");
}

TEST(RegistrySettingsStore_DefaultBase, WritesWhereRegExeFindsIt) {
  const std::wstring application = L"Vorlix store test " + std::to_wstring(::GetCurrentProcessId());
  const std::wstring appKey = L"Software\\VB and VBA Program Settings\\" + application;
  RegistrySettingsStore store;
  store.writeSetting(application, L"Reg", L"Enabled", L"1");
  EXPECT_EQ(runReg({L"query", L"HKCU\\" + appKey + L"\\Reg", L"/v", L"Enabled"}), 0u);
  EXPECT_EQ(store.readSetting(application, L"Reg", L"Enabled", L"x"), L"1");
  (void)::RegDeleteTreeW(HKEY_CURRENT_USER, appKey.c_str());  // test clean-up only
}

TEST_F(RegistryStoreTest, ConfigurationWrittenByRegExeLoadsExactly) {
  const auto config = awkwardConfiguration();
  for (const auto& [address, text] : config) {
    ASSERT_EQ(runReg({L"add", regPath(address.first), L"/v", address.second, L"/t", L"REG_SZ",
                      L"/d", text, L"/f"}),
              0u);
  }
  RegistrySettingsStore store(base_);
  MemoryControls controls;
  ProgramOptions options(controls);
  readConfiguration(store, RuleTable(controls), options);
  EXPECT_EQ(snapshot(controls), config);
}

TEST_F(RegistryStoreTest, ConfigurationImportedFromARegFileLoadsExactly) {
  // What an administrator deploys: UTF-16 with a byte order mark, backslashes
  // and quotes escaped.
  const auto config = awkwardConfiguration();
  std::wstring file = L"\uFEFFWindows Registry Editor Version 5.00\r\n";
  std::wstring section;
  for (const SettingsEntry& e : loadOrder()) {
    if (e.section() != section) {
      section = e.section();
      file += L"\r\n[HKEY_CURRENT_USER\\" + sectionPath(section) + L"]\r\n";
    }
    std::wstring data;
    for (const wchar_t c : config.at({section, e.key()})) {
      if (c == L'\\' || c == L'"') data += L'\\';
      data += c;
    }
    file += L"\"" + e.key() + L"\"=\"" + data + L"\"\r\n";
  }
  wchar_t tempDir[MAX_PATH];
  ASSERT_NE(::GetTempPathW(MAX_PATH, tempDir), 0u);
  const std::wstring path = std::wstring(tempDir) + L"vorlix-settings-test.reg";
  {
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size() * sizeof(wchar_t)));
  }
  ASSERT_EQ(runReg({L"import", path}), 0u);
  (void)::DeleteFileW(path.c_str());  // test clean-up only

  RegistrySettingsStore store(base_);
  MemoryControls controls;
  ProgramOptions options(controls);
  readConfiguration(store, RuleTable(controls), options);
  EXPECT_EQ(snapshot(controls), config);
}

void fill(ConfigControls& controls, const std::map<Address, std::wstring>& config) {
  MemorySettingsStore store;
  for (const auto& [address, text] : config) store.put(address.first, address.second, text);
  ProgramOptions options(controls);
  readConfiguration(store, RuleTable(controls), options);
}

TEST_F(RegistryStoreTest, SaveThenLoadGivesTheSameConfiguration) {
  MemoryControls saved;
  fill(saved, awkwardConfiguration());
  RegistrySettingsStore store(base_);
  writeConfiguration(store, RuleTable(saved), ProgramOptions(saved), okOrder());

  MemoryControls loaded;
  ProgramOptions options(loaded);
  readConfiguration(store, RuleTable(loaded), options);
  EXPECT_EQ(snapshot(loaded), snapshot(saved));
}

// Every value under a key, with its type and text; and its subkeys.
struct KeyContents {
  std::map<std::wstring, std::pair<DWORD, std::wstring>> values;
  std::vector<std::wstring> subkeys;
};

KeyContents contentsOf(const std::wstring& path) {
  KeyContents contents;
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return contents;
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD nameLength = 512;
    BYTE data[8192];
    DWORD type = 0;
    DWORD bytes = sizeof(data);
    if (::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, data, &bytes) != ERROR_SUCCESS)
      break;
    contents.values[std::wstring(name, nameLength)] = {type, textFromRegistryData(data, bytes)};
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD nameLength = 512;
    if (::RegEnumKeyExW(key.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    contents.subkeys.emplace_back(name, nameLength);
  }
  return contents;
}

TEST_F(RegistryStoreTest, SaveLeavesExactlyTheFiftyTextValues) {
  MemoryControls controls;
  fill(controls, awkwardConfiguration());
  RegistrySettingsStore store(base_);
  writeConfiguration(store, RuleTable(controls), ProgramOptions(controls), loadOrder());

  const KeyContents application = contentsOf(base_ + L"\\StartUp");
  EXPECT_TRUE(application.values.empty());
  EXPECT_EQ(std::multiset<std::wstring>(application.subkeys.begin(), application.subkeys.end()),
            (std::multiset<std::wstring>{L"EnableKeys", L"Reg", L"keydirs", L"keynames"}));

  std::map<Address, std::wstring> stored;
  for (const wchar_t* section : {L"Reg", L"EnableKeys", L"keydirs", L"keynames"}) {
    const KeyContents contents = contentsOf(sectionPath(section));
    EXPECT_TRUE(contents.subkeys.empty());
    for (const auto& [name, typed] : contents.values) {
      EXPECT_EQ(typed.first, static_cast<DWORD>(REG_SZ)) << asciiSummary(name);
      stored[{section, name}] = typed.second;
    }
  }
  EXPECT_EQ(stored, snapshot(controls));
  EXPECT_EQ(stored.size(), 50u);
}

std::vector<BYTE> utf16(std::wstring_view text, std::size_t extraBytes = 0) {
  std::vector<BYTE> bytes(text.size() * 2 + extraBytes, 0);
  std::memcpy(bytes.data(), text.data(), text.size() * 2);
  return bytes;
}

std::vector<BYTE> withStrayByte(std::wstring_view text) {
  std::vector<BYTE> bytes = utf16(text);
  bytes.push_back(0x33);
  return bytes;
}

// A different valid value in every entry from awkwardConfiguration.
std::map<Address, std::wstring> priorConfiguration() {
  std::map<Address, std::wstring> config;
  for (int slot = 1; slot <= SlotCount; ++slot) {
    const std::wstring n = std::to_wstring(slot);
    config[{L"Reg", n}] = std::to_wstring((slot + 1) % 6 - 1);
    config[{L"EnableKeys", n}] = std::to_wstring((slot + 1) % 3);
    config[{L"keydirs", n}] = L"prior dir " + n;
    config[{L"keynames", n}] = L"prior name " + n;
  }
  config[{L"Reg", L"13"}] = L"0";
  config[{L"Reg", L"Enabled"}] = L"0";
  return config;
}

struct StoredShapeCase {
  const char* shape;
  const wchar_t* section;
  const wchar_t* key;
  DWORD type;
  std::vector<BYTE> bytes;
  // Either the load stops there with this failure, naming the type that is
  // not text or the stored text...
  SettingsFailureKind kind;
  const wchar_t* typeOrText;
  // ...or it loads this text into the entry's control.
  const wchar_t* loadsAs = nullptr;
};

TEST_F(RegistryStoreTest, NonTextValueStopsTheLoadAtItsEntryWithoutWriting) {
  using enum SettingsFailureKind;
  constexpr auto NotText = UnreadableValue;
  const StoredShapeCase cases[] = {
      {"DWORD for a hive", L"Reg", L"7", REG_DWORD, {3, 0, 0, 0}, NotText, L"REG_DWORD"},
      {"DWORD, first entry", L"Reg", L"1", REG_DWORD, {0, 0, 0, 0}, NotText, L"REG_DWORD"},
      {"QWORD for the priority", L"Reg", L"13", REG_QWORD, {2, 0, 0, 0, 0, 0, 0, 0}, NotText, L"REG_QWORD"},
      {"binary text for the switch", L"Reg", L"Enabled", REG_BINARY, utf16(L"1", 2), NotText, L"REG_BINARY"},
      {"multi-string for a box", L"EnableKeys", L"7", REG_MULTI_SZ, utf16(std::wstring_view(L"1\0\0", 3)),
       NotText, L"REG_MULTI_SZ"},
      {"big-endian DWORD, last box", L"EnableKeys", L"12", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}, NotText,
       L"REG_DWORD_BIG_ENDIAN"},
      {"empty none for a key path", L"keydirs", L"1", REG_NONE, {}, NotText, L"REG_NONE"},
      {"64 KiB of binary for a key path", L"keydirs", L"6", REG_BINARY, std::vector<BYTE>(65536, 0x41),
       NotText, L"REG_BINARY"},
      {"unknown type for a name", L"keynames", L"1", 0x4000, {1, 2, 3}, NotText, L"type 16384"},
      {"none with data, last entry", L"keynames", L"12", REG_NONE, utf16(L"x", 2), NotText, L"REG_NONE"},
      // A stray last byte of text is dropped; what is left is judged as text.
      {"odd length, whole characters refused", L"Reg", L"5", REG_SZ, withStrayByte(L"12"), Refused, L"12"},
      {"one byte of text: empty", L"EnableKeys", L"3", REG_SZ, {0x31}, NotANumber, L""},
      {"odd length, whole characters a number", L"Reg", L"Enabled", REG_SZ, withStrayByte(L"1"), {},
       nullptr, L"1"},
      {"odd length for a name", L"keynames", L"12", REG_SZ, withStrayByte(L"abc"), {}, nullptr, L"abc"},
  };
  const auto stored = awkwardConfiguration();
  const auto prior = priorConfiguration();
  RegistrySettingsStore store(base_);
  for (const StoredShapeCase& c : cases) {
    SCOPED_TRACE(c.shape);
    {
      MemoryControls source;
      fill(source, stored);
      writeConfiguration(store, RuleTable(source), ProgramOptions(source), loadOrder());
    }
    setRaw(c.section, c.key, c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
    const auto storeBefore = storeSnapshot();

    MemoryControls controls;
    fill(controls, prior);
    ProgramOptions options(controls);
    bool stopped = false;
    try {
      readConfiguration(store, RuleTable(controls), options);
    } catch (const SettingsFailure& failure) {
      stopped = true;
      const SettingsFailureDetails& d = failure.details();
      EXPECT_EQ(d.kind, c.kind);
      EXPECT_EQ(d.section, c.section);
      EXPECT_EQ(d.key, c.key);
      if (c.kind == NotText) {
        EXPECT_EQ(d.reason, L"a value of type " + std::wstring(c.typeOrText));
      } else {
        EXPECT_EQ(d.storedText, c.typeOrText);
      }
      EXPECT_EQ(d.location, L"HKEY_CURRENT_USER\\" + sectionPath(c.section));
    }
    EXPECT_EQ(stopped, c.loadsAs == nullptr);

    // Before the entry: as stored; from it on: untouched, or all loaded.
    bool reached = false;
    for (const SettingsEntry& e : loadOrder()) {
      const Address a{std::wstring(e.section()), e.key()};
      const bool here = a == Address(c.section, c.key);
      reached = reached || here;
      const std::wstring expected = !c.loadsAs && reached ? prior.at(a) : here ? c.loadsAs : stored.at(a);
      EXPECT_EQ(controlValue(controls, e), expected) << asciiSummary(a.first + L" " + a.second);
    }
    EXPECT_TRUE(storeSnapshot() == storeBefore) << "the load changed the store";
  }
}

TEST_F(RegistryStoreTest, AbsentEntriesReadAsTheirDefaultAndEmptyOnesAsEmpty) {
  RegistrySettingsStore store(base_);
  EXPECT_EQ(store.readSetting(L"StartUp", L"Reg", L"1", L"-1"), L"-1") << "no application";
  store.writeSetting(L"StartUp", L"Reg", L"2", L"");
  EXPECT_EQ(store.readSetting(L"StartUp", L"Reg", L"2", L"-1"), L"");
  EXPECT_EQ(store.readSetting(L"StartUp", L"Reg", L"1", L"-1"), L"-1") << "no value";
  EXPECT_EQ(store.readSetting(L"StartUp", L"keydirs", L"1", L""), L"") << "no section";
  setRaw(L"Reg", L"3", REG_SZ, "", 0);
  EXPECT_EQ(store.readSetting(L"StartUp", L"Reg", L"3", L"-1"), L"") << "zero bytes";
}

struct RawCase {
  const char* name;
  DWORD type;
  std::vector<BYTE> bytes;
  const wchar_t* expected;  // nullptr: unreadable
};

TEST_F(RegistryStoreTest, StoredDataOfEveryShapeReadsSafely) {
  std::vector<BYTE> odd = utf16(L"12");
  odd.push_back(0x33);
  const RawCase cases[] = {
      {"terminated", REG_SZ, utf16(L"4", 2), L"4"},
      {"no terminating NUL", REG_SZ, utf16(L"abc"), L"abc"},
      {"odd byte count", REG_SZ, odd, L"12"},
      {"one byte", REG_SZ, {0x31}, L""},
      {"text after a NUL", REG_SZ, utf16(std::wstring_view(L"ab\0cd", 5), 2), L"ab"},
      {"expandable text is taken literally", REG_EXPAND_SZ, utf16(L"%TEMP%\\x", 2), L"%TEMP%\\x"},
      {"DWORD", REG_DWORD, {3, 0, 0, 0}, nullptr},
      {"QWORD", REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}, nullptr},
      {"binary", REG_BINARY, {0x34, 0}, nullptr},
      {"multi-string", REG_MULTI_SZ, utf16(std::wstring_view(L"4\0\0", 3)), nullptr},
      {"none", REG_NONE, {}, nullptr},
  };
  RegistrySettingsStore store(base_);
  for (const RawCase& c : cases) {
    SCOPED_TRACE(c.name);
    setRaw(L"keydirs", L"1", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
    if (c.expected) {
      EXPECT_EQ(store.readSetting(L"StartUp", L"keydirs", L"1", L"default"), c.expected);
    } else {
      try {
        (void)store.readSetting(L"StartUp", L"keydirs", L"1", L"default");
        ADD_FAILURE() << "read";
      } catch (const SettingsStoreError& error) {
        EXPECT_EQ(error.kind(), SettingsStoreError::Kind::UnreadableValue);
        EXPECT_EQ(error.reason(), L"a value of type " + registryTypeName(c.type));
      }
    }
  }
}

TEST_F(RegistryStoreTest, VeryLongTextsRoundTrip) {
  std::wstring text;
  for (int i = 0; text.size() < 1'000'000; ++i) text += L"Ü\\" + std::to_wstring(i) + L" ";
  RegistrySettingsStore store(base_);
  store.writeSetting(L"StartUp", L"keynames", L"12", text);
  EXPECT_EQ(store.readSetting(L"StartUp", L"keynames", L"12", L""), text);
}

TEST_F(RegistryStoreTest, AFailedWriteIsReportedWithTheSystemsReason) {
  // A volatile base cannot hold the store's non-volatile keys.
  unique_hkey volatileBase;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_WRITE, nullptr, volatileBase.put(), nullptr),
            ERROR_SUCCESS);
  RegistrySettingsStore store(base_);
  MemoryControls controls;
  try {
    writeConfiguration(store, RuleTable(controls), ProgramOptions(controls), okOrder());
    FAIL() << "no failure";
  } catch (const SettingsFailure& failure) {
    EXPECT_EQ(failure.kind(), SettingsFailureKind::WriteFailed);
    EXPECT_EQ(failure.details().section, L"Reg");
    EXPECT_EQ(failure.details().key, L"1");
    EXPECT_NE(failure.details().reason.find(L"RegCreateKeyExW"), std::wstring::npos)
        << asciiSummary(failure.details().reason);
  }
}

}  // namespace
}  // namespace vorlix::win32
