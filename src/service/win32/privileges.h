// LocalSystem starts with many privileges (backup, restore, debug, take
// ownership, ...). Deleting registry entries needs none of them: SYSTEM's
// own access to the keys is enough. Whatever a flaw could make of the
// service, it does without them.
#pragma once

namespace vorlix::service::win32 {

// Removes every privilege of the process token but SeChangeNotifyPrivilege
// (traversal, which every process keeps); removed privileges cannot be
// enabled again. Throws Win32Error.
void dropPrivileges();

}  // namespace vorlix::service::win32
