#include "ui/tray_menu.h"

namespace vorlix::ui {

void runConfigure(ConfigWindow& window, ScanTiming& timing) {
  window.show();
  timing.switchOff();
}

void runExit(ConfigWindow& window) { window.unload(UnloadCause::Exit); }

}  // namespace vorlix::ui
