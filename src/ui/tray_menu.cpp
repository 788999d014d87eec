#include "ui/tray_menu.h"

namespace vorlix::ui {

void runConfigure(WindowToolkit& window, ScanTiming& timing) {
  window.show();
  timing.switchOff();
}

void runExit(WindowToolkit& window) { window.unload(UnloadCause::Exit); }

}  // namespace vorlix::ui
