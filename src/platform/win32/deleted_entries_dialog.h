// The view of the deleted entries: a modal dialog over the configuration
// window, built from the tables of ui/deleted_entries_view.h at the
// window's DPI and in its font.
#pragma once

#include <windows.h>

#include "core/controls.h"
#include "core/deleted_entries.h"

namespace vorlix::win32 {

// Returns once the user closes it. Restore writes the chosen copy back and
// clears its rule's enable box in `controls` (kept once the user presses
// OK); Export saves the chosen copies, or all, as a .reg file. A failure is
// told in a message box, never thrown.
void showDeletedEntries(HWND owner, int dpi, HFONT font, DeletedEntries& entries, ConfigControls& controls);

}  // namespace vorlix::win32
