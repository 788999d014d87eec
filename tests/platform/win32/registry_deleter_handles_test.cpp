// A deletion keeps no handle, whatever the hive and whether the entry is
// there: at "Very High" a handle lost per rule and pass is thousands an hour.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

#include "platform/win32/check.h"
#include "platform/win32/registry_deleter.h"
#include "platform/win32/unique_handle.h"
#include "support/system_handles.h"

namespace vorlix::win32 {
namespace {

struct HandleCase {
  const char* name;
  HKEY root;
  const wchar_t* hive;
  const wchar_t* parent;  // scratch key below the root, removed afterwards
  const wchar_t* key;     // below the root; empty: the root key itself
  const wchar_t* value;   // empty: the rule names the key
};

const HandleCase kHandleCases[] = {
    {"classes root key", HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"Vorlix.HandleTest", L"Vorlix.HandleTest\\Leaf", L""},
    {"classes root value", HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"Vorlix.HandleTest", L"Vorlix.HandleTest", L"V"},
    {"current user key", HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"Software\\Vorlix handle test", L"Software\\Vorlix handle test\\Leaf", L""},
    {"current user value", HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"Software\\Vorlix handle test", L"Software\\Vorlix handle test", L"V"},
    {"current user root value", HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"", L"", L"Vorlix handle test"},
    {"local machine value", HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"Software\\Vorlix handle test", L"Software\\Vorlix handle test", L"V"},
    {"users value", HKEY_USERS, L"HKEY_USERS", L".DEFAULT\\Software\\Vorlix handle test", L".DEFAULT\\Software\\Vorlix handle test", L"V"},
};

void PrintTo(const HandleCase& c, std::ostream* os) { *os << c.name; }

// Without a view flag: in a 64-bit test that is the same view, and the
// planting itself must not cost handles.
void plant(const HandleCase& c) {
  unique_hkey key;
  if (*c.key != L'\0')
    checkStatus(::RegCreateKeyExW(c.root, c.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                "RegCreateKeyExW");
  const wchar_t data[] = L"planted";
  checkStatus(::RegSetValueExW(key ? key.get() : c.root, *c.value ? c.value : L"Inside", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(data), sizeof(data)),
              "RegSetValueExW");
}

bool planted(const HandleCase& c) {
  if (*c.value == L'\0') {
    unique_hkey key;
    return ::RegOpenKeyExW(c.root, c.key, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
  }
  return ::RegGetValueW(c.root, *c.key ? c.key : nullptr, c.value, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

class RegistryApiDeleter_Handles : public ::testing::TestWithParam<HandleCase> {
 protected:
  void TearDown() override {
    const HandleCase& c = GetParam();
    // Test clean-up only: the program itself never deletes a tree.
    if (*c.parent != L'\0') (void)::RegDeleteTreeW(c.root, c.parent);
    if (*c.key == L'\0') (void)::RegDeleteValueW(c.root, c.value);
  }
};

TEST_P(RegistryApiDeleter_Handles, RepeatedDeletionsKeepNone) {
  const HandleCase& c = GetParam();
  const std::wstring path = std::wstring(c.hive) + L"\\" + c.key + L"\\" + c.value;
  RegistryApiDeleter deleters[] = {RegistryApiDeleter(), RegistryApiDeleter(RegistryApiDeleter::Links::Refused)};
  // The registry functions open each root key once and keep it.
  for (RegistryApiDeleter& deleter : deleters) {
    plant(c);
    deleter.RegDelete(path);
  }
  const long before = test::handleCountOf(::GetCurrentProcessId());
  ASSERT_GT(before, 0) << "no handle list";

  for (int i = 0; i < 40; ++i) {
    RegistryApiDeleter& deleter = deleters[i % 2];
    plant(c);
    deleter.RegDelete(path);
    ASSERT_FALSE(planted(c)) << "not deleted";
    deleter.RegDelete(path);  // and once more, missing
  }
  EXPECT_EQ(test::handleCountOf(::GetCurrentProcessId()), before);
}

INSTANTIATE_TEST_SUITE_P(Hives, RegistryApiDeleter_Handles, ::testing::ValuesIn(kHandleCases));

}  // namespace
}  // namespace vorlix::win32
