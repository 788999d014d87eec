// Vorlix: keeps chosen registry entries deleted. It starts hidden, lives as
// a notification-area icon, and ends when its window is unloaded.
#include <windows.h>

#include <exception>
#include <optional>

#include "core/deleted_entries.h"
#include "core/unexpected_failure.h"
#include "platform/win32/archive_file.h"
#include "platform/win32/check.h"
#include "platform/win32/deleted_entries_dialog.h"
#include "platform/win32/form1.h"
#include "platform/win32/install_mark.h"
#include "platform/win32/message_box_prompts.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/only_copy.h"
#include "platform/win32/registry_deleter.h"
#include "platform/win32/registry_settings_store.h"
#include "ui/program.h"
#include "ui/start_request.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  using namespace vorlix;
  try {
    // Before anything can load a DLL: System32 alone, so a DLL planted
    // beside the exe is never loaded.
    win32::checkBool(::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), "SetDefaultDllDirectories");
    win32::Form1 form(instance);
    // One copy per user: a later start hands over to it (or, made on the
    // user's behalf, leaves it alone) and ends here, before the store is
    // touched.
    const std::optional<win32::OnlyCopy> onlyCopy =
        win32::claimOnlyCopy(form.hwnd(), ui::whenAlreadyRunning(ui::startedBy(commandLine)));
    if (!onlyCopy) return static_cast<int>(ui::ExitStatus::Success);
    win32::RegistrySettingsStore store;
    // What the deletions remove is kept, the file made at the first one.
    win32::Win32ArchiveFile archiveFile(win32::archiveFolder(win32::ArchiveOwner::User),
                                        win32::ArchiveOwner::User);
    DeletedEntries deletedEntries(archiveFile, win32::UserArchiveBound);
    win32::RegistryApiDeleter deleter(win32::RegistryApiDeleter::Links::Followed, &deletedEntries);
    win32::MessageBoxPrompts prompts(form.hwnd());
    ui::Program program(form, store, deleter, prompts);
    form.setEvents(&program);
    form.setRuleReports(&program);
    form.setDeletedEntriesView([&] {
      win32::showDeletedEntries(form.hwnd(), form.dpi(), form.font(), deletedEntries, form.controls());
    });

    program.start();
    if (!program.ended()) {
      if (win32::installMarked())
        form.tray().tellWhereOnce([] {
          try {
            win32::clearInstallMark();
          } catch (const win32::Win32Error&) {
            // The notice comes again at the next start: better than never.
          }
        });
      win32::runMessageLoop(form, &form.watcher());
    }
    return static_cast<int>(program.exitStatus());
  } catch (const std::exception& failure) {
    win32::showFailure(describeUnexpectedFailure(L"keep running", win32::describeFailure(failure)));
  }
  return static_cast<int>(ui::ExitStatus::UnexpectedFailure);
}
