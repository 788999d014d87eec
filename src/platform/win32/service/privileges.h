// LocalSystem starts with many privileges (backup, restore, debug, take
// ownership, ...). Deleting registry entries needs none of them: SYSTEM's
// own access to the keys is enough. Whatever a flaw could make of the
// service, it does without them.
#pragma once

#include <string>
#include <vector>

namespace vorlix::win32 {

// Removes every privilege of the process token but SeChangeNotifyPrivilege
// (traversal, which every process keeps); removed privileges cannot be
// enabled again. Throws Win32Error, or Win32Refusal when the token read
// back still holds another.
void dropPrivileges();

// The names of the privileges the process token holds, enabled or not.
std::vector<std::wstring> heldPrivileges();

// The same list given to the service control manager, which from the next
// start on creates the process with that privilege alone. False when the
// manager refuses; the removal above applies anyway.
bool tryRequireOnlyTraversal(const wchar_t* serviceName);

}  // namespace vorlix::win32
