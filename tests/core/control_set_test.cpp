#include "core/control_set.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace vorlix {
namespace {

using Read = std::pair<std::wstring, bool>;

// The key path a deletion path is read in, given what stands at
// CurrentControlSet (nothing: a key of its own), and whether that was asked.
Read readIn(const wchar_t* path, std::optional<std::uint32_t> inUse) {
  bool asked = false;
  const RegistryPathReading read = inControlSetInUse(readRegistryPath(path), [&] { return asked = true, inUse; });
  return {read.fault == PathFault::ThroughLink ? L"names nothing" : read.target.keyPath, asked};
}

TEST(ControlSet, InControlSetInUse_MovesOnlyPathsThroughCurrentControlSet) {
  EXPECT_EQ(readIn(L"HKLM\\system\\currentCONTROLset\\Svc\\V", 12), Read(L"SYSTEM\\ControlSet012\\Svc", true));
  EXPECT_EQ(readIn(L"HKLM\\SYSTEM\\\\CurrentControlSet\\", 999), Read(L"SYSTEM\\ControlSet999", true));
  EXPECT_EQ(readIn(L"HKLM\\SYSTEM\\CurrentControlSet\\X\\", std::nullopt), Read(L"SYSTEM\\CurrentControlSet\\X", true));
  EXPECT_EQ(readIn(L"HKLM\\SYSTEM\\CurrentControlSet\\X\\", 0), Read(L"names nothing", true));
  EXPECT_EQ(readIn(L"HKLM\\SYSTEM\\CurrentControlSet\\X\\", 1000), Read(L"names nothing", true));
  // Paths not through it: nothing is asked.
  EXPECT_EQ(readIn(L"HKLM\\SYSTEM\\CurrentControlSet2\\X\\", 1), Read(L"SYSTEM\\CurrentControlSet2\\X", false));
  EXPECT_EQ(readIn(L"HKLM\\SYSTEM\\CurrentControlSet", 1), Read(L"SYSTEM", false));  // a value of that name
  EXPECT_EQ(readIn(L"HKCU\\SYSTEM\\CurrentControlSet\\X\\", 1), Read(L"SYSTEM\\CurrentControlSet\\X", false));
}

}  // namespace
}  // namespace vorlix
