// vorlix-service.exe export FILE: the service's kept copies saved as a .reg
// file, from an administrator's prompt, while the service runs or not.
#pragma once

#include <string>

namespace vorlix::win32 {

// Writes FILE and says on the standard output what it holds; on a failure
// says why on the standard error. The process's exit status: 0, or the
// system's error.
int exportArchive(const std::wstring& file);

}  // namespace vorlix::win32
