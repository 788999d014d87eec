// Registry links: a key created with REG_OPTION_CREATE_LINK whose
// SymbolicLinkValue (REG_LINK) sends every path through it elsewhere. A rule
// whose path goes through one would delete wherever the link's writer chose,
// which is why the service, acting for administrators, never follows one.
#pragma once

#include <windows.h>

#include <string_view>

namespace vorlix::win32 {

// Whether a key on the path below the root (as readRegistryPath gives it:
// no empty parts), the last one included, is a link, or could not be shown
// not to be one. Each key is opened below the one before it with
// REG_OPTION_OPEN_LINK, so the walk itself never follows a link. A missing
// key ends the walk with false: the deletion finds it missing too.
bool pathCrossesRegistryLink(HKEY root, std::wstring_view key);

}  // namespace vorlix::win32
