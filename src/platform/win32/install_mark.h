// The mark that an install leaves for the program's next start, so that the
// icon tells the user once where Vorlix is (ui::TrayIconKeeper::tellWhereOnce):
// HKEY_CURRENT_USER\Software\Vennik, value VorlixInstalled. The per-user
// package writes it; for the per-machine package, Active Setup writes it at
// each user's next sign-in. The program deletes it once told.
#pragma once

namespace vorlix::win32 {

bool installMarked();
// Ignores a mark that is already gone.
void clearInstallMark();

}  // namespace vorlix::win32
